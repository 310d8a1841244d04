// The main window's side of a download run: the board plans the items and
// applies the engine's events; the window shows what it makes of them. The
// engine raises its events on its worker thread; they arrive here through
// the window's event pump, on the UI thread, in their order (progress may be
// coalesced).
#include "app/desktop_notifier.h"
#include "app/engine_options.h"
#include "app/main_form.h"
#include "markup/qt/markup_list_box.h"
#include "transfer/url_functions.h"

#include <QAction>
#include <QTimer>
#include <algorithm>
#include <variant>

namespace fetchly {

std::string TDownloadForm::rateText() const
{
    return m_board.AtOnce() ? m_board.FocusRate() : m_engine.RateLabel();
}

TFetchScheduler &TDownloadForm::scheduler()
{
    const int wanted = std::clamp(m_options.Simultaneous, 1, MaxSimultaneous);
    if (!m_scheduler || (m_scheduler->Simultaneous() != wanted && !m_scheduler->Running()))
        m_scheduler = std::make_unique<TFetchScheduler>(wanted);
    return *m_scheduler;
}

void TDownloadForm::onStartAllClicked()
{
    guarded([this] {
        // A second Start All would hand the running entries over again.
        if (refuseWhileBusy())
            return;
        guarded([this] { applyOptions(); });
        const TRunPlan plan = m_board.PlanRun(m_options.TargetDir);
        // A run over nothing would only end at once and rewrite the line in
        // focus.
        if (plan.Items.empty()) {
            SetStatusText(QStringLiteral("Nothing to download: the list holds no URL."));
            return;
        }
        launch(plan, true);
    });
}

void TDownloadForm::onDownloadSelectedClicked()
{
    guarded([this] {
        const int i = selectedLine();
        if (i >= 0)
            launch(m_board.PlanOne(i, m_options.TargetDir), schedulerRunning());
    });
}

void TDownloadForm::launch(const TRunPlan &plan, bool atOnce)
{
    m_ui.runLog->clear();
    if (atOnce) {
        // A run already going keeps its dialog; the new items join its count.
        if ((plan.Fresh || !schedulerRunning()) && m_options.ShowDialog)
            m_runDialog.Begin(m_engine.DialogSetup());
        // The engines take the options as they are now, for the whole run.
        m_board.LaunchAtOnce(plan, scheduler(), m_pump.Queue(), [options = m_options](TFetchEngine &engine) {
            ConfigureEngine(engine, options);
            engine.ShowDialog = false;
        });
    } else {
        m_board.Launch(plan, m_engine);
    }
    m_ui.stopButton->setEnabled(true);
}

void TDownloadForm::onStopClicked()
{
    if (schedulerRunning())
        m_scheduler->Stop();
    if (m_engine.Running())
        m_engine.CancelClick();
}

void TDownloadForm::deliver(const TEngineEvent &event)
{
    if (const auto *notice = std::get_if<TDialogNoticeEvent>(&event)) {
        m_progressHost.Notice(notice->Change, notice->Serial);
        return;
    }
    guarded([&] {
        const TBoardUpdate update = m_board.Apply(event, rateText());
        m_runDialog.Show(m_board, update);
        showUpdate(update);
    });
    // The dialogs follow every step of the run that the pump delivers.
    m_progressHost.Refresh();
    m_runProgressHost.Refresh();
}

TDialogActions TDownloadForm::runDialogActions()
{
    const auto folder = [this] {
        const std::string &file = m_runDialog.Target();
        return file.empty() ? m_options.TargetDir : file.substr(0, file.find_last_of('/'));
    };
    return {[this] { onStopClicked(); }, [this] { return m_runDialog.Target(); }, folder,
            [this] { m_runDialog.Model().Free(); }};
}

void TDownloadForm::showUpdate(const TBoardUpdate &update)
{
    // Every line that showed progress shows its stored text from here on.
    if (update.RunEnded)
        m_shown.EndLive();
    if (update.Status && update.StatusFirst)
        SetStatusText(QString::fromStdString(*update.Status));
    for (const std::string &line : update.Log)
        m_ui.runLog->addItem(QString::fromStdString(MaskUrlPassword(line)));
    if (update.Status && !update.StatusFirst)
        SetStatusText(QString::fromStdString(*update.Status));
    if (update.TrayHint)
        setTrayHint(QString::fromStdString(*update.TrayHint));
    if (update.FocusLine == TBoardUpdate::Line::Stored)
        storeFocusLine();
    else if (update.FocusLine == TBoardUpdate::Line::Live)
        showLiveLine();
    if (update.Inspect)
        inspectFocusedFile();
    if (update.RunEnded) {
        // Lines of items cut off beside the focus were written by the board.
        refreshList();
        runEnded(*update.RunEnded);
    }
}

void TDownloadForm::settleRun()
{
    // A Start that lands as a run ends makes a follow-up run: its end is
    // still to come, and until then Stop stays and the list stays locked.
    // Its run-done event may even arrive before the engine has let go of
    // the run, so the engine is asked again shortly.
    const bool running = m_engine.Running() || schedulerRunning();
    m_ui.stopButton->setEnabled(running);
    m_board.SetBusy(running);
    if (running)
        m_runWatch->start();
}

void TDownloadForm::runEnded(bool cancelled)
{
    settleRun();
    if (isVisible() && !isMinimized())
        return;
    // Out of sight, the user hears of the end of the run.
    m_notifier->Notify(
        cancelled ? QStringLiteral("Fetchly downloads cancelled") : QStringLiteral("Fetchly has finished"),
        QStringLiteral("%1 downloaded, %2 failed").arg(m_board.DoneInRun()).arg(m_board.FailedInRun()));
}

} // namespace fetchly

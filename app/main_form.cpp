#include "app/main_form.h"

#include "app/core/app_paths.h"
#include "app/engine_options.h"
#include "app/error_report.h"
#include "app/options_form.h"
#include "browser/manifests/menu_extensions.h"
#include "transfer/url_functions.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace fetchly {

TDownloadForm::TDownloadForm(QWidget *parent)
    : QMainWindow(parent), m_session(AppDataDir(), [this](const std::string &error) {
          QMetaObject::invokeMethod(
              this, [this, error] { saveFailed(error); }, Qt::QueuedConnection);
      })
{
    connectCommands();
    m_autoSaveTimer = new QTimer(this);
    m_autoSaveTimer->setSingleShot(true);
    connect(m_autoSaveTimer, &QTimer::timeout, this, &TDownloadForm::autoSave);
    m_runWatch = new QTimer(this);
    m_runWatch->setSingleShot(true);
    m_runWatch->setInterval(50);
    connect(m_runWatch, &QTimer::timeout, this, &TDownloadForm::settleRun);
    // The progress dialog's texts and switches as the window's design has
    // them, not the engine's own defaults.
    m_engine.DlgCaption = "Downloading ...";
    m_engine.DlgCompleted = "Completed";
    m_engine.DlgRateLabel = "Transfer Rate :";
    m_engine.ShowCompletion = true;
    m_engine.ShowTime = true;
    SendEventsTo(m_engine, m_pump.Queue());
    // The run dialog's model notices on this thread, from inside the board's
    // steps and from the dialog's own buttons: its view takes them up after.
    m_runDialog.Model().SetListener([this](TDialogChange change, std::uint64_t serial) {
        QMetaObject::invokeMethod(
            this, [this, change, serial] { m_runProgressHost.Notice(change, serial); }, Qt::QueuedConnection);
    });
    startUp();
}

void TDownloadForm::startUp()
{
    // Each step stands alone: one that fails is noted and the others still
    // run, so the list and the options always load.
    m_session.StartupStep([this] { m_optionsForm = std::make_unique<TOptionsForm>(); });
    if (!m_optionsForm)
        m_optionsForm = std::make_unique<TOptionsForm>();
    m_session.StartupStep([this] {
        m_options.TargetDir = DefaultTargetDir().toStdString();
        m_options = m_session.LoadOptions(m_options);
    });
    // What the user types as target folder is what Start All uses.
    connect(m_ui.targetFolderEdit, &TDirectoryEdit::textChanged, this,
            [this](const QString &text) { m_options.TargetDir = text.toStdString(); });
    m_session.StartupStep([this] { registerMenuExtensions(); });
    m_session.StartupStep([this] { m_session.RemoveLeftovers(); });
    m_session.StartupStep([this] { showLoadedList(m_session.LoadList()); });
    m_session.StartupStep([this] { applyOptions(); });
    m_session.MarkSaved(m_board.Entries());
    if (const std::string notes = m_session.Notes(); !notes.empty())
        SetStatusText(QString::fromStdString(notes));
}

TDownloadForm::~TDownloadForm()
{
    // Effects of a run that is still going no longer reach this window.
    m_pump.Detach();
    m_autoSaveTimer->stop();
    m_runWatch->stop();
    for (const std::string &error : m_session.SaveAll(m_board.Entries(), m_options)) {
        // The window is going away: say it where it can still be read.
        std::fprintf(stderr, "fetchly: %s\n", error.c_str());
    }
}

void TDownloadForm::registerMenuExtensions()
{
    automation::RegisterMenuExtensions(automation::NativeHostPath(QCoreApplication::applicationDirPath()));
}

QString TDownloadForm::StatusText() const
{
    return m_ui.statusText->text();
}

namespace {
// What people see never holds the password of a URL.
QString masked(const QString &text)
{
    return QString::fromStdString(MaskUrlPassword(text.toStdString()));
}
} // namespace

void TDownloadForm::SetStatusText(const QString &text)
{
    const QString shown = masked(text);
    m_ui.statusText->setText(shown);
    Q_EMIT StatusTextChanged(shown);
}

void TDownloadForm::setTrayHint(const QString &hint)
{
    m_ui.trayIcon->SetHint(masked(hint));
}

void TDownloadForm::AddStartupNote(const QString &note)
{
    m_session.AddNote(note.toStdString());
    if (!note.isEmpty())
        SetStatusText(QString::fromStdString(m_session.Notes()));
}

void TDownloadForm::showError(const std::string &message)
{
    SetStatusText(QStringLiteral("Error : ") + QString::fromStdString(message));
}

void TDownloadForm::saveFailed(const std::string &error)
{
    m_session.MarkListUnsaved();
    showError(error);
}

void TDownloadForm::SaveState()
{
    for (const std::string &error : m_session.SaveAll(m_board.Entries(), m_options))
        showError(error);
}

void TDownloadForm::applyOptions()
{
    ConfigureEngine(m_engine, m_options);
    ApplyProcessLimits(m_options);
    m_ui.targetFolderEdit->setText(QString::fromStdString(m_options.TargetDir));
}

void TDownloadForm::onOptionsClicked()
{
    const std::optional<TAppOptions> edited = m_optionsForm->Edit(m_options);
    if (!edited)
        return;
    m_options = *edited;
    try {
        m_session.SaveOptions(m_options);
    } catch (const std::exception &e) {
        ReportApplicationError(m_optionsForm.get(), QString::fromStdString(e.what()));
    }
    guarded([this] { applyOptions(); });
}

void TDownloadForm::onHideClicked()
{
    // Without a tray there would be no way back to a hidden window.
    if (m_ui.trayIcon->Shown())
        hide();
    else
        showMinimized();
}

void TDownloadForm::ShowMainWindow()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TDownloadForm::ToggleMainWindow()
{
    if (isVisible() && !isMinimized())
        onHideClicked();
    else
        ShowMainWindow();
}

void TDownloadForm::onQuitClicked()
{
    close();
    QCoreApplication::quit();
}

void TDownloadForm::scheduleAutoSave()
{
    if (!m_autoSaveTimer->isActive())
        m_autoSaveTimer->start(1000);
}

void TDownloadForm::autoSave()
{
    if (const auto wait = m_session.AutoSave(m_board.Entries(), m_board.Busy()))
        m_autoSaveTimer->start(static_cast<int>(wait->count()) + 1);
}

bool TDownloadForm::refuseWhileBusy()
{
    if (!m_board.Busy())
        return false;
    SetStatusText(
        QStringLiteral("Please wait until the downloads have finished: the list cannot change now."));
    return true;
}

} // namespace fetchly

// The main window's side of a download run: handing entries to the engine
// and showing what the board makes of its events. The engine raises its
// events on its worker thread; they reach the handlers here through the
// window's event pump, on the UI thread, in their order (progress may be
// coalesced).
#include "app/core/download_lines.h"
#include "app/main_form.h"
#include "browser/manifests/menu_extensions.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QCoreApplication>

#include <variant>

namespace fetchly {

void TDownloadForm::RegisterMenuExtensions()
{
    automation::RegisterMenuExtensions(automation::NativeHostPath(QCoreApplication::applicationDirPath()));
}

std::string TDownloadForm::RateText() const
{
    return FetchEngine1.RateLabel();
}

void TDownloadForm::ConnectEngineEvents()
{
    SendEventsTo(FetchEngine1, m_pump.Queue());
}

void TDownloadForm::dispatch(const TEngineEvent &event)
{
    std::visit(
        [this](const auto &e) {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, TFileStartEvent>)
                FetchEngine1FileStart(e.Ext);
            else if constexpr (std::is_same_v<E, TProgressEvent>)
                FetchEngine1CopyProgress(e.Ext, e.Size, e.TotalSize);
            else if constexpr (std::is_same_v<E, TFileDoneEvent>)
                FetchEngine1FileDone(e.Ext, e.Done);
            else if constexpr (std::is_same_v<E, TURLNotFoundEvent>)
                FetchEngine1URLNotFound(e.Url);
            else if constexpr (std::is_same_v<E, TErrorInfoEvent>)
                FetchEngine1ErrorInfo(e.Info);
            else if constexpr (std::is_same_v<E, TRetryEvent>)
                Guarded([&] { showUpdate(Board.Retry(e.Retry, e.Retries, e.DelayMs, e.Info)); });
            else if constexpr (std::is_same_v<E, TRunDoneEvent>)
                FetchEngine1CopyDone1(e.Cancelled);
            else if constexpr (std::is_same_v<E, TDialogNoticeEvent>)
                ProgressHost->Notice(e.Change, e.Serial);
        },
        event);
    // The dialog follows every step of the run that the pump delivers.
    if (!std::holds_alternative<TDialogNoticeEvent>(event))
        ProgressHost->Refresh();
}

void TDownloadForm::showUpdate(const TBoardUpdate &update)
{
    for (const std::string &line : update.Log)
        doBoxAppend(line);
    if (update.Status)
        SetStatusText(QString::fromStdString(*update.Status));
    if (update.TrayHint)
        SetTrayHint(QString::fromStdString(*update.TrayHint));
    if (update.FocusLine == TBoardUpdate::Line::Stored)
        UpdateCurrentLine();
    else if (update.FocusLine == TBoardUpdate::Line::Live)
        UpdateProgressLine();
    if (update.Inspect)
        InspectCurrentFile();
    if (update.RunEnded)
        runEnded(*update.RunEnded);
}

void TDownloadForm::Button1Click()
{
    Guarded([this] {
        // A second Start All would hand the running entries over again.
        if (RefuseWhileBusy())
            return;
        ApplyOptions();
        doBoxClear();
        FetchEngine1.Items.Clear();
        const std::string dir = Options.TargetDir;
        for (int i = 0; i < Board.Entries().Count(); ++i) {
            const std::string_view key = Board.Entries().Key(i);
            if (key.empty())
                continue;
            TFetchItem &item = FetchEngine1.Items.Add();
            item.URL = std::string(key);
            item.ExternalIndex = i;
            item.TargetDir = dir;
        }
        Board.RunRequested(true);
        FetchEngine1.Start();
        runStarted();
    });
}

void TDownloadForm::DownLoadThisFile1Click()
{
    Guarded([this] {
        const int i = SelectedLine();
        if (i < 0)
            return;
        doBoxClear();
        // During a run the items stay: the engine takes the new one up in the
        // same run, after those before it, so no item runs twice at once.
        const bool fresh = !Board.Busy();
        if (fresh)
            FetchEngine1.Items.Clear();
        TFetchItem &item = FetchEngine1.Items.Add();
        item.URL = std::string(Board.Entries().Key(i));
        item.ExternalIndex = i;
        item.TargetDir = Options.TargetDir;
        Board.RunRequested(fresh);
        FetchEngine1.Start();
        runStarted();
    });
}

void TDownloadForm::URLBoxClick()
{
    const int i = SelectedLine();
    if (i < 0)
        return;
    Board.Focus().Url = std::string(Board.Entries().Key(i));
    InspectCurrentFile();
}

void TDownloadForm::FetchEngine1FileStart(int Ext)
{
    Guarded([&] { showUpdate(Board.FileStart(Ext)); });
}

void TDownloadForm::FetchEngine1CopyProgress(int Ext, TFetchSize size, TFetchSize totsize)
{
    Guarded([&] { showUpdate(Board.CopyProgress(Ext, size, totsize, RateText())); });
}

void TDownloadForm::FetchEngine1FileDone(int Ext, bool done)
{
    Guarded([&] { showUpdate(Board.FileDone(Ext, done)); });
}

void TDownloadForm::FetchEngine1URLNotFound(const std::string &url)
{
    Guarded([&] { showUpdate(Board.URLNotFound(url)); });
}

void TDownloadForm::FetchEngine1ErrorInfo(const std::string &info)
{
    Guarded([&] { showUpdate(Board.ErrorInfo(info)); });
}

void TDownloadForm::FetchEngine1CopyDone1(bool cancelled)
{
    Guarded([&] { showUpdate(Board.CopyDone(cancelled)); });
}

} // namespace fetchly

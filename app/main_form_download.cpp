// The main window's side of a download run: handing entries to the engine
// and showing what its events report. The engine raises its events on its
// worker thread; each handler here only posts its effect, which then runs on
// the UI thread, in the order of the events (progress may be coalesced).
#include "app/core/download_lines.h"
#include "app/main_form.h"
#include "browser/manifests/menu_extensions.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>

namespace fetchly {

namespace {

const char *const IdleHint = "Fetchly / Internet Downloader";

// Keys compare without regard to ASCII letter case, as the entry table does.
std::string foldedKey(std::string_view key)
{
    std::string folded(key);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

} // namespace

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
    // These run on the worker thread: nothing here touches the window. The
    // pump drops what is still queued once the window is gone.
    const std::shared_ptr<TUiEventPump> pump = EventPump;
    FetchEngine1.OnFileStart = [this, pump](TFetchEngine &, int, int Ext) {
        pump->Post([this, Ext] { FetchEngine1FileStart(Ext); });
    };
    FetchEngine1.OnCopyProgress = [this, pump](TFetchEngine &, int, int Ext, TFetchSize size,
                                               TFetchSize totsize) {
        pump->PostProgress([this, Ext, size, totsize] { FetchEngine1CopyProgress(Ext, size, totsize); });
    };
    FetchEngine1.OnFileDone = [this, pump](TFetchEngine &, int, int Ext) {
        pump->Post([this, Ext] { FetchEngine1FileDone(Ext); });
    };
    FetchEngine1.OnURLNotFound = [this, pump](TFetchEngine &, const std::string &url) {
        pump->Post([this, url] { FetchEngine1URLNotFound(url); });
    };
    FetchEngine1.OnErrorInfo = [this, pump](TFetchEngine &, int, const std::string &info) {
        pump->Post([this, info] { FetchEngine1ErrorInfo(info); });
    };
    FetchEngine1.OnRetry = [this, pump](TFetchEngine &, int retry, int retries, int delayMs, int,
                                        const std::string &info) {
        const QString text = QStringLiteral("Retry %1 of %2 in %3 s : %4")
                                 .arg(retry)
                                 .arg(retries)
                                 .arg(delayMs / 1000.0, 0, 'f', 1)
                                 .arg(QString::fromStdString(info));
        pump->Post([this, text] { SetStatusText(text); });
    };
    FetchEngine1.OnCopyDone = [this, pump](TFetchEngine &engine) {
        // Read here: by the time the effect runs, a follow-up run may have
        // cleared it.
        const bool cancelled = engine.Cancelled();
        pump->Post([this, cancelled] { FetchEngine1CopyDone1(cancelled); });
    };
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
        for (int i = 0; i < FUrlList.Count(); ++i) {
            const std::string_view key = FUrlList.Key(i);
            if (key.empty())
                continue;
            TFetchItem &item = FetchEngine1.Items.Add();
            item.URL = std::string(key);
            item.ExternalIndex = i;
            item.TargetDir = dir;
        }
        m_failedInRun.clear();
        m_doneInRun = 0;
        FBusy = true;
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
        if (!FBusy) {
            FetchEngine1.Items.Clear();
            m_failedInRun.clear();
            m_doneInRun = 0;
        }
        TFetchItem &item = FetchEngine1.Items.Add();
        item.URL = std::string(FUrlList.Key(i));
        item.ExternalIndex = i;
        item.TargetDir = Options.TargetDir;
        FetchEngine1.Start();
        runStarted();
    });
}

void TDownloadForm::URLBoxClick()
{
    const int i = SelectedLine();
    if (i < 0)
        return;
    FCurUrl = std::string(FUrlList.Key(i));
    InspectCurrentFile();
}

bool TDownloadForm::focusFailed() const
{
    return m_failedInRun.count(foldedKey(FCurUrl)) > 0;
}

void TDownloadForm::FetchEngine1FileStart(int Ext)
{
    Guarded([&] {
        FCurUrl = std::string(FUrlList.Key(Ext));
        m_runningKey = FCurUrl;
        FCurImage = 2;
        FCurStatus = "DownLoading";
        // Until its own progress arrives, the line must not show the sizes
        // of the file before it.
        FCurProgress = ProgressText(0, 0);
        doBoxAppend("File Start : " + MarkupEscape(FCurUrl));
        SetStatusText(QStringLiteral("Downloading Started : No") + QString::number(Ext));
        UpdateCurrentLine();
        FBusy = true;
    });
}

void TDownloadForm::FetchEngine1CopyProgress(int Ext, TFetchSize size, TFetchSize totsize)
{
    Guarded([&] {
        FCurUrl = std::string(FUrlList.Key(Ext));
        FCurProgress = ProgressText(size, totsize);
        SetStatusText(QString::fromStdString(RateText()) + QStringLiteral("  Downloading : ") +
                      QString::fromStdString(FCurUrl));
        SetTrayHint(QStringLiteral("Fetchly Downloading : ") + QString::fromStdString(FCurProgress));
        UpdateProgressLine();
        FBusy = true;
    });
}

void TDownloadForm::FetchEngine1FileDone(int Ext)
{
    m_runningKey.clear(); // it arrived, or failed: it was not cut off
    Guarded([&] {
        FCurUrl = std::string(FUrlList.Key(Ext));
        if (focusFailed()) {
            // The engine reports every item as done; a failed one keeps its
            // failure picture and text, and its partial file is not inspected.
            FCurImage = 4;
            doBoxAppend("<i>File Not Downloaded : " + MarkupEscape(FCurUrl) + "</i><hr>");
            UpdateCurrentLine();
            return;
        }
        FCurImage = 3;
        ++m_doneInRun;
        FCurStatus = "File Downloaded!";
        doBoxAppend("File Downloaded : " + MarkupEscape(FCurUrl) + "<hr>");
        UpdateCurrentLine();
        InspectCurrentFile();
    });
}

void TDownloadForm::FetchEngine1URLNotFound(const std::string &url)
{
    Guarded([&] {
        FCurImage = 4;
        FCurStatus = "File Not Found";
        m_failedInRun.insert(foldedKey(m_runningKey));
        SetStatusText(QStringLiteral("File Not Found : ") + QString::fromStdString(url));
        doBoxAppend("<i>File Not Found : " + MarkupEscape(FCurUrl) + "</i>");
        UpdateCurrentLine();
    });
}

void TDownloadForm::FetchEngine1ErrorInfo(const std::string &info)
{
    Guarded([&] {
        FCurImage = 4;
        FCurStatus = info;
        m_failedInRun.insert(foldedKey(m_runningKey));
        SetStatusText(QString::fromStdString(info));
        UpdateCurrentLine();
    });
}

void TDownloadForm::FetchEngine1CopyDone1(bool cancelled)
{
    Guarded([&] {
        // The item that was running when Cancel was pressed got no file-done
        // event: it did not arrive, whatever its line said last.
        const bool interrupted = cancelled && !m_runningKey.empty();
        if (interrupted) {
            FCurUrl = m_runningKey;
            FCurImage = 4;
            FCurStatus = "Download Cancelled";
            doBoxAppend("<i>File Not Downloaded : " + MarkupEscape(FCurUrl) + "</i><hr>");
        } else if (!focusFailed()) {
            FCurImage = 3;
            FCurStatus = "Downloaded";
        }
        m_runningKey.clear();
        SetStatusText(cancelled ? QStringLiteral("Downloading Cancelled !")
                                : QStringLiteral("Downloading Completed !"));
        SetTrayHint(QString::fromLatin1(IdleHint));
        doBoxAppend(cancelled ? "<b>Fetchly Downloads Cancelled </b>"
                              : "<b>Fetchly has Finished All Downloads! </b>");
        UpdateCurrentLine();
        FBusy = false;
        runEnded(cancelled);
    });
}

} // namespace fetchly

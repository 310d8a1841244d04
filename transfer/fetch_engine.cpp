#include "transfer/fetch_engine.h"

#include "transfer/fetch_run.h"
#include "transfer/part_file.h"
#include "transfer/target_name.h"
#include "transfer/transfer_operations.h"

#include <algorithm>
#include <exception>
#include <memory>

namespace fetchly {

TFetchEngine::TFetchEngine() = default;

TFetchEngine::~TFetchEngine()
{
    bool running = false;
    {
        std::lock_guard lock(m_mutex);
        running = m_running;
    }
    if (running)
        cancel();
    Wait();
}

TDialogSetup TFetchEngine::DialogSetup() const
{
    return {DlgCaption,       DlgCompleted,     DlgFileLabel, DlgFileOfLabel, DlgFromServerLabel,
            DlgToServerLabel, DlgProgressLabel, DlgRateLabel, DlgTimeLabel,   DlgCopying,
            DlgDwnload,       DlgUpload,        ShowDialog,   ShowOpenFile,   ShowOpenFolder,
            ShowCompletion,   ShowTime,         AlwaysOnTop};
}

TRunConfig TFetchEngine::snapshotConfig() const
{
    TRunConfig c;
    c.Dialog = DialogSetup();
    c.Network.Proxy = Proxy;
    c.Network.ProxyUserID = ProxyUserID;
    c.Network.ProxyPassword = ProxyPassword;
    c.Network.FTPPassive = FTPPassive;
    c.Network.ConnectTimeout = ConnectTimeout;
    c.Network.StallTimeout = StallTimeout;
    c.Network.Connections = std::clamp(Connections, 1, 16);
    c.Network.Resume = Resume;
    c.Network.AskIfUnchanged = AskIfUnchanged;
    c.Network.Retry = {std::max(Retries, 0), RetryBaseDelay, RetryAfterCap};
    static_cast<TFetchEvents &>(c) = *this;
    return c;
}

void TFetchEngine::Start()
{
    TRunConfig config = snapshotConfig();
    std::lock_guard lock(m_mutex);
    Items.Publish();
    if (m_running) {
        // A run is going. While it has items ahead, the newly published ones
        // simply join it; once it has passed its last item, a follow-up run
        // takes them.
        if (m_passedLastItem) {
            m_startRequested = true;
            m_nextConfig = std::move(config);
        }
        return;
    }
    if (m_worker.joinable())
        m_worker.join(); // ended already; only its handle is left
    m_running = true;
    m_passedLastItem = false;
    m_startRequested = false;
    // Cleared here, not by the worker, so a Cancel pressed before the worker
    // has taken up the run still stops it.
    m_cancelled = false;
    m_worker = std::thread([this, config = std::move(config)]() mutable { workerMain(std::move(config)); });
}

bool TFetchEngine::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

void TFetchEngine::Wait()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_running; });
    if (m_worker.joinable())
        m_worker.join();
}

bool TFetchEngine::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_idle.wait_for(lock, timeout, [this] { return !m_running; }))
        return false;
    if (m_worker.joinable())
        m_worker.join();
    return true;
}

std::string TFetchEngine::CurrentTarget() const
{
    return locked(m_currentTarget);
}

std::string TFetchEngine::CurrentTargetDir() const
{
    return locked(m_currentTargetDir);
}

std::string TFetchEngine::CurrentReason() const
{
    return locked(m_currentReason);
}

TFetchEngine::TKeptPart TFetchEngine::KeptPart() const
{
    return locked(m_keptPart);
}

std::string TFetchEngine::CurrentSha256() const
{
    return locked(m_currentSha256);
}

std::string TFetchEngine::CurrentHead() const
{
    return locked(m_currentHead);
}

bool TFetchEngine::DeletePart(const TFetchItem &item)
{
    if (item.Protocol != TFetchProtocol::wpHttp && item.Protocol != TFetchProtocol::wpFtp)
        return false;
    // The part is where the download would go on: under the name that is
    // this source's own.
    const TTargetChoice place = ChooseTarget(DownloadTarget(item), DownloadSource(item), false);
    return !place.Path.empty() && RemoveOwnPart(place.Path, DownloadSource(item));
}

void TFetchEngine::setCurrentReason(const std::string &reason)
{
    std::lock_guard lock(m_mutex);
    m_currentReason = reason;
}

void TFetchEngine::setCurrentTarget(const std::string &target, const std::string &dir)
{
    std::lock_guard lock(m_mutex);
    m_currentTarget = target;
    m_currentTargetDir = dir;
}

void TFetchEngine::CancelClick()
{
    if (OnCopyCancel)
        OnCopyCancel(*this);
    cancel();
    m_progress.Close();
}

void TFetchEngine::cancel()
{
    std::lock_guard lock(m_cancelMutex);
    m_cancelled = true;
    m_cancelSignal.notify_all();
}

bool TFetchEngine::sleepUnlessCancelled(std::chrono::milliseconds delay)
{
    std::unique_lock lock(m_cancelMutex);
    return !m_cancelSignal.wait_for(lock, delay, [this] { return m_cancelled.load(); });
}

void TFetchEngine::workerMain(TRunConfig config)
{
    std::uint64_t generation = Items.Generation();
    int position = 0;
    for (;;) {
        position = runItems(config, position, generation);
        std::lock_guard lock(m_mutex);
        if (!m_startRequested) {
            m_running = false;
            m_idle.notify_all();
            return;
        }
        // A Start arrived after the run had passed its last item: run the
        // items published since (all of them when the list was cleared).
        m_startRequested = false;
        m_passedLastItem = false;
        config = std::move(m_nextConfig);
        m_cancelled = false;
        const std::uint64_t now = Items.Generation();
        if (now != generation) {
            generation = now;
            position = 0;
        }
    }
}

bool TFetchEngine::runOperation(TFetchRun &run, const TFetchItem &item)
{
    switch (item.Protocol) {
    case TFetchProtocol::wpHttp:
        return HttpDownload(run, item);
    case TFetchProtocol::wpHttpUpload:
        return HttpUpload(run, item);
    case TFetchProtocol::wpFtp:
        return FtpDownload(run, item);
    case TFetchProtocol::wpFtpUpload:
        return FtpUpload(run, item);
    case TFetchProtocol::wpFile:
        return FileCopy(run, item);
    }
    run.RaiseError(TFetchErrorCode::Unexpected,
                   "Unknown transfer protocol " + std::to_string(static_cast<int>(item.Protocol)));
    return false;
}

int TFetchEngine::runItems(const TRunConfig &config, int position, std::uint64_t &generation)
{
    m_progress.Build(config.Dialog);

    TFetchRun run(*this, config);
    std::unique_ptr<TFetchSession> session;
    if (Items.NetworkItemCount() > 0) {
        session = std::make_unique<TFetchSession>(config.Network);
        run.SetSession(session.get());
    }
    m_fileNumber = 0;
    m_currentExt = 0;
    bool lastArrived = false;

    for (;;) {
        if (m_cancelled) {
            std::lock_guard lock(m_mutex);
            m_passedLastItem = true;
            m_followFrom = Items.PublishedCount();
            break;
        }
        std::optional<TFetchItem> item;
        {
            std::lock_guard lock(m_mutex);
            const std::uint64_t now = Items.Generation();
            if (now != generation) {
                // The owner cleared and refilled the list during the run.
                generation = now;
                position = 0;
            }
            item = Items.Published(position, generation);
            if (!item) {
                m_passedLastItem = true;
                m_startRequested = false;
                m_followFrom = position;
                break;
            }
        }
        const int idx = position++;
        if (!item->Active)
            continue;
        if (!session && item->Protocol != TFetchProtocol::wpFile) {
            // A network item joined a run that began with copies only.
            session = std::make_unique<TFetchSession>(config.Network);
            run.SetSession(session.get());
        }
        ++m_fileNumber;
        m_currentExt = item->ExternalIndex;
        setCurrentReason({});
        m_failureIsLocal = false;
        m_unchanged = false;
        m_unchangedSize = 0;
        {
            std::lock_guard lock(m_mutex);
            m_keptPart = {};
            m_currentSha256.clear();
            m_currentHead.clear();
        }
        bool ok = false;
        try {
            if (config.OnFileStart)
                config.OnFileStart(*this, idx, item->ExternalIndex);
        } catch (const std::exception &e) {
            run.RaiseError(TFetchErrorCode::Unexpected, e.what());
        }
        switch (item->Protocol) {
        case TFetchProtocol::wpFile:
            m_progress.SetCaption(config.Dialog.DlgCopying);
            break;
        case TFetchProtocol::wpFtpUpload:
        case TFetchProtocol::wpHttpUpload:
            m_progress.SetCaption(config.Dialog.DlgUpload);
            break;
        default:
            m_progress.SetCaption(config.Dialog.DlgDwnload);
            break;
        }
        try {
            ok = runOperation(run, *item);
        } catch (const std::exception &e) {
            // Operations report their own failures; anything that still gets
            // here fails this item and the run goes on.
            run.RaiseError(TFetchErrorCode::Unexpected, e.what());
        } catch (...) {
            run.RaiseError(TFetchErrorCode::Unexpected, "Unexpected failure of the transfer");
        }
        const bool cancelled = m_cancelled.load();
        Items.SetDone(idx, generation, ok && !cancelled);
        lastArrived = ok && !cancelled;
        if (cancelled) {
            std::lock_guard lock(m_mutex);
            m_passedLastItem = true;
            m_followFrom = Items.PublishedCount();
            break;
        }
        if (config.OnFileDone)
            config.OnFileDone(*this, idx, m_currentExt.load());
    }

    run.SetSession(nullptr);
    session.reset();
    if (config.OnCopyDone)
        config.OnCopyDone(*this);
    // Open file is offered only for a file that arrived.
    m_progress.End(m_cancelled.load(), lastArrived);
    std::lock_guard lock(m_mutex);
    return m_followFrom;
}

} // namespace fetchly

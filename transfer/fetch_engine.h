#pragma once

#include "transfer/fetch_item.h"
#include "transfer/fetch_session.h"
#include "transfer/fetch_types.h"
#include "transfer/progress_model.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace fetchly {

class TFetchRun;

// The engine's events, listed once: the engine publishes them as its members
// and each run takes a copy of them with its settings.
struct TFetchEvents {
    TFetchFileStart OnFileStart;
    TFetchFileDone OnFileDone;
    TFetchProgress OnCopyProgress;
    TFetchRunDone OnCopyDone;
    TFetchError OnError;
    TFetchErrorInfo OnErrorInfo;
    TFetchURLNotFound OnURLNotFound;
    TFetchConnectError OnConnectError;
    TFetchOverwrite OnCopyOverWrite;
    // Raised by CancelClick on the calling thread, never by a run.
    TFetchCancel OnCopyCancel;
    TFetchRetry OnRetry;
};

// Properties and events as one run uses them: copied at Start, so the
// owner may change the engine's members while a run is going.
struct TRunConfig : TFetchEvents {
    TDialogSetup Dialog;
    TNetworkSettings Network;
};

// The transfer engine: runs its active items one after another on a worker
// thread, shows progress through its progress model (a view such as the Qt
// progress dialog attaches to Progress()) and reports through its events,
// which it raises on the worker thread. It never throws to its owner.
//
// Start while a run is active joins that run: the items added since are
// taken up by it after the items before them. A Start that arrives after
// the run has passed its last item makes a follow-up run, on the same
// worker, of the items added since (of all items when the collection was
// cleared meanwhile). One worker at most exists at any time.
class TFetchEngine : public TFetchEvents {
public:
    TFetchEngine();
    // Cancels a run still going and waits for it to end. Its events may
    // still be raised meanwhile, so what the handlers use must outlive the
    // engine.
    ~TFetchEngine();
    TFetchEngine(const TFetchEngine &) = delete;
    TFetchEngine &operator=(const TFetchEngine &) = delete;

    // Published properties, with their defaults.
    bool AlwaysOnTop = false;
    std::string DlgCaption = "Downloading";
    std::string DlgCompleted = "completed";
    std::string DlgFileLabel = "File :";
    std::string DlgFileOfLabel = "of";
    std::string DlgFromServerLabel = "from";
    std::string DlgToServerLabel = "to";
    std::string DlgProgressLabel = "Progress :";
    std::string DlgRateLabel = "Transfer rate :";
    std::string DlgTimeLabel = "Estimated time left :";
    std::string DlgCopying = "Copying";
    std::string DlgDwnload = "Downloading";
    std::string DlgUpload = "Uploading";
    bool FTPPassive = false;
    TFetchItems Items;
    std::string Proxy;
    std::string ProxyUserID;
    std::string ProxyPassword;
    bool ShowDialog = true;
    bool ShowOpenFile = false;
    bool ShowOpenFolder = false;
    bool ShowCompletion = false;
    bool ShowTime = false;
    // Limits of the network transfers: connecting, and a stall without data.
    std::chrono::seconds ConnectTimeout{60};
    std::chrono::seconds StallTimeout{60};
    // Connections of one HTTP download (1..16; more are taken as 16).
    int Connections = 8;
    // Retries of a transient failure before the item fails, the first
    // backoff (doubling each time) and the longest Retry-After obeyed.
    int Retries = 5;
    std::chrono::milliseconds RetryBaseDelay{1000};
    std::chrono::milliseconds RetryAfterCap{60000};
    // Continue from a part file left by an earlier attempt.
    bool Resume = true;
    // Ask the server whether a file this engine finished before has changed
    // before fetching it again into the same file (false: fetch anyway).
    bool AskIfUnchanged = true;

    // Events: the members of TFetchEvents.

    // Starts a run and returns at once (see the class comment for a run
    // already going).
    void Start();
    bool Running() const;
    // Blocks until no run is active and the worker thread has ended.
    void Wait();
    // As Wait, giving up after `timeout`; true when idle.
    bool WaitFor(std::chrono::milliseconds timeout);

    // Run state.
    int FileNumber() const { return m_fileNumber.load(); }
    int CurrentExternalIndex() const { return m_currentExt.load(); }
    bool Cancelled() const { return m_cancelled.load(); }
    std::string CurrentTarget() const;
    std::string CurrentTargetDir() const;
    // Why the current (or last) item failed, in plain words from libcurl,
    // the server or the system; empty when nothing more is known than the
    // event says. Meant for the event handlers.
    std::string CurrentReason() const;
    // True while the error events of the current item report a failure of
    // the local file (it cannot be made, written or read, or another
    // transfer is writing it) rather than one of the server or network.
    bool CurrentFailureIsLocal() const { return m_failureIsLocal.load(); }
    // True when the current (or last) item succeeded without a transfer:
    // the server said the file finished before is still its file.
    bool CurrentFileUnchanged() const { return m_unchanged.load(); }
    // The size of that file on disk when it was found unchanged; 0 otherwise.
    TFetchSize UnchangedFileSize() const { return m_unchangedSize.load(); }
    // The part file the current (or last) item kept when it stopped or
    // failed, for a later start to resume: its path (empty when none), the
    // bytes kept and the file's size (0 when unknown).
    struct TKeptPart {
        std::string Path;
        TFetchSize Kept = 0;
        TFetchSize Total = 0;
    };
    TKeptPart KeptPart() const;
    // The SHA-256 (lower-case hex) of the file the current (or last) item
    // downloaded, computed as it was written, and the file's first bytes
    // (up to 512), which tell what it is; both empty until a download
    // completes, and for items that are not HTTP downloads.
    std::string CurrentSha256() const;
    std::string CurrentHead() const;
    // Removes the part file a download of `item` left, when it is the
    // engine's own (it carries its record, has no other link, and no
    // transfer is writing it); true when one was removed.
    static bool DeletePart(const TFetchItem &item);
    // The dialog's transfer-rate line: DlgRateLabel, a space and the rate.
    std::string RateLabel() const { return m_progress.RateLabel(); }

    // The progress dialog of the current (or last) run.
    TProgressModel &Progress() { return m_progress; }
    // The dialog's texts and switches as the properties have them now.
    TDialogSetup DialogSetup() const;
    // The dialog's buttons. CancelClick raises OnCopyCancel on the calling
    // thread, sets Cancelled and hides the dialog; the Open buttons' view
    // opens CurrentTarget / CurrentTargetDir and then calls FreeDialog.
    void CancelClick();
    void FreeDialog() { m_progress.Free(); }

private:
    friend class TFetchRun;

    TRunConfig snapshotConfig() const;
    void workerMain(TRunConfig config);
    // One run over the published items from `position`; returns the
    // position reached.
    int runItems(const TRunConfig &config, int position, std::uint64_t &generation);
    bool runOperation(TFetchRun &run, const TFetchItem &item);
    void setCurrentTarget(const std::string &target, const std::string &dir);
    void setCurrentReason(const std::string &reason);
    void cancel();
    // A copy of a member guarded by m_mutex, taken under it.
    template <typename T> T locked(const T &member) const
    {
        std::lock_guard lock(m_mutex);
        return member;
    }
    // Sleeps up to `delay`; false as soon as the run is cancelled.
    bool sleepUnlessCancelled(std::chrono::milliseconds delay);

    TProgressModel m_progress;
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_fileNumber{0};
    std::atomic<int> m_currentExt{0};
    std::atomic<bool> m_failureIsLocal{false};
    std::atomic<bool> m_unchanged{false};
    std::atomic<TFetchSize> m_unchangedSize{0};
    std::mutex m_cancelMutex;
    std::condition_variable m_cancelSignal;

    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_idle;
    std::thread m_worker;
    bool m_running = false;
    bool m_passedLastItem = false;
    bool m_startRequested = false;
    int m_followFrom = 0;
    TRunConfig m_nextConfig;
    std::string m_currentTarget, m_currentTargetDir, m_currentReason;
    TKeptPart m_keptPart;
    std::string m_currentSha256, m_currentHead;
};

} // namespace fetchly

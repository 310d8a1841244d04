#pragma once

#include "transfer/fetch_item.h"
#include "transfer/fetch_session.h"
#include "transfer/fetch_types.h"
#include "transfer/progress_model.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace fetchly {

class TFetchEngine;
class TPartFile;
class TWrittenDigest;
struct TRunConfig;

// What a transfer operation sees of its run: the events it raises, the
// dialog it updates, the session and the settings. Operations never throw
// to the run for expected failures; they report through these calls and
// return false.
class TFetchRun {
public:
    TFetchRun(TFetchEngine &engine, const TRunConfig &config);
    TFetchRun(const TFetchRun &) = delete;
    TFetchRun &operator=(const TFetchRun &) = delete;

    TFetchEngine &Engine() { return m_engine; }
    const TNetworkSettings &Network() const;
    const TDialogSetup &Dialog() const;

    // The run's session, or null when none was opened (only wpFile items,
    // or curl could not be set up).
    TFetchSession *Session() { return m_session; }
    void SetSession(TFetchSession *session) { m_session = session; }

    // Set by the dialog's Cancel/Close at any moment; once set it stays set
    // until the run ends, so a press is never lost.
    bool Cancelled() const;

    // Why the current item failed, as the library, the server or the system
    // said it; the owner reads it through TFetchEngine::CurrentReason while
    // handling the event that follows.
    void SetReason(const std::string &reason);
    // OnError then OnErrorInfo, with an HTTP status or a libcurl code.
    void RaiseError(int code, const std::string &info);
    void RaiseError(TFetchErrorCode code, const std::string &info)
    {
        RaiseError(static_cast<int>(code), info);
    }
    // RaiseError for a failure of the local file (it cannot be made, written
    // or read, or another transfer writes it), which the owner can tell
    // from a failure of the server through CurrentFailureIsLocal.
    void RaiseFileError(TFetchErrorCode code, const std::string &info);
    // Before a download touches its part: false, with the file error raised,
    // when the place is not a regular file (`cannotCreate` + target + ": not
    // a regular file") or another transfer is writing the part; otherwise
    // our part, if one is there, is open.
    bool TakePartPlace(TPartFile &part, const std::string &target, const std::string &targetDir,
                       const std::string &cannotCreate);
    // Before a download touches anything: false, with the file error
    // raised, when no name was free for it (ChooseTarget gave `chosen` "").
    bool TargetChosen(const TFetchItem &item, const std::string &chosen);
    // The download of `source` is whole in `part`: its digest and first
    // bytes are noted, the part takes its target's name, and the file keeps
    // the record of its download (`validator`, the digest) so that the next
    // download of `source` may find it unchanged. False, with the file
    // error raised, when the part could not take the name.
    bool CompleteDownload(TPartFile &part, TWrittenDigest &digest, const std::string &source,
                          const std::string &validator);
    // What a stopped or failed download keeps for a later attempt.
    void SetKeptPart(const std::string &path, TFetchSize kept, TFetchSize total);
    // The digest and first bytes of the file the item has just completed.
    void SetWrittenFile(const std::string &sha256Hex, const std::string &head);
    void RaiseURLNotFound(const std::string &url);
    void RaiseConnectError();
    // OnCopyOverWrite with allow coming in true; returns allow.
    bool AskOverwrite(const std::string &targetFile);
    // True when the owner answers OnCopyOverWrite (else allow stays true).
    bool AsksOverwrite() const;
    // The item succeeds without a transfer: its file `target` is unchanged
    // (and its size on disk is what the item shows).
    void SetUnchanged(const std::string &target, const std::string &targetDir);
    // OnRetry for retry number `retry` (0 for the first) of the failure
    // (code, info), which comes after `delay`.
    void RaiseRetry(int retry, std::chrono::milliseconds delay, int code, const std::string &info);
    // Waits `delay`; false as soon as the run is cancelled (at once).
    bool WaitUnlessCancelled(std::chrono::milliseconds delay);

    // "File : " + "2 of 5 : " (when the collection holds 2 or more items) +
    // name + " " + direction word + " " + host.
    void SetItemHeader(const std::string &name, const std::string &directionWord, const std::string &host);
    void SetAnimation(TDialogAnimation animation);
    void SetCurrentTarget(const std::string &target, const std::string &targetDir);

    // Starts the clock of a transfer loop (the `start` of the progress step).
    void BeginTransfer();
    std::int64_t ElapsedMs() const;
    // The progress step after a chunk of a network transfer: dialog update,
    // then OnCopyProgress. `word` is DlgDwnload, DlgUpload or DlgCopying.
    void ProgressStep(TFetchSize done, TFetchSize total, const std::string &word);
    // The copy's order: OnCopyProgress first, then the dialog update.
    void CopyProgressStep(TFetchSize done, TFetchSize total);

    int FileNumber() const;
    int CurrentExternalIndex() const;

private:
    TFetchEngine &m_engine;
    const TRunConfig &m_config;
    TFetchSession *m_session = nullptr;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace fetchly

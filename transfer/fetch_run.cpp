#include "transfer/fetch_run.h"

#include "transfer/fetch_engine.h"
#include "transfer/finished_record.h"
#include "transfer/part_file.h"
#include "transfer/target_name.h"
#include "transfer/transfer_operations.h"
#include "transfer/url_functions.h"
#include "transfer/written_digest.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace fetchly {

TFetchRun::TFetchRun(TFetchEngine &engine, const TRunConfig &config)
    : m_engine(engine), m_config(config), m_start(std::chrono::steady_clock::now())
{
}

const TNetworkSettings &TFetchRun::Network() const
{
    return m_config.Network;
}

const TDialogSetup &TFetchRun::Dialog() const
{
    return m_config.Dialog;
}

bool TFetchRun::Cancelled() const
{
    return m_engine.m_cancelled.load();
}

void TFetchRun::SetReason(const std::string &reason)
{
    m_engine.setCurrentReason(reason);
}

void TFetchRun::RaiseError(int code, const std::string &info)
{
    if (m_config.OnError)
        m_config.OnError(m_engine, code);
    if (m_config.OnErrorInfo)
        m_config.OnErrorInfo(m_engine, code, info);
}

void TFetchRun::RaiseFileError(TFetchErrorCode code, const std::string &info)
{
    m_engine.m_failureIsLocal = true;
    RaiseError(code, info);
}

bool TFetchRun::TakePartPlace(TPartFile &part, const std::string &target, const std::string &targetDir,
                              const std::string &cannotCreate)
{
    if (!DirectoryPart(target).empty() && !part.PlaceIsUsable()) {
        SetCurrentTarget(target, targetDir);
        RaiseFileError(TFetchErrorCode::CannotCreateTarget, cannotCreate + target + ": not a regular file");
        return false;
    }
    // A part that another transfer is writing is left to it, at once.
    if (!part.OpenExisting() && part.Busy()) {
        SetCurrentTarget(target, targetDir);
        RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                       target + " is already being downloaded by another transfer");
        return false;
    }
    return true;
}

bool TFetchRun::TargetChosen(const TFetchItem &item, const std::string &chosen)
{
    if (!chosen.empty())
        return true;
    const std::string wanted = DownloadTarget(item);
    SetCurrentTarget(wanted, item.TargetDir);
    RaiseFileError(TFetchErrorCode::CannotCreateTarget, "Cannot create file " + wanted +
                                                            ": it and the names numbered up to " +
                                                            std::to_string(NumberedNameLimit) + " are taken");
    return false;
}

bool TFetchRun::CompleteDownload(TPartFile &part, TWrittenDigest &digest, const std::string &source,
                                 const std::string &validator)
{
    const std::string sha256 = digest.Finish(part.Size());
    SetWrittenFile(sha256, digest.Head());
    if (!part.Commit()) {
        SetReason(std::strerror(errno));
        RaiseFileError(TFetchErrorCode::ErrorWritingTarget,
                       "Error writing to destination file " + part.Target());
        return false;
    }
    // Without its record the file is fetched whole next time.
    RecordFinished(part.Target(), source, validator, sha256);
    return true;
}

void TFetchRun::SetKeptPart(const std::string &path, TFetchSize kept, TFetchSize total)
{
    std::lock_guard lock(m_engine.m_mutex);
    m_engine.m_keptPart = {path, kept, total};
}

void TFetchRun::SetWrittenFile(const std::string &sha256Hex, const std::string &head)
{
    std::lock_guard lock(m_engine.m_mutex);
    m_engine.m_currentSha256 = sha256Hex;
    m_engine.m_currentHead = head;
}

void TFetchRun::RaiseURLNotFound(const std::string &url)
{
    if (m_config.OnURLNotFound)
        m_config.OnURLNotFound(m_engine, url);
}

void TFetchRun::RaiseConnectError()
{
    if (m_config.OnConnectError)
        m_config.OnConnectError(m_engine);
}

bool TFetchRun::AskOverwrite(const std::string &targetFile)
{
    bool allow = true;
    if (m_config.OnCopyOverWrite)
        m_config.OnCopyOverWrite(m_engine, targetFile, allow);
    return allow;
}

bool TFetchRun::AsksOverwrite() const
{
    return static_cast<bool>(m_config.OnCopyOverWrite);
}

void TFetchRun::SetUnchanged(const std::string &target, const std::string &targetDir)
{
    SetCurrentTarget(target, targetDir);
    // Taken here, on the worker: the window shows it without touching the file.
    struct stat st {};
    m_engine.m_unchangedSize = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    m_engine.m_unchanged = true;
}

void TFetchRun::RaiseRetry(int retry, std::chrono::milliseconds delay, int code, const std::string &info)
{
    if (m_config.OnRetry)
        m_config.OnRetry(m_engine, retry + 1, m_config.Network.Retry.Retries, static_cast<int>(delay.count()),
                         code, info);
}

bool TFetchRun::WaitUnlessCancelled(std::chrono::milliseconds delay)
{
    return m_engine.sleepUnlessCancelled(delay);
}

void TFetchRun::SetItemHeader(const std::string &name, const std::string &directionWord,
                              const std::string &host)
{
    // A collection of one item shows no counter.
    const int count = m_engine.Items.Count() >= 2 ? m_engine.Items.ActiveItemCount() : 0;
    m_engine.m_progress.SetFileLabel(
        ItemHeader(m_config.Dialog, FileNumber(), count, name, directionWord, host));
}

void TFetchRun::SetAnimation(TDialogAnimation animation)
{
    m_engine.m_progress.SetAnimation(animation);
}

void TFetchRun::SetCurrentTarget(const std::string &target, const std::string &targetDir)
{
    m_engine.setCurrentTarget(target, targetDir);
}

void TFetchRun::BeginTransfer()
{
    m_start = std::chrono::steady_clock::now();
}

std::int64_t TFetchRun::ElapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start)
        .count();
}

void TFetchRun::ProgressStep(TFetchSize done, TFetchSize total, const std::string &word)
{
    m_engine.m_progress.Step(done, total, ElapsedMs(), word);
    if (m_config.OnCopyProgress)
        m_config.OnCopyProgress(m_engine, FileNumber(), CurrentExternalIndex(), done, total);
}

void TFetchRun::CopyProgressStep(TFetchSize done, TFetchSize total)
{
    if (m_config.OnCopyProgress)
        m_config.OnCopyProgress(m_engine, FileNumber(), CurrentExternalIndex(), done, total);
    m_engine.m_progress.Step(done, total, ElapsedMs(), m_config.Dialog.DlgCopying);
}

int TFetchRun::FileNumber() const
{
    return m_engine.m_fileNumber.load();
}

int TFetchRun::CurrentExternalIndex() const
{
    return m_engine.m_currentExt.load();
}

} // namespace fetchly

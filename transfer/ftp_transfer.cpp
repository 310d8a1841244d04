// FTP download and upload.
#include "transfer/fetch_run.h"
#include "transfer/finished_record.h"
#include "transfer/format_functions.h"
#include "transfer/ftp_client.h"
#include "transfer/local_file.h"
#include "transfer/part_file.h"
#include "transfer/target_name.h"
#include "transfer/transfer_operations.h"
#include "transfer/transfer_watch.h"
#include "transfer/url_functions.h"
#include "transfer/written_digest.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace fetchly {

namespace {

FtpEndpoint endpointFor(const TFetchRun &run, const TFetchItem &item)
{
    FtpEndpoint endpoint;
    endpoint.host = item.FTPHost;
    endpoint.port = item.FTPPort;
    endpoint.user = item.FTPUserID;
    endpoint.password = item.FTPPassword;
    endpoint.passive = run.Network().FTPPassive;
    return endpoint;
}

// Without a session curl could not be set up; the connect then fails.
CurlEasy handleFor(TFetchRun &run)
{
    return run.Session() ? run.Session()->NewHandle() : CurlEasy();
}

// Each request of the connection is watched for a cancel and for a stall
// (no byte moving for the run's stall limit); a stall fails the request as a
// timeout.
class FtpWatch {
public:
    FtpWatch(TFetchRun &run, FtpClient &ftp) : m_run(run), m_ftp(ftp)
    {
        ftp.SetWatch(
            [this](CURL *handle) {
                m_watch.emplace(m_run);
                m_watch->Install(handle);
            },
            [this](CURLcode code) {
                return m_watch && m_watch->Stalled() ? CURLE_OPERATION_TIMEDOUT : code;
            });
        ftp.SetThrottle([this](std::size_t bytes) { return !m_watch || m_watch->Take(bytes); });
    }
    FtpWatch(const FtpWatch &) = delete;
    FtpWatch &operator=(const FtpWatch &) = delete;

    // Hands the run the reason of a request that ended with `code`: the
    // server's refusal as it worded it, else what curl or the watch saw.
    void Explain(CURLcode code, const std::string &what = {})
    {
        const std::string &reply = m_ftp.LastReply();
        std::string reason;
        if (m_watch && m_watch->Stalled())
            reason = m_watch->Reason(code);
        else if (code != CURLE_OK && !reply.empty() && (reply.front() == '4' || reply.front() == '5'))
            reason = reply;
        else if (m_watch)
            reason = m_watch->Reason(code);
        else
            reason = curl_easy_strerror(code);
        m_run.SetReason(what.empty() || reason.empty() ? reason : what + ": " + reason);
    }

private:
    TFetchRun &m_run;
    FtpClient &m_ftp;
    std::optional<TTransferWatch> m_watch;
};

// Replies that mean the server would not hand out (or take) that file, or
// could not enter its folder: the file "cannot be opened".
bool isRemoteFileRefused(CURLcode code)
{
    switch (code) {
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
        return true;
    default:
        return false;
    }
}

// What proves an FTP file's version: its size, and its modification time
// where the server tells it.
std::string ftpValidator(TFetchSize size, std::optional<std::int64_t> time)
{
    return "size:" + std::to_string(size) + (time ? " mdtm:" + std::to_string(*time) : "");
}

} // namespace

bool FtpDownload(TFetchRun &run, const TFetchItem &item)
{
    const TDialogSetup &dlg = run.Dialog();
    const std::string remoteName = UrlFileName(item.URL);
    run.SetItemHeader(remoteName, dlg.DlgFromServerLabel, item.FTPHost);

    const std::string source = DownloadSource(item);
    // Decided before the part is chosen: the part goes with the name.
    const TTargetChoice choice = ChooseTarget(DownloadTarget(item), source, run.AsksOverwrite());
    const std::string &target = choice.Path;
    if (!run.TargetChosen(item, target))
        return false;
    // The validator of this source's file finished before, which the server's
    // size and time are held against; "" to fetch it anyway.
    std::string finished;
    if (run.Network().AskIfUnchanged)
        if (const auto record = UnchangedSince(target, source))
            finished = record->Validator;
    TPartFile part(target);
    TWrittenDigest digest(
        [&part](TFetchSize at, char *data, std::size_t size) { return part.ReadAt(at, data, size); });
    if (!run.TakePartPlace(part, target, item.TargetDir, "Cannot create target file "))
        return false;

    FtpClient ftp(handleFor(run), endpointFor(run, item));
    FtpWatch watch(run, ftp);
    const TRetrySettings &policy = run.Network().Retry;
    CURLcode code = ftp.Connect();
    for (int retry = 0; code != CURLE_OK && retry < policy.Retries && !run.Cancelled() &&
                        IsTransientTransferError(code, item.FTPHost);
         ++retry) {
        const auto delay = RetryDelay(policy, retry, std::nullopt);
        run.RaiseRetry(retry, delay, 6, "Cannot connect to FTP server " + item.FTPHost);
        if (!run.WaitUnlessCancelled(delay))
            return false;
        code = ftp.Connect();
    }
    if (code == CURLE_ABORTED_BY_CALLBACK && run.Cancelled())
        return false;
    if (code != CURLE_OK) {
        watch.Explain(code);
        run.RaiseError(TFetchErrorCode::CannotConnect, "Cannot connect to FTP server " + item.FTPHost);
        return false;
    }

    // Only a time proves a file of the same size unchanged: without one the
    // file is fetched again.
    if (!finished.empty()) {
        const auto size = ftp.Size(item.URL);
        if (const auto time = ftp.RemoteTime(); size && time && ftpValidator(*size, time) == finished) {
            run.SetUnchanged(target, item.TargetDir);
            return true;
        }
    }

    // The part is continued (REST) only while the server's file keeps the
    // size and the modification time (where the server tells it) it had
    // when the part began.
    bool mayResume = run.Network().Resume;
    std::optional<std::int64_t> recordedTime;

    // The local file is made once the server has opened the remote one:
    // with the first data, or at the end of an empty file.
    enum class Stop { None, Refused, CreateFailed, WriteFailed, Cancelled, Changed };
    Stop stop = Stop::None;
    bool asked = false, opened = false;
    TFetchSize done = 0, total = 0, from = 0, recorded = 0;
    std::string validator;

    auto openTarget = [&]() -> bool {
        opened = true;
        if (!asked) {
            asked = true;
            run.SetCurrentTarget(target, item.TargetDir);
            // A target without a directory part would land wherever the
            // process happens to run; it is refused like any target that
            // cannot be made.
            if (DirectoryPart(target).empty()) {
                run.RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                                   "Cannot create target file " + target);
                stop = Stop::CreateFailed;
                return false;
            }
            if (PathExists(target) && !run.AskOverwrite(target)) {
                stop = Stop::Refused;
                return false;
            }
            run.BeginTransfer();
        }
        if (!part.Open()) {
            run.RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                               part.Busy() ? target + " is already being downloaded by another transfer"
                                           : "Cannot create target file " + target);
            stop = Stop::CreateFailed;
            return false;
        }
        // After REST the server's size is what is left to come.
        const auto remote = ftp.RemoteSize();
        const auto time = ftp.RemoteTime();
        total = remote ? from + *remote : 0;
        if (from > 0 && (total != recorded || (recordedTime && time && *time != *recordedTime))) {
            stop = Stop::Changed;
            return false;
        }
        if (from == 0) {
            validator = total > 0 ? ftpValidator(total, time) : std::string();
            // Emptied only now that the server has sent data for it.
            if (!part.Restart() || !part.WriteRecord({source, validator, total > 0 ? total : -1, true, {}})) {
                run.RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                                   "Cannot create target file " + target);
                stop = Stop::CreateFailed;
                return false;
            }
            digest.Restart();
        }
        return true;
    };

    // What curl hands over is written in one go and then reported chunk by
    // chunk; Cancel is looked at between chunks.
    auto sink = [&](const char *data, std::size_t size) -> bool {
        if (!opened && !openTarget())
            return false;
        if (run.Cancelled()) {
            stop = Stop::Cancelled;
            return false;
        }
        if (!part.WriteAt(done, data, size)) {
            run.SetReason(std::strerror(errno));
            stop = Stop::WriteFailed;
            return false;
        }
        digest.Written(done, data, size);
        while (size > 0) {
            const std::size_t chunk = std::min<std::size_t>(size, NetworkChunkSize);
            size -= chunk;
            done += static_cast<TFetchSize>(chunk);
            run.ProgressStep(done, total, dlg.DlgDwnload);
            if (size > 0 && run.Cancelled()) {
                stop = Stop::Cancelled;
                return false;
            }
        }
        return true;
    };

    for (int retry = 0, restarts = 0;;) {
        from = 0;
        recordedTime.reset();
        TPartRecord record;
        if (mayResume && part.IsOpen()) {
            const TByteRanges proven = part.ProvenFor(source, record);
            if (record.InOrder && proven.End() > 0 && record.Validator.rfind("size:", 0) == 0) {
                from = proven.End();
                validator = record.Validator;
                recorded = std::atoll(record.Validator.c_str() + 5);
                const auto mark = record.Validator.find(" mdtm:");
                if (mark != std::string::npos)
                    recordedTime = std::atoll(record.Validator.c_str() + mark + 6);
                digest.Kept(proven);
            }
        }
        mayResume = true;
        done = from;
        opened = false;
        code = ftp.Retrieve(item.URL, sink, from);
        if (code == CURLE_OK && !opened && !openTarget())
            code = CURLE_WRITE_ERROR;
        if (from > 0 && restarts++ < 2 && (stop == Stop::Changed || code == CURLE_BAD_DOWNLOAD_RESUME)) {
            // The file on the server is not the one the part began with.
            stop = Stop::None;
            part.Restart();
            continue;
        }
        if (stop != Stop::None || code == CURLE_OK || retry >= policy.Retries || run.Cancelled() ||
            !IsTransientTransferError(code, item.FTPHost))
            break;
        const auto delay = RetryDelay(policy, retry, std::nullopt);
        run.RaiseRetry(retry++, delay, static_cast<int>(code), WinInetErrorText(static_cast<int>(code)));
        if (!run.WaitUnlessCancelled(delay))
            break;
    }

    if (stop == Stop::Refused || stop == Stop::CreateFailed || stop == Stop::Changed) {
        part.Close();
        return false;
    }
    if (part.IsOpen() && code != CURLE_OK)
        run.SetKeptPart(part.Path(), part.Size(), total);
    if (stop == Stop::Cancelled || run.Cancelled()) {
        // Kept with its record: the next start continues it.
        part.Close();
        return opened;
    }
    if (stop == Stop::WriteFailed) {
        part.Close();
        run.RaiseFileError(TFetchErrorCode::ErrorWritingTarget,
                           "Error writing to destination file " + target);
        return false;
    }
    if (code == CURLE_OK) {
        if (!run.CompleteDownload(part, digest, source, validator))
            return false;
        // The loop's last pass reads nothing and reports the final count once more.
        run.ProgressStep(done, total, dlg.DlgDwnload);
        return true;
    }
    part.Close();
    watch.Explain(code);
    if (!opened && done == 0 && isRemoteFileRefused(code)) {
        run.RaiseURLNotFound(item.URL);
        return false;
    }
    // A broken connection or a short transfer: the part file stays.
    run.RaiseError(static_cast<int>(code), WinInetErrorText(static_cast<int>(code)));
    return false;
}

bool FtpUpload(TFetchRun &run, const TFetchItem &item)
{
    const TDialogSetup &dlg = run.Dialog();
    run.SetAnimation(TDialogAnimation::Upload);
    run.SetItemHeader(UrlFileName(item.URL), dlg.DlgToServerLabel, item.FTPHost);

    FtpClient ftp(handleFor(run), endpointFor(run, item));
    FtpWatch watch(run, ftp);
    CURLcode code = ftp.Connect();
    if (code == CURLE_ABORTED_BY_CALLBACK && run.Cancelled())
        return false;
    if (code != CURLE_OK) {
        watch.Explain(code);
        run.RaiseError(TFetchErrorCode::CannotConnect, "Cannot connect to FTP server " + item.FTPHost);
        return false;
    }

    std::string remoteDir;
    if (!item.TargetDir.empty()) {
        code = ftp.EnterOrCreateDirectory(item.TargetDir);
        if (code != CURLE_OK) {
            watch.Explain(code, "cannot enter or create folder " + item.TargetDir);
            return false;
        }
        remoteDir = item.TargetDir;
        if (remoteDir.back() != '/')
            remoteDir += '/';
    }
    const std::string localPath = item.URL;
    const std::string remoteName = item.TargetFilename.empty() ? UrlFileName(item.URL) : item.TargetFilename;
    run.SetCurrentTarget(localPath, item.TargetDir);

    // The local file is opened before the server creates the remote one, so
    // a missing local file never empties a file of that name on the server.
    LocalFile file;
    if (!file.OpenRead(localPath)) {
        run.RaiseError(TFetchErrorCode::CannotOpenSource, "Cannot create target file " + localPath);
        return false;
    }
    const TFetchSize total = file.Size();

    enum class Stop { None, ReadFailed, Cancelled };
    Stop stop = Stop::None;
    bool opened = false;
    bool finished = false;
    TFetchSize done = 0;

    // curl asks for a buffer's worth; it is filled chunk by chunk, each with
    // its progress step. A chunk shorter than NetworkChunkSize is the last,
    // so a size that is a multiple of it ends with a pass that reads nothing.
    auto source = [&](char *buffer, std::size_t room) -> ssize_t {
        if (!opened) {
            opened = true;
            run.BeginTransfer();
        }
        const auto chunkSize = static_cast<std::size_t>(NetworkChunkSize);
        std::size_t filled = 0;
        // A buffer smaller than a chunk (curl never offers one) gets what fits.
        while (!finished && (room - filled >= chunkSize || (filled == 0 && room > 0))) {
            if (run.Cancelled()) {
                stop = Stop::Cancelled;
                return filled > 0 ? static_cast<ssize_t>(filled) : -1;
            }
            const std::size_t want = std::min(chunkSize, room - filled);
            ssize_t n = file.Read(buffer + filled, want);
            if (n < 0) {
                stop = Stop::ReadFailed;
                return -1;
            }
            filled += static_cast<std::size_t>(n);
            done += n;
            run.ProgressStep(done, total, dlg.DlgUpload);
            if (static_cast<std::size_t>(n) < want)
                finished = true;
        }
        return static_cast<ssize_t>(filled);
    };

    code = ftp.Store(remoteDir + remoteName, source);
    file.Close();

    if (stop == Stop::Cancelled || (code == CURLE_ABORTED_BY_CALLBACK && run.Cancelled()))
        return opened;
    if (stop == Stop::ReadFailed) {
        run.RaiseError(TFetchErrorCode::ErrorReadingSource, "Error reading source file " + localPath);
        return false;
    }
    if (code == CURLE_OK)
        return true;
    watch.Explain(code);
    if (!opened && isRemoteFileRefused(code)) {
        run.RaiseURLNotFound(item.URL);
        return false;
    }
    run.RaiseError(static_cast<int>(code), WinInetErrorText(static_cast<int>(code)));
    return false;
}

} // namespace fetchly

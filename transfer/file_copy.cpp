// Local and network file copy.
#include "transfer/copy_source.h"
#include "transfer/fetch_run.h"
#include "transfer/local_file.h"
#include "transfer/part_file.h"
#include "transfer/retry_policy.h"
#include "transfer/share_connection.h"
#include "transfer/transfer_operations.h"
#include "transfer/url_functions.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fetchly {

namespace {

// FTPHost, a separator and URL; no second separator when the share already
// ends in one.
std::string sharePath(const std::string &share, const std::string &relative)
{
    if (!share.empty() && (share.back() == '/' || share.back() == '\\'))
        return share + relative;
    return share + "/" + relative;
}

// Two names of one file (a "./" in the path, a symbolic or hard link):
// copying it onto itself would empty it before reading.
bool sameLocalFile(const std::string &a, const std::string &b)
{
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

// Everything between connecting and disconnecting the share; true when the
// copy loop ran to its end (or was cancelled).
bool copyFile(TFetchRun &run, const TFetchItem &item, ShareConnection *share)
{
    run.BeginTransfer();
    const std::string source = share ? sharePath(item.FTPHost, item.URL) : item.URL;
    const std::string targetName = item.TargetFilename.empty() ? UrlFileName(item.URL) : item.TargetFilename;
    const std::string target = JoinPath(item.TargetDir, targetName);
    run.SetCurrentTarget(target, item.TargetDir);

    auto location = share ? ParseShareLocation(item.FTPHost) : std::nullopt;
    const bool sourceIsLocal = !share || location->kind == ShareLocation::Kind::LocalDirectory;
    if (source == target || (sourceIsLocal && sameLocalFile(source, target))) {
        run.RaiseError(TFetchErrorCode::IdenticalFiles, "Cannot copy identical files " + source);
        return false;
    }
    TPartFile output(target);
    if (!DirectoryPart(target).empty() && !output.PlaceIsUsable()) {
        run.RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                           "Cannot create target file " + target + ": not a regular file");
        return false;
    }

    std::unique_ptr<CopySource> input = share ? share->OpenRead(item.URL) : OpenLocalSource(source);
    if (!input) {
        run.SetReason(share ? share->LastError() : std::strerror(errno));
        run.RaiseError(TFetchErrorCode::CannotOpenSource, "Cannot open source file " + source);
        return false;
    }
    const TFetchSize size = input->Size();
    if (size <= 0) {
        run.RaiseError(TFetchErrorCode::ZeroLengthSource, "Zero length source file " + source);
        return false;
    }
    if (FileExists(target) && !run.AskOverwrite(target))
        return false;

    // A target without a directory part would land wherever the process
    // happens to run; it is refused like any target that cannot be made.
    const std::string targetDir = DirectoryPart(target);
    if (targetDir.empty()) {
        run.RaiseFileError(TFetchErrorCode::CannotCreateTarget, "Cannot create target file " + target);
        return false;
    }
    MakeDirectories(targetDir);
    if (IsDirectory(target) || !output.Open() || !output.Restart()) {
        run.RaiseFileError(TFetchErrorCode::CannotCreateTarget, "Cannot create target file " + target);
        return false;
    }

    auto buffer = std::make_unique<char[]>(CopyChunkSize);
    TFetchSize done = 0;
    for (;;) {
        ssize_t n = input->Read(buffer.get(), CopyChunkSize);
        if (n < 0) {
            run.RaiseFileError(TFetchErrorCode::ErrorReadingSource, "Error reading source file " + source);
            return false;
        }
        // A short write (a full disk) fails the copy; the part file stays.
        if (!output.WriteAt(done, buffer.get(), static_cast<std::size_t>(n))) {
            run.RaiseFileError(TFetchErrorCode::ErrorWritingTarget,
                               "Error writing to destination file " + target);
            return false;
        }
        done += n;
        run.CopyProgressStep(done, size);
        if (run.Cancelled()) {
            output.Discard();
            return true;
        }
        if (n == 0)
            break;
    }
    // Delayed allocation can report a full disk only when the data is
    // flushed; the copy becomes the target only once it is on disk.
    if (!output.Commit()) {
        run.RaiseFileError(TFetchErrorCode::ErrorWritingTarget,
                           "Error writing to destination file " + target);
        return false;
    }
    return true;
}

} // namespace

bool FileCopy(TFetchRun &run, const TFetchItem &item)
{
    run.SetAnimation(TDialogAnimation::Copy);
    run.SetItemHeader(UrlFileName(item.URL), run.Dialog().DlgFromServerLabel, item.FTPHost);

    if (item.FTPHost.empty())
        return copyFile(run, item, nullptr);

    ShareConnection share;
    bool result = false;
    bool connected = share.Connect(item.FTPHost, item.FTPUserID, item.FTPPassword);
    // A server that is restarting or briefly unreachable is waited for as
    // an HTTP or FTP server is; a refused login is final at once.
    const TRetrySettings &policy = run.Network().Retry;
    for (int retry = 0; !connected && share.LastFailureMayPass() && retry < policy.Retries; ++retry) {
        const auto delay = RetryDelay(policy, retry, std::nullopt);
        run.RaiseRetry(retry, delay, 6, "Cannot connect to share " + item.FTPHost);
        if (!run.WaitUnlessCancelled(delay))
            return false;
        connected = share.Connect(item.FTPHost, item.FTPUserID, item.FTPPassword);
    }
    if (connected) {
        result = copyFile(run, item, &share);
    } else {
        run.SetReason(share.LastError());
        run.RaiseConnectError();
    }
    // Disconnecting is attempted after a failed connection too, and fails
    // then, as there is nothing to release; the reason stays the first one.
    if (!share.Disconnect()) {
        if (connected)
            run.SetReason(share.LastError());
        run.RaiseConnectError();
        result = false;
    }
    return result;
}

} // namespace fetchly

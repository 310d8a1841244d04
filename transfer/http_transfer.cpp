// HTTP download and upload on libcurl. Both run on the run's worker thread
// and report through the run; neither throws for an expected failure.
#include "transfer/format_functions.h"
#include "transfer/local_file.h"
#include "transfer/transfer_operations.h"
#include "transfer/transfer_watch.h"
#include "transfer/url_functions.h"

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <unistd.h>

namespace fetchly {

namespace {

// libcurl hands over data in blocks of this size; the progress step still
// follows every 4096 bytes, but the disk sees fewer, larger writes.
constexpr long ReceiveBufferSize = 100 * 1024;

bool schemeIsHttp(CURL *h)
{
    char *scheme = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme)
        return false;
    return strncasecmp(scheme, "http", 4) == 0;
}

long responseCode(CURL *h)
{
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

// State of one download while curl runs it.
struct Download {
    TFetchRun &run;
    const TFetchItem &item;
    CURL *handle = nullptr;
    std::string target;
    LocalFile file;
    bool opened = false;  // the response has been looked at
    bool created = false; // the target file was created by this download
    bool refused = false; // the overwrite was refused
    bool failed = false;  // an error has been reported already
    bool cancelled = false;
    TFetchSize done = 0;
    TFetchSize total = 0;

    // The moment the response is known: check the status, then prepare the
    // local file. False ends the transfer.
    bool open()
    {
        opened = true;
        if (schemeIsHttp(handle)) {
            const long status = responseCode(handle);
            if (status >= 300) {
                run.RaiseError(static_cast<int>(status),
                               "Returned http error code " + std::to_string(status));
                failed = true;
                return false;
            }
        }
        const std::string name = item.TargetFilename.empty() ? UrlFileName(item.URL) : item.TargetFilename;
        target = JoinPath(item.TargetDir, name);
        run.SetCurrentTarget(target, item.TargetDir);
        if (FileExists(target) && !run.AskOverwrite(target)) {
            refused = true;
            return false;
        }
        const std::string dir = DirectoryPart(target);
        if (!dir.empty())
            MakeDirectories(dir);
        if (dir.empty() || !file.Create(target)) {
            // An empty directory part means no target directory was given.
            run.RaiseError(3, "Cannot create file " + target);
            failed = true;
            return false;
        }
        created = true;
        curl_off_t length = -1;
        curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        total = length > 0 ? static_cast<TFetchSize>(length) : 0;
        run.BeginTransfer();
        return true;
    }

    size_t receive(const char *data, size_t size)
    {
        if (!opened && !open())
            return 0;
        if (!file.IsOpen())
            return 0;
        if (!file.WriteAll(data, size)) {
            run.RaiseError(5, "Error writing to destination file " + target);
            failed = true;
            return 0;
        }
        // The progress step after every 4096 bytes, as the dialog and the
        // events expect; Cancel is looked at between them.
        size_t stepped = 0;
        while (stepped < size) {
            const size_t piece = std::min<size_t>(NetworkChunkSize, size - stepped);
            stepped += piece;
            done += static_cast<TFetchSize>(piece);
            run.ProgressStep(done, total, run.Dialog().DlgDwnload);
            if (run.Cancelled()) {
                cancelled = true;
                return 0;
            }
        }
        return size;
    }
};

size_t downloadWrite(char *data, size_t size, size_t count, void *user)
{
    return static_cast<Download *>(user)->receive(data, size * count);
}

size_t discardBody(char *, size_t size, size_t count, void *)
{
    return size * count;
}

} // namespace

bool HttpDownload(TFetchRun &run, const TFetchItem &item)
{
    const std::string &url = item.URL;
    run.SetItemHeader(UrlFileName(url), run.Dialog().DlgFromServerLabel, UrlHost(url));

    CurlEasy easy = run.Session() ? run.Session()->NewHandle() : CurlEasy();
    if (!easy) {
        run.RaiseURLNotFound(MaskUrlPassword(url));
        return false;
    }
    CURL *h = easy.get();
    Download dl{run, item, h};
    CurlSlist headers(curl_slist_append(nullptr, "Cache-Control: no-cache"));
    curl_slist_append(headers.get(), "Pragma: no-cache");
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, ReceiveBufferSize);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, downloadWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &dl);
    // Cancel and a stall also end a transfer that is waiting for data.
    TTransferWatch watch(run);
    watch.Install(h);

    CURLcode rc = curl_easy_perform(h);
    if (watch.Cancelled() || run.Cancelled())
        dl.cancelled = true;
    else if (watch.Stalled())
        rc = CURLE_OPERATION_TIMEDOUT;

    if (!dl.cancelled)
        run.SetReason(watch.Reason(rc));
    if (!dl.opened && !dl.cancelled) {
        const bool responded = schemeIsHttp(h) ? responseCode(h) > 0 : rc == CURLE_OK;
        if (!responded) {
            // Nothing came back: no server, a bad URL, a name not resolved.
            run.RaiseURLNotFound(MaskUrlPassword(url));
            return false;
        }
        // A response without a body (an empty file, or an error status).
        if (!dl.open())
            return false;
    }
    if (dl.refused)
        return false;
    const bool closed = dl.file.Close();
    if (dl.cancelled) {
        if (dl.created)
            ::unlink(dl.target.c_str());
        return false;
    }
    if (dl.failed)
        return false;
    if (rc != CURLE_OK) {
        // A broken connection, a short body or a stall: the partial file
        // stays, but the item has failed.
        run.RaiseError(static_cast<int>(rc), WinInetErrorText(static_cast<int>(rc)));
        return false;
    }
    if (!closed) {
        run.RaiseError(5, "Error writing to destination file " + dl.target);
        return false;
    }
    // The final pass of the loop that reads nothing: one more progress step
    // with the final count.
    run.ProgressStep(dl.done, dl.total, run.Dialog().DlgDwnload);
    return true;
}

namespace {

struct Upload {
    TFetchRun &run;
    LocalFile &file;
    std::string path;
    TFetchSize size = 0;
    TFetchSize done = 0;
    bool readFailed = false;
    bool cancelled = false;

    size_t send(char *buffer, size_t capacity)
    {
        size_t filled = 0;
        while (filled + NetworkChunkSize <= capacity || (filled == 0 && capacity > 0)) {
            if (run.Cancelled()) {
                cancelled = true;
                return CURL_READFUNC_ABORT;
            }
            const size_t want = std::min<size_t>(NetworkChunkSize, capacity - filled);
            const ssize_t n = file.Read(buffer + filled, want);
            if (n < 0) {
                readFailed = true;
                return CURL_READFUNC_ABORT;
            }
            if (n == 0)
                break;
            filled += static_cast<size_t>(n);
            done += n;
            run.ProgressStep(done, size, run.Dialog().DlgUpload);
            if (static_cast<size_t>(n) < want)
                break;
        }
        return filled;
    }
};

size_t uploadRead(char *buffer, size_t size, size_t count, void *user)
{
    return static_cast<Upload *>(user)->send(buffer, size * count);
}

} // namespace

bool HttpUpload(TFetchRun &run, const TFetchItem &item)
{
    run.SetAnimation(TDialogAnimation::Upload);
    const std::string &url = item.URL;
    const std::string host = UrlHost(url);
    run.SetItemHeader(UrlFileName(url), run.Dialog().DlgFromServerLabel, host);

    const std::string name = item.TargetFilename.empty() ? UrlFileName(url) : item.TargetFilename;
    const std::string path = JoinPath(item.TargetDir, name);
    if (!FileExists(path))
        return false;

    CurlEasy easy = run.Session() ? run.Session()->NewHandle() : CurlEasy();
    if (!easy || host.empty()) {
        run.RaiseError(6, "Cannot connect to server " + host);
        return false;
    }
    LocalFile file;
    const long long size = file.OpenRead(path) ? file.Size() : -1;
    if (size < 0) {
        run.RaiseError(1, "Cannot open source file " + path);
        return false;
    }
    CURL *h = easy.get();
    Upload up{run, file, path, static_cast<TFetchSize>(size)};
    // The body is the file's bytes as they are: no content type of ours and
    // no "Expect: 100-continue" round trip.
    CurlSlist headers(curl_slist_append(nullptr, "Expect:"));
    curl_slist_append(headers.get(), "Content-Type:");
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_READFUNCTION, uploadRead);
    curl_easy_setopt(h, CURLOPT_READDATA, &up);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, discardBody);
    TTransferWatch watch(run);
    watch.Install(h);
    // Redirects would need the body again; an upload goes where it was sent.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    if (item.HTTPCommand == TFetchHTTPCommand::hcPut) {
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    } else {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
    }
    run.BeginTransfer();
    CURLcode rc = curl_easy_perform(h);
    file.Close();
    if (watch.Stalled())
        rc = CURLE_OPERATION_TIMEDOUT;
    run.SetReason(watch.Reason(rc));

    if (up.cancelled || run.Cancelled())
        return false;
    if (up.readFailed) {
        run.RaiseError(4, "Error reading source file " + path);
        return false;
    }
    if (rc == CURLE_URL_MALFORMAT || rc == CURLE_UNSUPPORTED_PROTOCOL) {
        run.RaiseError(6, "Cannot connect to server " + host);
        return false;
    }
    if (rc != CURLE_OK) {
        run.RaiseError(static_cast<int>(rc), WinInetErrorText(static_cast<int>(rc)));
        return false;
    }
    // The loop's last pass reads and sends nothing when the size is a
    // multiple of the chunk size (an empty file included).
    if (up.size % NetworkChunkSize == 0)
        run.ProgressStep(up.done, up.size, run.Dialog().DlgUpload);
    const long status = responseCode(h);
    if (status >= 300) {
        run.RaiseError(static_cast<int>(status), "Returned http error code " + std::to_string(status));
        return false;
    }
    return up.done == up.size;
}

} // namespace fetchly

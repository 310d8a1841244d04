// HTTP upload on libcurl. It runs on the run's worker thread and reports
// through the run; it never throws for an expected failure.
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

long responseCode(CURL *h)
{
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

size_t discardBody(char *, size_t size, size_t count, void *)
{
    return size * count;
}

} // namespace

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
        run.RaiseError(TFetchErrorCode::CannotConnect, "Cannot connect to server " + host);
        return false;
    }
    LocalFile file;
    const long long size = file.OpenRead(path) ? file.Size() : -1;
    if (size < 0) {
        run.RaiseError(TFetchErrorCode::CannotOpenSource, "Cannot open source file " + path);
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
        run.RaiseError(TFetchErrorCode::ErrorReadingSource, "Error reading source file " + path);
        return false;
    }
    if (rc == CURLE_URL_MALFORMAT || rc == CURLE_UNSUPPORTED_PROTOCOL) {
        run.RaiseError(TFetchErrorCode::CannotConnect, "Cannot connect to server " + host);
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

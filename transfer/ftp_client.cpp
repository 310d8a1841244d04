#include "transfer/ftp_client.h"

#include "transfer/url_functions.h"

#include <algorithm>
#include <cstring>

namespace fetchly {

namespace {
// curl's receive buffer. Larger than the transfer's chunk: the chunks are
// cut from it, and fewer, larger socket reads keep up with any local server.
constexpr long kReceiveBufferSize = 256 * 1024;
} // namespace

std::string FtpUrlPath(const std::string &path)
{
    // ";" stays encoded: curl reads ";type=" at the end of an FTP URL as
    // the transfer mode. A leading "/" is %2F, so the path starts at the
    // server's root rather than at the login folder.
    constexpr const char *keeps = "!$&'()*+,=:@";
    if (!path.empty() && path.front() == '/')
        return "%2F" + PercentEncodePath(path.substr(1), keeps);
    return PercentEncodePath(path, keeps);
}

FtpClient::FtpClient(CurlEasy handle, FtpEndpoint endpoint)
    : m_handle(std::move(handle)), m_endpoint(std::move(endpoint))
{
    CURL *h = m_handle.get();
    if (!h)
        return;
    if (!m_endpoint.user.empty() && !m_endpoint.password.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, m_endpoint.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, m_endpoint.password.c_str());
    }
    // Passive: the client opens the data connection (EPSV, then PASV).
    // Active: the server connects back to the control connection's address.
    curl_easy_setopt(h, CURLOPT_FTPPORT, m_endpoint.passive ? nullptr : "-");
    curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, 60000L);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    // Through an HTTP proxy the FTP commands must be tunnelled, or uploads
    // and directory changes are impossible.
    curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &FtpClient::onWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &FtpClient::onRead);
    curl_easy_setopt(h, CURLOPT_READDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &FtpClient::onReply);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
}

std::string FtpClient::urlFor(const std::string &path) const
{
    std::string host = m_endpoint.host;
    // A bare IPv6 address needs brackets in a URL.
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    return "ftp://" + host + ":" + std::to_string(m_endpoint.port) + "/" + FtpUrlPath(path);
}

void FtpClient::resetRequest()
{
    CURL *h = m_handle.get();
    curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_NONE));
    curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(0));
    m_sink = nullptr;
    m_source = nullptr;
    m_lastReply.clear();
}

CURLcode FtpClient::perform()
{
    if (m_beforePerform)
        m_beforePerform(m_handle.get());
    CURLcode code = curl_easy_perform(m_handle.get());
    m_sink = nullptr;
    m_source = nullptr;
    return m_afterPerform ? m_afterPerform(code) : code;
}

CURLcode FtpClient::Connect()
{
    if (!m_handle)
        return CURLE_FAILED_INIT;
    if (m_endpoint.host.empty() || m_endpoint.port <= 0 || m_endpoint.port > 65535)
        return CURLE_URL_MALFORMAT;
    resetRequest();
    curl_easy_setopt(m_handle.get(), CURLOPT_URL, urlFor("").c_str());
    curl_easy_setopt(m_handle.get(), CURLOPT_NOBODY, 1L);
    return perform();
}

CURLcode FtpClient::EnterOrCreateDirectory(const std::string &dir)
{
    if (!m_handle)
        return CURLE_FAILED_INIT;
    resetRequest();
    std::string path = dir;
    if (path.empty() || path.back() != '/')
        path += '/';
    curl_easy_setopt(m_handle.get(), CURLOPT_URL, urlFor(path).c_str());
    curl_easy_setopt(m_handle.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_handle.get(), CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
    return perform();
}

CURLcode FtpClient::Retrieve(const std::string &path,
                             const std::function<bool(const char *, std::size_t)> &sink, std::int64_t from)
{
    if (!m_handle)
        return CURLE_FAILED_INIT;
    resetRequest();
    curl_easy_setopt(m_handle.get(), CURLOPT_URL, urlFor(path).c_str());
    curl_easy_setopt(m_handle.get(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(from));
    // MDTM: a file changed at the same size is told apart by its time.
    curl_easy_setopt(m_handle.get(), CURLOPT_FILETIME, 1L);
    m_sink = &sink;
    const CURLcode code = perform();
    curl_easy_setopt(m_handle.get(), CURLOPT_FILETIME, 0L);
    return code;
}

std::optional<std::int64_t> FtpClient::Size(const std::string &path)
{
    if (!m_handle)
        return std::nullopt;
    resetRequest();
    curl_easy_setopt(m_handle.get(), CURLOPT_URL, urlFor(path).c_str());
    curl_easy_setopt(m_handle.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_handle.get(), CURLOPT_FILETIME, 1L);
    // curl hands its "Content-Length:" and "Last-Modified:" lines to the
    // data callback too; they are not the file's bytes.
    const std::function<bool(const char *, std::size_t)> ignore = [](const char *, std::size_t) {
        return true;
    };
    m_sink = &ignore;
    const CURLcode code = perform();
    curl_easy_setopt(m_handle.get(), CURLOPT_FILETIME, 0L);
    if (code != CURLE_OK)
        return std::nullopt;
    return RemoteSize();
}

std::optional<std::int64_t> FtpClient::RemoteSize() const
{
    curl_off_t size = -1;
    if (!m_handle ||
        curl_easy_getinfo(m_handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK || size < 0)
        return std::nullopt;
    return static_cast<std::int64_t>(size);
}

std::optional<std::int64_t> FtpClient::RemoteTime() const
{
    curl_off_t time = -1;
    if (!m_handle || curl_easy_getinfo(m_handle.get(), CURLINFO_FILETIME_T, &time) != CURLE_OK || time < 0)
        return std::nullopt;
    return static_cast<std::int64_t>(time);
}

CURLcode FtpClient::Store(const std::string &path, const std::function<ssize_t(char *, std::size_t)> &source)
{
    if (!m_handle)
        return CURLE_FAILED_INIT;
    resetRequest();
    curl_easy_setopt(m_handle.get(), CURLOPT_URL, urlFor(path).c_str());
    curl_easy_setopt(m_handle.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_handle.get(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
    m_source = &source;
    return perform();
}

std::size_t FtpClient::onWrite(char *data, std::size_t size, std::size_t count, void *self)
{
    auto *client = static_cast<FtpClient *>(self);
    std::size_t bytes = size * count;
    if (!client->m_sink || (client->m_throttle && !client->m_throttle(bytes)) ||
        !(*client->m_sink)(data, bytes))
        return bytes == 0 ? 1 : 0; // any other count than `bytes` stops curl
    return bytes;
}

std::size_t FtpClient::onRead(char *data, std::size_t size, std::size_t count, void *self)
{
    auto *client = static_cast<FtpClient *>(self);
    if (!client->m_source)
        return CURL_READFUNC_ABORT;
    ssize_t n = (*client->m_source)(data, size * count);
    if (n < 0)
        return CURL_READFUNC_ABORT;
    return static_cast<std::size_t>(n);
}

std::size_t FtpClient::onReply(char *data, std::size_t size, std::size_t count, void *self)
{
    auto *client = static_cast<FtpClient *>(self);
    const std::size_t bytes = size * count;
    // A reply line is short; a hostile server's endless line is cut.
    std::string line(data, std::min<std::size_t>(bytes, 512));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (!line.empty())
        client->m_lastReply = std::move(line);
    return bytes;
}

} // namespace fetchly

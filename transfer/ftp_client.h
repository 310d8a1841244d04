#pragma once

#include "transfer/fetch_session.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace fetchly {

// Where and how to log in to an FTP server.
struct FtpEndpoint {
    std::string host;
    int port = 21;
    std::string user;     // used only when user and password are both set,
    std::string password; // otherwise the login is anonymous
    bool passive = false;
};

// One FTP control connection on libcurl, kept open between the calls of one
// transfer. Paths are server paths: "/a/b" is absolute, "a/b" relative to
// the login directory. Every call is blocking and reports a CURLcode.
class FtpClient {
public:
    // `handle` comes with the session's common options (timeouts, proxy).
    FtpClient(CurlEasy handle, FtpEndpoint endpoint);
    FtpClient(const FtpClient &) = delete;
    FtpClient &operator=(const FtpClient &) = delete;

    // Called with the handle before each request (to install a watch for
    // cancel and stalls), and with the request's result after it (to turn
    // that watch's verdict into the result).
    void SetWatch(std::function<void(CURL *)> before, std::function<CURLcode(CURLcode)> after)
    {
        m_beforePerform = std::move(before);
        m_afterPerform = std::move(after);
    }

    // Asked before each chunk received is handed on; false stops the
    // request (a download waits here for the process's rate limit).
    void SetThrottle(std::function<bool(std::size_t)> admit) { m_throttle = std::move(admit); }

    // Connects and logs in.
    CURLcode Connect();
    // Enters `dir`, creating it (and its missing parents) when it is missing.
    CURLcode EnterOrCreateDirectory(const std::string &dir);

    // Downloads `path`. `sink` gets the data as it arrives and returns false
    // to stop the transfer (the call then fails with CURLE_WRITE_ERROR).
    // With `from` > 0 the server is asked to start there (REST).
    CURLcode Retrieve(const std::string &path, const std::function<bool(const char *, std::size_t)> &sink,
                      std::int64_t from = 0);
    // Asks the size of `path` (SIZE) without fetching it, and its
    // modification time (MDTM), which RemoteTime then gives.
    std::optional<std::int64_t> Size(const std::string &path);
    // The remote size learned by the last Retrieve (from SIZE or the server's
    // transfer reply); nothing when the server did not tell.
    std::optional<std::int64_t> RemoteSize() const;
    // The remote file's modification time (MDTM, seconds since 1970) learned
    // by the last Retrieve or Size; nothing when the server did not tell.
    std::optional<std::int64_t> RemoteTime() const;

    // Uploads to `path`. `source` fills the buffer and returns the byte
    // count, 0 at the end, or -1 to abort (CURLE_ABORTED_BY_CALLBACK).
    // Nothing is read before the server has accepted the file for writing.
    CURLcode Store(const std::string &path, const std::function<ssize_t(char *, std::size_t)> &source);

    // The last reply line of the server in the last call ("550 No such
    // file."), without its line end; empty when none came.
    const std::string &LastReply() const { return m_lastReply; }

private:
    std::string urlFor(const std::string &path) const;
    void resetRequest();
    CURLcode perform();

    static std::size_t onWrite(char *data, std::size_t size, std::size_t count, void *self);
    static std::size_t onRead(char *data, std::size_t size, std::size_t count, void *self);
    static std::size_t onReply(char *data, std::size_t size, std::size_t count, void *self);

    CurlEasy m_handle;
    FtpEndpoint m_endpoint;
    std::function<void(CURL *)> m_beforePerform;
    std::function<CURLcode(CURLcode)> m_afterPerform;
    std::function<bool(std::size_t)> m_throttle;
    const std::function<bool(const char *, std::size_t)> *m_sink = nullptr;
    const std::function<ssize_t(char *, std::size_t)> *m_source = nullptr;
    std::string m_lastReply;
};

// A server path percent-encoded for an ftp:// URL, with a leading "/" kept
// absolute ("%2F") the way RFC 1738 spells it.
std::string FtpUrlPath(const std::string &path);

} // namespace fetchly

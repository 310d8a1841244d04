#pragma once

#include "tests/support/byte_pattern.h"
#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace fetchly::test {

// peers/http_peer.py on a free loopback port: files with and without a
// length, error statuses, redirects and loops, stalls, dropped connections,
// and uploads recorded byte for byte (see the script for its paths).
class HttpPeer {
public:
    enum class Scheme { Http, HttpsSelfSigned };
    explicit HttpPeer(Scheme scheme = Scheme::Http);
    int port() const { return m_port; }
    std::string url(const std::string &path) const;
    const std::filesystem::path &recordDir() const { return m_dir.path(); }
    // The body and the request head of the upload named `name`.
    std::string uploadedBody(const std::string &name) const;
    std::string uploadedHead(const std::string &name) const;
    // Request lines and headers of every request so far.
    std::string requestsLog() const;
    // Connections accepted from clients so far (not the fixture's own probe),
    // and the most /delay/ requests answered at once.
    int connectionCount() const;
    int peakDelayed() const;

private:
    TempDir m_dir;
    int m_port = 0;
    std::string m_scheme = "http";
    PeerProcess m_process;
};

// peers/http_proxy.py: a forward proxy that wants Basic credentials and
// logs every request it gets.
class HttpProxyPeer {
public:
    HttpProxyPeer(const std::string &user, const std::string &password);
    int port() const { return m_port; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string log() const;

private:
    TempDir m_dir;
    int m_port = 0;
    PeerProcess m_process;
};

// nginx serving root() at /, accepting PUT below /dav/ and sending files
// below /chunked/ without a Content-Length.
class NginxServer {
public:
    NginxServer();
    int port() const { return m_port; }
    std::string url(const std::string &path) const;
    std::filesystem::path root() const { return m_dir.path() / "www"; }

private:
    TempDir m_dir;
    int m_port = 0;
    PeerProcess m_process;
};

} // namespace fetchly::test

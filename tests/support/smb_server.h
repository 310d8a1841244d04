#pragma once

#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <string>

namespace fetchly::test {

// A real Samba smbd on 127.0.0.1 at a free port, run in the foreground from a
// private smb.conf below a temporary folder: one writable share, one account
// (user() with password(), mapped onto the local root account). Throws
// std::runtime_error when smbd cannot be started, so tests fail, not skip.
class SmbServer {
public:
    SmbServer();
    ~SmbServer();
    SmbServer(const SmbServer &) = delete;
    SmbServer &operator=(const SmbServer &) = delete;

    int port() const { return m_port; }
    std::string share() const { return "files"; }
    std::string user() const { return "tester"; }
    std::string password() const { return "smb-Secret-7"; }
    // The folder the share serves.
    const std::filesystem::path &shareDir() const { return m_shareDir; }
    // smb://127.0.0.1:PORT/files
    std::string url() const;

    void stop() { m_peer.stop(); }
    std::string logTail() const { return m_peer.logTail(); }

private:
    TempDir m_dir;
    std::filesystem::path m_shareDir;
    int m_port = 0;
    PeerProcess m_peer;
};

} // namespace fetchly::test

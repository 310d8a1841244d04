#pragma once

#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <string>

namespace fetchly::test {

// A real Samba smbd on 127.0.0.1 at a free port, run in the foreground from a
// private smb.conf below a temporary folder: one writable share, one account
// (user() with password(), mapped onto the local root account). Not being
// root, it starts nothing and the test skips (SKIP_WITHOUT_SMB); as root it
// throws std::runtime_error when smbd cannot be started, so tests fail.
class SmbServer {
public:
    SmbServer();
    // Why no server runs (the test is not root), or empty when one does.
    const std::string &missing() const { return m_missing; }
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
    std::string m_missing;
};

// In a test or its SetUp: skips it when `smb` could not start for want of root.
#define SKIP_WITHOUT_SMB(smb)                                                                                \
    if (!(smb).missing().empty())                                                                            \
    GTEST_SKIP() << (smb).missing()

} // namespace fetchly::test

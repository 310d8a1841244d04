#pragma once

#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fetchly::test {

// A real FTP server (pyftpdlib) on 127.0.0.1 with one read-write account and
// anonymous read access, both rooted in root(). It records every command it
// receives, so a test can see what the client did (PASV/EPSV or PORT/EPRT,
// the login, directory changes). Throws std::runtime_error when the server
// cannot be started, so a test that needs it fails rather than skips.
class FtpServer {
public:
    struct Options {
        // false: the server refuses SIZE, so a client cannot learn a file's size.
        bool reportSizes = true;
    };

    FtpServer();
    explicit FtpServer(Options options);
    ~FtpServer();
    FtpServer(const FtpServer &) = delete;
    FtpServer &operator=(const FtpServer &) = delete;

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1"; }
    std::string user() const { return "tester"; }
    std::string password() const { return "ftp-Secret-42"; }
    const std::filesystem::path &root() const { return m_root; }

    // Each command received so far, as "<user> <COMMAND> <argument>" where the
    // user is "-" before login. The PASS argument is recorded as sent.
    std::vector<std::string> commands() const;
    // True when some received command has this name (PASV, EPSV, PORT, ...).
    bool sawCommand(const std::string &name) const;
    // The user name of each successful login, in order.
    std::vector<std::string> logins() const;
    bool usedPassive() const { return sawCommand("PASV") || sawCommand("EPSV"); }
    bool usedActive() const { return sawCommand("PORT") || sawCommand("EPRT"); }
    void clearCommands() const;

    void stop() { m_peer.stop(); }
    std::string logTail() const { return m_peer.logTail(); }

private:
    TempDir m_dir;
    std::filesystem::path m_root;
    std::filesystem::path m_commandLog;
    int m_port = 0;
    PeerProcess m_peer;
};

} // namespace fetchly::test

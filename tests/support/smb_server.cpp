#include "tests/support/smb_server.h"

#include "tests/support/program_run.h"
#include "tests/support/root_only.h"

#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fetchly::test {

namespace {
void writeConfig(const fs::path &dir, const fs::path &share, int port)
{
    const std::string d = dir.string();
    std::ofstream conf(dir / "smb.conf");
    conf << "[global]\n"
         << "  interfaces = 127.0.0.1\n"
         << "  bind interfaces only = yes\n"
         << "  smb ports = " << port << "\n"
         << "  disable netbios = yes\n"
         << "  private dir = " << d << "/private\n"
         << "  lock directory = " << d << "/lock\n"
         << "  state directory = " << d << "/state\n"
         << "  cache directory = " << d << "/cache\n"
         << "  pid directory = " << d << "/pid\n"
         << "  ncalrpc dir = " << d << "/ncalrpc\n"
         << "  binddns dir = " << d << "/binddns\n"
         << "  passdb backend = tdbsam:" << d << "/passdb.tdb\n"
         << "  username map = " << d << "/users.map\n"
         << "  map to guest = never\n"
         << "  load printers = no\n"
         << "  disable spoolss = yes\n"
         << "  log level = 1\n"
         << "[files]\n"
         << "  path = " << share.string() << "\n"
         << "  read only = no\n";
    if (!conf)
        throw std::runtime_error("SmbServer: cannot write smb.conf");
}
} // namespace

SmbServer::SmbServer() : m_shareDir(m_dir.path() / "share")
{
    if (!isRoot()) {
        m_missing = "smbd maps the share's account onto root, and this test does not run as root";
        return;
    }
    const fs::path d = m_dir.path();
    for (const char *sub : {"share", "private", "lock", "state", "cache", "pid", "ncalrpc", "binddns"})
        fs::create_directories(d / sub);
    {
        std::ofstream map(d / "users.map");
        map << "root = " << user() << "\n";
    }

    // The account: smbpasswd needs an existing Unix user, so the share's user
    // name maps onto root, which runs the tests here.
    const std::string conf = (d / "smb.conf").string();
    writeConfig(d, m_shareDir, 445); // smbpasswd reads it, the port is smbd's
    const std::string pw = password() + "\n" + password() + "\n";
    const ProgramResult r =
        runProgram("smbpasswd", {"-c", conf, "-s", "-a", "root"}, ProgramRun{{}, pw, 30, {}});
    if (r.status != 0)
        throw std::runtime_error("SmbServer: smbpasswd failed: " + r.out + r.err);
    // PeerProcess already puts smbd in a process group of its own, where
    // its setsid() would fail; --no-process-group keeps it from trying,
    // and its group-wide signals then reach only smbd's own children.
    m_port = m_peer.startOnFreePort(
        [&](int port) {
            writeConfig(d, m_shareDir, port);
            return std::vector<std::string>{"/usr/sbin/smbd", "--foreground", "--no-process-group",
                                            "--debug-stdout", "-s",           conf};
        },
        (d / "smbd.log").string());
}

SmbServer::~SmbServer()
{
    m_peer.stop();
}

std::string SmbServer::url() const
{
    return "smb://127.0.0.1:" + std::to_string(m_port) + "/" + share();
}

} // namespace fetchly::test

#include "tests/support/smb_server.h"

#include <cstdio>
#include <fstream>
#include <memory>
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

struct PipeCloser {
    void operator()(FILE *f) const
    {
        if (f)
            ::pclose(f);
    }
};
} // namespace

SmbServer::SmbServer() : m_shareDir(m_dir.path() / "share")
{
    const fs::path d = m_dir.path();
    for (const char *sub : {"share", "private", "lock", "state", "cache", "pid", "ncalrpc", "binddns"})
        fs::create_directories(d / sub);
    {
        std::ofstream map(d / "users.map");
        map << "root = " << user() << "\n";
    }

    // The account: smbpasswd needs an existing Unix user, so the share's user
    // name maps onto root, which runs the tests here.
    std::string lastError;
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freeLoopbackPort();
        writeConfig(d, m_shareDir, m_port);
        if (attempt == 0) {
            std::string cmd = "smbpasswd -c '" + (d / "smb.conf").string() + "' -s -a root >'" +
                              (d / "smbpasswd.log").string() + "' 2>&1";
            std::unique_ptr<FILE, PipeCloser> pipe(::popen(cmd.c_str(), "w"));
            if (!pipe)
                throw std::runtime_error("SmbServer: cannot run smbpasswd");
            std::string pw = password() + "\n" + password() + "\n";
            std::fwrite(pw.data(), 1, pw.size(), pipe.get());
            int status = ::pclose(pipe.release());
            if (status != 0)
                throw std::runtime_error("SmbServer: smbpasswd failed: " + readFile(d / "smbpasswd.log"));
        }
        // PeerProcess already puts smbd in a process group of its own, where
        // its setsid() would fail; --no-process-group keeps it from trying,
        // and its group-wide signals then reach only smbd's own children.
        m_peer.start({"/usr/sbin/smbd", "--foreground", "--no-process-group", "--debug-stdout", "-s",
                      (d / "smb.conf").string()},
                     (d / "smbd.log").string());
        try {
            m_peer.waitForPort(m_port, std::chrono::seconds(15));
            return;
        } catch (const std::runtime_error &e) {
            lastError = e.what();
            m_peer.stop();
        }
    }
    throw std::runtime_error("SmbServer: cannot start smbd: " + lastError);
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

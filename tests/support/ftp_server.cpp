#include "tests/support/ftp_server.h"

#include "tests/support/test_paths.h"

#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fetchly::test {

namespace {
constexpr int kPassivePortCount = 20;

// A run of consecutive free ports for passive data connections. Ports are
// probed one by one; a collision later only costs the server a retry.
int freePortRun(int count)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        int first = freeLoopbackPort();
        if (first + count > 65535)
            continue;
        bool free = true;
        for (int p = first + 1; p < first + count && free; ++p)
            free = !portAccepts(p);
        if (free)
            return first;
    }
    throw std::runtime_error("FtpServer: no free run of passive ports");
}
} // namespace

FtpServer::FtpServer() : FtpServer(Options{}) {}

FtpServer::FtpServer(Options options)
    : m_root(m_dir.path() / "root"), m_commandLog(m_dir.path() / "commands.log")
{
    fs::create_directories(m_root);
    std::ofstream(m_commandLog).flush();
    fs::path script = sourceDir() / "tests" / "support" / "peers" / "ftp_server.py";
    int passive = freePortRun(kPassivePortCount);
    std::vector<std::string> argv = {systemPython().string(),
                                     script.string(),
                                     "--root",
                                     m_root.string(),
                                     "--user",
                                     user(),
                                     "--password",
                                     password(),
                                     "--passive-ports",
                                     std::to_string(passive) + "-" +
                                         std::to_string(passive + kPassivePortCount - 1),
                                     "--command-log",
                                     m_commandLog.string()};
    if (!options.reportSizes)
        argv.push_back("--no-size");
    m_port = m_peer.startOnFreePort(
        [&](int port) {
            std::vector<std::string> args = argv;
            args.push_back("--port");
            args.push_back(std::to_string(port));
            return args;
        },
        (m_dir.path() / "server.log").string());
}

FtpServer::~FtpServer()
{
    m_peer.stop();
}

std::vector<std::string> FtpServer::commands() const
{
    std::vector<std::string> lines;
    std::ifstream in(m_commandLog);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool FtpServer::sawCommand(const std::string &name) const
{
    for (const auto &line : commands()) {
        auto first = line.find(' ');
        if (first == std::string::npos)
            continue;
        auto second = line.find(' ', first + 1);
        if (line.substr(first + 1, second - first - 1) == name)
            return true;
    }
    return false;
}

std::vector<std::string> FtpServer::logins() const
{
    std::vector<std::string> users;
    const std::string marker = " +LOGIN";
    for (const auto &line : commands()) {
        auto at = line.find(marker);
        if (at != std::string::npos)
            users.push_back(line.substr(0, at));
    }
    return users;
}

void FtpServer::clearCommands() const
{
    std::ofstream(m_commandLog, std::ios::trunc).flush();
}

} // namespace fetchly::test

#include "tests/support/peer_process.h"

#include "tests/support/temp_dir.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace fetchly::test {

namespace {
sockaddr_in loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

// In the child: opens `path` onto descriptor `target`.
void redirect(const char *path, int flags, int target)
{
    const int fd = ::open(path, flags, 0644);
    if (fd >= 0 && fd != target) {
        ::dup2(fd, target);
        ::close(fd);
    }
}
} // namespace

int freeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in addr = loopback(0);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot find a free port");
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool portAccepts(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr = loopback(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

PeerProcess::~PeerProcess()
{
    stop();
}

void PeerProcess::start(const std::vector<std::string> &argv, const std::string &logFile,
                        const std::vector<std::string> &extraEnv)
{
    m_log = logFile;
    spawn(argv, ChildIo{{}, {}, logFile, logFile}, extraEnv);
}

void PeerProcess::start(const std::vector<std::string> &argv, const ChildIo &io)
{
    m_log.clear();
    spawn(argv, io, {});
}

void PeerProcess::spawn(const std::vector<std::string> &argv, const ChildIo &io,
                        const std::vector<std::string> &extraEnv)
{
    if (argv.empty())
        throw std::runtime_error("PeerProcess: no program");
    stop();
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    const bool errToOut = !io.err.empty() && io.err == io.out;

    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::setpgid(0, 0);
        if (!io.cwd.empty() && ::chdir(io.cwd.c_str()) != 0)
            ::_exit(127);
        redirect(io.input.empty() ? "/dev/null" : io.input.c_str(), O_RDONLY, 0);
        if (!io.out.empty())
            redirect(io.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 1);
        if (errToOut)
            ::dup2(1, 2);
        else if (!io.err.empty())
            redirect(io.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 2);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        std::vector<char *> envp;
        for (const auto &e : env)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);
    m_pid = pid;
}

bool PeerProcess::running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

void PeerProcess::waitForPort(int port, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (portAccepts(port))
            return;
        if (!running())
            throw std::runtime_error("peer exited before listening on port " + std::to_string(port) + "\n" +
                                     logTail());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    throw std::runtime_error("peer did not listen on port " + std::to_string(port) + " in time\n" +
                             logTail());
}

int PeerProcess::startOnFreePort(const std::function<std::vector<std::string>(int port)> &argvFor,
                                 const std::string &logFile, std::chrono::milliseconds timeout)
{
    std::string lastError;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int port = freeLoopbackPort();
        const std::vector<std::string> argv = argvFor(port);
        start(argv, logFile);
        try {
            waitForPort(port, timeout);
            return port;
        } catch (const std::runtime_error &e) {
            lastError = argv.front() + ": " + e.what();
            stop();
        }
    }
    throw std::runtime_error("cannot start " + lastError);
}

void PeerProcess::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGTERM);
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 250; ++i) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            // The group may still hold children of the peer (smbd forks).
            ::kill(-m_pid, SIGKILL);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(-m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void PeerProcess::signal(int sig)
{
    if (m_pid > 0)
        ::kill(m_pid, sig);
}

int PeerProcess::waitForExit(std::chrono::milliseconds timeout, const std::function<void()> &whileWaiting)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // Short programs are the common case: look again soon, then less often.
    auto pause = std::chrono::milliseconds(1);
    while (m_pid > 0) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        if (whileWaiting)
            whileWaiting();
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(whileWaiting ? 2 : 20));
    }
    return -1;
}

std::string PeerProcess::logTail() const
{
    if (m_log.empty())
        return {};
    std::string all = readFile(m_log);
    return all.size() > 4000 ? all.substr(all.size() - 4000) : all;
}

} // namespace fetchly::test

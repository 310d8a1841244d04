#include "tests/support/dbus_session.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace fetchly::test {

namespace {

bool socketAccepts(const std::string &path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

bool processAlive(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

DbusSession::DbusSession(std::vector<std::string> ownedNames) : m_ownedNames(std::move(ownedNames))
{
    const std::string socket = (m_dir.path() / "bus").string();
    if (socket.size() >= sizeof(sockaddr_un{}.sun_path))
        throw std::runtime_error("DbusSession: socket path too long: " + socket);
    const auto config = m_dir.write(
        "session.conf", "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                        "1.0//EN\"\n \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                        "<busconfig>\n"
                        "  <type>session</type>\n"
                        "  <keep_umask/>\n"
                        "  <listen>unix:path=" +
                            socket +
                            "</listen>\n"
                            "  <standard_session_servicedirs/>\n"
                            "  <policy context=\"default\">\n"
                            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                            "    <allow eavesdrop=\"true\"/>\n"
                            "    <allow own=\"*\"/>\n"
                            "  </policy>\n"
                            "</busconfig>\n");
    m_daemon.start({"dbus-daemon", "--config-file=" + config.string(), "--nofork", "--nopidfile"},
                   (m_dir.path() / "daemon.log").string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!socketAccepts(socket)) {
        if (!m_daemon.running())
            throw std::runtime_error("dbus-daemon exited at start:\n" + m_daemon.logTail());
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("dbus-daemon did not listen in time:\n" + m_daemon.logTail());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_address = "unix:path=" + socket;
    m_env = std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", m_address);
}

DbusSession::~DbusSession()
{
    for (const auto &name : m_ownedNames)
        stopOwner(name);
    m_daemon.stop();
}

pid_t DbusSession::ownerPid(const std::string &name) const
{
    const ProcessResult r = runProcess({"dbus-send", "--bus=" + m_address, "--print-reply",
                                        "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name},
                                       {}, std::chrono::seconds(10));
    const auto at = r.out.find("uint32 ");
    if (r.status != 0 || at == std::string::npos)
        return -1;
    return static_cast<pid_t>(std::stol(r.out.substr(at + 7)));
}

bool DbusSession::waitForOwner(const std::string &name, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ownerPid(name) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

void DbusSession::stopOwner(const std::string &name) const
{
    const pid_t pid = ownerPid(name);
    if (pid <= 0 || pid == ::getpid())
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 250 && processAlive(pid); ++i) {
        ::waitpid(pid, nullptr, WNOHANG); // reaps it when it is our own child
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (processAlive(pid)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, WNOHANG);
    }
}

ProcessResult runProcess(const std::vector<std::string> &argv, const std::string &input,
                         std::chrono::milliseconds timeout)
{
    if (argv.empty())
        throw std::runtime_error("runProcess: no program");
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("runProcess: pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("runProcess: fork failed");
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char *> args;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    ::signal(SIGPIPE, SIG_IGN);

    ProcessResult result;
    std::size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    bool outOpen = true, errOpen = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (outOpen || errOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
        fds[0].fd = outOpen ? out[0] : -1;
        fds[1].fd = errOpen ? err[0] : -1;
        if (::poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        char buffer[8192];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0)
                    (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
                else
                    (i == 0 ? outOpen : errOpen) = false;
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    for (int i = 0; i < 250; ++i) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    result.status = -1;
    return result;
}

} // namespace fetchly::test

#include "tests/support/dbus_session.h"

#include "tests/support/program_run.h"
#include "tests/support/wait_until.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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
    if (!WaitUntil([&] { return socketAccepts(socket) || !m_daemon.running(); }, std::chrono::seconds(10)) ||
        !socketAccepts(socket))
        throw std::runtime_error("dbus-daemon did not listen:\n" + m_daemon.logTail());
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
    const ProgramResult r = runProgram("dbus-send",
                                       {"--bus=" + m_address, "--print-reply", "--dest=org.freedesktop.DBus",
                                        "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name},
                                       ProgramRun{{}, {}, 10, {}});
    const auto at = r.out.find("uint32 ");
    if (r.status != 0 || at == std::string::npos)
        return -1;
    return static_cast<pid_t>(std::stol(r.out.substr(at + 7)));
}

bool DbusSession::waitForOwner(const std::string &name, std::chrono::milliseconds timeout) const
{
    return WaitUntil([&] { return ownerPid(name) > 0; }, timeout);
}

void DbusSession::stopOwner(const std::string &name) const
{
    const pid_t pid = ownerPid(name);
    if (pid <= 0 || pid == ::getpid())
        return;
    ::kill(pid, SIGTERM);
    WaitUntil(
        [pid] {
            ::waitpid(pid, nullptr, WNOHANG); // reaps it when it is our own child
            return !processAlive(pid);
        },
        std::chrono::seconds(5));
    if (processAlive(pid)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, WNOHANG);
    }
}

} // namespace fetchly::test

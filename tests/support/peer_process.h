#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fetchly::test {

// A port on 127.0.0.1 that was free a moment ago (bound and released).
int freeLoopbackPort();

// True when something accepts TCP connections on 127.0.0.1:port.
bool portAccepts(int port);

// Where a child's standard streams go and where it starts; empty paths keep
// the defaults (stdin from /dev/null, output to the log file, the test's cwd).
struct ChildIo {
    std::filesystem::path cwd;
    std::filesystem::path input;
    std::filesystem::path out;
    std::filesystem::path err;
};

// A real server (nginx, pyftpdlib, smbd, a Python helper...) run as a child
// process in a process group of its own. Output goes to `logFile` when given.
// The destructor stops it: SIGTERM to the group, then SIGKILL after 5 s.
class PeerProcess {
public:
    PeerProcess() = default;
    ~PeerProcess();
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Starts argv[0] (looked up on PATH) with the given arguments. Throws
    // std::runtime_error when it cannot be started.
    void start(const std::vector<std::string> &argv, const std::string &logFile = {},
               const std::vector<std::string> &extraEnv = {});
    void start(const std::vector<std::string> &argv, const ChildIo &io);
    // Waits until the peer accepts on `port`; throws with the log's tail when
    // it does not within `timeout` or when the peer exits first.
    void waitForPort(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Starts the peer `argvFor(port)` gives on a free loopback port and waits
    // until it listens there; as the port may be taken between probing and
    // binding, tries three ports before it throws. Returns the port.
    int startOnFreePort(const std::function<std::vector<std::string>(int port)> &argvFor,
                        const std::string &logFile,
                        std::chrono::milliseconds timeout = std::chrono::seconds(15));
    void stop();
    bool running();
    // Sends `sig` to the process itself (not its group).
    void signal(int sig);
    // Waits for the process to end; its exit status, or -1 when it was
    // killed by a signal or is still running after `timeout`. `whileWaiting`
    // runs between the checks (e.g. to serve the bus the child calls).
    int waitForExit(std::chrono::milliseconds timeout, const std::function<void()> &whileWaiting = {});
    pid_t pid() const { return m_pid; }
    std::string logTail() const;

private:
    void spawn(const std::vector<std::string> &argv, const ChildIo &io,
               const std::vector<std::string> &extraEnv);

    pid_t m_pid = -1;
    std::string m_log;
};

} // namespace fetchly::test

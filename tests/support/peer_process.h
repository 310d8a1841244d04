#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fetchly::test {

// A port on 127.0.0.1 that was free a moment ago (bound and released).
int freeLoopbackPort();

// True when something accepts TCP connections on 127.0.0.1:port.
bool portAccepts(int port);

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
    // Waits until the peer accepts on `port`; throws with the log's tail when
    // it does not within `timeout` or when the peer exits first.
    void waitForPort(int port, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void stop();
    bool running();
    // Sends `sig` to the process itself (not its group).
    void signal(int sig);
    // Waits for the process to end; its exit status, or -1 when it was
    // killed by a signal or is still running after `timeout`.
    int waitForExit(std::chrono::milliseconds timeout);
    pid_t pid() const { return m_pid; }
    std::string logTail() const;

private:
    pid_t m_pid = -1;
    std::string m_log;
};

} // namespace fetchly::test

#pragma once

#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace fetchly::test {

// A private session bus: a dbus-daemon of its own on a Unix socket in a
// temporary folder, with the standard session service folders (so
// $XDG_DATA_HOME/dbus-1/services/ as it is when the bus starts: set XdgHome
// first). DBUS_SESSION_BUS_ADDRESS points at it for the object's lifetime,
// and programs the bus activates inherit the test's environment.
//
// Programs the bus started outlive it, so the destructor first stops the
// owners of `ownedNames` (other than this process), then the bus.
class DbusSession {
public:
    explicit DbusSession(std::vector<std::string> ownedNames = {});
    ~DbusSession();
    DbusSession(const DbusSession &) = delete;
    DbusSession &operator=(const DbusSession &) = delete;

    const std::string &address() const { return m_address; }

    // The process id of the connection that owns `name`, or -1.
    pid_t ownerPid(const std::string &name) const;
    // Waits until somebody owns `name`; false when nobody does in time.
    bool waitForOwner(const std::string &name,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Stops the process owning `name` (SIGTERM, then SIGKILL after 5 s);
    // never this process.
    void stopOwner(const std::string &name) const;

private:
    TempDir m_dir;
    PeerProcess m_daemon;
    std::string m_address;
    std::unique_ptr<ScopedEnv> m_env;
    std::vector<std::string> m_ownedNames;
};

} // namespace fetchly::test

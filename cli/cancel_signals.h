#pragma once

#include "base/unique_fd.h"

#include <functional>
#include <thread>

// SIGINT and SIGTERM during a transfer command: the first one asks the run
// to cancel (on a thread of its own, since a signal handler may do almost
// nothing), a second one ends the process at once. Only one may exist at a
// time; the previous handlers come back when it goes.
namespace fetchly::cli {

class CancelOnSignals {
public:
    explicit CancelOnSignals(std::function<void()> cancel);
    ~CancelOnSignals();
    CancelOnSignals(const CancelOnSignals &) = delete;
    CancelOnSignals &operator=(const CancelOnSignals &) = delete;

    // The signal that asked for the cancel; 0 when none came.
    int Signal() const;

private:
    std::function<void()> m_cancel;
    TUniqueFd m_wakeRead;
    TUniqueFd m_wakeWrite;
    std::thread m_watcher;
};

} // namespace fetchly::cli

#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace fetchly::test {

// Checks `done` until it holds or `timeout` passes, running `between` (by
// default a short sleep) after each miss; returns `done()`.
inline bool WaitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout,
                      const std::function<void()> &between = {})
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        if (between)
            between();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

} // namespace fetchly::test

#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace fetchly {

// A token bucket of bytes shared by every connection that draws from it,
// on any thread. The rate may change at any time; 0 means no limit.
//
// A draw succeeds while the bucket holds anything and may take it into
// debt by that one chunk: curl hands over a chunk whole or not at all, and
// the debt is paid back before the next draw, so over seconds the rate is
// exact. The bucket holds a fifth of a second of the rate: enough that a
// loop woken late loses nothing, little enough that an idle spell buys only
// a short burst (2 % over ten seconds).
class TRateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    void SetRate(std::int64_t bytesPerSecond);
    std::int64_t Rate() const;
    // Takes `bytes` when the bucket is not empty; false while it is.
    bool TryTake(std::size_t bytes);
    // How long until TryTake can succeed again: zero when it can now.
    std::chrono::milliseconds Delay() const;
    // For a transfer that blocks its own thread (curl_easy_perform, as FTP
    // does): waits until `bytes` can be taken and takes them. False, with
    // nothing taken, once `giveUp` holds (asked at least every 50 ms).
    bool Take(std::size_t bytes, const std::function<bool()> &giveUp);

private:
    void refill(Clock::time_point now) const;

    mutable std::mutex m_mutex;
    std::int64_t m_rate = 0;
    mutable double m_tokens = 0;
    mutable Clock::time_point m_last;
};

// The limit of the whole process ("Limit speed", `--limit-rate`): every
// download connection of every engine draws from it.
TRateLimiter &ProcessRateLimiter();

} // namespace fetchly

#pragma once

#include "transfer/rate_limiter.h"

#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <vector>

namespace fetchly {

// Holds the easy handles of one multi loop to a rate limiter. A write
// callback asks Admit first and, when refused, returns
// CURL_WRITEFUNC_PAUSE: curl keeps the chunk and stops reading that socket,
// so the server is slowed by TCP itself and nothing is buffered here. The
// loop caps its poll wait with PollLimit and calls Release after each
// poll, which continues the held handles once the bucket has tokens again.
// A held handle receives nothing for as long as the cap requires, so a stall
// limit must not count that time. Used on the loop's thread only.
class TRateGate {
public:
    explicit TRateGate(TRateLimiter &limiter = ProcessRateLimiter()) : m_limiter(limiter) {}
    TRateGate(const TRateGate &) = delete;
    TRateGate &operator=(const TRateGate &) = delete;

    // In the write callback of `easy`: true when its chunk of `bytes` may be
    // taken now; false holds the handle (return CURL_WRITEFUNC_PAUSE).
    bool Admit(CURL *easy, std::size_t bytes);
    // The longest the loop may sleep in curl_multi_poll given its own `wait`.
    std::chrono::milliseconds PollLimit(std::chrono::milliseconds wait) const;
    // Outside any callback: continues every held handle when tokens are
    // back. A handle whose chunk is refused again is simply held again.
    // Returns the handles whose write callback failed on their kept chunk:
    // curl reports that to no one and carries on reading, so the caller
    // must end them.
    std::vector<CURL *> Release();
    // Before `easy` leaves its multi handle or is cleaned up.
    void Forget(CURL *easy);
    bool Holding() const { return !m_held.empty(); }

private:
    TRateLimiter &m_limiter;
    std::vector<CURL *> m_held;
};

} // namespace fetchly

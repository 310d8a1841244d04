#pragma once

#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <string>

namespace fetchly {

// How a run retries transient failures (copied from the engine at Start).
struct TRetrySettings {
    // Retries after the first attempt; 0 makes every failure final.
    int Retries = 5;
    // The first backoff; each further one doubles (1, 2, 4, 8, 16 s).
    std::chrono::milliseconds BaseDelay{1000};
    // The longest wait a server's Retry-After can ask for.
    std::chrono::milliseconds RetryAfterCap{60000};
};

// Failures that may pass: refused or timed-out connections, a connection
// reset or cut short, a stall, a temporary DNS failure of `host`.
// Everything else (TLS verification, a local write error...) is final.
bool IsTransientTransferError(CURLcode code, const std::string &host);
// HTTP statuses that ask to come back later: 408, 429, 500, 502, 503, 504.
bool IsTransientStatus(long status);

// A Retry-After value (seconds, or an HTTP date) as a wait from now; nothing
// when it is missing or unreadable.
std::optional<std::chrono::milliseconds> ParseRetryAfter(const std::string &value);

// The wait before retry number `retry` (0 for the first): the doubled base
// delay plus up to a quarter more at random, so clients that failed
// together do not come back together; or the server's Retry-After, capped.
std::chrono::milliseconds RetryDelay(const TRetrySettings &settings, int retry,
                                     std::optional<std::chrono::milliseconds> retryAfter);

} // namespace fetchly

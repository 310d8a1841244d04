#include "transfer/retry_policy.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <netdb.h>
#include <random>

namespace fetchly {

namespace {

// curl cannot tell a name that does not exist from a resolver that cannot
// answer right now; asking once more tells them apart.
bool resolverTemporarilyFailing(const std::string &host)
{
    if (host.empty())
        return false;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (found)
        ::freeaddrinfo(found);
    return rc == EAI_AGAIN;
}

} // namespace

bool IsTransientTransferError(CURLcode code, const std::string &host)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
        return true;
    case CURLE_COULDNT_RESOLVE_HOST:
        return resolverTemporarilyFailing(host);
    default:
        return false;
    }
}

bool IsTransientStatus(long status)
{
    return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
}

std::optional<std::chrono::milliseconds> ParseRetryAfter(const std::string &value)
{
    std::string text = value;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    text.erase(0, std::min(text.size(), text.find_first_not_of(" \t")));
    if (text.empty())
        return std::nullopt;
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        // More digits than any sensible wait: treat as the cap's problem.
        const long long seconds = text.size() > 9 ? 999999999LL : std::stoll(text);
        return std::chrono::milliseconds(seconds * 1000);
    }
    const time_t when = curl_getdate(text.c_str(), nullptr);
    if (when < 0)
        return std::nullopt;
    const time_t now = std::time(nullptr);
    return std::chrono::milliseconds(when > now ? static_cast<long long>(when - now) * 1000 : 0);
}

std::chrono::milliseconds RetryDelay(const TRetrySettings &settings, int retry,
                                     std::optional<std::chrono::milliseconds> retryAfter)
{
    if (retryAfter)
        return std::min(*retryAfter, settings.RetryAfterCap);
    const auto base = settings.BaseDelay * (1LL << std::clamp(retry, 0, 4));
    thread_local std::minstd_rand random{std::random_device{}()};
    std::uniform_int_distribution<long long> jitter(0, base.count() / 4);
    return base + std::chrono::milliseconds(jitter(random));
}

} // namespace fetchly

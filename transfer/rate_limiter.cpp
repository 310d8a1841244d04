#include "transfer/rate_limiter.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace fetchly {

namespace {

double capacity(std::int64_t rate)
{
    return std::max(1.0, static_cast<double>(rate) / 5.0);
}

} // namespace

void TRateLimiter::SetRate(std::int64_t bytesPerSecond)
{
    std::lock_guard lock(m_mutex);
    const std::int64_t rate = std::max<std::int64_t>(bytesPerSecond, 0);
    if (rate == m_rate)
        return;
    const auto now = Clock::now();
    if (m_rate > 0)
        refill(now);
    // A debt carries over to the new rate; a full bucket is cut to the new
    // size. Coming from no limit the bucket starts empty, so a cap set in
    // the middle of a fast transfer holds from that moment.
    m_tokens = m_rate > 0 ? std::min(m_tokens, capacity(rate)) : 0.0;
    m_rate = rate;
    m_last = now;
}

std::int64_t TRateLimiter::Rate() const
{
    std::lock_guard lock(m_mutex);
    return m_rate;
}

void TRateLimiter::refill(Clock::time_point now) const
{
    const double seconds = std::chrono::duration<double>(now - m_last).count();
    m_last = now;
    if (seconds > 0)
        m_tokens = std::min(capacity(m_rate), m_tokens + seconds * static_cast<double>(m_rate));
}

bool TRateLimiter::TryTake(std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    if (m_rate == 0)
        return true;
    refill(Clock::now());
    if (m_tokens <= 0)
        return false;
    m_tokens -= static_cast<double>(bytes);
    return true;
}

std::chrono::milliseconds TRateLimiter::Delay() const
{
    std::lock_guard lock(m_mutex);
    if (m_rate == 0)
        return std::chrono::milliseconds(0);
    refill(Clock::now());
    if (m_tokens > 0)
        return std::chrono::milliseconds(0);
    const double ms = std::ceil(-m_tokens * 1000.0 / static_cast<double>(m_rate));
    return std::chrono::milliseconds(std::max<std::int64_t>(1, static_cast<std::int64_t>(ms)));
}

bool TRateLimiter::Take(std::size_t bytes, const std::function<bool()> &giveUp)
{
    while (!TryTake(bytes)) {
        if (giveUp && giveUp())
            return false;
        std::this_thread::sleep_for(std::min(Delay(), std::chrono::milliseconds(50)));
    }
    return true;
}

TRateLimiter &ProcessRateLimiter()
{
    static TRateLimiter limiter;
    return limiter;
}

} // namespace fetchly

#include "transfer/rate_gate.h"

#include <algorithm>

namespace fetchly {

bool TRateGate::Admit(CURL *easy, std::size_t bytes)
{
    if (m_limiter.TryTake(bytes))
        return true;
    if (std::find(m_held.begin(), m_held.end(), easy) == m_held.end())
        m_held.push_back(easy);
    return false;
}

std::chrono::milliseconds TRateGate::PollLimit(std::chrono::milliseconds wait) const
{
    if (m_held.empty())
        return wait;
    return std::min(wait, m_limiter.Delay());
}

std::vector<CURL *> TRateGate::Release()
{
    std::vector<CURL *> failed;
    if (m_held.empty() || m_limiter.Delay().count() > 0)
        return failed;
    // Continuing a handle delivers its kept chunk at once, through Admit,
    // which may hold it again: work on a copy.
    std::vector<CURL *> held;
    held.swap(m_held);
    // The handle held longest goes first, so no connection starves.
    for (CURL *easy : held)
        if (curl_easy_pause(easy, CURLPAUSE_CONT) != CURLE_OK)
            failed.push_back(easy);
    return failed;
}

void TRateGate::Forget(CURL *easy)
{
    std::erase(m_held, easy);
}

} // namespace fetchly

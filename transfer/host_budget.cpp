#include "transfer/host_budget.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>
#include <utility>

namespace fetchly {

namespace {

struct CurlUrlDeleter {
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};

std::string urlPart(CURLU *url, CURLUPart part, unsigned flags)
{
    char *text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text)
        return {};
    std::string value(text);
    curl_free(text);
    return value;
}

} // namespace

std::string HostKey(const std::string &url)
{
    std::unique_ptr<CURLU, CurlUrlDeleter> parsed(curl_url());
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return {};
    std::string host = urlPart(parsed.get(), CURLUPART_HOST, 0);
    if (host.empty())
        return {};
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    const std::string port = urlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    return port.empty() ? host : host + ":" + port;
}

THostBudget::TLease::TLease(TLease &&other) noexcept
    : m_budget(std::exchange(other.m_budget, nullptr)), m_host(std::move(other.m_host))
{
}

THostBudget::TLease &THostBudget::TLease::operator=(TLease &&other) noexcept
{
    if (this != &other) {
        Release();
        m_budget = std::exchange(other.m_budget, nullptr);
        m_host = std::move(other.m_host);
    }
    return *this;
}

THostBudget::TLease::~TLease()
{
    Release();
}

void THostBudget::TLease::Release()
{
    if (m_budget)
        std::exchange(m_budget, nullptr)->release(m_host);
}

THostBudget::THostBudget(int perHost) : m_perHost(std::max(perHost, 1)) {}

THostBudget::TLease THostBudget::TryAcquire(const std::string &host)
{
    std::lock_guard lock(m_mutex);
    int &used = m_inUse[host];
    if (used >= m_perHost)
        return {};
    ++used;
    return TLease(this, host);
}

THostBudget::TLease THostBudget::Acquire(const std::string &host, const std::function<bool()> &giveUp,
                                         std::chrono::milliseconds poll)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        int &used = m_inUse[host];
        if (used < m_perHost) {
            ++used;
            return TLease(this, host);
        }
        // Asked without the lock: it may take locks of its own.
        lock.unlock();
        if (giveUp && giveUp())
            return {};
        lock.lock();
        if (m_inUse[host] >= m_perHost)
            m_freed.wait_for(lock, poll);
    }
}

int THostBudget::InUse(const std::string &host) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_inUse.find(host);
    return it == m_inUse.end() ? 0 : it->second;
}

void THostBudget::release(const std::string &host)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_inUse.find(host);
        if (it == m_inUse.end())
            return;
        if (--it->second <= 0)
            m_inUse.erase(it);
    }
    m_freed.notify_all();
}

THostBudget &ProcessHostBudget()
{
    static THostBudget budget;
    return budget;
}

} // namespace fetchly

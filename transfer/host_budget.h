#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace fetchly {

// Connections one host gets at a time from the whole process, across all
// items: what a polite downloader opens, and what servers tolerate.
inline constexpr int MaxConnectionsPerHost = 8;

// The host part that budgets count by: the host name in lower case and the
// port (the scheme's default when none is written). Empty when `url` has no
// host.
std::string HostKey(const std::string &url);

// Places on each host, handed out as leases; a lease returns its place when
// it ends. An item takes its first connection with Acquire (it waits its
// turn) and each extra connection with TryAcquire (it does without), so the
// extra connections of all items share one budget.
class THostBudget {
public:
    class TLease {
    public:
        TLease() = default;
        TLease(TLease &&other) noexcept;
        TLease &operator=(TLease &&other) noexcept;
        ~TLease();
        explicit operator bool() const { return m_budget != nullptr; }
        void Release();

    private:
        friend class THostBudget;
        TLease(THostBudget *budget, std::string host) : m_budget(budget), m_host(std::move(host)) {}
        THostBudget *m_budget = nullptr;
        std::string m_host;
    };

    explicit THostBudget(int perHost = MaxConnectionsPerHost);
    THostBudget(const THostBudget &) = delete;
    THostBudget &operator=(const THostBudget &) = delete;

    // A place on `host` now, or an empty lease when all are taken.
    TLease TryAcquire(const std::string &host);
    // Waits for a place; an empty lease once `giveUp` holds (it is asked at
    // least every `poll`, e.g. for a cancelled run).
    TLease Acquire(const std::string &host, const std::function<bool()> &giveUp,
                   std::chrono::milliseconds poll = std::chrono::milliseconds(50));
    int InUse(const std::string &host) const;

private:
    void release(const std::string &host);

    const int m_perHost;
    mutable std::mutex m_mutex;
    std::condition_variable m_freed;
    std::map<std::string, int> m_inUse;
};

// The process's budget, MaxConnectionsPerHost for every host.
THostBudget &ProcessHostBudget();

} // namespace fetchly

#pragma once

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace fetchly {

// A curl share of DNS results, TLS sessions and idle connections that any
// number of threads may use at once: each kind of shared data has a mutex
// of its own, so a DNS lookup never waits for the connection pool.
class TCurlShare {
public:
    TCurlShare();
    // Closes the pooled connections. Every easy handle that used the share
    // must be gone by now.
    ~TCurlShare();
    TCurlShare(const TCurlShare &) = delete;
    TCurlShare &operator=(const TCurlShare &) = delete;

    // Null when curl could not make the share.
    CURLSH *Handle() const { return m_share; }

private:
    static void lock(CURL *, curl_lock_data data, curl_lock_access, void *self);
    static void unlock(CURL *, curl_lock_data data, void *self);
    std::mutex &mutexFor(curl_lock_data data);

    std::mutex m_mutexes[CURL_LOCK_DATA_LAST];
    CURLSH *m_share = nullptr;
};

// How many connections the shared pool keeps, busy and idle together. Set
// on every multi handle and easy handle that uses the share: curl prunes
// the pool down to the limit of whichever handle returns a connection, and
// its default (four per easy handle of a multi, five for a lone easy
// handle) would close the idle connections of the other engines.
inline constexpr long PooledConnections = 200;

// Once per process; not thread-safe on older libcurl, so everything that
// makes curl handles calls this first.
void CurlGlobalInit();

// The process's share, held by every session (and by a scheduler for the
// whole of its run), so all transfers going on share one pool: a list of
// files from one host opens few connections, whichever engine or thread
// fetches them. When the last holder lets go the share ends and its idle
// connections close, so an idle program keeps no sockets open; the next
// holder gets a fresh one.
std::shared_ptr<TCurlShare> ProcessCurlShare();

} // namespace fetchly

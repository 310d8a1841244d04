#pragma once

#include <curl/curl.h>
#include <mutex>

namespace fetchly {

// A curl share of DNS results, TLS sessions and idle connections that any
// number of threads may use at once: each kind of shared data has a mutex
// of its own, so a DNS lookup never waits for the connection pool.
class TCurlShare {
public:
    TCurlShare();
    // Every easy handle that uses the share must be gone by now.
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

// Once per process; not thread-safe on older libcurl, so everything that
// makes curl handles calls this first.
void CurlGlobalInit();

// The process's one share: every transfer of every engine uses it, so a
// list of files from one host opens few connections. It lives until the
// process ends, as idle connections and handles of engines still being torn
// down at exit may refer to it.
CURLSH *ProcessCurlShare();

} // namespace fetchly

#pragma once

#include "transfer/retry_policy.h"

#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <string>

namespace fetchly {

class TCurlShare;

// How many redirects a request follows before it fails.
inline constexpr long MaxRedirects = 10;

// The network settings of a run, copied from the engine at Start.
struct TNetworkSettings {
    std::string Proxy;         // empty: the environment's proxy settings
    std::string ProxyUserID;   // sent to the proxy only
    std::string ProxyPassword; // sent to the proxy only
    bool FTPPassive = false;
    std::chrono::seconds ConnectTimeout{60};
    std::chrono::seconds StallTimeout{60};
    // Connections one HTTP download may use (1..16).
    int Connections = 8;
    // Continue a download from its part file when the server proves the
    // file unchanged.
    bool Resume = true;
    bool AskIfUnchanged = true;
    TRetrySettings Retry;
};

struct CurlMultiDeleter {
    void operator()(CURLM *handle) const { curl_multi_cleanup(handle); }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

struct CurlEasyDeleter {
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// The Internet session of one run: the process's curl share (connections,
// DNS, TLS sessions; see curl_share.h), the run's multi handle and the
// settings every transfer handle gets.
class TFetchSession {
public:
    explicit TFetchSession(TNetworkSettings settings);
    ~TFetchSession();
    TFetchSession(const TFetchSession &) = delete;
    TFetchSession &operator=(const TFetchSession &) = delete;

    bool IsOpen() const;
    const TNetworkSettings &Settings() const { return m_settings; }

    // A new easy handle with the session's common options: agent
    // "Fetchly", share, proxy (with its credentials), connect timeout,
    // redirects, TLS verification, signal-free. Null when curl fails. Add a
    // TTransferWatch for cancel and the stall limit.
    CurlEasy NewHandle() const;
    // The run's one multi handle: every connection of a download is driven
    // by it on the worker thread. Null when curl fails.
    CURLM *Multi() const { return m_multi.get(); }

private:
    TNetworkSettings m_settings;
    std::shared_ptr<TCurlShare> m_share;
    CurlMulti m_multi;
};

} // namespace fetchly

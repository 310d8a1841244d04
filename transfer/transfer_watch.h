#pragma once

#include "transfer/fetch_run.h"
#include "transfer/rate_gate.h"

#include <chrono>
#include <curl/curl.h>
#include <string>

namespace fetchly {

// Watches a running curl transfer: ends it when the run is cancelled, and
// when no byte has moved in either direction for the stall limit (the
// session's StallTimeout). It also keeps curl's own account of a failure.
// Install it on a handle before curl_easy_perform; it must outlive the
// perform.
class TTransferWatch {
public:
    explicit TTransferWatch(TFetchRun &run);
    ~TTransferWatch();
    TTransferWatch(const TTransferWatch &) = delete;
    TTransferWatch &operator=(const TTransferWatch &) = delete;

    void Install(CURL *handle);
    // The process's rate limit, drawn on for a chunk of `bytes` the
    // installed handle received. While the limit holds the transfer back its
    // silence is ours, not the server's: the stall clock stands still.
    // Admit is for a multi loop (false: return CURL_WRITEFUNC_PAUSE); Take
    // blocks the transfer's own thread, false once the run is cancelled.
    bool Admit(TRateGate &gate, std::size_t bytes);
    bool Take(std::size_t bytes);
    bool Stalled() const { return m_stalled; }
    bool Cancelled() const { return m_cancelled; }
    // Why the perform that ended with `code` failed, in the words a user
    // can act on; empty for CURLE_OK.
    std::string Reason(CURLcode code) const;

private:
    static int onProgress(void *self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);

    TFetchRun &m_run;
    CURL *m_handle = nullptr;
    std::chrono::steady_clock::duration m_limit;
    std::chrono::steady_clock::time_point m_lastMove;
    curl_off_t m_lastBytes = -1;
    bool m_held = false;
    bool m_stalled = false;
    bool m_cancelled = false;
    char m_error[CURL_ERROR_SIZE] = {};
};

} // namespace fetchly

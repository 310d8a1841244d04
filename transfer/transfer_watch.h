#pragma once

#include "transfer/fetch_run.h"

#include <chrono>
#include <curl/curl.h>

namespace fetchly {

// Watches a running curl transfer: ends it when the run is cancelled, and
// when no byte has moved in either direction for the stall limit (the
// session's StallTimeout). Install it on a handle before curl_easy_perform;
// it must outlive the perform.
class TTransferWatch {
public:
    explicit TTransferWatch(TFetchRun &run);
    void Install(CURL *handle);
    bool Stalled() const { return m_stalled; }
    bool Cancelled() const { return m_cancelled; }

private:
    static int onProgress(void *self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                          curl_off_t ulnow);

    TFetchRun &m_run;
    std::chrono::steady_clock::duration m_limit;
    std::chrono::steady_clock::time_point m_lastMove;
    curl_off_t m_lastBytes = -1;
    bool m_stalled = false;
    bool m_cancelled = false;
};

} // namespace fetchly

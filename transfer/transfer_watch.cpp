#include "transfer/transfer_watch.h"

namespace fetchly {

TTransferWatch::TTransferWatch(TFetchRun &run)
    : m_run(run), m_limit(run.Network().StallTimeout), m_lastMove(std::chrono::steady_clock::now())
{
}

void TTransferWatch::Install(CURL *handle)
{
    m_lastMove = std::chrono::steady_clock::now();
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TTransferWatch::onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
}

int TTransferWatch::onProgress(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto &w = *static_cast<TTransferWatch *>(self);
    if (w.m_run.Cancelled()) {
        w.m_cancelled = true;
        return 1;
    }
    const auto now = std::chrono::steady_clock::now();
    const curl_off_t bytes = dlnow + ulnow;
    if (bytes != w.m_lastBytes) {
        w.m_lastBytes = bytes;
        w.m_lastMove = now;
    } else if (now - w.m_lastMove >= w.m_limit) {
        w.m_stalled = true;
        return 1;
    }
    return 0;
}

} // namespace fetchly

#include "transfer/transfer_watch.h"

#include <cstring>

namespace fetchly {

TTransferWatch::TTransferWatch(TFetchRun &run)
    : m_run(run), m_limit(run.Network().StallTimeout), m_lastMove(std::chrono::steady_clock::now())
{
}

TTransferWatch::~TTransferWatch()
{
    // The handle may outlive the watch (an FTP connection is reused); it
    // must not write into a buffer that is gone.
    if (m_handle)
        curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, nullptr);
}

void TTransferWatch::Install(CURL *handle)
{
    m_handle = handle;
    m_lastMove = std::chrono::steady_clock::now();
    m_error[0] = '\0';
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TTransferWatch::onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
}

bool TTransferWatch::Admit(TRateGate &gate, std::size_t bytes)
{
    m_held = !gate.Admit(m_handle, bytes);
    if (!m_held)
        m_lastMove = std::chrono::steady_clock::now();
    return !m_held;
}

bool TTransferWatch::Take(std::size_t bytes)
{
    m_held = true;
    const bool taken = ProcessRateLimiter().Take(bytes, [this] { return m_run.Cancelled(); });
    m_held = false;
    m_lastMove = std::chrono::steady_clock::now();
    return taken;
}

std::string TTransferWatch::Reason(CURLcode code) const
{
    if (m_stalled)
        return "Operation timed out after " +
               std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(m_limit).count()) + " ms";
    if (code == CURLE_OK)
        return {};
    if (code == CURLE_TOO_MANY_REDIRECTS)
        return "too many redirects (more than " + std::to_string(MaxRedirects) + ")";
    // curl words a refused or unreachable connection all alike; the
    // system's reason tells a closed port from a missing route.
    long osError = 0;
    if (code == CURLE_COULDNT_CONNECT && m_handle &&
        curl_easy_getinfo(m_handle, CURLINFO_OS_ERRNO, &osError) == CURLE_OK && osError != 0)
        return std::strerror(static_cast<int>(osError));
    if (m_error[0] != '\0')
        return m_error;
    return curl_easy_strerror(code);
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
    if (bytes != w.m_lastBytes || w.m_held) {
        w.m_lastBytes = bytes;
        w.m_lastMove = now;
    } else if (now - w.m_lastMove >= w.m_limit) {
        w.m_stalled = true;
        return 1;
    }
    return 0;
}

} // namespace fetchly

#include "transfer/curl_share.h"

namespace fetchly {

TCurlShare::TCurlShare()
{
    CurlGlobalInit();
    m_share = curl_share_init();
    if (!m_share)
        return;
    const bool ok = curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &TCurlShare::lock) == CURLSHE_OK &&
                    curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &TCurlShare::unlock) == CURLSHE_OK &&
                    curl_share_setopt(m_share, CURLSHOPT_USERDATA, this) == CURLSHE_OK;
    if (!ok) {
        // Without locks a share used from several threads corrupts itself:
        // better no share at all.
        curl_share_cleanup(m_share);
        m_share = nullptr;
        return;
    }
    // Each kind is optional: a libcurl without one still shares the others.
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
}

TCurlShare::~TCurlShare()
{
    if (m_share)
        curl_share_cleanup(m_share);
}

std::mutex &TCurlShare::mutexFor(curl_lock_data data)
{
    const int i = static_cast<int>(data);
    // Kinds a newer libcurl might add share the first mutex rather than
    // indexing past the array.
    return m_mutexes[i > 0 && i < CURL_LOCK_DATA_LAST ? i : 0];
}

void TCurlShare::lock(CURL *, curl_lock_data data, curl_lock_access, void *self)
{
    static_cast<TCurlShare *>(self)->mutexFor(data).lock();
}

void TCurlShare::unlock(CURL *, curl_lock_data data, void *self)
{
    static_cast<TCurlShare *>(self)->mutexFor(data).unlock();
}

void CurlGlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::shared_ptr<TCurlShare> ProcessCurlShare()
{
    static std::mutex mutex;
    static std::weak_ptr<TCurlShare> current;
    std::lock_guard lock(mutex);
    auto share = current.lock();
    if (!share) {
        share = std::make_shared<TCurlShare>();
        current = share;
    }
    return share;
}

} // namespace fetchly

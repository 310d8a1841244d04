#include "transfer/fetch_session.h"

#include "transfer/curl_share.h"

namespace fetchly {

TFetchSession::TFetchSession(TNetworkSettings settings)
    : m_settings(std::move(settings)), m_share(ProcessCurlShare())
{
    m_multi.reset(curl_multi_init());
    if (m_multi)
        curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, PooledConnections);
}

TFetchSession::~TFetchSession() = default;

bool TFetchSession::IsOpen() const
{
    return m_share->Handle() != nullptr;
}

CurlEasy TFetchSession::NewHandle() const
{
    CurlEasy easy(curl_easy_init());
    if (!easy)
        return easy;
    CURL *h = easy.get();
    if (m_share->Handle())
        curl_easy_setopt(h, CURLOPT_SHARE, m_share->Handle());
    curl_easy_setopt(h, CURLOPT_MAXCONNECTS, PooledConnections);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Fetchly");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, MaxRedirects);
    // Credentials written in a URL never travel to the host a redirect
    // points to (libcurl's default, stated here on purpose).
    curl_easy_setopt(h, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.ConnectTimeout.count()));
    // The stall limit itself is watched by TTransferWatch (transfer_watch.h);
    // curl's low-speed check averages over seconds and reacts late.
    // Without Proxy libcurl takes the environment's proxy settings.
    if (!m_settings.Proxy.empty())
        curl_easy_setopt(h, CURLOPT_PROXY, m_settings.Proxy.c_str());
    // Proxy credentials go to whichever proxy is used, never to the origin.
    if (!m_settings.ProxyUserID.empty() && !m_settings.ProxyPassword.empty()) {
        curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, m_settings.ProxyUserID.c_str());
        curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, m_settings.ProxyPassword.c_str());
        curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
    return easy;
}

} // namespace fetchly

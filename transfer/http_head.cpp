#include "transfer/http_head.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <strings.h>

namespace fetchly {

namespace {

// Header values longer than this are not anything a download uses.
constexpr std::size_t kValueLimit = 1024;

std::string trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

bool readNumber(const std::string &text, std::size_t &at, TFetchSize &out)
{
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return false;
    const char *begin = text.c_str() + at;
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (errno != 0)
        return false;
    at += static_cast<std::size_t>(end - begin);
    out = value;
    return true;
}

} // namespace

void THttpHead::Install(CURL *handle)
{
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &THttpHead::onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
}

std::size_t THttpHead::onHeader(char *data, std::size_t size, std::size_t count, void *self)
{
    static_cast<THttpHead *>(self)->take(std::string(data, size * count));
    return size * count;
}

void THttpHead::take(const std::string &line)
{
    if (line.rfind("HTTP/", 0) == 0) {
        Clear();
        return;
    }
    const auto colon = line.find(':');
    if (colon == std::string::npos)
        return;
    const std::string name = line.substr(0, colon);
    const std::string value = trimmed(line.substr(colon + 1));
    if (value.size() > kValueLimit)
        return;
    if (strcasecmp(name.c_str(), "ETag") == 0) {
        // A weak tag cannot prove byte-equal content; such a server is
        // asked with its date instead.
        m_etag = value.rfind("W/", 0) == 0 ? std::string() : value;
    } else if (strcasecmp(name.c_str(), "Last-Modified") == 0) {
        m_lastModified = value;
    } else if (strcasecmp(name.c_str(), "Content-Range") == 0) {
        m_contentRange = value;
    } else if (strcasecmp(name.c_str(), "Retry-After") == 0) {
        m_retryAfter = value;
    } else if (strcasecmp(name.c_str(), "Content-Encoding") == 0) {
        m_contentEncoding = value;
    }
}

std::optional<TContentRange> THttpHead::ContentRange() const
{
    const std::string &t = m_contentRange;
    if (strncasecmp(t.c_str(), "bytes ", 6) != 0)
        return std::nullopt;
    TContentRange r;
    std::size_t at = 6;
    if (!readNumber(t, at, r.First) || at >= t.size() || t[at++] != '-' || !readNumber(t, at, r.Last) ||
        at >= t.size() || t[at++] != '/' || !readNumber(t, at, r.Total) || at != t.size())
        return std::nullopt;
    if (r.First > r.Last || r.Last >= r.Total)
        return std::nullopt;
    return r;
}

std::optional<TFetchSize> THttpHead::UnsatisfiedTotal() const
{
    const std::string &t = m_contentRange;
    TFetchSize total = 0;
    std::size_t at = 8;
    if (strncasecmp(t.c_str(), "bytes */", 8) != 0 || !readNumber(t, at, total) || at != t.size())
        return std::nullopt;
    return total;
}

bool THttpHead::IdentityCoded() const
{
    return m_contentEncoding.empty() || strcasecmp(m_contentEncoding.c_str(), "identity") == 0;
}

} // namespace fetchly

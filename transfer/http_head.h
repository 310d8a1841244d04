#pragma once

#include "transfer/fetch_types.h"

#include <curl/curl.h>
#include <optional>
#include <string>

namespace fetchly {

// A byte range a 206 answer says it carries: "bytes First-Last/Total".
struct TContentRange {
    TFetchSize First = 0;
    TFetchSize Last = 0;
    TFetchSize Total = 0;
};

// The head of the last response an easy handle received: what a download
// needs to validate, continue and retry. The heads of redirects are dropped
// as the next response begins.
class THttpHead {
public:
    void Install(CURL *handle);
    void Clear() { *this = THttpHead(); }

    const std::string &RetryAfter() const { return m_retryAfter; }
    // "bytes a-b/n" with a <= b < n; nothing when missing or malformed.
    std::optional<TContentRange> ContentRange() const;
    // The n of "bytes */n", the size a 416 answer gives.
    std::optional<TFetchSize> UnsatisfiedTotal() const;
    // True when the body comes as it is (no Content-Encoding but identity).
    bool IdentityCoded() const;
    // How a later request proves it wants this very version: a strong ETag,
    // else the Last-Modified date; "" when the server gave neither.
    const std::string &Validator() const { return m_etag.empty() ? m_lastModified : m_etag; }

private:
    static std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *self);
    void take(const std::string &line);

    std::string m_etag, m_lastModified, m_contentRange, m_retryAfter, m_contentEncoding;
};

} // namespace fetchly

#pragma once

#include <string>
#include <string_view>
#include <vector>

// Extra request headers that a download carries from the browser (its
// cookies, referrer and user agent). Plain std types, so the value can be
// handed on unchanged to the transfer items that send them. These headers
// are secrets: they live only in memory and are never written to a file, a
// log or any text shown.
namespace fetchly {

struct TRequestHeader {
    std::string Name;
    std::string Value;
    bool operator==(const TRequestHeader &) const = default;
};

using TRequestHeaders = std::vector<TRequestHeader>;

// Why a header could not be sent as it stands (a name that is not an HTTP
// token, a CR, LF or NUL in its value, which would let it smuggle a header
// of its own), or an empty text when every header is fine. The message
// names the header, never its value.
std::string RequestHeadersProblem(const TRequestHeaders &headers);

// True for the headers a browser hands over with a download (Cookie,
// Referer, User-Agent, letters in any case): the only ones a download sends
// from outside, so none can take the place of the headers it sets itself.
bool IsBrowserHeader(std::string_view name);

// True when `name` (UTF-8) can be a file's name in the target folder as it
// stands: no folder part, no control characters, not "." or "..". A name
// handed over from outside (the browser's choice) is used only when it is.
bool IsPlainFileName(std::string_view name);

} // namespace fetchly

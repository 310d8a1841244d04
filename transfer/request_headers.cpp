#include "transfer/request_headers.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace fetchly {

namespace {

// The characters of an HTTP field name (a "token").
bool isTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool breaksTheLine(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

} // namespace

std::string RequestHeadersProblem(const TRequestHeaders &headers)
{
    for (const TRequestHeader &header : headers) {
        if (header.Name.empty())
            return "a header has no name";
        for (char c : header.Name) {
            // The name is not repeated: it may hold the very line break.
            if (!isTokenChar(c))
                return "a header name holds a character that is not allowed in it";
        }
        for (char c : header.Value) {
            if (breaksTheLine(c))
                return "the header " + header.Name + " holds a line break or NUL";
        }
    }
    return {};
}

bool IsPlainFileName(std::string_view name)
{
    if (name == "." || name == "..")
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

bool IsBrowserHeader(std::string_view name)
{
    for (std::string_view known : {"Cookie", "Referer", "User-Agent"}) {
        if (name.size() == known.size() &&
            std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
}

} // namespace fetchly

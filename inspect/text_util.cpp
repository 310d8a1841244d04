#include "inspect/text_util.h"

#include <cstdint>
#include <cstdio>

namespace fetchly::inspect {
namespace {

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void appendUtf8(std::string &out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid
// (overlong forms, surrogates and values above U+10FFFF are invalid).
std::size_t decodeUtf8(std::string_view s, std::size_t i, uint32_t &cp)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    uint32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - i < len)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

// Windows-1252 codes 0x80..0x9F.
constexpr uint16_t Cp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                     0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

bool isInvisible(uint32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x00AD || cp == 0x061C || cp == 0x180E ||
           (cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E) ||
           (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB);
}

} // namespace

std::string toLowerAscii(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = lowerAscii(c);
    return out;
}

std::string toUpperAscii(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view trimControls(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.remove_suffix(1);
    return s;
}

bool isValidUtf8(std::string_view s)
{
    uint32_t cp;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = decodeUtf8(s, i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    for (char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            appendUtf8(out, Cp1252High[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::string ToUtf8(std::string_view bytes)
{
    return isValidUtf8(bytes) ? std::string(bytes) : cp1252ToUtf8(bytes);
}

std::string EscapeInvisible(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    uint32_t cp;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = decodeUtf8(utf8, i, cp);
        if (len == 0) { // not expected after ToUtf8; never pass a broken byte on
            cp = 0xFFFD;
            len = 1;
        }
        if (isInvisible(cp)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "<U+%04X>", static_cast<unsigned>(cp));
            out += buf;
        } else if (cp == 0xFFFD && len == 1) {
            appendUtf8(out, cp);
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    return out;
}

std::string DisplayText(std::string_view bytes)
{
    return EscapeInvisible(ToUtf8(bytes));
}

std::string CutCharacters(std::string_view s, std::size_t count)
{
    if (s.size() <= count)
        return std::string(s);
    if (!isValidUtf8(s))
        return std::string(s.substr(0, count));
    uint32_t cp;
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < s.size(); ++n)
        i += decodeUtf8(s, i, cp);
    return std::string(s.substr(0, i));
}

std::string FileNamePart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace fetchly::inspect

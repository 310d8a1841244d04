#include "inspect/exif_values.h"

#include "inspect/byte_view.h"
#include "inspect/exif_tables.h"
#include "inspect/text_util.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace fetchly::inspect {
namespace {

bool parseNumber(std::string_view s, double &out)
{
    s = trimBlanks(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || s.find_first_not_of("0123456789.-") != std::string_view::npos)
        return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size();
}

uint64_t bytesToUnsigned(std::string_view bytes, bool bigEndian)
{
    uint64_t v = 0;
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[bigEndian ? i : n - 1 - i]);
    return v;
}

} // namespace

int32_t BytesToInt(std::string_view bytes, bool bigEndian)
{
    return static_cast<int32_t>(ByteView(bytes, bigEndian).uint(0, bytes.size()));
}

std::string FormatValue(std::string_view raw, int format, std::string_view decodeList,
                        std::string_view formatText, bool bigEndian)
{
    const int size = FormatSize(format);
    if (size == 0)
        return "0";
    const std::size_t count = std::min<std::size_t>(raw.size() / static_cast<std::size_t>(size), 8);
    std::string text;
    char buf[512]; // room for the widest double "%5.2f" can print
    for (std::size_t i = 0; i < count; ++i) {
        if (!text.empty())
            text += ListSeparator;
        const std::string_view chunk =
            raw.substr(i * static_cast<std::size_t>(size), static_cast<std::size_t>(size));
        switch (format) {
        case 5:
        case 10:
            std::snprintf(buf, sizeof buf, "%d/%d", BytesToInt(chunk.substr(0, 4), bigEndian),
                          BytesToInt(chunk.substr(4, 4), bigEndian));
            text += buf;
            if (!decodeList.empty())
                text += DecodeCode(decodeList, text);
            break;
        case 11:
        case 12:
            text += "-9999.99";
            break;
        case 2:
        case 7:
            text += "?";
            break;
        default: {
            const std::string number = std::to_string(BytesToInt(chunk, bigEndian));
            if (!decodeList.empty() && DecodeEnabled)
                text += DecodeCode(decodeList, number);
            else
                text += number;
        }
        }
    }
    if (!formatText.empty()) {
        const std::size_t at = formatText.find("%s");
        if (at != std::string_view::npos) {
            text = std::string(formatText.substr(0, at)) + text + std::string(formatText.substr(at + 2));
        } else {
            // Only the tables' own patterns get here, each with one float conversion.
            const std::string pattern(formatText);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            std::snprintf(buf, sizeof buf, pattern.c_str(), ValueAsFloat(raw, format, bigEndian));
#pragma GCC diagnostic pop
            text = buf;
        }
    }
    return text;
}

double ValueAsFloat(std::string_view raw, int format, bool bigEndian)
{
    switch (format) {
    case 1:
    case 3:
    case 4:
    case 6:
    case 8:
    case 9:
        return BytesToInt(raw, bigEndian);
    case 5:
    case 10: {
        const int32_t den = BytesToInt(raw.substr(std::min<std::size_t>(4, raw.size()), 4), bigEndian);
        if (den == 0)
            return 0;
        return static_cast<double>(BytesToInt(raw.substr(0, 4), bigEndian)) / den;
    }
    case 11:
        if (raw.size() < 4)
            return 0;
        return std::bit_cast<float>(static_cast<uint32_t>(bytesToUnsigned(raw.substr(0, 4), bigEndian)));
    case 12:
        if (raw.size() < 8)
            return 0;
        return std::bit_cast<double>(bytesToUnsigned(raw.substr(0, 8), bigEndian));
    default:
        return 0;
    }
}

std::string DecodeCode(std::string_view list, std::string_view key)
{
    const std::string needle = std::string(CodeSeparator) + std::string(trimBlanks(key)) + ":";
    const std::string haystack = std::string(CodeSeparator) + std::string(list) + std::string(CodeSeparator);
    const std::size_t at = haystack.find(needle);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + needle.size();
    const std::size_t end = haystack.find(CodeSeparator, start);
    return haystack.substr(start, end - start);
}

std::string Printable(std::string_view text)
{
    std::string out = CutCharacters(text, 50);
    for (char &c : out)
        if (static_cast<unsigned char>(c) < 32)
            c = '.';
    return out;
}

double ParseFraction(std::string_view text)
{
    text = trimBlanks(text);
    double whole = 0;
    const std::size_t blank = text.find(' ');
    if (blank != std::string_view::npos) {
        if (!parseNumber(text.substr(0, blank), whole))
            return 0;
        text = text.substr(blank + 1);
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return 0;
    double num = 0;
    double den = 0;
    if (!parseNumber(text.substr(0, slash), num) || !parseNumber(text.substr(slash + 1), den) || den == 0)
        return 0;
    return (whole * den + num) / den;
}

} // namespace fetchly::inspect

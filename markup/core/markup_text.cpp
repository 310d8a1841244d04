#include "markup/core/markup_text.h"

#include <array>
#include <climits>

namespace fetchly::markup {

namespace {

char UpperChar(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

struct Entity {
    std::string_view name;
    std::string_view text;
};

// The entities replaced before layout; the characters are those of the
// Windows-1252 code page, written here in UTF-8.
constexpr std::array<Entity, 9> kEntities{{
    {"&amp;", "&&"},
    {"&quot;", "\""},
    {"&sect;", "\xC2\xA7"},
    {"&permil;", "\xE2\x80\xB0"},
    {"&reg;", "\xC2\xAE"},
    {"&copy;", "\xC2\xA9"},
    {"&para;", "\xC2\xB6"},
    {"&trade;", "\xE2\x84\xA2"},
    {"&euro;", "\xE2\x82\xAC"},
}};

bool IsAsciiLetter(char c)
{
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

// Every name is "&", lower-case letters and ";": `rest` starts with the part
// after the "&", letters in any case.
bool NameFollows(std::string_view rest, std::string_view name)
{
    name.remove_prefix(1);
    if (rest.size() < name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = rest[i];
        // Setting bit 5 lowers exactly the ASCII capitals among letters.
        if (name[i] == ';' ? c != ';' : static_cast<char>(c | 0x20) != name[i])
            return false;
    }
    return true;
}

// The entity whose name follows an "&" at the front of `rest` ("amp;" for
// "&amp;"), or null.
const Entity *EntityAfterAmpersand(std::string_view rest)
{
    if (rest.empty() || !IsAsciiLetter(rest[0]))
        return nullptr;
    const char first = static_cast<char>(rest[0] | 0x20);
    for (const Entity &entity : kEntities) {
        if (entity.name[1] == first && NameFollows(rest, entity.name))
            return &entity;
    }
    return nullptr;
}

// Replaces the entities until none is left, in one pass. Names hold no "&",
// so occurrences never overlap and the order of replacement does not change
// the result; only "&amp;" gives an "&" that can start another entity with
// the text after it ("&amp;quot;" ends as "&\""), so that "&" is carried on.
std::string ReplaceEntities(std::string_view text)
{
    const Entity *const amp = &kEntities[0];
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0; // text[copied, at) is still to be copied
    const auto nextAmpersand = [text](std::size_t from) {
        // Entities often follow each other: look before searching.
        return from < text.size() && text[from] == '&' ? from : text.find('&', from);
    };
    for (std::size_t at = nextAmpersand(0); at != std::string_view::npos; at = nextAmpersand(at)) {
        if (at > copied)
            out.append(text, copied, at - copied);
        std::size_t pos = at + 1;
        const Entity *entity = EntityAfterAmpersand(text.substr(pos));
        while (entity == amp) {
            out += '&';
            pos += entity->name.size() - 1;
            entity = EntityAfterAmpersand(text.substr(pos));
        }
        if (entity) {
            out.append(entity->text);
            pos += entity->name.size() - 1;
        } else {
            out += '&'; // the "&" found or carried stands as it is
        }
        copied = at = pos;
    }
    out.append(text, copied, std::string_view::npos);
    return out;
}

constexpr std::array<Entity, 3> kLayoutEntities{{
    {"&nbsp;", " "},
    {"&lt;", "<"},
    {"&gt;", ">"},
}};

// The layout entity at the front of `rest`, or null.
const Entity *LayoutEntityAt(std::string_view rest)
{
    rest.remove_prefix(1);
    for (const Entity &entity : kLayoutEntities)
        if (NameFollows(rest, entity.name))
            return &entity;
    return nullptr;
}

void ReplaceAllNoCase(std::string &text, std::string_view from, std::string_view to)
{
    std::size_t pos = FindNoCase(text, from);
    if (pos == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t last = 0;
    while (pos != std::string::npos) {
        out.append(text, last, pos - last);
        out.append(to);
        last = pos + from.size();
        pos = FindNoCase(text, from, last);
    }
    out.append(text, last, std::string::npos);
    text = std::move(out);
}

} // namespace

std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = UpperChar(c);
    return out;
}

std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from)
{
    if (needle.empty())
        return from <= haystack.size() ? from : std::string_view::npos;
    if (needle.size() > haystack.size())
        return std::string_view::npos;
    const char first = UpperChar(needle[0]);
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (UpperChar(haystack[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < needle.size() && UpperChar(haystack[i + k]) == UpperChar(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (UpperChar(text[i]) != UpperChar(prefix[i]))
            return false;
    }
    return true;
}

int LeadingInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1;
        ++i;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

std::optional<int> WholeInt(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string StripMarkup(std::string_view markup)
{
    std::string text(markup);
    ReplaceAllNoCase(text, "<BR>", "\r\n");
    ReplaceAllNoCase(text, "<HR>", "\r\n");

    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lt = text.find('<', pos);
        if (lt == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, lt - pos);
        const std::size_t gt = text.find('>', lt);
        if (gt == std::string::npos) {
            out.append(text, lt, std::string::npos);
            break;
        }
        pos = gt + 1;
    }
    return out;
}

std::string PrepareMarkupText(std::string_view markup)
{
    std::string text = ReplaceEntities(markup);

    const std::size_t hash = text.find("<#");
    if (hash != std::string::npos) {
        const std::size_t gt = text.find('>', hash);
        if (gt != std::string::npos)
            text.erase(gt, 1);
        text.erase(hash, 1);
    }

    if (text.find_first_of("\r\n") != std::string::npos) {
        std::string out;
        out.reserve(text.size() + 16);
        for (char c : text) {
            if (c == '\r')
                out += "<BR>";
            else if (c != '\n')
                out += c;
        }
        text = std::move(out);
    }
    return text;
}

std::string ReplaceLayoutEntities(std::string_view segment)
{
    // One pass: the replacements hold no "&" and the names no second one, so
    // no replacement can make or hide another.
    const std::size_t first = segment.find('&');
    if (first == std::string_view::npos)
        return std::string(segment);
    std::string text;
    text.reserve(segment.size());
    std::size_t copied = 0; // segment[copied, i) is still to be copied
    for (std::size_t i = first; i < segment.size(); ++i) {
        // Every name has a letter after its "&".
        if (segment[i] != '&' || i + 1 == segment.size() || !IsAsciiLetter(segment[i + 1]))
            continue;
        const Entity *entity = LayoutEntityAt(segment.substr(i));
        if (!entity)
            continue;
        text.append(segment, copied, i - copied);
        text.append(entity->text);
        copied = i + entity->name.size();
        i = copied - 1;
    }
    text.append(segment, copied, std::string_view::npos);
    return text;
}

std::string StripMnemonic(std::string_view text, std::size_t *underline)
{
    if (underline)
        *underline = std::string::npos;
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            break;
        ++i;
        if (text[i] != '&' && underline)
            *underline = out.size();
        out += text[i];
    }
    return out;
}

} // namespace fetchly::markup

#include "markup/core/markup_color.h"

#include <array>
#include <cctype>
#include <string>

namespace fetchly::markup {

namespace {

struct NamedColor {
    std::string_view name;
    TColor value;
};

// The colour names of the markup: the sixteen plain colours first, then the
// system colours (0x800000nn, nn = the index in the platform's colour table).
constexpr std::array<NamedColor, 40> kColorNames{{
    {"clred", 0x0000FF},
    {"clblack", 0x000000},
    {"clblue", 0xFF0000},
    {"clgreen", 0x008000},
    {"claqua", 0xFFFF00},
    {"clyellow", 0x00FFFF},
    {"clfuchsia", 0xFF00FF},
    {"clwhite", 0xFFFFFF},
    {"cllime", 0x00FF00},
    {"clsilver", 0xC0C0C0},
    {"clgray", 0x808080},
    {"clolive", 0x008080},
    {"clnavy", 0x800000},
    {"clpurple", 0x800080},
    {"clteal", 0x808000},
    {"clmaroon", 0x000080},
    {"clbackground", 0x80000001},
    {"clactivecaption", 0x80000002},
    {"clinactivecaption", 0x80000003},
    {"clmenu", 0x80000004},
    {"clwindow", 0x80000005},
    {"clwindowframe", 0x80000006},
    {"clmenutext", 0x80000007},
    {"clwindowtext", 0x80000008},
    {"clcaptiontext", 0x80000009},
    {"clactiveborder", 0x8000000A},
    {"clinactiveborder", 0x8000000B},
    {"clappworkspace", 0x8000000C},
    {"clhighlight", 0x8000000D},
    {"clhighlighttext", 0x8000000E},
    {"clbtnface", 0x8000000F},
    {"clbtnshadow", 0x80000010},
    {"clgraytext", 0x80000011},
    {"clbtntext", 0x80000012},
    {"clinactivecaptiontext", 0x80000013},
    {"clbtnhighlight", 0x80000014},
    {"cl3ddkshadow", 0x80000015},
    {"cl3dlight", 0x80000016},
    {"clinfotext", 0x80000017},
    {"clinfobk", 0x80000018},
}};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    // Values in markup arrive upper-cased; direct callers may write lower case.
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The hex pair starting at `pos` (0-based), or 0 when it is short or not hex.
int HexPair(std::string_view value, std::size_t pos)
{
    if (pos + 2 > value.size())
        return 0;
    const int hi = HexDigit(value[pos]);
    const int lo = HexDigit(value[pos + 1]);
    if (hi < 0 || lo < 0)
        return 0;
    return hi * 16 + lo;
}

} // namespace

TColor ColorFromName(std::string_view name)
{
    std::string lower(name);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const NamedColor &entry : kColorNames) {
        if (entry.name == lower)
            return entry.value;
    }
    return 0;
}

TColor ColorFromHex(std::string_view value)
{
    return RgbColor(HexPair(value, 1), HexPair(value, 3), HexPair(value, 5));
}

} // namespace fetchly::markup

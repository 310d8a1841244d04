#pragma once

#include <cstdint>
#include <string_view>

namespace fetchly::markup {

// A colour value: red in bits 0-7, green in 8-15, blue in 16-23 (#RRGGBB
// becomes 0x00BBGGRR). A top byte of 0x80 names a system colour whose index is
// the low byte; the drawing surface resolves it through its palette.
using TColor = std::uint32_t;

inline constexpr TColor NoColor = 0x1FFFFFFF;
inline constexpr TColor SystemColorFlag = 0x80000000;

constexpr bool IsSystemColor(TColor c)
{
    return (c & 0xFF000000u) == SystemColorFlag;
}
constexpr int SystemColorIndex(TColor c)
{
    return static_cast<int>(c & 0xFFu);
}
constexpr TColor RgbColor(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(TColor c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(TColor c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(TColor c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// Looks the lower-cased name up in the colour-name table ("clred",
// "clhighlight", ...); an unknown name gives 0 (black).
TColor ColorFromName(std::string_view name);

// Reads "#RRGGBB": characters 2-3, 4-5 and 6-7 are the hex pairs of red,
// green and blue. A pair that is short or not hex counts as 0.
TColor ColorFromHex(std::string_view value);

} // namespace fetchly::markup

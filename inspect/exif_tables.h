#pragma once

#include "inspect/tag_record.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fetchly::inspect {

// Bytes per value of each TIFF format code (0 = no such format).
inline constexpr std::array<int, 13> BytesPerFormat = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

// Fixed settings of the EXIF reader.
inline constexpr std::string_view ListSeparator = ", ";
inline constexpr std::string_view CodeSeparator = ",";
inline constexpr std::string_view NameValueSeparator = " = ";
inline constexpr bool DecodeEnabled = true;
inline constexpr bool Estimate35mm = false;
inline constexpr int TiffReadLimit = 256000;
inline constexpr std::string_view ExifSignature{"Exif\0", 5};
inline constexpr double FilmDiagonal = 43.26661531;

// Directory kinds for FindTagEntry.
enum TagKind : int { tkMain = 1, tkGps = 2, tkThumbnail = 4 };

inline constexpr int ExifTagCount = 251; // the last row is the "Unknown" sentinel
inline constexpr int GpsTagCount = 31;

// Size in bytes of one value of `format`, 0 for codes outside the table.
int FormatSize(int format);

// The rows of both tables, in tag order; the EXIF table ends with its "Unknown"
// row. The rows and their texts are constants of the program.
std::span<const TagRow> ExifTagTable();
std::span<const TagRow> GpsTagTable();

// "MaxApertureValue" -> "Max Aperture Value": a blank before each capital
// that follows a non-capital. `put` receives the characters one by one.
template <typename Put> constexpr void SpaceWordsInto(std::string_view name, Put put)
{
    bool previousCapital = true;
    for (const char c : name) {
        const bool capital = c >= 'A' && c <= 'Z';
        if (capital && !previousCapital)
            put(' ');
        put(c);
        previousCapital = capital;
    }
}

constexpr std::size_t SpacedSize(std::string_view name)
{
    std::size_t n = 0;
    SpaceWordsInto(name, [&n](char) { ++n; });
    return n;
}

std::string SpaceWords(std::string_view name);

// The row for `tag` in the table of `kind`, or the "Unknown" row.
const TagRow &FindTagEntry(int tag, int kind);
// Row index (0..249) of the EXIF row named `name` ignoring ASCII case, or -1.
int TableIndexByName(std::string_view name);

} // namespace fetchly::inspect

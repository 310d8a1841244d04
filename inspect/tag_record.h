#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fetchly::inspect {

// Turns the display text of a tag into a friendlier one (flash bits, APEX
// shutter speed, GPS degrees...). Plain functions so the tables stay data.
using TagFormatter = std::string (*)(const std::string &value);

// One row of a tag table. The texts are constants of the program, so rows and
// the records made from them refer to them without copies.
struct TagRow {
    uint16_t Tag = 0;             // TIFF tag number; 0 in the "Unknown" row
    std::string_view Name;        // key of look-ups by name
    std::string_view Description; // human-readable name
    std::string_view DecodeList;  // "code:text,code:text" for enumerations
    std::string_view FormatText;  // printf-style pattern for the value
    TagFormatter Formatter = nullptr;
};

// One collected tag of a file: its row and its value. Byte strings hold bytes;
// display values become UTF-8 when they are collected.
struct TTagRecord : TagRow {
    TTagRecord() = default;
    explicit TTagRecord(const TagRow &row) : TagRow(row) {}

    int32_t TableId = 0;      // 0 EXIF/GPS, 1 maker note
    uint16_t ValueFormat = 0; // TIFF format code of the value
    uint16_t IptcCode = 0;    // unused outside IPTC tables
    std::string DisplayValue; // the value as shown
    std::string RawBytes;     // the value's bytes as stored
    int32_t RawPosition = 0;  // position of the bytes in the segment data, from 0
    int32_t Size = 0;         // number of raw bytes
};

} // namespace fetchly::inspect

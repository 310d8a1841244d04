#pragma once

#include <cstdint>
#include <string>

namespace fetchly::inspect {

// Turns the display text of a tag into a friendlier one (flash bits, APEX
// shutter speed, GPS degrees...). Plain functions so the tables stay data.
using TagFormatter = std::string (*)(const std::string &value);

// One row of a tag table and, filled in, one collected tag of a file. Strings
// hold bytes; display values become UTF-8 when they are collected.
struct TTagRecord {
    int32_t TableId = 0;      // 0 EXIF/GPS, 1 maker note
    uint16_t ValueFormat = 0; // TIFF format code of a collected value
    uint16_t IptcCode = 0;    // unused outside IPTC tables
    uint16_t Tag = 0;         // TIFF tag number; 0 in the "Unknown" row
    std::string Name;         // key of look-ups by name
    std::string Description;  // human-readable name
    std::string DecodeList;   // "code:text,code:text" for enumerations
    std::string DisplayValue; // collected: the value as shown
    std::string RawBytes;     // collected: the value's bytes as stored
    int32_t RawPosition = 0;  // collected: 1-based position of the bytes
    std::string FormatText;   // printf-style pattern for the value
    int32_t Size = 0;         // collected: number of raw bytes
    TagFormatter Formatter = nullptr;
};

} // namespace fetchly::inspect

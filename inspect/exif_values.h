#pragma once

#include <string>
#include <string_view>

// Conversion of the raw bytes of a TIFF directory entry into display text.
namespace fetchly::inspect {

// The bytes as one unsigned number in the given byte order, kept to 32 bits
// and returned as a signed value (no sign extension of shorter values).
int32_t BytesToInt(std::string_view bytes, bool bigEndian);
// The display text of up to 8 values of `format`.
std::string FormatValue(std::string_view raw, int format, std::string_view decodeList,
                        std::string_view formatText, bool bigEndian);
// The numeric value of the first value (integers, rationals, IEEE floats).
double ValueAsFloat(std::string_view raw, int format, bool bigEndian);
// The text of the pair `key:text` in "k:t,k:t" lists, or empty text.
std::string DecodeCode(std::string_view list, std::string_view key);
// At most 50 characters, control bytes replaced by ".".
std::string Printable(std::string_view text);
// "w n/d" or "n/d" as a number; 0 for anything else.
double ParseFraction(std::string_view text);

} // namespace fetchly::inspect

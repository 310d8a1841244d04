#pragma once

#include <string>
#include <string_view>

// Small text helpers shared by the readers. Everything read from a file is
// hostile: display text made from it goes through DisplayText.
namespace fetchly::inspect {

std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);
// Trims blanks only.
std::string_view trimBlanks(std::string_view s);
// Trims every character with a code up to 32 (blanks and control bytes).
std::string_view trimControls(std::string_view s);
// True when `s` is well-formed UTF-8.
bool isValidUtf8(std::string_view s);
// Windows-1252 bytes as UTF-8 (the five undefined codes map to U+FFFD).
std::string cp1252ToUtf8(std::string_view s);
// Bytes from a file as UTF-8: kept when they are valid UTF-8, else read as
// Windows-1252.
std::string ToUtf8(std::string_view bytes);
// Code points that could hide or reorder text on screen (controls, bidi
// embeddings and isolates, zero-width and line/paragraph separators) shown as
// "<U+XXXX>", so a name can never pretend to be something else.
std::string EscapeInvisible(std::string_view utf8);
// ToUtf8 then EscapeInvisible: what a value from a file looks like on screen.
std::string DisplayText(std::string_view bytes);
// At most `count` characters of `s`: code points when `s` is valid UTF-8,
// otherwise bytes.
std::string CutCharacters(std::string_view s, std::size_t count);
// Last component of a path ("/" separated).
std::string FileNamePart(std::string_view path);

} // namespace fetchly::inspect

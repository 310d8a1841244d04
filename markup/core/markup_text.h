#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fetchly::markup {

// The item text without its markup: "<BR>" and "<HR>" become CR LF, every
// "<...>" is removed, a "<" without a closing ">" is kept with what follows.
// Entities are left as they are.
std::string StripMarkup(std::string_view markup);

// Text preparation before layout: the entity rounds ("&amp;" becomes "&&",
// which the mnemonic rule shows as one "&"), the one "<#...>" shown as text,
// CR to "<BR>" and LF removed.
std::string PrepareMarkupText(std::string_view markup);

// The entities left for the layout: "&nbsp;", "&lt;", "&gt;" (any case).
std::string ReplaceLayoutEntities(std::string_view segment);

// The text as the mnemonic rule shows it ("&&" -> "&", "&x" -> "x", a
// trailing "&" vanishes). `underline`, when given, receives the byte offset of
// the last underlined character in the result (or npos).
std::string StripMnemonic(std::string_view text, std::size_t *underline = nullptr);

// ASCII upper case; other bytes (UTF-8 sequences) keep their place.
std::string UpperAscii(std::string_view text);
// Position of `needle` in `haystack` from `from` on, ignoring ASCII case.
std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Leading spaces skipped, an optional sign, then decimal digits up to the first
// other character; 0 when there are none. Saturates at the int range.
int LeadingInt(std::string_view text);
// The whole text is an integer (optional sign, digits, nothing else).
std::optional<int> WholeInt(std::string_view text);

} // namespace fetchly::markup

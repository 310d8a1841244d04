#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts of the download list: the link-type test and the markup lines
// that the list boxes show.
namespace fetchly {

// The link types every start begins with, in their designed order.
const std::vector<std::string> &DefaultLinkTypes();

// The extension IsAcceptedLink tests: from the last "." of the URL to its
// end, empty when a "\" or ":" follows that dot. An http, https or ftp URL
// is taken without its query and fragment; a "/" does not end the search,
// so the extension may hold slashes.
std::string_view LinkExtension(std::string_view url);

// True when an item of `linkTypes` equals the URL's extension, letters
// compared without regard to case. An empty extension is never accepted.
bool IsAcceptedLink(std::string_view url, const std::vector<std::string> &linkTypes);

// A URL as it becomes a list key: "<" and ">" percent-encoded (%3C, %3E),
// so no key holds the "=<" at which a list line is split. A server decodes
// them to the same characters.
std::string ListKey(std::string_view url);

// A link type as the user typed it, made one the test can match: blanks
// around it dropped and a leading "." added ("jpg" becomes ".jpg"). Empty
// when nothing but blanks or a lone "." was typed.
std::string LinkTypeFromInput(std::string_view typed);

// "&", "<" and ">" as entities, so text put into a line can never become
// markup (tags, links) of its own.
std::string MarkupEscape(std::string_view text);

// The display line of a newly added entry.
std::string ReadyLine(std::string_view url);

// A list line as it is taken back from a list file. A line saved while its
// file was downloading did not finish that transfer: it becomes ready for
// download again, under the same key. Every other line stays as it is.
std::string SettledLine(std::string line);

// The display line of the entry in focus while it transfers.
std::string StatusLine(int image, std::string_view url, std::string_view status, std::string_view progress,
                       std::string_view rate);

// The progress text: kilobytes received of the total ("0kb of 2kb").
std::string ProgressText(long long size, long long totalSize);

} // namespace fetchly

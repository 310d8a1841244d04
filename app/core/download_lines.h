#pragma once

#include <string>
#include <string_view>
#include <vector>

// The texts of the download list: the link-type test and the markup lines
// that the list boxes show.
namespace fetchly {

// The link types every start begins with, in their designed order.
const std::vector<std::string> &DefaultLinkTypes();

// The extension IsAcceptedLink tests: from the last "." of the whole URL to
// its end, empty when a "\" or ":" follows that dot. A "/" does not end the
// search, so the extension may hold slashes and query text.
std::string_view LinkExtension(std::string_view url);

// True when an item of `linkTypes` equals the URL's extension, letters
// compared without regard to case. An empty extension is never accepted.
bool IsAcceptedLink(std::string_view url, const std::vector<std::string> &linkTypes);

// A URL as it becomes a list key: "<" and ">" percent-encoded (%3C, %3E),
// so no key holds the "=<" at which a list line is split. A server decodes
// them to the same characters.
std::string ListKey(std::string_view url);

// "&", "<" and ">" as entities, so text put into a line can never become
// markup (tags, links) of its own.
std::string MarkupEscape(std::string_view text);

// The display line of a newly added entry.
std::string ReadyLine(std::string_view url);

// The display line of the entry in focus while it transfers.
std::string StatusLine(int image, std::string_view url, std::string_view status, std::string_view progress,
                       std::string_view rate);

// The progress text: kilobytes received of the total ("0kb of 2kb").
std::string ProgressText(long long size, long long totalSize);

} // namespace fetchly

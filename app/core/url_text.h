#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fetchly {

// How a piece of text handed to the list (dropped, pasted, typed) is laid
// out: a text/uri-list, whose lines starting with '#' are comments, or plain
// text.
enum class TUrlTextKind { Plain, UriList };

// The URLs `text` holds: its words separated by white space, in order. Plain
// text may carry one URL or many on a line; a URL never contains white space.
std::vector<std::string> UrlsInText(std::string_view text, TUrlTextKind kind = TUrlTextKind::Plain);

// `url` without the white space around it.
std::string_view TrimmedUrl(std::string_view url);

} // namespace fetchly

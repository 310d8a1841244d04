#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fetchly {

// How a piece of text handed to the list (dropped, pasted, typed) is laid
// out: a text/uri-list, whose lines starting with '#' are comments, plain
// text, or what the user typed into the Add URL box.
enum class TUrlTextKind { Plain, UriList, Typed };

// The URLs `text` holds, in order. Plain text and URI lists may carry one
// URL or many on a line, separated by white space. A typed line is split at
// its blanks only when every word is a URL with a scheme: people type
// "http://host/my file.jpg" as one address.
std::vector<std::string> UrlsInText(std::string_view text, TUrlTextKind kind = TUrlTextKind::Plain);

// `url` without the white space around it.
std::string_view TrimmedUrl(std::string_view url);

} // namespace fetchly

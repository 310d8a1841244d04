#include "app/core/url_text.h"

#include <algorithm>
#include <cctype>

namespace fetchly {

namespace {

constexpr std::string_view Blanks = " \t\r\n\f\v";

void AppendWords(std::string_view line, std::vector<std::string> &words)
{
    std::size_t at = line.find_first_not_of(Blanks);
    while (at != std::string_view::npos) {
        const std::size_t stop = line.find_first_of(Blanks, at);
        words.emplace_back(
            line.substr(at, stop == std::string_view::npos ? std::string_view::npos : stop - at));
        at = stop == std::string_view::npos ? stop : line.find_first_not_of(Blanks, stop);
    }
}

// "scheme:" as URLs begin: a letter, then letters, digits, "+", "-", ".".
bool HasScheme(std::string_view word)
{
    const std::size_t colon = word.find(':');
    if (colon == 0 || colon == std::string_view::npos || !std::isalpha(static_cast<unsigned char>(word[0])))
        return false;
    for (char c : word.substr(0, colon)) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

} // namespace

std::string_view TrimmedUrl(std::string_view url)
{
    const std::size_t first = url.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return url.substr(first, url.find_last_not_of(Blanks) - first + 1);
}

std::vector<std::string> UrlsInText(std::string_view text, TUrlTextKind kind)
{
    std::vector<std::string> urls;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (kind == TUrlTextKind::UriList && line.starts_with('#'))
            continue;
        const std::size_t first = urls.size();
        AppendWords(line, urls);
        if (kind == TUrlTextKind::Typed && urls.size() > first + 1 &&
            !std::all_of(urls.begin() + static_cast<std::ptrdiff_t>(first), urls.end(),
                         [](const std::string &word) { return HasScheme(word); })) {
            urls.resize(first);
            urls.emplace_back(TrimmedUrl(line));
        }
    }
    return urls;
}

} // namespace fetchly

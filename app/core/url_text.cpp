#include "app/core/url_text.h"

namespace fetchly {

namespace {

constexpr std::string_view Blanks = " \t\r\n\f\v";

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
        std::size_t at = line.find_first_not_of(Blanks);
        while (at != std::string_view::npos) {
            const std::size_t stop = line.find_first_of(Blanks, at);
            urls.emplace_back(
                line.substr(at, stop == std::string_view::npos ? std::string_view::npos : stop - at));
            at = stop == std::string_view::npos ? stop : line.find_first_not_of(Blanks, stop);
        }
    }
    return urls;
}

} // namespace fetchly

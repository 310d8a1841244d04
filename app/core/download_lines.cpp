#include "app/core/download_lines.h"

#include "app/core/entry_table.h"
#include "transfer/url_functions.h"

#include <algorithm>

namespace fetchly {

const std::vector<std::string> &DefaultLinkTypes()
{
    static const std::vector<std::string> types = {".jpg", ".gif", ".bmp", ".html", ".htm", ".asp",
                                                   ".zip", ".rar", ".exe", ".ini",  ".reg", ".com",
                                                   ".pas", ".dpr", ".dfm", ".c++",  ".c"};
    return types;
}

namespace {

// The URL without its query and fragment when it is a web or FTP address:
// "photo.jpg?size=large" names a .jpg as much as "photo.jpg" does. Other
// texts (paths, other schemes) are taken whole.
std::string_view WithoutQuery(std::string_view url)
{
    for (std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (url.size() >= scheme.size() && SameKey(url.substr(0, scheme.size()), scheme))
            return url.substr(0, std::min(url.find_first_of("?#", scheme.size()), url.size()));
    }
    return url;
}

} // namespace

std::string_view LinkExtension(std::string_view url)
{
    url = WithoutQuery(url);
    const std::size_t dot = url.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view ext = url.substr(dot);
    if (ext.find_first_of("\\:") != std::string_view::npos)
        return {};
    return ext;
}

bool IsAcceptedLink(std::string_view url, const std::vector<std::string> &linkTypes)
{
    const std::string_view ext = LinkExtension(url);
    if (ext.empty())
        return false;
    for (const std::string &type : linkTypes) {
        if (SameKey(type, ext))
            return true;
    }
    return false;
}

std::string ListKey(std::string_view url)
{
    std::string key;
    key.reserve(url.size());
    for (char c : url) {
        if (c == '<')
            key += "%3C";
        else if (c == '>')
            key += "%3E";
        else
            key += c;
    }
    return key;
}

std::string LinkTypeFromInput(std::string_view typed)
{
    const std::size_t first = typed.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    typed = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    if (typed == ".")
        return {};
    return typed.front() == '.' ? std::string(typed) : "." + std::string(typed);
}

std::string MarkupEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string ReadyLine(std::string_view url)
{
    return "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> " + MarkupEscape(url) +
           "     <B>Ready for Download</B></FONT>";
}

std::string SettledLine(std::string line)
{
    const TEntryTable::Parts parts = TEntryTable::Split(line);
    if (!parts.hasEquals || parts.display.find("<B>DownLoading</B>") == std::string_view::npos)
        return line;
    const std::string key(parts.key);
    return key + "=" + ReadyLine(MaskUrlPassword(key));
}

std::string StatusLine(int image, std::string_view url, std::string_view status, std::string_view progress,
                       std::string_view rate)
{
    std::string line = "<IMG src=\"idx:" + std::to_string(image) + "\"><FONT face=\"Trebuchet MS\"> ";
    line += MarkupEscape(url);
    line += "       <B>";
    line += MarkupEscape(status);
    line += "</B>... ";
    line += MarkupEscape(progress);
    line += "  ";
    line += MarkupEscape(rate);
    line += "</FONT>";
    return line;
}

std::string ProgressText(long long size, long long totalSize)
{
    return std::to_string(size / 1024) + "kb of " + std::to_string(totalSize / 1024) + "kb";
}

} // namespace fetchly

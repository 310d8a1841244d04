#include "transfer/url_functions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace fetchly {

namespace {

// Scheme ("...://") and user information ("...@") removed, as the host and
// path functions both start.
std::string withoutSchemeAndUser(const std::string &url)
{
    std::string rest = url;
    if (auto p = rest.find("://"); p != std::string::npos)
        rest.erase(0, p + 3);
    if (auto p = rest.find('@'); p != std::string::npos)
        rest.erase(0, p + 1);
    return rest;
}

} // namespace

std::string UrlFileName(const std::string &s)
{
    std::string rest = s;
    if (auto p = rest.rfind('/'); p != std::string::npos)
        rest.erase(0, p + 1);
    if (auto p = rest.rfind('\\'); p != std::string::npos)
        rest.erase(0, p + 1);
    return rest;
}

std::string UrlHost(const std::string &url)
{
    std::string rest = withoutSchemeAndUser(url);
    if (auto p = rest.find('/'); p != std::string::npos)
        rest.erase(p);
    return rest;
}

std::string UrlPath(const std::string &url)
{
    std::string rest = withoutSchemeAndUser(url);
    if (auto p = rest.find('/'); p != std::string::npos)
        rest.erase(0, p);
    return rest;
}

std::string AddProxyCredentials(const std::string &url, const std::string &proxyUserID,
                                const std::string &proxyPassword)
{
    if (proxyUserID.empty() || proxyPassword.empty() || url.size() < 7)
        return url;
    std::string scheme = url.substr(0, 7);
    for (auto &c : scheme)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (scheme != "HTTP://")
        return url;
    return "http://" + proxyUserID + ":" + proxyPassword + "@" + url.substr(7);
}

std::string MaskUrlPassword(const std::string &url)
{
    // Every URL in the text is masked: the text may be a whole status or log
    // line. An authority starts at the text's beginning or after "://" and
    // ends at the path, query, fragment, a blank or markup.
    static const char *const authorityEnd = "/?#\\ \t\r\n<>\"'";
    std::string out;
    out.reserve(url.size());
    std::size_t copied = 0;
    std::size_t start = 0;
    while (start <= url.size()) {
        const std::size_t end = std::min(url.find_first_of(authorityEnd, start), url.size());
        const std::string_view authority = std::string_view(url).substr(start, end - start);
        const std::size_t atInside = authority.rfind('@');
        if (atInside != std::string_view::npos) {
            const std::size_t at = start + atInside;
            const std::size_t colon = url.find(':', start);
            if (colon < at && colon >= copied) {
                out.append(url, copied, colon + 1 - copied).append("***");
                copied = at;
            }
        }
        const std::size_t next = url.find("://", start);
        if (next == std::string::npos)
            break;
        start = next + 3;
    }
    out.append(url, copied, std::string::npos);
    return out;
}

std::string PercentEncodePath(const std::string &path, const char *keep)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            (c != 0 && (std::strchr("-._~/", c) || std::strchr(keep, c)))) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string JoinPath(const std::string &dir, const std::string &name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string DirectoryPart(const std::string &path)
{
    auto p = path.rfind('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

bool IsDirectory(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::string &dir)
{
    if (dir.empty())
        throw std::runtime_error("Cannot create directory");
    std::string d = dir;
    if (d.size() > 1 && d.back() == '/')
        d.pop_back();
    if (d == "/" || IsDirectory(d))
        return true;
    const std::string parent = DirectoryPart(d);
    if (parent == d)
        return true;
    if (!parent.empty() && !MakeDirectories(parent))
        return false;
    return ::mkdir(d.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(d));
}

} // namespace fetchly

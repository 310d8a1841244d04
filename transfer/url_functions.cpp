#include "transfer/url_functions.h"

#include <cctype>
#include <cerrno>
#include <stdexcept>
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
    auto scheme = url.find("://");
    std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    auto slash = url.find('/', start);
    auto at = url.rfind('@', slash == std::string::npos ? std::string::npos : slash);
    if (at == std::string::npos || at < start)
        return url;
    auto colon = url.find(':', start);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
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

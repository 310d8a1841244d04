#pragma once

#include <string>

namespace fetchly {

// The last component of a URL or path: everything after the last "/" and
// then after the last "\" (a query stays attached; a trailing slash gives "").
std::string UrlFileName(const std::string &s);
// The host of a URL with its port: scheme and user information removed, cut
// at the first "/".
std::string UrlHost(const std::string &url);
// The path of a URL from the first "/" after the host (the query kept); the
// host text when there is no path.
std::string UrlPath(const std::string &url);
// An http URL (scheme in any case) with "user:password@" written in front
// of the host when both are non-empty; any other URL unchanged. The engine
// itself sends proxy credentials to the proxy instead (see fetch_session.h).
std::string AddProxyCredentials(const std::string &url, const std::string &proxyUserID,
                                const std::string &proxyPassword);
// The URL with the password of its user information replaced by "***",
// for texts shown to people ("user:***@host"). A longer text (a status or
// log line) has every URL in it masked.
std::string MaskUrlPassword(const std::string &url);

// `path` for the path of a URL: letters, digits, "-._~", "/" and the
// characters of `keep` stand as they are, every other byte becomes %XX.
std::string PercentEncodePath(const std::string &path, const char *keep);
// What a share (smb://) path keeps: every sub-delimiter, ":" and "@".
inline constexpr const char *kSharePathKeeps = "!$&'()*+,;=:@";

// dir + "/" + name (no separator added when dir ends in "/"; name alone when
// dir is empty).
std::string JoinPath(const std::string &dir, const std::string &name);
// The directory part of a path: up to and including its last "/" ("" when none).
std::string DirectoryPart(const std::string &path);
bool IsDirectory(const std::string &path);
// Creates a directory and its missing parents. Throws std::runtime_error
// "Cannot create directory" for an empty argument; false when a directory
// cannot be created.
bool MakeDirectories(const std::string &dir);

} // namespace fetchly

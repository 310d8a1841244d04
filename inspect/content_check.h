#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whether a downloaded file is what its name says: a login page or a JSON
// error saved as "setup.zip" is told apart from the archive by its first
// bytes. GUI-free; the window, `fetchly get` and the tests share it.
namespace fetchly::inspect {

enum class ContentKind { Unknown, Jpeg, Gif, Png, Zip, Rar, SevenZip, Gzip, Exe, Mp3, Pdf, Html, Json };

// How many leading bytes the check looks at.
inline constexpr std::size_t ContentHeadBytes = 512;

// What a name's extension promises (".zip" and the formats built on ZIP
// promise a ZIP archive); Unknown for extensions without a known signature.
// The name may be a URL: its query and fragment are ignored.
ContentKind KindPromisedBy(std::string_view nameOrUrl);
// What the first bytes of a file are, as far as they tell.
ContentKind KindOfHead(std::string_view head);
// For people: "a ZIP archive", "an HTML page".
std::string_view DescribeKind(ContentKind kind);

// "an HTML page, not a ZIP archive" when the bytes show one known kind and
// the name promises another; empty when they agree or either is unknown.
std::string ContentMismatch(std::string_view nameOrUrl, std::string_view head);
// The same for the file at `path` (its first ContentHeadBytes, read without
// waiting on a FIFO or a device); `name` is what the file claims to be.
// Empty too when the file cannot be read.
std::string FileContentMismatch(const std::string &path, std::string_view name);

// The SHA-256 of the file at `path` as lower-case hex, read through once
// in bounded pieces (for files no download of ours wrote); empty when it
// cannot be read whole.
std::string FileSha256(const std::string &path);

} // namespace fetchly::inspect

#include "inspect/content_check.h"

#include "digest/sha256_stream.h"
#include "inspect/input_source.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace fetchly::inspect {

namespace {

struct Extension {
    std::string_view ext;
    ContentKind kind;
};

// Extensions whose format begins with a signature we know.
constexpr std::array<Extension, 24> Extensions{{
    {".jpg", ContentKind::Jpeg}, {".jpeg", ContentKind::Jpeg}, {".jpe", ContentKind::Jpeg},
    {".gif", ContentKind::Gif},  {".png", ContentKind::Png},   {".zip", ContentKind::Zip},
    {".jar", ContentKind::Zip},  {".apk", ContentKind::Zip},   {".docx", ContentKind::Zip},
    {".xlsx", ContentKind::Zip}, {".pptx", ContentKind::Zip},  {".odt", ContentKind::Zip},
    {".epub", ContentKind::Zip}, {".rar", ContentKind::Rar},   {".7z", ContentKind::SevenZip},
    {".gz", ContentKind::Gzip},  {".tgz", ContentKind::Gzip},  {".exe", ContentKind::Exe},
    {".dll", ContentKind::Exe},  {".mp3", ContentKind::Mp3},   {".pdf", ContentKind::Pdf},
    {".htm", ContentKind::Html}, {".html", ContentKind::Html}, {".json", ContentKind::Json},
}};

struct Signature {
    std::string_view bytes;
    ContentKind kind;
};

// Leading bytes that name a format, strongest first.
constexpr std::array<Signature, 13> Signatures{{
    {"\x89PNG\r\n\x1a\n", ContentKind::Png},
    {"GIF87a", ContentKind::Gif},
    {"GIF89a", ContentKind::Gif},
    {"\xff\xd8\xff", ContentKind::Jpeg},
    {"PK\x03\x04", ContentKind::Zip},
    {"PK\x05\x06", ContentKind::Zip}, // an empty archive
    {"PK\x07\x08", ContentKind::Zip}, // a spanned one
    {"Rar!\x1a\x07", ContentKind::Rar},
    {"7z\xbc\xaf\x27\x1c", ContentKind::SevenZip},
    {"\x1f\x8b", ContentKind::Gzip},
    {"%PDF-", ContentKind::Pdf},
    {"ID3", ContentKind::Mp3},
    {"MZ", ContentKind::Exe},
}};

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// The text after a UTF-8 byte order mark and leading white space.
std::string_view textStart(std::string_view head)
{
    if (head.substr(0, 3) == "\xef\xbb\xbf")
        head.remove_prefix(3);
    while (!head.empty() && std::isspace(static_cast<unsigned char>(head.front())))
        head.remove_prefix(1);
    return head;
}

bool looksLikeHtml(std::string_view text)
{
    const std::string start = lower(text.substr(0, 64));
    for (std::string_view tag :
         {"<!doctype html", "<html", "<head", "<body", "<title", "<script", "<meta", "<!--"}) {
        if (start.starts_with(tag))
            return true;
    }
    return false;
}

bool looksLikeJson(std::string_view text)
{
    if (text.empty() || (text.front() != '{' && text.front() != '['))
        return false;
    const std::string_view rest = textStart(text.substr(1));
    // An object opens with a key or closes at once; an array holds a value.
    if (text.front() == '{')
        return rest.empty() || rest.front() == '"' || rest.front() == '}';
    return rest.empty() ||
           std::string_view("\"{[]-0123456789tfn").find(rest.front()) != std::string_view::npos;
}

} // namespace

ContentKind KindPromisedBy(std::string_view nameOrUrl)
{
    nameOrUrl = nameOrUrl.substr(0, nameOrUrl.find_first_of("?#"));
    const std::size_t dot = nameOrUrl.find_last_of("./\\");
    if (dot == std::string_view::npos || nameOrUrl[dot] != '.')
        return ContentKind::Unknown;
    const std::string ext = lower(nameOrUrl.substr(dot));
    for (const Extension &e : Extensions) {
        if (e.ext == ext)
            return e.kind;
    }
    return ContentKind::Unknown;
}

ContentKind KindOfHead(std::string_view head)
{
    for (const Signature &s : Signatures) {
        if (head.starts_with(s.bytes))
            return s.kind;
    }
    // An MP3 without a tag starts with a frame: eleven set sync bits.
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xff &&
        (static_cast<unsigned char>(head[1]) & 0xe0) == 0xe0)
        return ContentKind::Mp3;
    const std::string_view text = textStart(head);
    if (looksLikeHtml(text))
        return ContentKind::Html;
    if (looksLikeJson(text))
        return ContentKind::Json;
    return ContentKind::Unknown;
}

std::string_view DescribeKind(ContentKind kind)
{
    switch (kind) {
    case ContentKind::Jpeg:
        return "a JPEG picture";
    case ContentKind::Gif:
        return "a GIF picture";
    case ContentKind::Png:
        return "a PNG picture";
    case ContentKind::Zip:
        return "a ZIP archive";
    case ContentKind::Rar:
        return "a RAR archive";
    case ContentKind::SevenZip:
        return "a 7-Zip archive";
    case ContentKind::Gzip:
        return "a gzip archive";
    case ContentKind::Exe:
        return "a Windows program";
    case ContentKind::Mp3:
        return "an MP3 file";
    case ContentKind::Pdf:
        return "a PDF document";
    case ContentKind::Html:
        return "an HTML page";
    case ContentKind::Json:
        return "a JSON text";
    case ContentKind::Unknown:
        break;
    }
    return "a file of unknown content";
}

std::string ContentMismatch(std::string_view nameOrUrl, std::string_view head)
{
    const ContentKind promised = KindPromisedBy(nameOrUrl);
    const ContentKind found = KindOfHead(head);
    if (promised == ContentKind::Unknown || found == ContentKind::Unknown || promised == found)
        return {};
    return std::string(DescribeKind(found)) + ", not " + std::string(DescribeKind(promised));
}

std::string FileContentMismatch(const std::string &path, std::string_view name)
{
    FileSource file(path);
    if (!file.ok())
        return {};
    std::string head;
    file.read(head, ContentHeadBytes);
    return ContentMismatch(name, head);
}

std::string FileSha256(const std::string &path)
{
    FileSource file(path);
    if (!file.ok())
        return {};
    digest::TSha256Stream sha;
    std::string piece;
    while (file.remaining() > 0) {
        if (file.read(piece, 1 << 20) == 0)
            return {};
        sha.Update(piece);
    }
    return sha.FinishHex();
}

} // namespace fetchly::inspect

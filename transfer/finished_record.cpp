#include "transfer/finished_record.h"

#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace fetchly {

namespace {

constexpr const char *kAttribute = "user.fetchly.done";
constexpr const char *kHeader = "fetchly-done 1";
// A record is a URL and a few short fields.
constexpr std::size_t kRecordLimit = 8192;
// The index is read up to this size.
constexpr std::size_t kIndexLimit = TFinishedIndex::DefaultEntries * 2 * kRecordLimit;

// Opens a regular file to read; a link, a FIFO or a device is not opened
// (opening some devices has effects).
TUniqueFd openRegular(const std::string &path, struct stat &st)
{
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return TUniqueFd();
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)))
        fd.Reset();
    return fd;
}

bool attributesUnsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
}

std::int64_t mtimeOf(const struct stat &st)
{
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool readNumber(const std::string &text, long long &out)
{
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return false;
    out = value;
    return true;
}

// The fields of a record, one a line; nothing in them may end a line. The
// digest is a field of its own at the end, there only when known, so a
// record of an older version (without it) reads the same.
std::string encode(const TFinishedRecord &r, char separator)
{
    const std::string s(1, separator);
    return r.Url + s + r.Validator + s + std::to_string(r.Size) + s + std::to_string(r.MtimeNs) +
           (r.Sha256.empty() ? std::string() : s + r.Sha256);
}

bool isDigest(const std::string &text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool encodable(const std::string &text)
{
    return text.find_first_of(std::string("\t\n\r\0", 4)) == std::string::npos;
}

std::vector<std::string> split(const std::string &text, char separator, std::size_t most)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() < most) {
        const std::size_t next = text.find(separator, at);
        fields.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (next == std::string::npos)
            break;
        at = next + 1;
    }
    return fields;
}

// Fields from `first` on: four, or five with the digest.
std::optional<TFinishedRecord> decode(const std::vector<std::string> &f, std::size_t first)
{
    long long size = 0, mtime = 0;
    if ((f.size() != first + 4 && f.size() != first + 5) || f[first].empty() ||
        !readNumber(f[first + 2], size) || size < 0 || !readNumber(f[first + 3], mtime) ||
        (f.size() == first + 5 && !isDigest(f[first + 4])))
        return std::nullopt;
    return TFinishedRecord{f[first], f[first + 1], size, mtime, f.size() == first + 5 ? f[first + 4] : ""};
}

// Reads a whole small regular file; nothing when it is larger than `limit`.
std::optional<std::string> readSmallFile(const std::string &path, std::size_t limit)
{
    struct stat st {};
    TUniqueFd fd = openRegular(path, st);
    if (fd.Get() < 0 || static_cast<std::size_t>(st.st_size) > limit)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    text.resize(ReadFully(fd.Get(), text.data(), text.size()));
    return text;
}

// The index's lines: a path, a tab and its record.
std::vector<std::pair<std::string, TFinishedRecord>> parseIndex(const std::string &text, std::size_t most)
{
    std::vector<std::pair<std::string, TFinishedRecord>> entries;
    std::size_t at = 0;
    while (at < text.size() && entries.size() < most) {
        std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos)
            break; // a line cut off is not taken
        const auto fields = split(text.substr(at, nl - at), '\t', 7);
        at = nl + 1;
        if (const auto record = decode(fields, 1); record && !fields[0].empty())
            entries.emplace_back(fields[0], *record);
    }
    return entries;
}

std::string stateDirectory()
{
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/')
        return std::string(state) + "/fetchly";
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/state/fetchly";
}

bool makeDirectories(const std::string &dir)
{
    for (std::size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        const std::string step = dir.substr(0, at);
        if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (at == std::string::npos)
            return true;
    }
}

} // namespace

TFinishedIndex TFinishedIndex::User()
{
    return TFinishedIndex(stateDirectory() + "/finished-files");
}

std::optional<TFinishedRecord> TFinishedIndex::Find(const std::string &path) const
{
    const auto text = readSmallFile(m_file, kIndexLimit);
    if (!text)
        return std::nullopt;
    for (const auto &[key, record] : parseIndex(*text, m_entries))
        if (key == path)
            return record;
    return std::nullopt;
}

bool TFinishedIndex::Put(const std::string &path, const TFinishedRecord &record) const
{
    if (!encodable(path) || !encodable(record.Url) || !encodable(record.Validator) ||
        !(record.Sha256.empty() || isDigest(record.Sha256)) || path.empty() ||
        path.size() + encode(record, '\t').size() >= kRecordLimit)
        return false;
    const std::string dir = m_file.substr(0, m_file.find_last_of('/'));
    if (dir.empty() || !makeDirectories(dir))
        return false;
    // Writers take turns, so one never drops what another has just added.
    TUniqueFd lock(::open((m_file + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock.Get() < 0 || ::flock(lock.Get(), LOCK_EX) != 0)
        return false;
    auto entries = parseIndex(readSmallFile(m_file, kIndexLimit).value_or(std::string()), m_entries);
    std::erase_if(entries, [&](const auto &e) { return e.first == path; });
    entries.emplace_back(path, record);
    if (entries.size() > m_entries)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(m_entries));
    std::string text;
    for (const auto &[key, r] : entries)
        text += key + "\t" + encode(r, '\t') + "\n";
    std::string temp = m_file + ".XXXXXX";
    TUniqueFd out(::mkstemp(temp.data()));
    if (out.Get() < 0)
        return false;
    if (!WriteAll(out.Get(), text.data(), text.size()) || ::fsync(out.Get()) != 0 || !out.Close() ||
        ::rename(temp.c_str(), m_file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool RecordFinished(const std::string &path, const std::string &url, const std::string &validator,
                    const std::string &sha256)
{
    struct stat st {};
    TUniqueFd fd = openRegular(path, st);
    if (fd.Get() < 0 || !encodable(url) || !encodable(validator))
        return false;
    // A digest that is not one is left out rather than kept.
    const TFinishedRecord record{url, validator, static_cast<TFetchSize>(st.st_size), mtimeOf(st),
                                 isDigest(sha256) ? sha256 : std::string()};
    const std::string text = std::string(kHeader) + "\n" + encode(record, '\n') + "\n";
    if (text.size() >= kRecordLimit)
        return false;
    if (::fsetxattr(fd.Get(), kAttribute, text.data(), text.size(), 0) == 0)
        return true;
    return attributesUnsupported(errno) && TFinishedIndex::User().Put(path, record);
}

namespace {

// The record kept with the file, and its size and time now.
std::optional<TFinishedRecord> readRecord(const std::string &path, struct stat &st)
{
    TUniqueFd fd = openRegular(path, st);
    if (fd.Get() < 0)
        return std::nullopt;
    std::string text(kRecordLimit, '\0');
    const ssize_t n = ::fgetxattr(fd.Get(), kAttribute, text.data(), text.size());
    if (n < 0)
        return attributesUnsupported(errno) ? TFinishedIndex::User().Find(path) : std::nullopt;
    text.resize(static_cast<std::size_t>(n));
    if (text.empty() || text.back() != '\n')
        return std::nullopt;
    text.pop_back();
    const auto fields = split(text, '\n', 7);
    if (fields.empty() || fields[0] != kHeader)
        return std::nullopt;
    return decode(fields, 1);
}

} // namespace

namespace {

// The record of a file that is still as its download left it.
std::optional<TFinishedRecord> currentRecord(const std::string &path)
{
    struct stat st {};
    auto record = readRecord(path, st);
    if (!record || record->Size != st.st_size || record->MtimeNs != mtimeOf(st))
        return std::nullopt;
    return record;
}

} // namespace

std::optional<std::string> FinishedFrom(const std::string &path)
{
    const auto record = currentRecord(path);
    return record ? std::optional<std::string>(record->Url) : std::nullopt;
}

std::string RecordedSha256(const std::string &path)
{
    const auto record = currentRecord(path);
    return record ? record->Sha256 : std::string();
}

std::optional<TFinishedRecord> UnchangedSince(const std::string &path, const std::string &url)
{
    auto record = currentRecord(path);
    return record && record->Url == url ? record : std::nullopt;
}

std::string ConditionalHeader(const std::string &validator)
{
    if (validator.empty())
        return {};
    // A strong ETag is quoted; anything else is a Last-Modified date.
    return (validator.front() == '"' ? "If-None-Match: " : "If-Modified-Since: ") + validator;
}

} // namespace fetchly

#include "transfer/part_file.h"

#include "base/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fetchly {

namespace {

constexpr const char *kAttribute = "user.fetchly.part";
constexpr const char *kSidecar = ".fetchly";
// A record is a few short lines; anything longer is not one of ours.
constexpr std::size_t kRecordLimit = 8192;
// Written data is handed to the disk in steps of this size.
constexpr TFetchSize kWritebackStep = 8 << 20;
// Streams of writes followed at once (one per connection, with room).
constexpr std::size_t kStreamLimit = 32;
// Names tried for the part when the ones before are taken by foreign files.
constexpr int kCandidates = 8;
// The longest file name; the sidecar's suffix must still fit after a part's.
constexpr std::size_t kNameLimit = 255 - 8;

// A FIFO, a device or a socket: opening it may block or have effects.
bool isSpecial(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 &&
           (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode));
}

// NAME.part, then NAME.2.part and on; a name that would pass the limit is
// cut (at a character's start) and marked with a hash of the whole name,
// so two long names that begin alike still get parts of their own.
std::string candidatePath(const std::string &target, int index)
{
    const std::size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(dir.size());
    const std::string suffix = index == 0 ? ".part" : "." + std::to_string(index + 1) + ".part";
    if (name.size() + suffix.size() > kNameLimit) {
        std::uint32_t hash = 2166136261u;
        for (unsigned char c : name)
            hash = (hash ^ c) * 16777619u;
        char mark[16];
        std::snprintf(mark, sizeof mark, "~%08x", hash);
        std::size_t keep = kNameLimit - suffix.size() - 9;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name = name.substr(0, keep) + mark;
    }
    return dir + name + suffix;
}

std::string encode(const TPartRecord &r)
{
    return "fetchly-part 2\n" + r.Source + "\n" + r.Validator + "\n" + std::to_string(r.Total) + "\n" +
           (r.InOrder ? std::string("*") : r.Proven.Text()) + "\n";
}

bool readSize(const std::string &text, TFetchSize &out)
{
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < -1)
        return false;
    out = value;
    return true;
}

std::optional<TPartRecord> decode(const std::string &text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size() && lines.size() < 6;) {
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos)
            return std::nullopt;
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    TPartRecord r;
    if (lines.size() == 4 && lines[0] == "fetchly-part 1") {
        // An earlier version: a count of good bytes from the start.
        TFetchSize valid = 0;
        if (!readSize(lines[3], valid))
            return std::nullopt;
        r.InOrder = valid < 0;
        r.Proven.Add(0, valid);
    } else if (lines.size() == 5 && lines[0] == "fetchly-part 2") {
        r.InOrder = lines[4] == "*";
        if (!readSize(lines[3], r.Total) || (!r.InOrder && !r.Proven.Parse(lines[4])))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    r.Source = lines[1];
    r.Validator = lines[2];
    return r;
}

bool attributesUnsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
}

// A sidecar is a small regular file of ours; a link or anything else there
// is left alone.
TUniqueFd openSidecar(const std::string &path, int flags)
{
    TUniqueFd fd(::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat st {};
    if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)))
        return {};
    return fd;
}

std::optional<TPartRecord> readRecord(int partFd, const std::string &partPath)
{
    std::string text(kRecordLimit, '\0');
    const ssize_t n = ::fgetxattr(partFd, kAttribute, text.data(), text.size());
    if (n >= 0) {
        text.resize(static_cast<std::size_t>(n));
        return decode(text);
    }
    if (!attributesUnsupported(errno))
        return std::nullopt;
    const TUniqueFd fd = openSidecar(partPath + kSidecar, O_RDONLY);
    if (!fd.Valid())
        return std::nullopt;
    const std::size_t got = ReadFully(fd.Get(), text.data(), text.size());
    if (got == 0 || got == text.size())
        return std::nullopt;
    text.resize(got);
    return decode(text);
}

} // namespace

TPartFile::TPartFile(std::string target) : m_target(std::move(target)), m_path(candidatePath(m_target, 0)) {}

TPartFile::~TPartFile()
{
    Close();
}

bool TPartFile::PlaceIsUsable() const
{
    return !isSpecial(m_target) && !isSpecial(candidatePath(m_target, 0));
}

bool TPartFile::openCandidate(int index)
{
    const std::string path = candidatePath(m_target, index);
    struct stat st {};
    // Only a regular file is opened: opening some devices has effects.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    TUniqueFd fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    // A part held by another transfer is its own, even before its record
    // is written.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        m_busy = errno == EWOULDBLOCK;
        return false;
    }
    struct stat opened {};
    // Checked again on the open file: the name may have been swapped since.
    // A second link would let our writes change a file elsewhere.
    bool ours = ::fstat(fd.Get(), &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_nlink == 1 &&
                readRecord(fd.Get(), path).has_value();
    // The name must still lead to the file locked: a transfer that has just
    // finished renames its part away before it lets go of it.
    if (ours && (::stat(path.c_str(), &st) != 0 || st.st_ino != opened.st_ino || st.st_dev != opened.st_dev))
        ours = false;
    if (!ours || ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK) != 0)
        return false;
    m_fd = std::move(fd);
    m_path = path;
    return true;
}

bool TPartFile::OpenExisting()
{
    if (m_fd.Valid())
        return true;
    m_busy = false;
    for (int i = 0; i < kCandidates; ++i) {
        if (openCandidate(i))
            return true;
        if (m_busy)
            return false;
    }
    return false;
}

bool TPartFile::Open()
{
    if (OpenExisting())
        return true;
    if (m_busy)
        return false;
    for (int i = 0; i < kCandidates; ++i) {
        const std::string path = candidatePath(m_target, i);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 || errno != ENOENT)
            continue; // someone else's file
        TUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.Valid()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            m_busy = true;
            return false;
        }
        m_fd = std::move(fd);
        m_path = path;
        // Marked as ours at once, so a later attempt knows it may use it.
        WriteRecord(TPartRecord{});
        return true;
    }
    return false;
}

TFetchSize TPartFile::Size() const
{
    struct stat st {};
    if (!m_fd.Valid() || ::fstat(m_fd.Get(), &st) != 0)
        return -1;
    return static_cast<TFetchSize>(st.st_size);
}

std::optional<TPartRecord> TPartFile::ReadRecord() const
{
    if (!m_fd.Valid())
        return std::nullopt;
    return readRecord(m_fd.Get(), m_path);
}

bool TPartFile::WriteRecord(const TPartRecord &record)
{
    if (!m_fd.Valid() || record.Source.find('\n') != std::string::npos ||
        record.Validator.find('\n') != std::string::npos)
        return false;
    const std::string text = encode(record);
    if (text.size() >= kRecordLimit)
        return false;
    if (::fsetxattr(m_fd.Get(), kAttribute, text.data(), text.size(), 0) == 0)
        return true;
    if (!attributesUnsupported(errno))
        return false;
    TUniqueFd fd = openSidecar(m_path + kSidecar, O_WRONLY | O_CREAT | O_TRUNC);
    if (!fd.Valid())
        return false;
    const bool ok = WriteAll(fd.Get(), text.data(), text.size());
    return fd.Close() && ok;
}

TByteRanges TPartFile::ProvenFor(const std::string &source, TPartRecord &record) const
{
    const auto found = ReadRecord();
    const TFetchSize size = Size();
    TByteRanges proven;
    if (!found || found->Source != source || found->Validator.empty() || size < 0)
        return proven;
    record = *found;
    if (record.InOrder) {
        proven.Add(0, size);
        return proven;
    }
    // Bytes the file does not hold (cut short since) are not proven.
    const TFetchSize end = record.Total >= 0 ? std::min(size, record.Total) : size;
    for (const auto &[a, b] : record.Proven.Ranges())
        proven.Add(a, std::min(b, end));
    return proven;
}

bool TPartFile::Restart()
{
    return TruncateTo(0);
}

bool TPartFile::TruncateTo(TFetchSize size)
{
    return m_fd.Valid() && ::ftruncate(m_fd.Get(), static_cast<off_t>(size)) == 0;
}

void TPartFile::Trim(const TByteRanges &proven)
{
    if (!m_fd.Valid())
        return;
    if (Size() > proven.End())
        TruncateTo(proven.End());
#ifdef FALLOC_FL_PUNCH_HOLE
    for (const auto &[a, b] : proven.Missing(proven.End()))
        ::fallocate(m_fd.Get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, a, b - a);
#endif
}

bool TPartFile::WriteAt(TFetchSize offset, const char *data, std::size_t size)
{
    if (!WriteAllAt(m_fd.Get(), data, size, static_cast<off_t>(offset)))
        return false;
    handOver(offset, offset + static_cast<TFetchSize>(size));
    return true;
}

bool TPartFile::ReadAt(TFetchSize offset, char *data, std::size_t size) const
{
    return ReadFullyAt(m_fd.Get(), data, size, static_cast<off_t>(offset)) == size;
}

void TPartFile::handOver(TFetchSize from, TFetchSize to)
{
    // Writes continue where an earlier one of their connection ended.
    auto stream =
        std::find_if(m_streams.begin(), m_streams.end(), [from](auto &s) { return s.next == from; });
    if (stream == m_streams.end()) {
        if (m_streams.size() >= kStreamLimit)
            m_streams.erase(m_streams.begin());
        m_streams.push_back({from, from});
        stream = m_streams.end() - 1;
    }
    stream->next = to;
    if (to - stream->clean < kWritebackStep)
        return;
#ifdef SYNC_FILE_RANGE_WRITE
    // Starts the writeback of this stretch without waiting for it.
    ::sync_file_range(m_fd.Get(), stream->clean, to - stream->clean, SYNC_FILE_RANGE_WRITE);
#endif
    stream->clean = to;
}

bool TPartFile::Commit()
{
    if (!m_fd.Valid())
        return false;
    if (::fsync(m_fd.Get()) != 0) {
        Close();
        return false;
    }
    // Renamed while still locked, so no other transfer can take the part up
    // in between. rename replaces whatever NAME is (a symbolic link, also
    // one to a folder) without following it.
    if (::rename(m_path.c_str(), m_target.c_str()) != 0) {
        Close();
        return false;
    }
    ::fremovexattr(m_fd.Get(), kAttribute);
    Close();
    ::unlink((m_path + kSidecar).c_str());
    // The rename itself reaches the disk with its directory.
    const std::string dir = m_target.substr(0, m_target.find_last_of('/') + 1);
    const TUniqueFd dfd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dfd.Valid())
        ::fsync(dfd.Get());
    return true;
}

bool TPartFile::Close()
{
    return m_fd.Close();
}

void TPartFile::Discard()
{
    // Only the part this transfer holds is removed, never what it refused.
    if (!m_fd.Valid())
        return;
    ::unlink(m_path.c_str());
    ::unlink((m_path + kSidecar).c_str());
    Close();
}

bool RemoveOwnPart(const std::string &target, const std::string &source)
{
    TPartFile part(target);
    for (int i = 0; i < kCandidates; ++i) {
        if (!part.openCandidate(i)) {
            if (part.Busy())
                return false;
            continue;
        }
        const auto record = part.ReadRecord();
        if (record && record->Source == source) {
            part.Discard();
            return true;
        }
        part.Close();
    }
    return false;
}

std::vector<std::string> PartSources(const std::string &target)
{
    std::vector<std::string> sources;
    for (int i = 0; i < kCandidates; ++i) {
        const std::string path = candidatePath(target, i);
        struct stat st {};
        // Only a regular file is opened: opening some devices has effects.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const TUniqueFd fd = openSidecar(path, O_RDONLY);
        if (!fd.Valid())
            continue;
        if (const auto record = readRecord(fd.Get(), path))
            sources.push_back(record->Source);
    }
    return sources;
}

} // namespace fetchly

#include "transfer/part_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fetchly {

namespace {

constexpr const char *kAttribute = "user.fetchly.part";
// A record is a few short lines; anything longer is not one of ours.
constexpr std::size_t kRecordLimit = 8192;
// Written data is handed to the disk in steps of this size.
constexpr TFetchSize kWritebackStep = 8 << 20;
// Streams of writes followed at once (one per connection, with room).
constexpr std::size_t kStreamLimit = 32;

bool isRegularOrMissing(const std::string &path, bool linkAllowed)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) || (linkAllowed && S_ISLNK(st.st_mode));
}

// A FIFO, a device or a socket: opening it may block or have effects.
bool isSpecial(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 &&
           (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode));
}

std::string encode(const TPartRecord &r)
{
    return "fetchly-part 1\n" + r.Source + "\n" + r.Validator + "\n" + std::to_string(r.Valid) + "\n";
}

std::optional<TPartRecord> decode(const std::string &text)
{
    TPartRecord r;
    std::string lines[4];
    std::size_t at = 0;
    for (auto &line : lines) {
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos)
            return std::nullopt;
        line = text.substr(at, nl - at);
        at = nl + 1;
    }
    if (lines[0] != "fetchly-part 1" || at != text.size())
        return std::nullopt;
    r.Source = lines[1];
    r.Validator = lines[2];
    char *end = nullptr;
    errno = 0;
    const long long valid = std::strtoll(lines[3].c_str(), &end, 10);
    if (errno != 0 || end == lines[3].c_str() || *end != '\0' || valid < -1)
        return std::nullopt;
    r.Valid = valid;
    return r;
}

bool attributesUnsupported(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP || error == EPERM;
}

// A sidecar is a small regular file of ours; a link or anything else there
// is left alone.
int openSidecar(const std::string &path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TPartFile::TPartFile(std::string target) : m_target(std::move(target)), m_path(m_target + ".part") {}

TPartFile::~TPartFile()
{
    Close();
}

bool TPartFile::PlaceIsUsable() const
{
    return !isSpecial(m_target) && !isSpecial(m_path);
}

bool TPartFile::Open()
{
    if (m_fd >= 0)
        return true;
    // Refuse anything but a regular file before opening it: opening some
    // devices has effects of its own.
    if (!isRegularOrMissing(m_path, false))
        return false;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    // Checked again on the open file: the name may have been swapped since.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_opened = true;
    return true;
}

TFetchSize TPartFile::Size() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return static_cast<TFetchSize>(st.st_size);
}

std::optional<TPartRecord> TPartFile::ReadRecord() const
{
    if (m_fd < 0)
        return std::nullopt;
    std::string text(kRecordLimit, '\0');
    const ssize_t n = ::fgetxattr(m_fd, kAttribute, text.data(), text.size());
    if (n >= 0) {
        text.resize(static_cast<std::size_t>(n));
        return decode(text);
    }
    if (!attributesUnsupported(errno))
        return std::nullopt;
    const int fd = openSidecar(sidecarPath(), O_RDONLY);
    if (fd < 0)
        return std::nullopt;
    const ssize_t got = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (got <= 0 || static_cast<std::size_t>(got) == text.size())
        return std::nullopt;
    text.resize(static_cast<std::size_t>(got));
    return decode(text);
}

bool TPartFile::WriteRecord(const TPartRecord &record)
{
    if (m_fd < 0 || record.Source.find('\n') != std::string::npos ||
        record.Validator.find('\n') != std::string::npos)
        return false;
    const std::string text = encode(record);
    if (text.size() >= kRecordLimit)
        return false;
    if (::fsetxattr(m_fd, kAttribute, text.data(), text.size(), 0) == 0)
        return true;
    if (!attributesUnsupported(errno))
        return false;
    const int fd = openSidecar(sidecarPath(), O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && ok;
}

TFetchSize TPartFile::ResumePoint(const std::string &source, std::string &validator)
{
    validator.clear();
    const TFetchSize size = Size();
    const auto record = ReadRecord();
    if (size > 0 && record && record->Source == source && !record->Validator.empty()) {
        const TFetchSize good = record->Valid < 0 ? size : std::min(record->Valid, size);
        // Bytes past the good ones may be holes of unfinished ranges.
        if (good > 0 && TruncateTo(good)) {
            validator = record->Validator;
            return good;
        }
    }
    Restart();
    return 0;
}

bool TPartFile::Restart()
{
    return TruncateTo(0);
}

bool TPartFile::TruncateTo(TFetchSize size)
{
    return m_fd >= 0 && ::ftruncate(m_fd, static_cast<off_t>(size)) == 0;
}

bool TPartFile::WriteAt(TFetchSize offset, const char *data, std::size_t size)
{
    const TFetchSize start = offset;
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    handOver(start, offset);
    return true;
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
    ::sync_file_range(m_fd, stream->clean, to - stream->clean, SYNC_FILE_RANGE_WRITE);
#endif
    stream->clean = to;
}

bool TPartFile::Commit()
{
    if (m_fd < 0)
        return false;
    ::fremovexattr(m_fd, kAttribute);
    if (::fsync(m_fd) != 0) {
        Close();
        return false;
    }
    if (!Close())
        return false;
    // rename replaces whatever NAME is (a symbolic link included) without
    // following it.
    if (::rename(m_path.c_str(), m_target.c_str()) != 0)
        return false;
    ::unlink(sidecarPath().c_str());
    // The rename itself reaches the disk with its directory.
    const std::string dir = m_target.substr(0, m_target.find_last_of('/') + 1);
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool TPartFile::Close()
{
    if (m_fd < 0)
        return true;
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0;
}

void TPartFile::Discard()
{
    Close();
    // Only a part this download opened is removed, never what it refused.
    if (!m_opened)
        return;
    ::unlink(m_path.c_str());
    ::unlink(sidecarPath().c_str());
}

} // namespace fetchly

#include "inspect/input_source.h"

#include "base/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly::inspect {
namespace {
constexpr std::size_t ChunkSize = 64 * 1024;

} // namespace

TUniqueFd OpenRegularFile(const std::string &path, int64_t &size)
{
    size = 0;
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    size = st.st_size;
    return fd;
}

FileSource::FileSource(const std::string &path)
{
    m_file = OpenRegularFile(path, m_size);
}

bool FileSource::refill()
{
    m_buffer.resize(ChunkSize);
    const std::size_t got = ReadFully(m_file.Get(), m_buffer.data(), ChunkSize);
    m_buffer.resize(got);
    m_bufPos = 0;
    return got > 0;
}

std::size_t FileSource::read(std::string &out, std::size_t count)
{
    count = static_cast<std::size_t>(
        std::min<int64_t>(static_cast<int64_t>(count), std::max<int64_t>(remaining(), 0)));
    out.resize(count);
    std::size_t done = std::min(count, m_buffer.size() - m_bufPos);
    std::memcpy(out.data(), m_buffer.data() + m_bufPos, done);
    m_bufPos += done;
    if (count - done >= ChunkSize) // large reads skip the read-ahead
        done += ReadFully(m_file.Get(), out.data() + done, count - done);
    while (done < count) {
        if (!refill())
            break;
        const std::size_t n = std::min(count - done, m_buffer.size());
        std::memcpy(out.data() + done, m_buffer.data(), n);
        m_bufPos = n;
        done += n;
    }
    out.resize(done);
    m_pos += static_cast<int64_t>(done);
    return done;
}

int FileSource::get()
{
    if (m_bufPos == m_buffer.size() && !refill())
        return -1;
    ++m_pos;
    return static_cast<unsigned char>(m_buffer[m_bufPos++]);
}

void FileSource::skip(int64_t count)
{
    count = std::clamp<int64_t>(count, 0, std::max<int64_t>(remaining(), 0));
    const auto buffered = static_cast<int64_t>(m_buffer.size() - m_bufPos);
    if (count <= buffered) {
        m_bufPos += static_cast<std::size_t>(count);
        m_pos += count;
        return;
    }
    if (::lseek(m_file.Get(), static_cast<off_t>(count - buffered), SEEK_CUR) != -1) {
        m_pos += count;
        m_buffer.clear();
        m_bufPos = 0;
    }
}

std::size_t MemorySource::read(std::string &out, std::size_t count)
{
    count = std::min(count, m_bytes.size() - m_pos);
    out.assign(m_bytes.substr(m_pos, count));
    m_pos += count;
    return count;
}

int MemorySource::get()
{
    if (m_pos >= m_bytes.size())
        return -1;
    return static_cast<unsigned char>(m_bytes[m_pos++]);
}

void MemorySource::skip(int64_t count)
{
    m_pos += static_cast<std::size_t>(std::clamp<int64_t>(count, 0, remaining()));
}

} // namespace fetchly::inspect

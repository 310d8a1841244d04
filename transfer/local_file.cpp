#include "transfer/local_file.h"

#include "base/fd_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly {

bool LocalFile::Create(const std::string &path)
{
    Close();
    m_fd.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return m_fd.Valid();
}

bool LocalFile::OpenRead(const std::string &path)
{
    Close();
    m_fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!m_fd.Valid())
        return false;
    struct stat st {};
    if (::fstat(m_fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        Close();
        return false;
    }
    return true;
}

bool LocalFile::WriteAll(const char *data, std::size_t size)
{
    return fetchly::WriteAll(m_fd.Get(), data, size);
}

ssize_t LocalFile::Read(char *data, std::size_t size)
{
    return ReadSome(m_fd.Get(), data, size);
}

bool LocalFile::Truncate(long long size)
{
    return m_fd.Valid() && ::ftruncate(m_fd.Get(), static_cast<off_t>(size)) == 0;
}

long long LocalFile::Size() const
{
    struct stat st {};
    if (!m_fd.Valid() || ::fstat(m_fd.Get(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_size);
}

bool LocalFile::Close()
{
    return m_fd.Close();
}

bool FileExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsRealDirectory(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace fetchly

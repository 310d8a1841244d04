#include "transfer/copy_source.h"

#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly {

namespace {
class LocalSource final : public CopySource {
public:
    explicit LocalSource(TUniqueFd fd) : m_fd(std::move(fd)) {}

    std::int64_t Size() override
    {
        const off_t end = ::lseek(m_fd.Get(), 0, SEEK_END);
        if (end < 0 || ::lseek(m_fd.Get(), 0, SEEK_SET) != 0)
            return -1;
        return end;
    }

    ssize_t Read(char *buffer, std::size_t count) override { return ReadSome(m_fd.Get(), buffer, count); }

private:
    TUniqueFd m_fd;
};
} // namespace

std::unique_ptr<CopySource> OpenLocalSource(const std::string &path)
{
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return nullptr;
    struct stat st {};
    // A directory opens for reading on Linux but cannot be read as a file.
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        const int why = S_ISDIR(st.st_mode) ? EISDIR : errno;
        fd.Reset();
        errno = why;
        return nullptr;
    }
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<LocalSource>(std::move(fd));
}

} // namespace fetchly

#include "transfer/copy_source.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly {

namespace {
class LocalSource final : public CopySource {
public:
    explicit LocalSource(int fd) : m_fd(fd) {}
    ~LocalSource() override { ::close(m_fd); }
    LocalSource(const LocalSource &) = delete;
    LocalSource &operator=(const LocalSource &) = delete;

    std::int64_t Size() override
    {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
            return -1;
        return end;
    }

    ssize_t Read(char *buffer, std::size_t count) override
    {
        for (;;) {
            ssize_t n = ::read(m_fd, buffer, count);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

private:
    int m_fd;
};
} // namespace

std::unique_ptr<CopySource> OpenLocalSource(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    // A directory opens for reading on Linux but cannot be read as a file.
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int why = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        errno = why;
        return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<LocalSource>(fd);
}

} // namespace fetchly

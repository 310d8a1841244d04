#include "base/fd_io.h"

#include <cerrno>
#include <unistd.h>

namespace fetchly {

namespace {

// Runs `step(done)` until `size` bytes are done; `step` returns what one
// system call returned. Stops at the first error or, for reads, at the end.
template <typename Step> std::size_t loop(std::size_t size, bool writing, Step step) noexcept
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = step(done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0) {
            errno = writing ? ENOSPC : 0;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

bool WriteAll(int fd, const void *data, std::size_t size) noexcept
{
    const auto *from = static_cast<const char *>(data);
    return loop(size, true, [&](std::size_t done) { return ::write(fd, from + done, size - done); }) == size;
}

bool WriteAllAt(int fd, const void *data, std::size_t size, off_t offset) noexcept
{
    const auto *from = static_cast<const char *>(data);
    return loop(size, true, [&](std::size_t done) {
               return ::pwrite(fd, from + done, size - done, offset + static_cast<off_t>(done));
           }) == size;
}

ssize_t ReadSome(int fd, void *data, std::size_t size) noexcept
{
    for (;;) {
        const ssize_t n = ::read(fd, data, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

std::size_t ReadFully(int fd, void *data, std::size_t size) noexcept
{
    auto *to = static_cast<char *>(data);
    return loop(size, false, [&](std::size_t done) { return ::read(fd, to + done, size - done); });
}

std::size_t ReadFullyAt(int fd, void *data, std::size_t size, off_t offset) noexcept
{
    auto *to = static_cast<char *>(data);
    return loop(size, false, [&](std::size_t done) {
        return ::pread(fd, to + done, size - done, offset + static_cast<off_t>(done));
    });
}

} // namespace fetchly

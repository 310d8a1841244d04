#pragma once

#include <cstddef>
#include <sys/types.h>

// Reads and writes on a descriptor that survive signals: each call is
// retried when a signal interrupts it (EINTR), and the "all" forms go on
// after a short count. They only call read/write/pwrite and keep errno, so
// a signal handler may use them too.
namespace fetchly {

// Writes every byte; false on an error (errno tells which). A write that
// makes no progress counts as a full disk (ENOSPC) rather than looping.
bool WriteAll(int fd, const void *data, std::size_t size) noexcept;
// The same at `offset`, leaving the file position alone.
bool WriteAllAt(int fd, const void *data, std::size_t size, off_t offset) noexcept;
// One read of up to `size` bytes: the count, 0 at the end, -1 on an error.
ssize_t ReadSome(int fd, void *data, std::size_t size) noexcept;
// Up to `size` bytes, fewer only at the end of the file (errno is then 0)
// or on an error (errno tells which); the count says what arrived.
std::size_t ReadFully(int fd, void *data, std::size_t size) noexcept;
// The same from `offset`, leaving the file position alone.
std::size_t ReadFullyAt(int fd, void *data, std::size_t size, off_t offset) noexcept;

} // namespace fetchly

#pragma once

#include <utility>

namespace fetchly {

// The one owner of a file descriptor: it closes with its owner on every path,
// and Close() reports what close() said, because a write error that only
// close() reveals (a full disk on NFS, a quota) must not pass as success.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) noexcept : m_fd(fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd &&other) noexcept : m_fd(other.Release()) {}
    TUniqueFd &operator=(TUniqueFd &&other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TUniqueFd(const TUniqueFd &) = delete;
    TUniqueFd &operator=(const TUniqueFd &) = delete;

    int Get() const noexcept { return m_fd; }
    bool Valid() const noexcept { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() noexcept { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (ignoring the result) and takes `fd`.
    void Reset(int fd = -1) noexcept;
    // Closes now; false when close() failed. Closing nothing succeeds.
    bool Close() noexcept;

private:
    int m_fd = -1;
};

} // namespace fetchly

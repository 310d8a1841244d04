#include "base/unique_fd.h"

#include <unistd.h>

namespace fetchly {

void TUniqueFd::Reset(int fd) noexcept
{
    // close() is not retried on EINTR: on Linux the descriptor is gone
    // either way, and a retry could close one another thread just opened.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool TUniqueFd::Close() noexcept
{
    if (m_fd < 0)
        return true;
    return ::close(std::exchange(m_fd, -1)) == 0;
}

} // namespace fetchly

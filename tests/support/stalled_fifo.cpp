#include "tests/support/stalled_fifo.h"

#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly::test {

StalledFifo::StalledFifo(std::filesystem::path path, std::chrono::milliseconds stall)
    : m_path(std::move(path))
{
    if (::mkfifo(m_path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make the FIFO " + m_path.string());
    m_writer = std::thread([this, stall] {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stall, [this] { return m_done; });
        // Read and write, so this open never waits for a reader itself.
        const int fd = ::open(m_path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
    });
}

StalledFifo::~StalledFifo()
{
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

} // namespace fetchly::test

#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fetchly::test {

// A named pipe that nobody writes to, the way a hostile download can leave
// one under a file's name. Opening it to read without O_NONBLOCK waits for a
// writer; one comes (and leaves at once) after `stall`, or when the object
// goes, so such code waits that long instead of forever.
class StalledFifo {
public:
    explicit StalledFifo(std::filesystem::path path,
                         std::chrono::milliseconds stall = std::chrono::milliseconds(1500));
    ~StalledFifo();
    StalledFifo(const StalledFifo &) = delete;
    StalledFifo &operator=(const StalledFifo &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_writer;
};

} // namespace fetchly::test

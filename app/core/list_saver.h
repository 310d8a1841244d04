#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fetchly {

// Writes list files on a thread of its own: the caller hands over a snapshot
// of the lines and goes on. Writes happen one after another in the order
// they were asked for; a write still waiting when a newer one comes is
// dropped (the newer lines replace it).
class TListSaver {
public:
    using Lines = std::shared_ptr<const std::vector<std::string>>;
    // Called on the saver's thread after each submitted write: the path and
    // an empty text, or the reason it failed.
    using Done = std::function<void(const std::filesystem::path &, const std::string &error)>;

    explicit TListSaver(Done done = {});
    // Finishes what is queued, then stops the thread.
    ~TListSaver();
    TListSaver(const TListSaver &) = delete;
    TListSaver &operator=(const TListSaver &) = delete;

    void Submit(std::filesystem::path path, Lines lines);
    // Submits and waits for that write; throws std::runtime_error when it
    // failed.
    void SaveNow(std::filesystem::path path, Lines lines);

private:
    struct Job {
        std::filesystem::path path;
        Lines lines;
        std::uint64_t ticket = 0;
        bool waited = false; // SaveNow reports to its caller instead
    };
    std::uint64_t enqueue(std::filesystem::path path, Lines lines, bool waited);
    void run();

    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::optional<Job> m_pending;
    std::uint64_t m_nextTicket = 0;
    std::uint64_t m_doneTicket = 0;
    std::string m_lastError;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace fetchly

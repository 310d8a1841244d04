#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace fetchly {

// Runs slow work (reading a downloaded file) on a thread of its own and hands
// its result to the thread of `receiver` (the UI thread), where it runs as an
// effect. Only the newest job counts: a job still waiting is replaced by a
// newer one, and the effect of a job that a newer one superseded while it ran
// is dropped. Once the worker is gone no effect runs any more.
class TLatestJobWorker {
public:
    using Effect = std::function<void()>;
    // Runs on the worker thread; returns the effect for the receiver's thread
    // (may be empty). It must not touch widgets, nor anything the worker's
    // owner frees.
    using Job = std::function<Effect()>;

    // `shutdownWait`: how long the destructor waits for a running job.
    explicit TLatestJobWorker(QObject *receiver,
                              std::chrono::milliseconds shutdownWait = std::chrono::seconds(2));
    // Drops a waiting job and waits (at most `shutdownWait`) for the running
    // one; a job that takes longer finishes on its own, unseen, so a file
    // that reads slowly never holds up closing the window.
    ~TLatestJobWorker();
    TLatestJobWorker(const TLatestJobWorker &) = delete;
    TLatestJobWorker &operator=(const TLatestJobWorker &) = delete;

    // Call on the receiver's thread.
    void Post(Job job);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake;
        QObject *receiver = nullptr; // null once the worker is going away
        Job waiting;
        std::uint64_t latest = 0; // number of the newest job posted
        bool exited = false;
    };
    static void workerMain(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::chrono::milliseconds m_shutdownWait;
    std::thread m_thread;
};

} // namespace fetchly

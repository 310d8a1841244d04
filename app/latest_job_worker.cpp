#include "app/latest_job_worker.h"

#include <QMetaObject>

#include <utility>

namespace fetchly {

TLatestJobWorker::TLatestJobWorker(QObject *receiver, std::chrono::milliseconds shutdownWait)
    : m_shared(std::make_shared<Shared>()), m_shutdownWait(shutdownWait)
{
    m_shared->receiver = receiver;
}

TLatestJobWorker::~TLatestJobWorker()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->waiting = nullptr;
    m_shared->wake.notify_all();
    if (!m_thread.joinable())
        return;
    const bool ended = m_shared->wake.wait_for(lock, m_shutdownWait, [this] { return m_shared->exited; });
    lock.unlock();
    // The thread holds its own share of the state, so it may outlive us.
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

void TLatestJobWorker::Post(Job job)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (!m_shared->receiver)
            return;
        m_shared->waiting = std::move(job);
        ++m_shared->latest;
    }
    // Started on first use: most sessions never inspect a file.
    if (!m_thread.joinable())
        m_thread = std::thread(&TLatestJobWorker::workerMain, m_shared);
    m_shared->wake.notify_all();
}

void TLatestJobWorker::workerMain(std::shared_ptr<Shared> shared)
{
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return !shared->receiver || shared->waiting; });
        if (!shared->receiver)
            break;
        Job job = std::exchange(shared->waiting, nullptr);
        const std::uint64_t number = shared->latest;
        QObject *const receiver = shared->receiver;
        lock.unlock();
        Effect effect;
        try {
            effect = job();
        } catch (...) {
            // A job reports its own failures in its effect; one that throws
            // anyway has nothing to show.
        }
        job = nullptr;
        lock.lock();
        if (!effect || shared->receiver != receiver || shared->latest != number)
            continue; // nothing to show, or superseded while it ran
        std::weak_ptr<Shared> weak = shared;
        QMetaObject::invokeMethod(
            receiver,
            [weak, number, effect = std::move(effect)] {
                const auto now = weak.lock();
                if (!now)
                    return;
                {
                    std::lock_guard lock(now->mutex);
                    if (!now->receiver || now->latest != number)
                        return;
                }
                effect();
            },
            Qt::QueuedConnection);
    }
    shared->exited = true;
    shared->wake.notify_all();
}

} // namespace fetchly

#include "latest_job_worker.h"

#include <QMetaObject>

#include <utility>

namespace fetchly {

TLatestJobWorker::TLatestJobWorker(QObject *receiver) : m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = receiver;
}

TLatestJobWorker::~TLatestJobWorker()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->receiver = nullptr;
        m_shared->waiting = nullptr;
    }
    m_shared->wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
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
        m_thread = std::thread(&TLatestJobWorker::workerMain, this);
    m_shared->wake.notify_one();
}

void TLatestJobWorker::workerMain()
{
    const std::shared_ptr<Shared> shared = m_shared;
    for (;;) {
        Job job;
        std::uint64_t number = 0;
        QObject *receiver = nullptr;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return !shared->receiver || shared->waiting; });
            if (!shared->receiver)
                return;
            job = std::exchange(shared->waiting, nullptr);
            number = shared->latest;
            receiver = shared->receiver;
        }
        Effect effect;
        try {
            effect = job();
        } catch (...) {
            // A job reports its own failures in its effect; one that throws
            // anyway has nothing to show.
        }
        if (!effect)
            continue;
        std::weak_ptr<Shared> weak = shared;
        std::lock_guard lock(shared->mutex);
        if (shared->receiver != receiver || shared->latest != number)
            continue; // superseded while it ran
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
}

} // namespace fetchly

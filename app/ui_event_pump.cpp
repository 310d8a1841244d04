#include "app/ui_event_pump.h"

#include <QMetaObject>
#include <QTimer>

#include <utility>

namespace fetchly {

TUiEventPump::TUiEventPump(QObject *receiver, std::chrono::milliseconds progressInterval)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = receiver;
    m_shared->interval = progressInterval;
}

TUiEventPump::~TUiEventPump()
{
    Detach();
}

void TUiEventPump::Detach()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->progress.reset();
}

void TUiEventPump::post(std::shared_ptr<Pending> first, std::shared_ptr<Pending> then,
                        std::chrono::milliseconds delay)
{
    // Called with the mutex held, so posts keep their order. Queued calls to
    // one receiver run in the order they were made.
    QObject *receiver = m_shared->receiver;
    if (!receiver)
        return;
    std::weak_ptr<Shared> weak = m_shared;
    auto run = [weak, first, then] {
        std::function<void()> a, b;
        {
            const auto shared = weak.lock();
            if (!shared)
                return;
            std::lock_guard lock(shared->mutex);
            if (!shared->receiver)
                return;
            for (const auto &[pending, effect] : {std::pair{&first, &a}, std::pair{&then, &b}}) {
                if (!*pending)
                    continue;
                *effect = std::exchange((*pending)->effect, nullptr);
                if (shared->progress == *pending) {
                    shared->progress.reset();
                    shared->lastProgress = std::chrono::steady_clock::now();
                }
            }
        }
        if (a)
            a();
        if (b)
            b();
    };
    if (delay.count() <= 0) {
        QMetaObject::invokeMethod(receiver, std::move(run), Qt::QueuedConnection);
        return;
    }
    // Timers belong to the receiver's thread: start it there.
    QMetaObject::invokeMethod(
        receiver,
        [receiver, delay, run = std::move(run)]() mutable {
            QTimer::singleShot(delay, receiver, std::move(run));
        },
        Qt::QueuedConnection);
}

void TUiEventPump::Post(std::function<void()> effect)
{
    std::lock_guard lock(m_shared->mutex);
    // A progress still waiting runs right before this event, never after it.
    std::shared_ptr<Pending> waiting;
    if (m_shared->progress && m_shared->progress->effect)
        waiting = m_shared->progress;
    m_shared->progress.reset();
    auto pending = std::make_shared<Pending>();
    pending->effect = std::move(effect);
    post(std::move(waiting), std::move(pending), std::chrono::milliseconds(0));
}

void TUiEventPump::PostProgress(std::function<void()> effect)
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->progress && m_shared->progress->effect) {
        m_shared->progress->effect = std::move(effect);
        return;
    }
    auto pending = std::make_shared<Pending>();
    pending->effect = std::move(effect);
    m_shared->progress = pending;
    const auto since = std::chrono::steady_clock::now() - m_shared->lastProgress;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_shared->interval - since);
    post(nullptr, std::move(pending), wait);
}

} // namespace fetchly

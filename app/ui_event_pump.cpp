#include "ui_event_pump.h"

#include <QMetaObject>

namespace fetchly {

TUiEventPump::TUiEventPump(QObject *receiver) : m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = receiver;
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

void TUiEventPump::post(std::shared_ptr<Pending> pending)
{
    // Called with the mutex held, so posts keep their order. Queued calls to
    // one receiver run in the order they were made.
    QObject *receiver = m_shared->receiver;
    if (!receiver)
        return;
    std::weak_ptr<Shared> shared = m_shared;
    QMetaObject::invokeMethod(
        receiver,
        [shared, pending] {
            std::function<void()> effect;
            {
                const auto alive = shared.lock();
                if (!alive)
                    return;
                std::lock_guard lock(alive->mutex);
                if (!alive->receiver)
                    return;
                effect = std::move(pending->effect);
                pending->effect = nullptr;
                if (alive->progress == pending)
                    alive->progress.reset();
            }
            if (effect)
                effect();
        },
        Qt::QueuedConnection);
}

void TUiEventPump::Post(std::function<void()> effect)
{
    std::lock_guard lock(m_shared->mutex);
    // A later progress must not overtake this event: start a new slot.
    m_shared->progress.reset();
    auto pending = std::make_shared<Pending>();
    pending->effect = std::move(effect);
    post(std::move(pending));
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
    post(std::move(pending));
}

} // namespace fetchly

#include "ui/ui_event_pump.h"

#include <QMetaObject>
#include <QTimer>

#include <utility>

namespace fetchly {

TUiEventPump::TUiEventPump(QObject *receiver, Handler handler, std::chrono::milliseconds progressInterval)
    : m_queue(std::make_shared<TEngineEventQueue>(progressInterval)), m_sink(std::make_shared<Sink>())
{
    m_sink->queue = m_queue;
    m_sink->handler = std::move(handler);
    std::weak_ptr<Sink> weak = m_sink;
    auto drain = [weak] {
        const auto sink = weak.lock();
        if (!sink)
            return;
        // A handler may detach the pump (the window closing): stop there.
        for (const TEngineEvent &event : sink->queue->Drain()) {
            if (sink->queue->Closed())
                return;
            sink->handler(event);
        }
    };
    // Runs on the worker with the queue's lock held: only posts the drain.
    // Queued calls to one receiver run in the order they were made.
    m_queue->SetWaker([receiver, drain](std::chrono::milliseconds delay) {
        if (delay.count() <= 0) {
            QMetaObject::invokeMethod(receiver, drain, Qt::QueuedConnection);
            return;
        }
        // Timers belong to the receiver's thread: start it there.
        QMetaObject::invokeMethod(
            receiver, [receiver, delay, drain] { QTimer::singleShot(delay, receiver, drain); },
            Qt::QueuedConnection);
    });
}

TUiEventPump::~TUiEventPump()
{
    Detach();
}

void TUiEventPump::Detach()
{
    m_queue->Close();
    m_sink.reset();
}

} // namespace fetchly

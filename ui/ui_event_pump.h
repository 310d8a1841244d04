#pragma once

#include "transfer/engine_event_queue.h"

#include <QObject>

#include <functional>
#include <memory>

namespace fetchly {

// The one bridge from the engine's worker to the UI thread: the queue's
// wake-up becomes a queued call on the thread of `receiver`, which drains
// the queue and hands each event, in order, to `handler`. The queue itself
// holds no Qt; this class is only its wake-up. After Detach (or the pump's
// end) nothing queued reaches the handler any more.
class TUiEventPump {
public:
    using Handler = std::function<void(const TEngineEvent &)>;

    TUiEventPump(QObject *receiver, Handler handler,
                 std::chrono::milliseconds progressInterval = std::chrono::milliseconds(50));
    ~TUiEventPump();
    TUiEventPump(const TUiEventPump &) = delete;
    TUiEventPump &operator=(const TUiEventPump &) = delete;

    // Where the worker pushes; shared with the engine's handlers, so it
    // outlives a run that ends late.
    const std::shared_ptr<TEngineEventQueue> &Queue() const { return m_queue; }
    void Detach();

private:
    struct Sink {
        std::shared_ptr<TEngineEventQueue> queue;
        Handler handler;
    };
    std::shared_ptr<TEngineEventQueue> m_queue;
    std::shared_ptr<Sink> m_sink;
};

} // namespace fetchly

#pragma once

#include "transfer/engine_events.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace fetchly {

class TFetchEngine;

// Carries the engine's events from its worker thread to one consumer
// thread, in the order they were pushed. Any thread pushes; the consumer
// drains everything queued in one call when its waker asks it to.
//
// Progress is coalesced and paced: a progress value still queued behind no
// other event is replaced by a newer one of the same entry, and a wake-up for progress alone
// comes at most once per `progressInterval`, so a fast download cannot keep
// the consumer busy. A progress never overtakes an event pushed after it.
// After Close nothing is queued or woken any more.
class TEngineEventQueue {
public:
    // Asks the consumer to drain after `delay`. Called with the queue's lock
    // held, so it must only hand the request on, never drain in place.
    using Waker = std::function<void(std::chrono::milliseconds delay)>;

    explicit TEngineEventQueue(std::chrono::milliseconds progressInterval = std::chrono::milliseconds(50));
    TEngineEventQueue(const TEngineEventQueue &) = delete;
    TEngineEventQueue &operator=(const TEngineEventQueue &) = delete;

    void SetWaker(Waker waker);
    void Push(TEngineEvent event);
    std::vector<TEngineEvent> Drain();
    // Drops what is queued and ignores later pushes.
    void Close();
    bool Closed() const;

private:
    void wake(std::chrono::milliseconds delay);

    mutable std::mutex m_mutex;
    std::deque<TEngineEvent> m_events;
    Waker m_waker;
    bool m_closed = false;
    bool m_wakePending = false;
    bool m_wakeDelayed = false;
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_lastProgress{};
};

// Binds every event of `engine` to `sink`, as values, on the worker thread
// (the progress model's notices are not events of the engine).
using EngineEventSink = std::function<void(TEngineEvent event)>;
void ForwardEvents(TFetchEngine &engine, const EngineEventSink &sink);
// Binds every event of `engine` and the notices of its progress model to
// `queue`. The handlers run on the worker and only push values.
void SendEventsTo(TFetchEngine &engine, const std::shared_ptr<TEngineEventQueue> &queue);
// Binds the notices of a progress model alone.
void SendDialogNoticesTo(TProgressModel &model, const std::shared_ptr<TEngineEventQueue> &queue);

} // namespace fetchly

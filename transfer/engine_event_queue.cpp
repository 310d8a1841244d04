#include "transfer/engine_event_queue.h"

#include "transfer/fetch_engine.h"
#include "transfer/format_functions.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace fetchly {

TEngineEventQueue::TEngineEventQueue(std::chrono::milliseconds progressInterval)
    : m_interval(progressInterval)
{
}

void TEngineEventQueue::SetWaker(Waker waker)
{
    std::lock_guard lock(m_mutex);
    m_waker = std::move(waker);
    if (!m_events.empty())
        wake(std::chrono::milliseconds(0));
}

void TEngineEventQueue::wake(std::chrono::milliseconds delay)
{
    if (!m_waker)
        return;
    m_wakePending = true;
    m_wakeDelayed = delay.count() > 0;
    m_waker(delay);
}

void TEngineEventQueue::Push(TEngineEvent event)
{
    std::lock_guard lock(m_mutex);
    if (m_closed)
        return;
    const bool progress = std::holds_alternative<TProgressEvent>(event);
    // Only a progress of the same item is replaced: with several items at
    // once, each line keeps its own.
    for (auto it = m_events.rbegin(); progress && it != m_events.rend(); ++it) {
        const auto *queued = std::get_if<TProgressEvent>(&*it);
        if (!queued)
            break;
        if (queued->Ext == std::get<TProgressEvent>(event).Ext) {
            *it = std::move(event);
            return;
        }
    }
    m_events.push_back(std::move(event));
    if (!progress) {
        // An event waits for no pacing, and takes a waiting progress along.
        if (!m_wakePending || m_wakeDelayed)
            wake(std::chrono::milliseconds(0));
        return;
    }
    if (m_wakePending)
        return;
    const auto since = std::chrono::steady_clock::now() - m_lastProgress;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m_interval - since);
    wake(std::max(wait, std::chrono::milliseconds(0)));
}

std::vector<TEngineEvent> TEngineEventQueue::Drain()
{
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
    m_wakeDelayed = false;
    std::vector<TEngineEvent> events(std::make_move_iterator(m_events.begin()),
                                     std::make_move_iterator(m_events.end()));
    m_events.clear();
    for (const TEngineEvent &event : events) {
        if (std::holds_alternative<TProgressEvent>(event)) {
            m_lastProgress = std::chrono::steady_clock::now();
            break;
        }
    }
    return events;
}

void TEngineEventQueue::Close()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_events.clear();
    m_waker = nullptr;
}

bool TEngineEventQueue::Closed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void ForwardEvents(TFetchEngine &engine, const EngineEventSink &sink)
{
    engine.OnFileStart = [sink](TFetchEngine &, int, int Ext) { sink(TFileStartEvent{Ext}); };
    engine.OnCopyProgress = [sink](TFetchEngine &, int, int Ext, TFetchSize size, TFetchSize totsize) {
        sink(TProgressEvent{Ext, size, totsize});
    };
    engine.OnFileDone = [sink](TFetchEngine &sender, int idx, int Ext) {
        // The run has just written the item's result; read it here, where
        // the item is still the one that ran.
        bool done = false;
        try {
            done = sender.Items.Get(idx).Done;
        } catch (const std::out_of_range &) {
        }
        sink(TFileDoneEvent{Ext, done, sender.CurrentSha256(), sender.CurrentHead(),
                            done ? sender.CurrentTarget() : std::string(),
                            done && sender.CurrentFileUnchanged(), done ? sender.UnchangedFileSize() : 0});
    };
    engine.OnURLNotFound = [sink](TFetchEngine &, const std::string &url) { sink(TURLNotFoundEvent{url}); };
    engine.OnErrorInfo = [sink](TFetchEngine &sender, int code, const std::string &info) {
        sink(TErrorInfoEvent{info, code, FailureInWords(code, info, sender.CurrentReason())});
    };
    engine.OnRetry = [sink](TFetchEngine &, int retry, int retries, int delayMs, int,
                            const std::string &info) {
        sink(TRetryEvent{retry, retries, delayMs, info});
    };
    engine.OnCopyDone = [sink](TFetchEngine &sender) {
        // Read now: a follow-up run may clear it before the value is shown.
        sink(TRunDoneEvent{sender.Cancelled()});
    };
}

void SendEventsTo(TFetchEngine &engine, const std::shared_ptr<TEngineEventQueue> &queue)
{
    ForwardEvents(engine, [queue](TEngineEvent event) { queue->Push(std::move(event)); });
    SendDialogNoticesTo(engine.Progress(), queue);
}

void SendDialogNoticesTo(TProgressModel &model, const std::shared_ptr<TEngineEventQueue> &queue)
{
    model.SetListener([queue](TDialogChange change, std::uint64_t serial) {
        queue->Push(TDialogNoticeEvent{change, serial});
    });
}

} // namespace fetchly

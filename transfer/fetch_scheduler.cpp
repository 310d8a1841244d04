#include "transfer/fetch_scheduler.h"

#include "transfer/engine_event_queue.h"
#include "transfer/transfer_operations.h"

#include <algorithm>
#include <variant>

namespace fetchly {

namespace {

// The file an item writes, or "" for an item that writes none (an upload).
std::string targetOf(const TFetchItem &item)
{
    const bool download = item.Protocol == TFetchProtocol::wpHttp || item.Protocol == TFetchProtocol::wpFtp;
    return download ? DownloadTarget(item) : std::string();
}

} // namespace

struct TFetchScheduler::Lane {
    TFetchEngine engine;
    int item = -1;        // the item it runs; -1 while free
    std::string target;   // the file it writes
    bool started = false; // its engine runs the item; Stop may cancel it
    bool ended = false;   // its engine has raised run-done; the worker is to be joined
};

TFetchScheduler::TFetchScheduler(int simultaneous)
{
    const int lanes = std::clamp(simultaneous, 1, MaxSimultaneous);
    for (int i = 0; i < lanes; ++i)
        m_lanes.push_back(std::make_unique<Lane>());
    m_thread = std::thread([this] { dispatch(); });
}

TFetchScheduler::~TFetchScheduler()
{
    Stop();
    Wait();
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

int TFetchScheduler::Start(std::vector<TFetchItem> items)
{
    std::lock_guard lock(m_mutex);
    std::vector<TFetchItem> *target = &m_items;
    if (!m_running && !m_endingRun) {
        m_items.clear();
        m_taken.clear();
        m_next = 0;
        m_stopped = false;
        m_running = true;
        m_share = ProcessCurlShare();
    } else if (m_stopped || m_endingRun) {
        // The run going is over for new items; they make the next one.
        target = &m_pending;
    }
    const int first = static_cast<int>(target->size());
    std::move(items.begin(), items.end(), std::back_inserter(*target));
    m_changed.notify_all();
    return first;
}

void TFetchScheduler::Stop()
{
    // Held until every listed engine is cancelled, so none of them is
    // prepared for another item (by a run started meanwhile) while it is.
    std::lock_guard stopping(m_stopMutex);
    std::vector<TFetchEngine *> active;
    {
        std::lock_guard lock(m_mutex);
        // Items waiting for the next run never started: they go too.
        m_pending.clear();
        if (!m_running)
            return;
        m_stopped = true;
        // No lane is prepared any more from here on, so the engines listed
        // keep their handlers while they are cancelled.
        for (const auto &lane : m_lanes)
            if (lane->started && !lane->ended)
                active.push_back(&lane->engine);
    }
    // A lane being started just now checks m_stopped itself.
    for (TFetchEngine *engine : active)
        engine->CancelClick();
    m_changed.notify_all();
}

bool TFetchScheduler::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running || m_endingRun || !m_pending.empty();
}

void TFetchScheduler::Wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_running && !m_endingRun && m_pending.empty(); });
}

bool TFetchScheduler::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout,
                              [this] { return !m_running && !m_endingRun && m_pending.empty(); });
}

int TFetchScheduler::ActiveCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_lanes.begin(), m_lanes.end(), [](const auto &lane) { return lane->item >= 0; }));
}

int TFetchScheduler::WaitingCount() const
{
    std::lock_guard lock(m_mutex);
    std::ptrdiff_t count = 0;
    for (std::size_t i = m_next; !m_stopped && i < m_items.size(); ++i)
        count += waiting(i) ? 1 : 0;
    count +=
        std::count_if(m_pending.begin(), m_pending.end(), [](const TFetchItem &item) { return item.Active; });
    return static_cast<int>(count);
}

bool TFetchScheduler::waiting(std::size_t i) const
{
    return m_items[i].Active && !(i < m_taken.size() && m_taken[i]);
}

bool TFetchScheduler::hasWaiting() const
{
    for (std::size_t i = m_next; i < m_items.size(); ++i)
        if (waiting(i))
            return true;
    return false;
}

std::size_t TFetchScheduler::nextStartable() const
{
    for (std::size_t i = m_next; i < m_items.size(); ++i) {
        if (!waiting(i))
            continue;
        const std::string target = targetOf(m_items[i]);
        if (target.empty() || std::none_of(m_lanes.begin(), m_lanes.end(), [&](const auto &lane) {
                return lane->item >= 0 && lane->target == target;
            }))
            return i;
    }
    return m_items.size();
}

bool TFetchScheduler::mayStart() const
{
    return m_running && !m_stopped &&
           std::any_of(m_lanes.begin(), m_lanes.end(), [](const auto &lane) { return lane->item < 0; }) &&
           nextStartable() < m_items.size();
}

bool TFetchScheduler::anyEnded() const
{
    return std::any_of(m_lanes.begin(), m_lanes.end(), [](const auto &lane) { return lane->ended; });
}

bool TFetchScheduler::runComplete() const
{
    if (!m_running)
        return false;
    const bool idle =
        std::all_of(m_lanes.begin(), m_lanes.end(), [](const auto &lane) { return lane->item < 0; });
    return idle && (m_stopped || !hasWaiting());
}

void TFetchScheduler::dispatch()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || anyEnded() || mayStart() || runComplete(); });
        if (m_quit && !m_running && !anyEnded())
            return;
        collectEnded(lock);
        startWaiting(lock);
        if (runComplete())
            endRun(lock);
    }
}

void TFetchScheduler::collectEnded(std::unique_lock<std::mutex> &lock)
{
    for (const auto &lane : m_lanes) {
        if (!lane->ended)
            continue;
        // The worker is past its last event; joining it takes no time.
        lock.unlock();
        lane->engine.Wait();
        lock.lock();
        lane->ended = false;
        lane->started = false;
        lane->item = -1;
    }
}

void TFetchScheduler::startWaiting(std::unique_lock<std::mutex> &lock)
{
    for (const auto &lane : m_lanes) {
        if (!mayStart())
            return;
        if (lane->item >= 0)
            continue;
        const std::size_t next = nextStartable();
        m_taken.resize(m_items.size());
        m_taken[next] = true;
        while (m_next < m_items.size() && !waiting(m_next))
            ++m_next;
        const int item = static_cast<int>(next);
        lane->item = item;
        lane->target = targetOf(m_items[next]);
        TFetchEngine &engine = lane->engine;
        engine.Items.Clear();
        engine.Items.Add(m_items[static_cast<std::size_t>(item)]);
        Lane *self = lane.get();
        // The owner's handler runs without the lock, so it may ask the
        // scheduler anything; only this thread starts lanes, so the lane
        // stays ours meanwhile.
        lock.unlock();
        {
            std::lock_guard preparing(m_stopMutex);
            if (OnPrepare)
                OnPrepare(engine, item);
            engine.OnCopyDone = [this, self](TFetchEngine &) {
                {
                    std::lock_guard done(m_mutex);
                    self->ended = true;
                }
                m_changed.notify_all();
            };
            engine.Start();
        }
        lock.lock();
        self->started = true;
        // A Stop that came before the engine was started did not cancel
        // it: do it here.
        if (m_stopped) {
            lock.unlock();
            engine.CancelClick();
            lock.lock();
        }
    }
}

void TFetchScheduler::endRun(std::unique_lock<std::mutex> &lock)
{
    const bool stopped = m_stopped;
    m_running = false;
    m_endingRun = true;
    auto share = std::move(m_share);
    lock.unlock();
    // The run's idle connections close here, unless another holds the share.
    share.reset();
    if (OnRunDone)
        OnRunDone(stopped);
    lock.lock();
    m_endingRun = false;
    if (!m_pending.empty()) {
        m_items = std::move(m_pending);
        m_pending.clear();
        m_taken.clear();
        m_next = 0;
        m_stopped = false;
        m_running = true;
        m_share = ProcessCurlShare();
    }
    m_changed.notify_all();
}

void ForwardItemEvents(TFetchEngine &engine, int item, const ItemEventSink &sink)
{
    ForwardEvents(engine, [item, sink](const TEngineEvent &event) {
        if (!std::holds_alternative<TRunDoneEvent>(event))
            sink(item, event);
    });
}

} // namespace fetchly

#pragma once

#include "transfer/curl_share.h"
#include "transfer/engine_events.h"
#include "transfer/fetch_engine.h"
#include "transfer/fetch_item.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace fetchly {

// "Downloads at once": its default and range.
inline constexpr int DefaultSimultaneous = 4;
inline constexpr int MaxSimultaneous = 10;

// Runs a list of items over up to N engines at once, each engine with its
// own worker and one item at a time, taking the items in list order as
// engines free up. Every event of an item comes from the one engine that
// runs it, so an item's events keep their order; events of different items
// interleave. The run ends once, after its last item, with OnRunDone.
//
// Items are numbered in the order they were given to Start, from 0 for
// each new run; the engines' own run-done events are the scheduler's and
// never reach the owner.
class TFetchScheduler {
public:
    // Called on the scheduler's thread before an engine starts item `item`:
    // set the engine's properties and bind its events there (their handlers
    // know `item`; see ForwardItemEvents). OnCopyDone is the scheduler's
    // own and is overwritten. It must not call Stop.
    using Prepare = std::function<void(TFetchEngine &engine, int item)>;
    // The end of the run, on the scheduler's thread; `stopped` when Stop
    // ended it.
    using RunDone = std::function<void(bool stopped)>;

    // `simultaneous` is taken into 1..MaxSimultaneous.
    explicit TFetchScheduler(int simultaneous = DefaultSimultaneous);
    // Stops a run still going and waits for its end. Not from a handler.
    ~TFetchScheduler();
    TFetchScheduler(const TFetchScheduler &) = delete;
    TFetchScheduler &operator=(const TFetchScheduler &) = delete;

    // Set before Start; the handlers must outlive the run.
    Prepare OnPrepare;
    RunDone OnRunDone;

    int Simultaneous() const { return static_cast<int>(m_lanes.size()); }
    // Appends `items` to the run going, or starts a new run with them;
    // returns at once with the number of the first of them. Items given
    // while a stopped run is ending make the next run (numbered from 0).
    // Inactive items are passed over, as the engine does.
    int Start(std::vector<TFetchItem> items);
    // Cancels every active item and starts no more; the run then ends.
    void Stop();
    bool Running() const;
    void Wait();
    bool WaitFor(std::chrono::milliseconds timeout);
    // Items being transferred, and items of the run still waiting.
    int ActiveCount() const;
    int WaitingCount() const;

private:
    struct Lane;

    void dispatch();
    // Starts waiting items on free lanes; called and returns with `lock` held.
    void startWaiting(std::unique_lock<std::mutex> &lock);
    // Joins the workers of lanes whose item has ended; likewise.
    void collectEnded(std::unique_lock<std::mutex> &lock);
    // Raises the run's end and takes up items that arrived meanwhile; likewise.
    void endRun(std::unique_lock<std::mutex> &lock);
    bool hasWaiting() const;
    // Item i is still to be started.
    bool waiting(std::size_t i) const;
    // The first waiting item that may start now, or m_items.size(): an item
    // whose file another one of the run is writing waits for it, so it does
    // not find that one's part locked.
    std::size_t nextStartable() const;
    bool mayStart() const;
    bool anyEnded() const;
    bool runComplete() const;

    std::vector<std::unique_ptr<Lane>> m_lanes;
    // Orders Stop's cancels against the preparing of an engine.
    std::mutex m_stopMutex;
    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_changed;
    std::vector<TFetchItem> m_items;
    std::vector<bool> m_taken; // started, by item; items before m_next all are
    std::size_t m_next = 0;
    // Given while a stopped run was ending: the next run's items.
    std::vector<TFetchItem> m_pending;
    bool m_running = false;
    bool m_stopped = false;
    bool m_endingRun = false;
    bool m_quit = false;
    // Held for the whole run, so an item taken up after another has ended
    // still finds that one's idle connection.
    std::shared_ptr<TCurlShare> m_share;
    std::thread m_thread;
};

// Binds every event of `engine` to `sink`, tagged with `item` (the
// engine's run-done event is left to the scheduler).
using ItemEventSink = std::function<void(int item, const TEngineEvent &event)>;
void ForwardItemEvents(TFetchEngine &engine, int item, const ItemEventSink &sink);

} // namespace fetchly

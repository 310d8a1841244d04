// Effects of the worker's events reach the UI thread in order; progress may
// be coalesced but never overtakes an event that followed it. Slow jobs run
// off the UI thread, and only the newest one takes effect.
#include "app/latest_job_worker.h"
#include "tests/support/event_wait.h"
#include "ui/ui_event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace fetchly;

namespace {

// An event as a word, for comparing sequences.
std::string named(const TEngineEvent &event)
{
    if (const auto *e = std::get_if<TFileStartEvent>(&event))
        return "start " + std::to_string(e->Ext);
    if (const auto *e = std::get_if<TProgressEvent>(&event))
        return "progress " + std::to_string(e->Ext) + " " + std::to_string(e->Size);
    if (const auto *e = std::get_if<TFileDoneEvent>(&event))
        return "done " + std::to_string(e->Ext);
    if (std::holds_alternative<TRunDoneEvent>(event))
        return "run done";
    return "other";
}

} // namespace

TEST(UiEventPump, EventsArriveInOrderOnTheReceiverThreadAndProgressNeverOvertakes)
{
    QObject receiver;
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::string> seen;
    bool wrongThread = false;
    TUiEventPump pump(&receiver, [&](const TEngineEvent &event) {
        wrongThread |= std::this_thread::get_id() != uiThread;
        seen.push_back(named(event));
    });
    const int files = 50, chunks = 200;

    std::thread worker([&, queue = pump.Queue()] {
        for (int f = 0; f < files; ++f) {
            queue->Push(TFileStartEvent{f});
            for (int c = 1; c <= chunks; ++c)
                queue->Push(TProgressEvent{f, c, chunks});
            queue->Push(TFileDoneEvent{f, true});
        }
        queue->Push(TRunDoneEvent{false});
    });
    test::PumpUntil([&] { return !seen.empty() && seen.back() == "run done"; });
    worker.join();
    QCoreApplication::processEvents();

    EXPECT_FALSE(wrongThread);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "run done");
    // Per file: its start, then progress of that file only with rising chunk
    // numbers, the last one being the file's final chunk, then its done.
    std::size_t at = 0;
    for (int f = 0; f < files; ++f) {
        ASSERT_LT(at, seen.size());
        ASSERT_EQ(seen[at++], "start " + std::to_string(f));
        int last = 0;
        const std::string prefix = "progress " + std::to_string(f) + " ";
        while (at < seen.size() && seen[at].rfind(prefix, 0) == 0) {
            const int chunk = std::stoi(seen[at].substr(prefix.size()));
            EXPECT_GT(chunk, last);
            last = chunk;
            ++at;
        }
        EXPECT_EQ(last, chunks) << "file " << f << " did not show its final progress";
        ASSERT_LT(at, seen.size());
        ASSERT_EQ(seen[at++], "done " + std::to_string(f));
    }
    EXPECT_EQ(seen[at], "run done");
}

TEST(UiEventPump, NothingRunsAfterDetach)
{
    QObject receiver;
    std::vector<std::string> seen;
    const auto record = [&](const TEngineEvent &event) { seen.push_back(named(event)); };
    {
        TUiEventPump pump(&receiver, record);
        pump.Queue()->Push(TFileStartEvent{1});
        pump.Queue()->Push(TProgressEvent{1, 1, 2});
        pump.Detach();
        pump.Queue()->Push(TFileDoneEvent{1, true});
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(seen.empty());

    TUiEventPump pump(&receiver, record);
    pump.Queue()->Push(TFileStartEvent{2});
    pump.Queue()->Push(TProgressEvent{2, 1, 2});
    pump.Queue()->Push(TProgressEvent{2, 2, 2}); // replaces the waiting one
    ASSERT_TRUE(test::PumpUntil([&] { return seen.size() >= 2; }, 5000));
    EXPECT_EQ(seen, (std::vector<std::string>{"start 2", "progress 2 2"}));
}

TEST(LatestJobWorker, OnlyTheNewestJobTakesEffectAndClosingNeverWaitsForASlowOne)
{
    QObject receiver;
    const auto uiThread = std::this_thread::get_id();
    std::mutex mutex;
    std::vector<std::string> jobs; // guarded by mutex
    std::vector<std::string> effects;
    std::promise<void> first, second;
    const std::shared_future<void> firstOpen = first.get_future().share(),
                                   secondOpen = second.get_future().share();
    std::atomic<bool> offUiThread{true};
    std::atomic<int> finished{0};
    auto job = [&](const std::string &name, const std::shared_future<void> *gate) {
        return [&, name, gate]() -> TLatestJobWorker::Effect {
            offUiThread = offUiThread && std::this_thread::get_id() != uiThread;
            {
                std::lock_guard lock(mutex);
                jobs.push_back(name);
            }
            if (gate)
                gate->wait_for(std::chrono::seconds(10));
            ++finished; // the last use of this test's variables
            return [&, name] { effects.push_back(name); };
        };
    };
    const auto started = [&](std::size_t n) {
        return fetchly::test::PumpUntil(
            [&] {
                std::lock_guard lock(mutex);
                return jobs.size() >= n;
            },
            10000);
    };
    auto worker = std::make_unique<TLatestJobWorker>(&receiver, std::chrono::milliseconds(100));
    worker->Post(job("running", &firstOpen));
    ASSERT_TRUE(started(1));
    worker->Post(job("waiting", nullptr));
    worker->Post(job("newest", nullptr)); // replaces the one still waiting
    first.set_value();
    EXPECT_TRUE(fetchly::test::PumpUntil([&] { return !effects.empty(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(effects, std::vector<std::string>{"newest"});

    // The worker goes while a job is still reading: no waiting for it, and
    // its result is never shown.
    worker->Post(job("slow", &secondOpen));
    ASSERT_TRUE(started(3));
    QElapsedTimer clock;
    clock.start();
    worker.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    second.set_value();
    fetchly::test::PumpUntil([&] { return finished == 3; }, 10000);
    QCoreApplication::processEvents();
    EXPECT_EQ(jobs, (std::vector<std::string>{"running", "newest", "slow"}));
    EXPECT_EQ(effects, std::vector<std::string>{"newest"});
    EXPECT_TRUE(offUiThread);
}

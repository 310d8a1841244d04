// Effects of the worker's events reach the UI thread in order; progress may
// be coalesced but never overtakes an event that followed it. Slow jobs run
// off the UI thread, and only the newest one takes effect.
#include "latest_job_worker.h"
#include "support/event_wait.h"
#include "ui_event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

using fetchly::TLatestJobWorker;
using fetchly::TUiEventPump;

TEST(UiEventPump, EventsArriveInOrderOnTheReceiverThreadAndProgressNeverOvertakes)
{
    QObject receiver;
    TUiEventPump pump(&receiver);
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::string> seen;
    bool wrongThread = false;
    const int files = 50, chunks = 200;

    std::thread worker([&] {
        for (int f = 0; f < files; ++f) {
            pump.Post([&, f] {
                wrongThread |= std::this_thread::get_id() != uiThread;
                seen.push_back("start " + std::to_string(f));
            });
            for (int c = 1; c <= chunks; ++c)
                pump.PostProgress(
                    [&, f, c] { seen.push_back("progress " + std::to_string(f) + " " + std::to_string(c)); });
            pump.Post([&, f] { seen.push_back("done " + std::to_string(f)); });
        }
        pump.Post([&] { seen.push_back("run done"); });
    });
    fetchly::test::PumpUntil([&] { return !seen.empty() && seen.back() == "run done"; });
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
    int ran = 0;
    {
        TUiEventPump pump(&receiver);
        pump.Post([&] { ++ran; });
        pump.PostProgress([&] { ++ran; });
        pump.Detach();
        pump.Post([&] { ++ran; });
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);

    TUiEventPump pump(&receiver);
    pump.Post([&] { ++ran; });
    pump.PostProgress([&] { ++ran; });
    pump.PostProgress([&] { ran += 10; }); // replaces the pending one
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 11);
}

TEST(LatestJobWorker, OnlyTheNewestJobTakesEffectOnTheReceiverThread)
{
    QObject receiver;
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::string> jobs, effects; // jobs: touched by the worker only until joined
    std::promise<void> gate;
    std::atomic<bool> firstStarted{false}, offUiThread{true};
    std::atomic<int> jobCount{0};
    auto job = [&](const std::string &name, bool wait) {
        return [&, name, wait]() -> TLatestJobWorker::Effect {
            offUiThread = offUiThread && std::this_thread::get_id() != uiThread;
            jobs.push_back(name);
            ++jobCount;
            if (wait) {
                firstStarted = true;
                gate.get_future().wait_for(std::chrono::seconds(10));
            }
            return [&, name] { effects.push_back(name); };
        };
    };
    {
        TLatestJobWorker worker(&receiver);
        worker.Post(job("running", true));
        ASSERT_TRUE(fetchly::test::PumpUntil([&] { return firstStarted.load(); }, 10000));
        worker.Post(job("waiting", false));
        worker.Post(job("newest", false)); // replaces the one still waiting
        gate.set_value();
        EXPECT_TRUE(fetchly::test::PumpUntil([&] { return !effects.empty(); }, 10000));
        QCoreApplication::processEvents();
        EXPECT_EQ(effects, std::vector<std::string>{"newest"});

        // A job whose effect is still queued when the worker goes.
        worker.Post(job("late", false));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end && jobCount < 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(jobs, (std::vector<std::string>{"running", "newest", "late"}));
    EXPECT_EQ(effects, std::vector<std::string>{"newest"});
    EXPECT_TRUE(offUiThread);
}

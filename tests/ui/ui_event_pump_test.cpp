// The engine's events reach the UI thread in order: the queue paces and
// coalesces progress, which never overtakes an event that followed it, and
// the pump drains it on the receiver's thread.
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
using namespace std::chrono_literals;

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

TEST(EngineEventQueue, ProgressAloneIsPacedAndAnEventTakesItAlongAtOnce)
{
    TEngineEventQueue queue(1000ms);
    std::vector<std::chrono::milliseconds> wakes;
    queue.SetWaker([&](std::chrono::milliseconds delay) { wakes.push_back(delay); });
    queue.Push(TProgressEvent{0, 1, 9});
    ASSERT_EQ(wakes.size(), 1u);
    ASSERT_EQ(queue.Drain().size(), 1u);
    queue.Push(TProgressEvent{0, 2, 9});
    queue.Push(TProgressEvent{0, 3, 9}); // replaces the one waiting
    ASSERT_EQ(wakes.size(), 2u);
    EXPECT_GT(wakes[1], 500ms); // just after a progress was shown
    queue.Push(TFileDoneEvent{0, true});
    ASSERT_EQ(wakes.size(), 3u);
    EXPECT_EQ(wakes[2], 0ms);
    const std::vector<TEngineEvent> events = queue.Drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(std::get<TProgressEvent>(events[0]).Size, 3);
    EXPECT_TRUE(std::get<TFileDoneEvent>(events[1]).Done);
    queue.Close();
    queue.Push(TRunDoneEvent{});
    EXPECT_TRUE(queue.Drain().empty());
    EXPECT_EQ(wakes.size(), 3u);
}

// Effects of the worker's events reach the UI thread in order; progress may
// be coalesced but never overtakes an event that followed it.
#include "ui_event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using fetchly::TUiEventPump;

namespace {

void drainUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

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
    drainUntil([&] { return !seen.empty() && seen.back() == "run done"; });
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

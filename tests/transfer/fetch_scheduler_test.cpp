// Several items at once over the scheduler's engines, against the HTTP
// peer: how many run at once, the order of each item's events, Stop, and
// the one end of the run. Also run under TSan (scripts/sanitize.sh).
#include "tests/support/byte_pattern.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"
#include "transfer/fetch_scheduler.h"
#include "transfer/host_budget.h"
#include "transfer/rate_limiter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

using namespace fetchly;
using namespace fetchly::test;
using namespace std::chrono_literals;

namespace {

// Each item's events as words, in the order they came, plus the items in
// the order they were started and each end of the run.
class ItemLog {
public:
    explicit ItemLog(TFetchScheduler &scheduler)
    {
        scheduler.OnPrepare = [this](TFetchEngine &engine, int item) {
            engine.ShowDialog = false;
            {
                std::lock_guard lock(m_mutex);
                m_started.push_back(item);
            }
            ForwardItemEvents(engine, item, [this](int i, const TEngineEvent &event) { add(i, event); });
        };
        scheduler.OnRunDone = [this](bool stopped) {
            std::lock_guard lock(m_mutex);
            m_runDone.push_back(stopped);
        };
    }
    // Runs of progress words are folded into one.
    std::vector<std::string> of(int item) const
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_words.find(item);
        return it == m_words.end() ? std::vector<std::string>{} : it->second;
    }
    std::vector<int> started() const
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    std::vector<bool> runDone() const
    {
        std::lock_guard lock(m_mutex);
        return m_runDone;
    }
    int count(const std::string &word) const
    {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto &[item, words] : m_words)
            n += static_cast<int>(std::count(words.begin(), words.end(), word));
        return n;
    }

private:
    void add(int item, const TEngineEvent &event)
    {
        std::string word = "other";
        if (std::holds_alternative<TFileStartEvent>(event))
            word = "start";
        else if (std::holds_alternative<TProgressEvent>(event))
            word = "progress";
        else if (const auto *done = std::get_if<TFileDoneEvent>(&event))
            word = done->Done ? "done" : "failed";
        std::lock_guard lock(m_mutex);
        auto &words = m_words[item];
        if (word != "progress" || words.empty() || words.back() != word)
            words.push_back(word);
    }

    mutable std::mutex m_mutex;
    std::map<int, std::vector<std::string>> m_words;
    std::vector<int> m_started;
    std::vector<bool> m_runDone;
};

std::vector<TFetchItem> items(const HttpPeer &peer, const std::string &path, const TempDir &dir, int count,
                              int firstName = 0)
{
    std::vector<TFetchItem> list;
    for (int i = 0; i < count; ++i) {
        TFetchItem item;
        item.URL = peer.url(path);
        item.TargetDir = dir.str();
        item.TargetFilename = "f" + std::to_string(firstName + i);
        item.ExternalIndex = firstName + i;
        list.push_back(item);
    }
    return list;
}

} // namespace

TEST(FetchScheduler, RunsAtMostNAtOnceInListOrderAndEndsOnce)
{
    EXPECT_EQ(TFetchScheduler(0).Simultaneous(), 1);
    EXPECT_EQ(TFetchScheduler(11).Simultaneous(), MaxSimultaneous);

    HttpPeer peer;
    TempDir dir;
    // More engines than curl's default pool size for them (4 each).
    TFetchScheduler scheduler(5);
    ItemLog log(scheduler);
    auto list = items(peer, "/delay/300/20000", dir, 10);
    list[4].Active = false;
    EXPECT_EQ(scheduler.Start(list), 0);
    // Items given during the run join it, after those before them.
    EXPECT_EQ(scheduler.Start(items(peer, "/delay/300/20000", dir, 2, 10)), 10);
    ASSERT_TRUE(scheduler.WaitFor(20s));

    EXPECT_EQ(log.started(), (std::vector<int>{0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(peer.peakDelayed(), 5);
    // The run holds the process's share: later items reuse connections.
    EXPECT_EQ(peer.connectionCount(), 5);
    for (int i : log.started()) {
        EXPECT_EQ(log.of(i), (std::vector<std::string>{"start", "progress", "done"})) << "item " << i;
        EXPECT_EQ(std::filesystem::file_size(dir.path() / ("f" + std::to_string(i))), 20000u);
    }
    EXPECT_TRUE(log.of(4).empty());
    EXPECT_EQ(log.runDone(), std::vector<bool>{false});
    EXPECT_FALSE(scheduler.Running());
    EXPECT_EQ(scheduler.ActiveCount(), 0);
}

TEST(FetchScheduler, StopCancelsEveryActiveItemAndStartsNoMore)
{
    HttpPeer peer;
    TempDir dir;
    TFetchScheduler scheduler(3);
    ItemLog log(scheduler);
    // About ten seconds each: still going when Stop comes.
    scheduler.Start(items(peer, "/slow/2000000", dir, 5));
    ASSERT_TRUE(WaitUntil([&] { return log.count("progress") >= 3 && scheduler.ActiveCount() == 3; }, 10s));
    EXPECT_EQ(scheduler.WaitingCount(), 2);
    scheduler.Stop();
    ASSERT_TRUE(scheduler.WaitFor(5s));

    EXPECT_EQ(log.started(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(log.count("done") + log.count("failed"), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log.of(i).front(), "start");
        // A stopped item never shows up under its name.
        EXPECT_FALSE(std::filesystem::exists(dir.path() / ("f" + std::to_string(i)))) << i;
    }
    EXPECT_EQ(log.runDone(), std::vector<bool>{true});

    // The next run starts afresh and ends once more.
    scheduler.Start(items(peer, "/delay/0/100", dir, 1, 5));
    ASSERT_TRUE(scheduler.WaitFor(10s));
    EXPECT_EQ(log.count("done"), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "f5"));
    EXPECT_EQ(log.runDone(), (std::vector<bool>{true, false}));
}

// Ten at once on one host: each item's first connection waits for one of the
// host's eight places, so the server never sees more.
TEST(FetchScheduler, NoMoreThanEightConnectionsToAHostAcrossItems)
{
    HttpPeer peer;
    TempDir dir;
    TFetchScheduler scheduler(MaxSimultaneous);
    ItemLog log(scheduler);
    scheduler.Start(items(peer, "/delay/400/20000", dir, 12));
    ASSERT_TRUE(scheduler.WaitFor(20s));
    EXPECT_EQ(peer.peakDelayed(), MaxConnectionsPerHost);
    EXPECT_EQ(log.count("done"), 12);
}

// The process's speed limit over a run: two items at once, each over four
// ranged connections, paced by pausing them. Ten seconds' worth come in ten
// seconds (within 5 %), and a connection held back that long is no stall.
TEST(FetchScheduler, TheSpeedLimitHoldsForAllItemsAndConnectionsTogether)
{
    NginxServer nginx;
    TempDir dir;
    constexpr std::int64_t rate = 1 << 20;
    constexpr std::int64_t size = 5 * rate + rate / 4; // over the size split into ranges
    std::ofstream(nginx.root() / "five").close();
    std::filesystem::resize_file(nginx.root() / "five", size);
    TFetchScheduler scheduler(2);
    ItemLog log(scheduler);
    const auto prepare = scheduler.OnPrepare;
    scheduler.OnPrepare = [&](TFetchEngine &engine, int item) {
        prepare(engine, item);
        engine.Connections = 4;
        engine.StallTimeout = std::chrono::seconds(1);
    };
    std::vector<TFetchItem> list;
    for (const char *name : {"a", "b"})
        list.push_back(TFetchItem{static_cast<int>(list.size()), nginx.url("/five"), dir.str(), name});
    ProcessRateLimiter().SetRate(rate);
    const auto start = std::chrono::steady_clock::now();
    scheduler.Start(list);
    const bool ended = scheduler.WaitFor(20s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ProcessRateLimiter().SetRate(0);
    ASSERT_TRUE(ended);
    ASSERT_EQ(log.count("done"), 2);
    EXPECT_NEAR(static_cast<double>(2 * size) / seconds, static_cast<double>(rate), 0.05 * rate)
        << seconds << " s";
    for (const char *name : {"a", "b"})
        EXPECT_EQ(std::filesystem::file_size(dir.path() / name), static_cast<std::uintmax_t>(size));
}

// Two items of the run that write the same file never run at once: the
// second waits for the first (whose part it would find locked) while the
// items after it go ahead.
TEST(FetchScheduler, AnItemWaitsForTheOneWritingItsFile)
{
    HttpPeer peer;
    TempDir dir;
    TFetchScheduler scheduler(3);
    ItemLog log(scheduler);
    auto list = items(peer, "/delay/300/1000", dir, 3);
    list[1].TargetFilename = list[0].TargetFilename;
    scheduler.Start(list);
    ASSERT_TRUE(scheduler.WaitFor(10s));
    EXPECT_EQ(log.started(), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(log.count("done"), 3);
    EXPECT_EQ(log.count("failed"), 0);
}

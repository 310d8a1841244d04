// What all transfers of the process share: idle connections (counted by the
// HTTP peer), one speed limit across threads and connections, and the
// connection budget of each host.
#include "tests/support/event_recorder.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "transfer/curl_share.h"
#include "transfer/host_budget.h"
#include "transfer/rate_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace fetchly;
using namespace fetchly::test;
using namespace std::chrono_literals;

namespace {

// Downloads `urls` at once over one multi handle whose write callbacks
// draw from `limiter`, for `span`, throwing the data away: the bytes taken.
// The loop is the one the download loops use (see TRateGate).
std::int64_t pullThrough(TRateLimiter &limiter, const std::vector<std::string> &urls,
                         std::chrono::milliseconds span)
{
    struct Sink {
        TRateGate *gate;
        CURL *easy;
        std::int64_t bytes = 0;
    };
    TFetchSession session{TNetworkSettings{}};
    TRateGate gate(limiter);
    std::vector<CurlEasy> handles;
    std::vector<std::unique_ptr<Sink>> sinks;
    for (const auto &url : urls) {
        handles.push_back(session.NewHandle());
        CURL *h = handles.back().get();
        sinks.push_back(std::make_unique<Sink>(Sink{&gate, h}));
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_WRITEDATA, sinks.back().get());
        curl_easy_setopt(
            h, CURLOPT_WRITEFUNCTION, +[](char *, std::size_t size, std::size_t n, void *user) {
                auto *sink = static_cast<Sink *>(user);
                if (!sink->gate->Admit(sink->easy, size * n))
                    return std::size_t{CURL_WRITEFUNC_PAUSE};
                sink->bytes += static_cast<std::int64_t>(size * n);
                return size * n;
            });
        curl_multi_add_handle(session.Multi(), h);
    }
    const auto end = std::chrono::steady_clock::now() + span;
    for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
        int running = 0;
        curl_multi_perform(session.Multi(), &running);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        const auto wait = gate.PollLimit(std::min<std::chrono::milliseconds>(left, 50ms));
        curl_multi_poll(session.Multi(), nullptr, 0, static_cast<int>(wait.count()), nullptr);
        gate.Release();
    }
    std::int64_t total = 0;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        gate.Forget(handles[i].get());
        curl_multi_remove_handle(session.Multi(), handles[i].get());
        total += sinks[i]->bytes;
    }
    return total;
}

// Blocks its thread as curl_easy_perform does (FTP), drawing with Take:
// the bytes taken in `span`.
std::int64_t pullBlocking(TRateLimiter &limiter, const std::string &url, std::chrono::milliseconds span)
{
    struct Sink {
        TRateLimiter *limiter;
        std::chrono::steady_clock::time_point end;
        std::int64_t bytes = 0;
    } sink{&limiter, std::chrono::steady_clock::now() + span};
    TFetchSession session{TNetworkSettings{}};
    CurlEasy easy = session.NewHandle();
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(
        easy.get(), CURLOPT_WRITEFUNCTION, +[](char *, std::size_t size, std::size_t n, void *user) {
            auto *s = static_cast<Sink *>(user);
            const auto over = [s] { return std::chrono::steady_clock::now() >= s->end; };
            if (over() || !s->limiter->Take(size * n, over))
                return std::size_t{0}; // ends the transfer
            s->bytes += static_cast<std::int64_t>(size * n);
            return size * n;
        });
    curl_easy_perform(easy.get());
    return sink.bytes;
}

// Two engines' multi loops with two connections each, and a blocking
// transfer, all on threads of their own.
std::int64_t pullOnThreeThreads(TRateLimiter &limiter, const std::string &url, std::chrono::milliseconds span)
{
    std::atomic<std::int64_t> total{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&] { total += pullThrough(limiter, {url, url}, span); });
    threads.emplace_back([&] { total += pullBlocking(limiter, url, span); });
    for (auto &t : threads)
        t.join();
    return total;
}

} // namespace

TEST(ProcessShare, EnginesReuseConnectionsWhileTheShareIsHeld)
{
    HttpPeer peer;
    TempDir dir;
    const auto fetchOnANewEngine = [&](const std::string &name) {
        TFetchEngine engine; // a worker thread of its own each time
        engine.ShowDialog = false;
        TFetchItem item;
        item.URL = peer.url("/delay/0/5000");
        item.TargetDir = dir.str();
        item.TargetFilename = name;
        engine.Items.Add(item);
        return runAndWait(engine) && engine.Items.Get(0).Done;
    };
    int connections = 0;
    {
        // As a scheduler holds it for its run.
        const auto share = ProcessCurlShare();
        ASSERT_TRUE(fetchOnANewEngine("a"));
        connections = peer.connectionCount();
        ASSERT_TRUE(fetchOnANewEngine("b"));
        ASSERT_TRUE(fetchOnANewEngine("c"));
        EXPECT_EQ(peer.connectionCount(), connections);
    }
    // Let go, the share closed its idle connection: the next one is new.
    ASSERT_TRUE(fetchOnANewEngine("d"));
    EXPECT_EQ(peer.connectionCount(), connections + 1);
}

TEST(ProcessRateLimit, HoldsAcrossThreadsAndConnectionsAndFollowsAChange)
{
    TRateLimiter limiter;
    EXPECT_TRUE(limiter.TryTake(1 << 30)); // 0: no limit
    EXPECT_EQ(limiter.Delay(), 0ms);

    NginxServer nginx;
    // A sparse gigabyte: more than any cap here lets through.
    std::ofstream(nginx.root() / "big").close();
    std::filesystem::resize_file(nginx.root() / "big", 1ULL << 30);
    const std::string url = nginx.url("/big");
    for (const std::int64_t rate : {3'000'000, 6'000'000}) {
        limiter.SetRate(rate);
        const std::int64_t got = pullOnThreeThreads(limiter, url, 2000ms);
        EXPECT_NEAR(static_cast<double>(got), 2.0 * static_cast<double>(rate), 0.05 * 2.0 * rate)
            << "cap " << rate;
    }
}

TEST(HostBudget, EightAtOnceOnAHostWhoeverAsks)
{
    EXPECT_EQ(HostKey("HTTP://Example.COM/x?y"), "example.com:80");
    EXPECT_EQ(HostKey("http://user:pw@example.com:80/"), "example.com:80");
    EXPECT_EQ(HostKey("https://example.com:8443/"), "example.com:8443");
    EXPECT_EQ(HostKey("no url"), "");

    THostBudget budget;
    std::vector<THostBudget::TLease> leases;
    for (int i = 0; i < MaxConnectionsPerHost; ++i)
        leases.push_back(budget.TryAcquire("a:80"));
    EXPECT_TRUE(std::all_of(leases.begin(), leases.end(), [](auto &l) { return bool(l); }));
    EXPECT_FALSE(budget.TryAcquire("a:80"));
    EXPECT_TRUE(budget.TryAcquire("b:80")); // ends at once
    EXPECT_EQ(budget.InUse("b:80"), 0);

    // A first connection waits for a place and gets the one given back.
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        auto lease = budget.Acquire("a:80", {});
        got = bool(lease);
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(got);
    leases.pop_back();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(budget.InUse("a:80"), MaxConnectionsPerHost - 1);

    // A cancelled item stops waiting.
    leases.push_back(budget.TryAcquire("a:80"));
    std::atomic<bool> cancelled{false};
    std::thread giver([&] {
        std::this_thread::sleep_for(100ms);
        cancelled = true;
    });
    EXPECT_FALSE(budget.Acquire(
        "a:80", [&] { return cancelled.load(); }, 10ms));
    giver.join();
    leases.clear();
    EXPECT_EQ(budget.InUse("a:80"), 0);
}

// Slow jobs run off the UI thread, and only the newest one takes effect.
#include "app/latest_job_worker.h"
#include "tests/support/event_wait.h"

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

// The run over the items: event order, Done flags, cancel, Start during a
// run, dialog texts and the resources a run leaves behind.
#include "tests/support/event_recorder.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

using namespace fetchly;
using namespace fetchly::test;
using Lines = std::vector<std::string>;

namespace {

TFetchItem httpItem(const HttpPeer &peer, const std::string &path, const TempDir &dir, int ext)
{
    TFetchItem item;
    item.URL = peer.url(path);
    item.TargetDir = dir.str();
    item.ExternalIndex = ext;
    return item;
}

} // namespace

TEST(EngineDefaults, MatchTheDocumentedValues)
{
    TFetchEngine e;
    EXPECT_FALSE(e.AlwaysOnTop);
    EXPECT_EQ(e.DlgCaption, "Downloading");
    EXPECT_EQ(e.DlgCompleted, "completed");
    EXPECT_EQ(e.DlgRateLabel, "Transfer rate :");
    EXPECT_EQ(e.DlgTimeLabel, "Estimated time left :");
    EXPECT_TRUE(e.ShowDialog);
    EXPECT_FALSE(e.ShowTime);
    EXPECT_EQ(e.Items.Count(), 0);
    TFetchItem &item = e.Items.Add();
    EXPECT_EQ(item.FTPPort, 21);
    EXPECT_TRUE(item.Active);
    EXPECT_FALSE(item.Done);
    EXPECT_EQ(item.Protocol, TFetchProtocol::wpHttp);
    EXPECT_EQ(item.HTTPCommand, TFetchHTTPCommand::hcPost);
}

TEST(EngineRun, EmptyListRaisesOnlyCopyDoneAndEndsTheDialog)
{
    TFetchEngine engine;
    EventRecorder rec(engine);
    std::vector<TDialogChange> changes;
    engine.Progress().SetListener([&](TDialogChange c, std::uint64_t) { changes.push_back(c); });
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.all(), Lines{"CopyDone"});
    EXPECT_EQ(changes, (std::vector{TDialogChange::Built, TDialogChange::Ended, TDialogChange::Freed}));

    // All inactive: the same.
    TFetchEngine engine2;
    EventRecorder rec2(engine2);
    engine2.Items.Add().Active = false;
    engine2.Items.Add().Active = false;
    ASSERT_TRUE(runAndWait(engine2));
    EXPECT_EQ(rec2.all(), Lines{"CopyDone"});
}

TEST(EngineRun, InactiveItemsKeepTheirPositionButGetNoFileNumber)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    std::vector<std::string> headers;
    rec.onProgress = [&](const ProgressEvent &) {
        headers.push_back(engine.Progress().Snapshot().FileLabel);
    };
    TFetchItem off = httpItem(peer, "/file/10", dir, 10);
    off.Active = false;
    engine.Items.Add(off);
    engine.Items.Add(httpItem(peer, "/file/5000", dir, 11));
    engine.Items.Add(httpItem(peer, "/file/100", dir, 12));
    ASSERT_TRUE(runAndWait(engine));

    EXPECT_EQ(rec.events(),
              (Lines{"FileStart 1 11", "FileDone 1 11", "FileStart 2 12", "FileDone 2 12", "CopyDone"}));
    // Chunks of at most 4096 bytes; the final pass repeats the final count.
    const Lines progress = rec.progress();
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress.front().rfind("1 11 ", 0), 0u);
    EXPECT_EQ(Lines(progress.end() - 4, progress.end()),
              (Lines{"1 11 5000 5000", "1 11 5000 5000", "2 12 100 100", "2 12 100 100"}));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_TRUE(engine.Items.Get(1).Done);
    EXPECT_TRUE(engine.Items.Get(2).Done);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "10"));
    ASSERT_FALSE(headers.empty());
    EXPECT_EQ(headers.front(), "File : 1 of 2 : 5000 from 127.0.0.1:" + std::to_string(peer.port()));
    EXPECT_EQ(headers.back(), "File : 2 of 2 : 100 from 127.0.0.1:" + std::to_string(peer.port()));
}

TEST(EngineRun, AFailedItemRaisesErrorsThenFileDoneAndTheRunGoesOn)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Items.Add(httpItem(peer, "/status/404", dir, 0));
    engine.Items.Add(httpItem(peer, "/file/10", dir, 1));
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "Error 404", "ErrorInfo 404 Returned http error code 404",
                                   "FileDone 0 0", "FileStart 1 1", "FileDone 1 1", "CopyDone"}));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_TRUE(engine.Items.Get(1).Done);
}

TEST(EngineRun, CancelInTheSecondOfThreeStopsTheRunAndKeepsThePartialFile)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    bool pressed = false;
    rec.onProgress = [&](const ProgressEvent &e) {
        if (e.fileidx == 2 && e.size >= 8192 && !pressed) {
            pressed = true;
            engine.CancelClick();
        }
    };
    engine.Items.Add(httpItem(peer, "/file/100", dir, 0));
    engine.Items.Add(httpItem(peer, "/slow/400000", dir, 1));
    engine.Items.Add(httpItem(peer, "/file/200", dir, 2));
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(),
              (Lines{"FileStart 0 0", "FileDone 0 0", "FileStart 1 1", "CopyCancel", "CopyDone"}));
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_FALSE(engine.Items.Get(1).Done);
    EXPECT_FALSE(engine.Items.Get(2).Done);
    EXPECT_TRUE(engine.Cancelled());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "100"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "400000"));
    EXPECT_GE(std::filesystem::file_size(dir.path() / "400000.part"), 8192u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "200"));
}

TEST(EngineRun, CancelWhileWaitingForTheServerIsNotLost)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.OnFileStart = [&](TFetchEngine &e, int, int) { e.CancelClick(); };
    engine.Items.Add(httpItem(peer, "/silent", dir, 0));
    engine.Items.Add(httpItem(peer, "/file/10", dir, 1));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(rec.events(), (Lines{"CopyCancel", "CopyDone"}));
    EXPECT_FALSE(engine.Items.Get(0).Done);

    // Pressed before the worker has taken up the run.
    TFetchEngine early;
    EventRecorder earlyRec(early);
    early.StallTimeout = std::chrono::seconds(3);
    early.Items.Add(httpItem(peer, "/silent", dir, 0));
    early.Start();
    early.CancelClick();
    ASSERT_TRUE(early.WaitFor(std::chrono::seconds(20)));
    // The worker may or may not have begun the file when the press lands
    // (the cancel event is raised on this thread); either way the press holds
    // and the file is neither fetched nor failed.
    Lines events = earlyRec.events();
    std::erase(events, "FileStart 0 0");
    EXPECT_EQ(events, (Lines{"CopyCancel", "CopyDone"}));
    EXPECT_FALSE(early.Items.Get(0).Done);
}

TEST(EngineRun, StartDuringARunJoinsIt)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Items.Add(httpItem(peer, "/slow/200000", dir, 0));
    engine.Start();
    // Added from another thread while the first item is running.
    std::thread adder([&] {
        engine.Items.Add(httpItem(peer, "/file/300", dir, 1));
        engine.Start();
    });
    adder.join();
    ASSERT_TRUE(engine.WaitFor(std::chrono::seconds(30)));
    EXPECT_EQ(rec.events(),
              (Lines{"FileStart 0 0", "FileDone 0 0", "FileStart 1 1", "FileDone 1 1", "CopyDone"}));
    EXPECT_TRUE(engine.Items.Get(1).Done);
}

TEST(EngineRun, StartAfterTheLastItemMakesAFollowUpRunOfTheNewItems)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Items.Add(httpItem(peer, "/file/10", dir, 0));
    // OnCopyDone runs after the last item: a Start from here must not be lost
    // and must not repeat item 0.
    bool again = true;
    engine.OnCopyDone = [&](TFetchEngine &e) {
        if (again) {
            again = false;
            e.Items.Add(httpItem(peer, "/file/20", dir, 1));
            e.Start();
        }
    };
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "FileDone 0 0", "FileStart 1 1", "FileDone 1 1"}));
    EXPECT_TRUE(engine.Items.Get(1).Done);
}

TEST(EngineRun, EndStateKeepsTheDialogWithOpenButtonsAndRateLabelStaysReadable)
{
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.ShowOpenFile = true;
    engine.ShowOpenFolder = true;
    engine.ShowCompletion = true;
    std::string rateAtDone;
    engine.OnCopyDone = [&](TFetchEngine &e) { rateAtDone = e.RateLabel(); };
    engine.Items.Add(httpItem(peer, "/file/3000", dir, 0));
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rateAtDone.rfind("Transfer rate : ", 0), 0u) << rateAtDone;
    EXPECT_NE(rateAtDone, "Transfer rate : ");
    const auto s = engine.Progress().Snapshot();
    EXPECT_TRUE(s.Exists);
    EXPECT_TRUE(s.Ended);
    EXPECT_EQ(s.CancelCaption, "Close");
    EXPECT_TRUE(s.OpenButtonsEnabled);
    EXPECT_EQ(s.Caption, "Downloading : 100% completed");
    EXPECT_EQ(engine.CurrentTarget(), dir.str() + "/3000");
    EXPECT_EQ(engine.CurrentTargetDir(), dir.str());
    // Close after the run still raises OnCopyCancel.
    engine.CancelClick();
    EXPECT_EQ(rec.all().back(), "CopyCancel");
    EXPECT_FALSE(engine.Progress().Snapshot().Visible);
}

TEST(EngineRun, LeavesNoDescriptorOrThreadBehind)
{
    HttpPeer peer;
    TempDir dir;
    // A first run warms up process-wide state (curl's global init).
    {
        TFetchEngine warm;
        warm.Items.Add(httpItem(peer, "/file/10", dir, 0));
        ASSERT_TRUE(runAndWait(warm));
    }
    const auto fds = countEntries("/proc/self/fd");
    const auto threads = countEntries("/proc/self/task");
    {
        TFetchEngine engine;
        EventRecorder rec(engine);
        engine.Items.Add(httpItem(peer, "/file/100000", dir, 0));
        engine.Items.Add(httpItem(peer, "/status/500", dir, 1));
        engine.Items.Add(httpItem(peer, "/drop/5000", dir, 2));
        TFetchItem upload;
        upload.Protocol = TFetchProtocol::wpHttpUpload;
        upload.URL = peer.url("/upload/x");
        upload.TargetDir = dir.str();
        upload.TargetFilename = "100000";
        engine.Items.Add(upload);
        ASSERT_TRUE(runAndWait(engine));
        EXPECT_EQ(countEntries("/proc/self/task"), threads);
        EXPECT_EQ(countEntries("/proc/self/fd"), fds);
    }
}

TEST(EngineRun, DestroyingTheEngineDuringARunCancelsAndWaits)
{
    HttpPeer peer;
    TempDir dir;
    const auto start = std::chrono::steady_clock::now();
    // The handlers' state outlives the engine: the run may still raise
    // events while the destructor waits for it.
    std::mutex mutex;
    std::vector<std::string> events;
    {
        TFetchEngine engine;
        engine.OnFileStart = [&](TFetchEngine &, int, int) {
            std::lock_guard lock(mutex);
            events.push_back("FileStart");
        };
        engine.OnCopyDone = [&](TFetchEngine &) {
            std::lock_guard lock(mutex);
            events.push_back("CopyDone");
        };
        engine.Items.Add(httpItem(peer, "/slow/4000000", dir, 0));
        engine.Start();
        // Destroy it while the item is under way (bounded wait for that).
        for (int i = 0; i < 500; ++i) {
            {
                std::lock_guard lock(mutex);
                if (!events.empty())
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(events, (Lines{"FileStart", "CopyDone"}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "4000000"));
}

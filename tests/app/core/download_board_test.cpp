// The download board without a window: real engine runs against the HTTP
// peer, their events carried by the event queue from the worker, and what
// the board makes of them (lines, run log, status, tray hint, outcomes).
#include "app/core/download_board.h"
#include "app/core/download_lines.h"
#include "digest/sha256_stream.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "transfer/engine_event_queue.h"
#include "transfer/fetch_engine.h"
#include "transfer/fetch_scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace fetchly;
using namespace std::chrono_literals;

namespace {

// What a view would have shown, in order.
struct Shown {
    std::vector<std::string> log, statuses, hints;
    int inspections = 0;
    bool ended = false;
    void add(const TBoardUpdate &u)
    {
        log.insert(log.end(), u.Log.begin(), u.Log.end());
        if (u.Status)
            statuses.push_back(*u.Status);
        if (u.TrayHint)
            hints.push_back(*u.TrayHint);
        inspections += u.Inspect ? 1 : 0;
        ended = ended || u.RunEnded.has_value();
    }
};

class DownloadBoardRun : public ::testing::Test {
protected:
    DownloadBoardRun()
    {
        engine.ShowDialog = false;
        engine.Retries = 0;
        queue->SetWaker([this](std::chrono::milliseconds) {
            // Called under the queue's lock: only note the request.
            std::lock_guard lock(mutex);
            woken = true;
            wake.notify_one();
        });
        SendEventsTo(engine, queue);
    }
    ~DownloadBoardRun() override { engine.Wait(); }

    std::string url(const std::string &path) const { return peer.url(path); }
    // Start All over a list of these entries alone.
    void start(const std::vector<std::string> &paths)
    {
        engine.Wait();
        board.Entries().Clear();
        for (const std::string &path : paths)
            board.Entries().SetValue(url(path), ReadyLine(url(path)));
        board.Launch(board.PlanRun(dir.str()), engine);
    }
    // The same, `n` at once.
    void startAtOnce(const std::vector<std::string> &paths, int n)
    {
        scheduler = std::make_unique<TFetchScheduler>(n);
        board.Entries().Clear();
        for (const std::string &path : paths)
            board.Entries().SetValue(url(path), ReadyLine(url(path)));
        board.LaunchAtOnce(board.PlanRun(dir.str()), *scheduler, queue, [](TFetchEngine &e) {
            e.ShowDialog = false;
            e.Retries = 0;
            e.Connections = 1;
        });
    }
    // Applies each event as the window does (the line stored with an empty
    // rate) until the run ends, `stop` holds or 30 s pass.
    void follow(const std::function<bool()> &stop = [] { return false; })
    {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!shown.ended && !stop() && std::chrono::steady_clock::now() < deadline) {
            {
                std::unique_lock lock(mutex);
                wake.wait_for(lock, 100ms, [this] { return woken; });
                woken = false;
            }
            for (const TEngineEvent &event : queue->Drain())
                apply(event);
        }
    }
    void apply(const TEngineEvent &event) { show(board.Apply(event, "")); }
    void show(const TBoardUpdate &u)
    {
        shown.add(u);
        if (u.FocusLine == TBoardUpdate::Line::Stored)
            board.StoreFocusLine("");
    }
    std::string line(const std::string &path) const
    {
        return std::string(board.Entries().ValueOfKey(url(path)));
    }

    test::HttpPeer peer;
    test::TempDir dir;
    TFetchEngine engine;
    std::unique_ptr<TFetchScheduler> scheduler;
    std::shared_ptr<TEngineEventQueue> queue = std::make_shared<TEngineEventQueue>();
    TDownloadBoard board;
    Shown shown;
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
};

} // namespace

TEST_F(DownloadBoardRun, FilesThatArriveAndOneThatFailsKeepTheirOwnLinesAndOutcomes)
{
    start({"/file/3000", "/status/404", "/file/2048"});
    EXPECT_TRUE(board.Busy());
    follow();
    ASSERT_TRUE(shown.ended);
    const std::string a = url("/file/3000"), b = url("/status/404"), c = url("/file/2048");

    EXPECT_EQ(line("/file/3000"), StatusLine(3, a, "File Downloaded!", "2kb of 2kb", ""));
    EXPECT_EQ(line("/status/404"), StatusLine(4, b, "Returned http error code 404", "0kb of 0kb", ""));
    EXPECT_EQ(line("/file/2048"), StatusLine(3, c, "Downloaded", "2kb of 2kb", ""));
    EXPECT_EQ(shown.log, (std::vector<std::string>{
                             "File Start : " + a,
                             "File Downloaded : " + a + "<hr>",
                             "File Start : " + b,
                             "<i>File Not Downloaded : " + b + "</i><hr>",
                             "File Start : " + c,
                             "File Downloaded : " + c + "<hr>",
                             "<b>Fetchly has Finished All Downloads! </b>2 downloaded, 1 failed",
                         }));
    EXPECT_EQ(shown.statuses.front(), "Downloading Started : No0");
    EXPECT_EQ(shown.statuses.back(), "Downloading Completed ! 2 downloaded, 1 failed");
    EXPECT_NE(std::find(shown.statuses.begin(), shown.statuses.end(), "Returned http error code 404"),
              shown.statuses.end());
    EXPECT_EQ(shown.hints.back(), TDownloadBoard::IdleHint);
    EXPECT_EQ(shown.hints.front().rfind("Fetchly Downloading : ", 0), 0u) << shown.hints.front();
    EXPECT_EQ(shown.inspections, 2); // a failed file's part is never read
    EXPECT_FALSE(board.Busy());
    EXPECT_EQ(board.Outcome(a), true);
    EXPECT_EQ(board.Outcome(b), false);
    EXPECT_EQ(board.DoneInRun(), 2);
    EXPECT_EQ(board.FailedInRun(), 1);
}

// Stop is a pause: the line says so with the sizes it reached, the next
// start asks for the rest only, and deleting the entry takes its part along.
TEST_F(DownloadBoardRun, StoppedEntryKeepsItsPartResumesAndDeleteRemovesIt)
{
    engine.Connections = 1; // one request, so a Range can only come from the kept part
    const std::string path = "/ranged/200000?etag=k&rate=100000";
    start({path, "/file/100"});
    follow([&] { return !shown.hints.empty(); }); // its first progress
    ASSERT_FALSE(shown.hints.empty());
    engine.CancelClick();
    follow();
    ASSERT_TRUE(shown.ended);
    const std::string cut = url(path);
    const auto kept = engine.KeptPart();
    ASSERT_GT(kept.Kept, 0);
    EXPECT_TRUE(std::filesystem::exists(kept.Path)) << kept.Path;
    EXPECT_EQ(line(path).substr(0, 22), "<IMG src=\"idx:4\"><FONT");
    EXPECT_NE(line(path).find("<B>Download Cancelled</B>"), std::string::npos);
    EXPECT_EQ(line(path).find("0kb of 0kb"), std::string::npos) << line(path); // the sizes it reached
    EXPECT_NE(line(path).find("of 195kb"), std::string::npos) << line(path);
    EXPECT_EQ(line("/file/100"), ReadyLine(url("/file/100"))); // never started
    EXPECT_EQ(std::vector<std::string>(shown.log.end() - 2, shown.log.end()),
              (std::vector<std::string>{"<i>File Not Downloaded : " + MarkupEscape(cut) + "</i><hr>",
                                        "<b>Fetchly Downloads Cancelled </b>0 downloaded, 1 cancelled"}));
    EXPECT_EQ(shown.statuses.back(), "Downloading Cancelled ! 0 downloaded, 1 cancelled");
    EXPECT_EQ(shown.inspections, 0);
    EXPECT_FALSE(board.Busy());
    EXPECT_FALSE(board.Outcome(cut).has_value());

    // The next start of that entry resumes, and its line counts from there.
    const std::size_t before = peer.requestsLog().size();
    shown = {};
    board.Launch(board.PlanOne(0, dir.str()), engine);
    follow();
    ASSERT_TRUE(shown.ended);
    ASSERT_FALSE(shown.hints.empty());
    const std::string from = shown.hints.front().substr(std::string("Fetchly Downloading : ").size());
    EXPECT_GE(std::stoll(from), kept.Kept / 1024) << shown.hints.front();
    EXPECT_NE(peer.requestsLog().substr(before).find("Range: bytes=" + std::to_string(kept.Kept) + "-"),
              std::string::npos)
        << peer.requestsLog().substr(before);
    EXPECT_EQ(board.Outcome(cut), true);
    EXPECT_EQ(std::filesystem::file_size(kept.Path.substr(0, kept.Path.size() - 5)), 200000u);

    // Deleting a stopped entry removes its part; a file not ours stays.
    // (Fetched whatever the server says, so there is something to stop.)
    engine.AskIfUnchanged = false;
    shown = {};
    start({path, "/file/100"});
    follow([&] { return !shown.hints.empty(); });
    engine.CancelClick();
    follow();
    ASSERT_TRUE(std::filesystem::exists(engine.KeptPart().Path));
    const std::string other = dir.write("200000 (other).part", "not ours").string();
    for (const TFetchItem &item : board.DeleteEntry(1, dir.str()))
        EXPECT_FALSE(TFetchEngine::DeletePart(item)); // never started: no part
    const std::vector<TFetchItem> parts = board.DeleteEntry(0, dir.str());
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_TRUE(TFetchEngine::DeletePart(parts[0]));
    EXPECT_FALSE(std::filesystem::exists(engine.KeptPart().Path));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(board.Entries().Count(), 0);
}

// A second start asks the server only; a file that had to take another
// name says so in the log and is the one reported; a failure that is not a
// not-found says why in plain words.
TEST_F(DownloadBoardRun, FinishedFilesAreAskedForAndNumberedNamesAndReasonsShown)
{
    dir.write("1000", "the user's own");
    start({"/ranged/3000?etag=3", "/file/1000", "/drop/2000"});
    follow();
    ASSERT_TRUE(shown.ended);
    const std::string a = url("/ranged/3000?etag=3"), b = url("/file/1000");
    EXPECT_EQ(shown.log[1], "File Downloaded : " + a + "<hr>");
    EXPECT_EQ(shown.log[3], "File Downloaded : " + b + " as 1000 (1)<hr>");
    EXPECT_EQ(board.Downloaded(b).Path, dir.str() + "/1000 (1)");
    const std::string reason = engine.CurrentReason();
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(line("/drop/2000").find(reason), std::string::npos) << line("/drop/2000");

    shown = {};
    const std::size_t before = peer.requestsLog().size();
    start({"/ranged/3000?etag=3"});
    follow();
    ASSERT_TRUE(shown.ended);
    EXPECT_EQ(shown.log[1], "File Unchanged : " + a + "<hr>");
    EXPECT_NE(peer.requestsLog().find("If-None-Match: \"3\"", before), std::string::npos);
    EXPECT_EQ(board.Outcome(a), true);
    // Nothing moved: the line shows the file's size and no rate.
    EXPECT_EQ(line("/ranged/3000?etag=3"), StatusLine(3, a, "Downloaded", "2kb of 2kb", ""));
    EXPECT_EQ(shown.statuses.back(), "Downloading Completed !");
}

// Cancel pressed after a file has arrived and before the next starts: that
// file stays downloaded, only what was still to come is cancelled.
TEST_F(DownloadBoardRun, CancelBetweenFilesKeepsTheOneThatArrived)
{
    const auto forward = engine.OnFileDone;
    engine.OnFileDone = [forward](TFetchEngine &sender, int idx, int ext) {
        forward(sender, idx, ext);
        if (idx == 0)
            sender.CancelClick(); // on the worker, between the two files
    };
    start({"/file/3000", "/file/2000"});
    follow();
    ASSERT_TRUE(shown.ended);
    const std::string a = url("/file/3000");
    EXPECT_EQ(board.Outcome(a), true);
    EXPECT_EQ(line("/file/3000"), StatusLine(3, a, "Downloaded", "2kb of 2kb", ""));
    EXPECT_EQ(line("/file/2000"), ReadyLine(url("/file/2000")));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "3000"), 3000u);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "2000"));
    EXPECT_EQ(shown.log.back(), "<b>Fetchly Downloads Cancelled </b>1 downloaded");
    EXPECT_EQ(shown.statuses.back(), "Downloading Cancelled ! 1 downloaded");
    EXPECT_EQ(shown.inspections, 1);
}

// A page saved under an archive's name says so in its line to the end of
// the run, and its report gets the digest made as it was written. A site
// that wants a browser login the entry no longer has says how to get it.
TEST_F(DownloadBoardRun, WhatAFileIsAndALostLoginAreSaidInTheLine)
{
    start({"/cookiepage/a.zip", "/status/403", "/cookiepage/b.zip"});
    follow();
    ASSERT_TRUE(shown.ended);
    const std::string a = url("/cookiepage/a.zip"), denied = url("/status/403");
    const std::string mismatch = "an HTML page, not a ZIP archive";
    EXPECT_NE(line("/cookiepage/a.zip").find("<B>File Downloaded! (" + mismatch + ")</B>"), std::string::npos)
        << line("/cookiepage/a.zip");
    EXPECT_NE(line("/cookiepage/b.zip").find("<B>Downloaded (" + mismatch + ")</B>"), std::string::npos);
    EXPECT_EQ(board.Downloaded(a).Mismatch, mismatch);
    EXPECT_EQ(board.Downloaded(a).Sha256, digest::Sha256Hex(test::readFile(dir.path() / "a.zip")));
    EXPECT_EQ(board.Downloaded(denied).Sha256, "");
    const std::string login =
        "Returned http error code 403. The site wants the browser's login: send the link to Fetchly again "
        "from the browser.";
    EXPECT_NE(line("/status/403").find(login), std::string::npos) << line("/status/403");
    EXPECT_NE(std::find(shown.log.begin(), shown.log.end(),
                        "<i>Returned http error code 403 : " + denied +
                            ". The site wants the browser's login: send the link to Fetchly again from the "
                            "browser.</i>"),
              shown.log.end());
    // While the entry still has what the browser sent, the refusal is the
    // site's word alone.
    board.SetHandover(denied, {{{"Cookie", "s=1"}}, ""});
    shown = {};
    board.Launch(board.PlanOne(1, dir.str()), engine);
    follow();
    EXPECT_NE(line("/status/403").find("<B>Returned http error code 403</B>"), std::string::npos)
        << line("/status/403");
}

TEST_F(DownloadBoardRun, NextRunForgetsTheOutcomesOfTheLast)
{
    start({"/status/404"});
    follow();
    ASSERT_EQ(board.FailedInRun(), 1);
    shown = {};
    start({"/file/10"});
    follow();
    ASSERT_TRUE(shown.ended);
    EXPECT_EQ(board.FailedInRun(), 0);
    EXPECT_EQ(board.DoneInRun(), 1);
    EXPECT_FALSE(board.Outcome(url("/status/404")).has_value());
}

// Several at once: each line has its own events in their order, the status
// and the tray sum the run up, and Stop cuts off every item under way, each
// keeping its part.
TEST_F(DownloadBoardRun, SeveralAtOnceKeepTheirOwnLinesAndStopCutsEachOff)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i)
        paths.push_back("/ranged/" + std::to_string(300000 + i) + "?etag=e&rate=100000");
    startAtOnce(paths, 3);
    follow([&] {
        for (const auto &s : shown.statuses)
            if (s.rfind("Downloading 3 files, 2 waiting : ", 0) == 0)
                return true;
        return false;
    });
    ASSERT_TRUE(board.AtOnce());
    EXPECT_EQ(scheduler->ActiveCount(), 3);
    // Each has data in its part by then.
    const auto settle = std::chrono::steady_clock::now() + 500ms;
    follow([&] { return std::chrono::steady_clock::now() > settle; });
    EXPECT_NE(board.FocusRate(), "");
    scheduler->Stop();
    follow();
    ASSERT_TRUE(shown.ended);
    EXPECT_EQ(shown.statuses.back(), "Downloading Cancelled ! 0 downloaded, 3 cancelled");
    int cut = 0, started = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string u = url(paths[static_cast<std::size_t>(i)]);
        const auto start = std::find(shown.log.begin(), shown.log.end(), "File Start : " + MarkupEscape(u));
        const auto end = std::find(shown.log.begin(), shown.log.end(),
                                   "<i>File Not Downloaded : " + MarkupEscape(u) + "</i><hr>");
        if (start == shown.log.end()) {
            EXPECT_EQ(line(paths[static_cast<std::size_t>(i)]), ReadyLine(u)); // never started
            continue;
        }
        ++started;
        ASSERT_NE(end, shown.log.end()) << u;
        EXPECT_LT(start, end);
        cut += 1;
        EXPECT_NE(line(paths[static_cast<std::size_t>(i)]).find("<B>Download Cancelled</B>"),
                  std::string::npos);
        EXPECT_EQ(line(paths[static_cast<std::size_t>(i)]).find("0kb of 0kb"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(dir.path() / (u.substr(u.rfind('/') + 1) + ".part"))) << u;
    }
    EXPECT_EQ(started, 3);
    EXPECT_EQ(cut, 3);
    EXPECT_FALSE(board.Busy());
    EXPECT_EQ(board.FailedInRun(), 0);
}

TEST(DownloadBoard, ProgressTextAndTheFocusLine)
{
    TDownloadBoard board;
    const std::string one = "http://127.0.0.1:9/one.zip", two = "http://127.0.0.1:9/two.zip";
    for (const std::string &url : {one, two})
        board.Entries().SetValue(url, ReadyLine(url));
    EXPECT_EQ(board.Apply(TFileStartEvent{0}, "").Status, "Downloading Started : No0");
    const TBoardUpdate progress = board.Apply(TProgressEvent{0, 1023, 2048}, "Transfer Rate : 1 Kb/s");
    EXPECT_EQ(progress.Status, "Transfer Rate : 1 Kb/s  Downloading : " + one);
    EXPECT_EQ(progress.TrayHint, "Fetchly Downloading : 0kb of 2kb");
    EXPECT_EQ(progress.FocusLine, TBoardUpdate::Line::Live);
    EXPECT_NE(board.FocusLine("").find("<B>DownLoading</B>... 0kb of 2kb  "), std::string::npos);
    board.Apply(TProgressEvent{0, 5000, 0}, "");
    EXPECT_EQ(board.Focus().Progress, "4kb of 0kb"); // no total known

    // The next file starts from its own progress and rate, not the previous
    // file's.
    board.Apply(TFileStartEvent{1}, "Transfer Rate : 9 Kb/s");
    EXPECT_EQ(board.Focus().Progress, "0kb of 0kb");
    board.Apply(TErrorInfoEvent{"Connection refused"}, "Transfer Rate : 9 Kb/s");
    board.Apply(TFileDoneEvent{1, false}, "Transfer Rate : 9 Kb/s");
    board.StoreFocusLine("Transfer Rate : 9 Kb/s");
    EXPECT_EQ(board.Entries().ValueOfKey(two), StatusLine(4, two, "Connection refused", "0kb of 0kb", ""));

    // A click moves the focus: the following failure lands on that line.
    board.Focus().Url = one;
    EXPECT_EQ(board.Apply(TURLNotFoundEvent{two}, "").Status, "File Not Found : " + two);
    board.StoreFocusLine("");
    EXPECT_EQ(board.Entries().ValueOfKey(one).substr(0, 17), "<IMG src=\"idx:4\">");
    EXPECT_NE(board.Entries().ValueOfKey(one).find("<B>File Not Found</B>"), std::string::npos);

    // An event for a position the table no longer has changes nothing.
    try {
        board.Apply(TFileStartEvent{7}, "");
        ADD_FAILURE() << "no error for a missing entry";
    } catch (const std::out_of_range &e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (7)");
    }
    EXPECT_THROW(board.Apply(TFileDoneEvent{-1, true}, ""), std::out_of_range);
    EXPECT_EQ(board.Focus().Url, one);
    EXPECT_EQ(board.DoneInRun(), 0);
}

TEST(DownloadBoard, PlansTieEachItemToItsEntryAndOneJoinsARunGoing)
{
    TDownloadBoard board;
    board.Entries().Assign({"http://h/a.zip=<a>", "=<no url>", "http://h/b.zip=<b>"});
    const TRunPlan all = board.PlanRun("/in/");
    ASSERT_EQ(all.Items.size(), 2u);
    EXPECT_TRUE(all.Fresh);
    EXPECT_EQ(all.Items[1].ExternalIndex, 2);
    EXPECT_EQ(all.Items[1].URL, "http://h/b.zip");
    EXPECT_EQ(all.Items[1].TargetDir, "/in/");
    EXPECT_TRUE(board.PlanOne(2, "/in/").Fresh);
    board.SetBusy(true);
    const TRunPlan one = board.PlanOne(2, "/in/");
    EXPECT_FALSE(one.Fresh);
    ASSERT_EQ(one.Items.size(), 1u);
    EXPECT_EQ(one.Items[0].ExternalIndex, 2);
    EXPECT_THROW(board.PlanOne(3, "/in/"), std::out_of_range);
    // A retry says so in the status bar and leaves the list alone.
    const TBoardUpdate retry = board.Apply(TRetryEvent{2, 5, 1500, "timed out"}, "");
    EXPECT_EQ(retry.Status, "Retry 2 of 5 in 1.5 s : timed out");
    EXPECT_EQ(retry.FocusLine, TBoardUpdate::Line::None);
}

TEST(DownloadBoard, OfferedUrlsAreTrimmedAndRefusedForWhatWouldBreakTheList)
{
    TDownloadBoard board;
    const TAppOptions options;
    EXPECT_EQ(board.OfferUrl(" \thttp://h/a.jpg \r\n", options), TUrlOffer::Added);
    EXPECT_EQ(board.OfferUrl("  ", options), TUrlOffer::Empty);
    EXPECT_EQ(board.OfferUrl("http://h/a.jpg\nhttp://h/b.jpg", options), TUrlOffer::LineBreak);
    EXPECT_EQ(board.OfferUrl("http://h/a.pdf", options), TUrlOffer::TypeNotAccepted);
    EXPECT_EQ(board.OfferUrl("http://u:pw@h/q<b>.zip?x=1", options), TUrlOffer::Added);
    EXPECT_EQ(board.OfferUrl("http://h/a.jpg", options), TUrlOffer::AlreadyListed);
    ASSERT_EQ(board.Entries().Count(), 2);
    EXPECT_EQ(board.Entries().Key(0), "http://h/a.jpg");
    EXPECT_EQ(board.Entries().Key(1), "http://u:pw@h/q%3Cb%3E.zip?x=1");
    EXPECT_EQ(board.Entries().ValueOfKey(board.Entries().Key(1)),
              ReadyLine("http://u:***@h/q%3Cb%3E.zip?x=1"));
}

// What a browser handed over goes with the entry's items, and only until
// the URL is offered again.
TEST(DownloadBoard, HandedOverHeadersGoWithTheEntrysItems)
{
    TDownloadBoard board;
    const TAppOptions options;
    ASSERT_EQ(board.OfferUrl("http://h/a.zip", options), TUrlOffer::Added);
    ASSERT_EQ(board.OfferUrl("http://h/b.zip", options), TUrlOffer::Added);
    const TRequestHeaders headers{{"Cookie", "s=1"}, {"Referer", "http://h/page"}};
    board.SetHandover("HTTP://H/A.ZIP", {headers, "Report 2024.zip"});
    const TRunPlan all = board.PlanRun("/d");
    ASSERT_EQ(all.Items.size(), 2u);
    EXPECT_EQ(all.Items[0].RequestHeaders, headers);
    EXPECT_EQ(all.Items[0].TargetFilename, "Report 2024.zip");
    EXPECT_TRUE(all.Items[1].RequestHeaders.empty());
    EXPECT_EQ(board.PlanOne(0, "/d").Items.at(0).RequestHeaders, headers);
    // Nothing of it reaches the list's lines.
    for (int i = 0; i < board.Entries().Count(); ++i)
        EXPECT_EQ(board.Entries().Line(i).find("s=1"), std::string::npos);

    ASSERT_EQ(board.OfferUrl("http://h/a.zip", options), TUrlOffer::AlreadyListed);
    EXPECT_TRUE(board.PlanOne(0, "/d").Items.at(0).RequestHeaders.empty());
    EXPECT_EQ(board.PlanOne(0, "/d").Items.at(0).TargetFilename, "");

    // Deleting the entry, or emptying the list, drops them too: the same URL
    // coming back from a list file carries none.
    for (const bool empty : {false, true}) {
        board.SetHandover("http://h/a.zip", {headers, "x.zip"});
        if (empty)
            board.EmptyList("/d");
        else
            board.DeleteEntry(0, "/d");
        board.Entries().SetValue("http://h/a.zip", ReadyLine("http://h/a.zip"));
        const int i = board.Entries().IndexOfKey("http://h/a.zip");
        EXPECT_TRUE(board.ItemFor(i, "/d").RequestHeaders.empty()) << empty;
    }
}

TEST(DownloadBoard, PasswordsNeverReachTheLinesTheBoardMakes)
{
    TDownloadBoard board;
    board.Entries().SetValue("http://u:secret@h/a.zip", "");
    board.Apply(TFileStartEvent{0}, "");
    EXPECT_EQ(board.FocusLine("").find("secret"), std::string::npos) << board.FocusLine("");
    board.StoreFocusLine("");
    EXPECT_EQ(board.Entries().Key(0), "http://u:secret@h/a.zip"); // the key still downloads
}

TEST(DownloadBoard, OnlyTheLinesSharingAKeyShowItsLine)
{
    TDownloadBoard board;
    TEntryTable &table = board.Entries();
    table.Assign({"http://h/a.zip=<a>", "http://h/b.zip=<b>", "HTTP://H/A.ZIP=<dup>", "note", "=<empty>"});
    EXPECT_EQ(table.LinesShowing(0), (std::vector<int>{0, 2}));
    EXPECT_EQ(table.LinesShowing(1), (std::vector<int>{1}));
    EXPECT_TRUE(table.LinesShowing(2).empty()); // shows line 0's text
    EXPECT_TRUE(table.LinesShowing(4).empty()); // what "note" shows too
    board.Focus() = {"http://h/b.zip", 3, "Downloaded", "1kb of 1kb"};
    EXPECT_EQ(board.StoreFocusLine(""), 1);
    EXPECT_EQ(table.ShownLine(1), StatusLine(3, "http://h/b.zip", "Downloaded", "1kb of 1kb", ""));
}

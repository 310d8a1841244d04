// FTP downloads against a real pyftpdlib server on 127.0.0.1.
#include "digest/sha256_stream.h"
#include "tests/support/event_recorder.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

#include "transfer/fetch_engine.h"
#include "transfer/rate_limiter.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace fetchly;
using namespace fetchly::test;

namespace {

TFetchItem ftpItem(const FtpServer &ftp, const std::string &path, const std::string &targetDir)
{
    TFetchItem item;
    item.Protocol = TFetchProtocol::wpFtp;
    item.FTPHost = ftp.host();
    item.FTPPort = ftp.port();
    item.URL = path;
    item.TargetDir = targetDir;
    return item;
}

class FtpDownload : public ::testing::Test {
protected:
    FtpServer ftp;
    TempDir local;
    TFetchEngine engine;
    EventRecorder events{engine};
};

TEST_F(FtpDownload, AnonymousWhenThePasswordIsEmpty)
{
    const std::string data = patternBytes(10000);
    writeFile(ftp.root() / "pub" / "files" / "a.bin", data);
    TFetchItem item = ftpItem(ftp, "/pub/files/a.bin", local.str());
    item.FTPUserID = ftp.user();
    engine.Items.Add(item);
    runToEnd(engine);

    EXPECT_EQ(readFile(local.path() / "a.bin"), data);
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{"anonymous"});
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_EQ(engine.CurrentTarget(), (local.path() / "a.bin").string());
    EXPECT_EQ(engine.CurrentTargetDir(), local.str());
    EXPECT_EQ(engine.Progress().Snapshot().FileLabel, "File : a.bin from 127.0.0.1");
    EXPECT_EQ(events.log(),
              (std::vector<std::string>{"FileStart 0 0", "Progress", "FileDone 0 0", "CopyDone"}));
}

TEST_F(FtpDownload, LogsInWithTheAccountWhenBothAreSet)
{
    writeFile(ftp.root() / "b.bin", "account");
    TFetchItem item = ftpItem(ftp, "b.bin", local.str());
    item.FTPUserID = ftp.user();
    item.FTPPassword = ftp.password();
    item.TargetFilename = "renamed.bin";
    engine.Items.Add(item);
    runToEnd(engine);

    EXPECT_EQ(readFile(local.path() / "renamed.bin"), "account");
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{ftp.user()});
}

TEST_F(FtpDownload, PassiveSwitchDecidesWhoOpensTheDataConnection)
{
    const std::string data = patternBytes(5000);
    writeFile(ftp.root() / "p.bin", data);
    engine.Items.Add(ftpItem(ftp, "/p.bin", local.str()));

    engine.FTPPassive = true;
    runToEnd(engine);
    EXPECT_EQ(readFile(local.path() / "p.bin"), data);
    EXPECT_TRUE(ftp.usedPassive());
    EXPECT_FALSE(ftp.usedActive());

    ftp.clearCommands();
    fs::remove(local.path() / "p.bin");
    engine.FTPPassive = false;
    runToEnd(engine);
    EXPECT_EQ(readFile(local.path() / "p.bin"), data);
    EXPECT_TRUE(ftp.usedActive());
    EXPECT_FALSE(ftp.usedPassive());
}

TEST_F(FtpDownload, ProgressComesInChunksOfAtMost4096WithAFinalPass)
{
    const std::string data = patternBytes(100000);
    writeFile(ftp.root() / "c.bin", data);
    engine.Items.Add(ftpItem(ftp, "c.bin", local.str()));
    runToEnd(engine);

    auto steps = events.progressSteps();
    ASSERT_GE(steps.size(), 100000u / 4096 + 2);
    TFetchSize previous = 0;
    for (const auto &s : steps) {
        EXPECT_EQ(s.totsize, 100000);
        EXPECT_EQ(s.fileidx, 1);
        EXPECT_LE(s.size - previous, 4096);
        EXPECT_GE(s.size, previous);
        previous = s.size;
    }
    // The last pass reads nothing and repeats the final count.
    EXPECT_EQ(steps.back().size, 100000);
    EXPECT_EQ(steps[steps.size() - 2].size, 100000);
    EXPECT_EQ(readFile(local.path() / "c.bin"), data);
}

TEST_F(FtpDownload, EmptyRemoteFileMakesAnEmptyLocalFile)
{
    writeFile(ftp.root() / "empty.bin", "");
    engine.Items.Add(ftpItem(ftp, "empty.bin", local.str()));
    runToEnd(engine);
    EXPECT_TRUE(fs::exists(local.path() / "empty.bin"));
    EXPECT_EQ(fs::file_size(local.path() / "empty.bin"), 0u);
    EXPECT_TRUE(engine.Items.Get(0).Done);
}

TEST(FtpDownloadUnknownSize, RunsWithTotalZero)
{
    FtpServer ftp(FtpServer::Options{.reportSizes = false});
    TempDir local;
    TFetchEngine engine;
    EventRecorder events(engine);
    const std::string data = patternBytes(9000);
    writeFile(ftp.root() / "n.bin", data);
    engine.Items.Add(ftpItem(ftp, "n.bin", local.str()));
    runToEnd(engine);

    EXPECT_EQ(readFile(local.path() / "n.bin"), data);
    auto steps = events.progressSteps();
    ASSERT_FALSE(steps.empty());
    for (const auto &s : steps)
        EXPECT_EQ(s.totsize, 0);
    EXPECT_EQ(steps.back().size, 9000);
    auto dialog = engine.Progress().Snapshot();
    EXPECT_EQ(dialog.ProgressLabel, "Progress : 9.00 Kb");
    EXPECT_EQ(dialog.BarPosition, 0);
    EXPECT_TRUE(engine.Items.Get(0).Done);
}

TEST_F(FtpDownload, MissingTargetDirectoryIsCode3AndNotCreated)
{
    writeFile(ftp.root() / "d.bin", "data");
    const fs::path missing = local.path() / "no" / "such";
    engine.Items.Add(ftpItem(ftp, "d.bin", missing.string()));
    runToEnd(engine);

    const std::string target = (missing / "d.bin").string();
    EXPECT_EQ(events.errors(), std::vector<std::string>{"3: Cannot create target file " + target});
    EXPECT_FALSE(fs::exists(local.path() / "no"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "Error 3", "ErrorInfo 3",
                                                      "FileDone 0 0", "CopyDone"}));
}

TEST_F(FtpDownload, EmptyTargetDirIsCode3AndTheRunGoesOn)
{
    writeFile(ftp.root() / "f.bin", "data");
    engine.Items.Add(ftpItem(ftp, "f.bin", ""));
    engine.Items.Add(ftpItem(ftp, "f.bin", local.str()));
    runToEnd(engine);

    EXPECT_EQ(events.errors(), std::vector<std::string>{"3: Cannot create target file f.bin"});
    EXPECT_FALSE(fs::exists("f.bin"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_TRUE(engine.Items.Get(1).Done);
    EXPECT_EQ(readFile(local.path() / "f.bin"), "data");
}

TEST_F(FtpDownload, MissingRemoteFileIsUrlNotFoundAndCreatesNothing)
{
    engine.Items.Add(ftpItem(ftp, "/pub/nothing.bin", local.str()));
    engine.Items.Add(ftpItem(ftp, "/nodir/x.bin", local.str()));
    runToEnd(engine);

    EXPECT_EQ(events.notFound(), (std::vector<std::string>{"/pub/nothing.bin", "/nodir/x.bin"}));
    EXPECT_TRUE(events.errors().empty());
    EXPECT_TRUE(fs::is_empty(local.path()));
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

TEST_F(FtpDownload, UnreachableServerOrBadLoginIsCode6)
{
    writeFile(ftp.root() / "e.bin", "x");
    TFetchItem refused = ftpItem(ftp, "e.bin", local.str());
    refused.FTPPort = freeLoopbackPort();
    TFetchItem badLogin = ftpItem(ftp, "e.bin", local.str());
    badLogin.FTPUserID = ftp.user();
    badLogin.FTPPassword = "wrong";
    engine.Items.Add(refused);
    engine.Items.Add(badLogin);
    runToEnd(engine);

    EXPECT_EQ(events.errors(), (std::vector<std::string>{"6: Cannot connect to FTP server 127.0.0.1",
                                                         "6: Cannot connect to FTP server 127.0.0.1"}));
    EXPECT_FALSE(fs::exists(local.path() / "e.bin"));
}

TEST_F(FtpDownload, OverwriteQuestionDecides)
{
    writeFile(ftp.root() / "o.bin", "new contents");
    const fs::path target = local.path() / "o.bin";
    writeFile(target, "old");
    engine.Items.Add(ftpItem(ftp, "o.bin", local.str()));
    expectOverwriteQuestionDecides(engine, events, target.string(), "old", "new contents");
}

TEST_F(FtpDownload, CancelKeepsThePartFile)
{
    const std::string data = patternBytes(4 * 1024 * 1024);
    writeFile(ftp.root() / "big.bin", data);
    engine.Items.Add(ftpItem(ftp, "big.bin", local.str()));
    engine.Items.Add(ftpItem(ftp, "big.bin", (local.path() / "second").string()));
    events.onProgress = [this](const ProgressEvent &e) {
        if (e.size >= 3 * 4096)
            engine.CancelClick();
    };
    runToEnd(engine);

    const std::string part = readFile(local.path() / "big.bin.part");
    EXPECT_GE(part.size(), 3u * 4096);
    EXPECT_TRUE(part == data.substr(0, part.size()));
    EXPECT_FALSE(fs::exists(local.path() / "big.bin"));
    EXPECT_LT(events.progressSteps().back().size, static_cast<TFetchSize>(data.size()));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "Progress", "CopyDone"}));
}

TEST_F(FtpDownload, ShortTransferIsRetriedThenFailsAndKeepsThePartFile)
{
    const std::string data = patternBytes(50000);
    writeFile(ftp.root() / "cut.short", data);
    engine.Items.Add(ftpItem(ftp, "cut.short", local.str()));
    runToEnd(engine);

    auto errors = events.errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(std::to_string(CURLE_PARTIAL_FILE) + ": ", 0), 0u) << errors[0];
    EXPECT_EQ(readFile(local.path() / "cut.short.part"), data.substr(0, 25000));
    EXPECT_FALSE(fs::exists(local.path() / "cut.short"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    // Each retry asked for the rest only.
    const auto commands = ftp.commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "anonymous REST 25000"), 5)
        << ::testing::PrintToString(commands);
}

TEST_F(FtpDownload, BrokenTransferResumesWhileTheSizeIsUnchanged)
{
    const std::string data = patternBytes(50000);
    writeFile(ftp.root() / "r.flaky", data);
    engine.Items.Add(ftpItem(ftp, "r.flaky", local.str()));
    runToEnd(engine);
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_EQ(readFile(local.path() / "r.flaky"), data);
    // The part kept from the broken transfer counts in the digest, once.
    EXPECT_EQ(engine.CurrentSha256(), digest::Sha256Hex(data));
    const auto commands = ftp.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "anonymous REST 25000"), commands.end());
    EXPECT_EQ(events.progressSteps().back().size, 50000);
    EXPECT_EQ(events.progressSteps().back().totsize, 50000);

    // A part left from a file of another size is started over.
    writeFile(ftp.root() / "s.flaky", data);
    engine.Retries = 0;
    engine.Items.Clear();
    engine.Items.Add(ftpItem(ftp, "s.flaky", local.str()));
    runToEnd(engine);
    EXPECT_EQ(readFile(local.path() / "s.flaky.part"), data.substr(0, 25000));
    writeFile(ftp.root() / "s.flaky", patternBytes(40000));
    runToEnd(engine);
    EXPECT_EQ(readFile(local.path() / "s.flaky"), patternBytes(40000));
    EXPECT_EQ(engine.CurrentSha256(), digest::Sha256Hex(patternBytes(40000)));

    // Grown and changed, or changed at the same size (its time tells): both
    // start over.
    for (std::size_t size : {70000u, 50000u}) {
        SCOPED_TRACE(size);
        const std::string name = "c" + std::to_string(size) + ".flaky";
        writeFile(ftp.root() / name, data);
        engine.Items.Clear();
        engine.Items.Add(ftpItem(ftp, name, local.str()));
        runToEnd(engine);
        ASSERT_EQ(readFile(local.path() / (name + ".part")), data.substr(0, 25000));
        const std::string changed = patternBytes(size + 9).substr(9);
        writeFile(ftp.root() / name, changed);
        fs::last_write_time(ftp.root() / name,
                            fs::last_write_time(ftp.root() / name) + std::chrono::hours(1));
        runToEnd(engine);
        EXPECT_TRUE(readFile(local.path() / name) == changed);
    }
}

TEST_F(FtpDownload, StalledTransferFailsAfterTheStallLimit)
{
    const std::string data = patternBytes(60000);
    writeFile(ftp.root() / "slow.stall", data);
    engine.Items.Add(ftpItem(ftp, "slow.stall", local.str()));
    engine.StallTimeout = std::chrono::seconds(1);
    engine.Retries = 0; // the peer hangs as a whole, not just this transfer
    const auto started = std::chrono::steady_clock::now();
    runToEnd(engine, std::chrono::seconds(20));

    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    auto errors = events.errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(std::to_string(CURLE_OPERATION_TIMEDOUT) + ": ", 0), 0u) << errors[0];
    EXPECT_EQ(readFile(local.path() / "slow.stall.part"), data.substr(0, 30000));
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

// The process's speed limit paces FTP too; a transfer held back for longer
// than the stall limit has not stalled.
TEST_F(FtpDownload, TheSpeedLimitPacesItAndHoldingBackIsNoStall)
{
    const std::string data = patternBytes(512 * 1024);
    writeFile(ftp.root() / "paced.bin", data);
    engine.Items.Add(ftpItem(ftp, "paced.bin", local.str()));
    engine.StallTimeout = std::chrono::seconds(1);
    ProcessRateLimiter().SetRate(256 * 1024);
    const auto started = std::chrono::steady_clock::now();
    runToEnd(engine, std::chrono::seconds(20));
    const auto took = std::chrono::steady_clock::now() - started;
    ProcessRateLimiter().SetRate(0);

    // Two seconds' worth, less the bucket's fifth of a second.
    EXPECT_GE(took, std::chrono::milliseconds(1600));
    EXPECT_TRUE(engine.Items.Get(0).Done) << (events.errors().empty() ? "" : events.errors()[0]);
    EXPECT_EQ(readFile(local.path() / "paced.bin"), data);
}

TEST_F(FtpDownload, LocalWriteErrorIsCode5)
{
    writeFile(ftp.root() / "full.bin", patternBytes(20000));
    writeFile(local.path() / "full.bin", "good");
    engine.Items.Add(ftpItem(ftp, "full.bin", local.str()));
    {
        FileSizeLimit full(5000);
        runToEnd(engine);
    }
    EXPECT_EQ(events.errors(), std::vector<std::string>{"5: Error writing to destination file " +
                                                        (local.path() / "full.bin").string()});
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_EQ(readFile(local.path() / "full.bin"), "good");
}

} // namespace

// Copies from a network share: a real smbd, and a local folder standing in
// for a mounted share.
#include "tests/support/event_recorder.h"
#include "tests/support/smb_server.h"
#include "tests/support/temp_dir.h"

#include "transfer/fetch_engine.h"
#include "transfer/share_connection.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>

namespace fs = std::filesystem;
using namespace fetchly;
using namespace fetchly::test;

namespace {

TFetchItem shareItem(const std::string &share, const std::string &user, const std::string &password,
                     const std::string &path, const std::string &targetDir)
{
    TFetchItem item;
    item.Protocol = TFetchProtocol::wpFile;
    item.FTPHost = share;
    item.FTPUserID = user;
    item.FTPPassword = password;
    item.URL = path;
    item.TargetDir = targetDir;
    return item;
}

class ShareCopy : public ::testing::Test {
protected:
    SmbServer smb;
    TempDir local;
    TFetchEngine engine;
    EventRecorder events{engine};
    void SetUp() override { SKIP_WITHOUT_SMB(smb); }
};

TEST_F(ShareCopy, ReadsTheSourceThroughTheShareInEveryNotation)
{
    const std::string data = patternBytes(70000);
    writeFile(smb.shareDir() / "docs" / "report.bin", data);
    const std::string server = "127.0.0.1:" + std::to_string(smb.port());
    const std::vector<std::string> shares = {smb.url(), "//" + server + "/files",
                                             "\\\\" + server + "\\files"};
    for (std::size_t i = 0; i < shares.size(); ++i)
        engine.Items.Add(shareItem(shares[i], smb.user(), smb.password(),
                                   i == 2 ? "docs\\report.bin" : "docs/report.bin",
                                   (local.path() / std::to_string(i)).string()));
    runToEnd(engine);

    EXPECT_EQ(events.connectErrors(), 0);
    EXPECT_TRUE(events.errors().empty()) << events.errors().front();
    for (std::size_t i = 0; i < shares.size(); ++i) {
        EXPECT_EQ(readFile(local.path() / std::to_string(i) / "report.bin"), data) << shares[i];
        EXPECT_TRUE(engine.Items.Get(static_cast<int>(i)).Done);
    }
    EXPECT_EQ(engine.Progress().Snapshot().FileLabel, "File : 3 of 3 : report.bin from " + shares[2]);
    EXPECT_EQ(events.progressSteps().back().totsize, 70000);
}

TEST_F(ShareCopy, FailedConnectionRaisesConnectErrorTwice)
{
    writeFile(smb.shareDir() / "s.txt", "secret");
    engine.Items.Add(shareItem(smb.url(), smb.user(), "wrong password", "s.txt", local.str()));
    runToEnd(engine);

    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "ConnectError", "ConnectError",
                                                      "FileDone 0 0", "CopyDone"}));
    EXPECT_TRUE(events.retries().empty()); // a refused login is final
    EXPECT_FALSE(fs::exists(local.path() / "s.txt"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

// A server that is not there (yet) is tried again before the copy fails as
// a single try would.
TEST(ShareCopyUnreachable, IsRetriedThenRaisesConnectErrorTwice)
{
    TempDir local;
    TFetchEngine engine;
    EventRecorder events{engine};
    engine.Retries = 2;
    engine.RetryBaseDelay = std::chrono::milliseconds(10);
    const std::string share = "smb://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/files";
    engine.Items.Add(shareItem(share, "u", "p", "s.txt", local.str()));
    runToEnd(engine);
    EXPECT_EQ(events.retries(), (std::vector<std::string>{"1/2 6 Cannot connect to share " + share,
                                                          "2/2 6 Cannot connect to share " + share}));
    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "ConnectError", "ConnectError",
                                                      "FileDone 0 0", "CopyDone"}));
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

TEST_F(ShareCopy, MissingFileOnTheShareIsCode1)
{
    engine.Items.Add(shareItem(smb.url(), smb.user(), smb.password(), "gone.txt", local.str()));
    runToEnd(engine);
    EXPECT_EQ(events.errors(),
              std::vector<std::string>{"1: Cannot open source file " + smb.url() + "/gone.txt"});
    EXPECT_EQ(events.connectErrors(), 0);
}

TEST_F(ShareCopy, ZeroLengthFileOnTheShareIsCode2)
{
    writeFile(smb.shareDir() / "zero.txt", "");
    engine.Items.Add(shareItem(smb.url(), smb.user(), smb.password(), "zero.txt", local.str()));
    runToEnd(engine);
    EXPECT_EQ(events.errors(),
              std::vector<std::string>{"2: Zero length source file " + smb.url() + "/zero.txt"});
    EXPECT_FALSE(fs::exists(local.path() / "zero.txt"));
}

TEST(ShareConnectionUnit, ConnectsToSmbAndReleasesOnce)
{
    SmbServer smb;
    SKIP_WITHOUT_SMB(smb);
    writeFile(smb.shareDir() / "x y%.txt", "odd name");
    ShareConnection share;
    EXPECT_FALSE(share.Disconnect());
    ASSERT_TRUE(share.Connect(smb.url(), smb.user(), smb.password())) << share.LastError();
    auto file = share.OpenRead("/x y%.txt");
    ASSERT_TRUE(file) << share.LastError();
    EXPECT_EQ(file->Size(), 8);
    char buf[16] = {};
    EXPECT_EQ(file->Read(buf, sizeof buf), 8);
    EXPECT_EQ(std::string(buf, 8), "odd name");
    file.reset();
    EXPECT_TRUE(share.Disconnect());
    EXPECT_FALSE(share.Disconnect());
    EXPECT_FALSE(share.OpenRead("x y%.txt"));
}

TEST(ShareConnectionUnit, ServerThatIsGoneFailsToConnect)
{
    ShareConnection share;
    EXPECT_FALSE(share.Connect("smb://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/files", "u", "p"));
    EXPECT_FALSE(share.LastError().empty());
}

TEST(ShareLocationParse, KnowsTheNotations)
{
    using Kind = ShareLocation::Kind;
    const struct {
        std::string text;
        Kind kind;
        std::string host;
        int port;
        std::string path;
    } cases[] = {{"smb://server:4450/files/sub", Kind::Smb, "server", 4450, "files/sub"},
                 {"\\\\server\\files\\", Kind::Smb, "server", 0, "files"},
                 {"/mnt/share", Kind::LocalDirectory, "", 0, "/mnt/share"}};
    for (const auto &c : cases) {
        const auto parsed = ParseShareLocation(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(std::tie(parsed->kind, parsed->host, parsed->path), std::tie(c.kind, c.host, c.path))
            << c.text;
        EXPECT_EQ(parsed->port, c.port) << c.text;
    }
    for (const char *bad : {"", "smb://server", "//server/", "smb://server:99999/files", "smb://:445/files"})
        EXPECT_FALSE(ParseShareLocation(bad)) << bad;
}

TEST(MountedShareCopy, LocalFolderAsShare)
{
    TempDir mount, local;
    TFetchEngine engine;
    EventRecorder events(engine);
    writeFile(mount.path() / "sub" / "m.bin", "mounted share");
    engine.Items.Add(shareItem(mount.str(), "", "", "sub/m.bin", local.str()));
    engine.Items.Add(shareItem((mount.path() / "absent").string(), "", "", "m.bin", local.str()));
    runToEnd(engine);

    EXPECT_EQ(readFile(local.path() / "m.bin"), "mounted share");
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_FALSE(engine.Items.Get(1).Done);
    EXPECT_EQ(events.connectErrors(), 2);
    EXPECT_TRUE(events.errors().empty());
}

} // namespace

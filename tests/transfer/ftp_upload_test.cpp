// FTP uploads against a real pyftpdlib server on 127.0.0.1.
#include "tests/support/event_recorder.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

#include "transfer/fetch_engine.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace fetchly;
using namespace fetchly::test;

namespace {

class FtpUpload : public ::testing::Test {
protected:
    TFetchItem upload(const fs::path &localFile, const std::string &remoteDir, bool account = true)
    {
        TFetchItem item;
        item.Protocol = TFetchProtocol::wpFtpUpload;
        item.FTPHost = ftp.host();
        item.FTPPort = ftp.port();
        if (account) {
            item.FTPUserID = ftp.user();
            item.FTPPassword = ftp.password();
        }
        item.URL = localFile.string();
        item.TargetDir = remoteDir;
        return item;
    }

    FtpServer ftp;
    TempDir local;
    TFetchEngine engine;
    EventRecorder events{engine};
};

TEST_F(FtpUpload, CreatesTheMissingRemoteDirectory)
{
    const std::string data = patternBytes(30000);
    auto file = local.write("up.bin", data);
    engine.Items.Add(upload(file, "incoming/2024"));
    engine.Progress().SetListener({});
    runToEnd(engine);

    EXPECT_EQ(readFile(ftp.root() / "incoming" / "2024" / "up.bin"), data);
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_EQ(engine.CurrentTarget(), file.string());
    EXPECT_EQ(engine.CurrentTargetDir(), "incoming/2024");
    auto dialog = engine.Progress().Snapshot();
    EXPECT_EQ(dialog.FileLabel, "File : up.bin to 127.0.0.1");
    EXPECT_EQ(dialog.Animation, TDialogAnimation::Upload);
    EXPECT_TRUE(events.errors().empty());
}

TEST_F(FtpUpload, EmptyTargetDirWritesIntoTheLoginDirectory)
{
    auto file = local.write("home.txt", "into the login directory");
    TFetchItem item = upload(file, "");
    item.TargetFilename = "named.txt";
    engine.Items.Add(item);
    runToEnd(engine);
    EXPECT_EQ(readFile(ftp.root() / "named.txt"), "into the login directory");
    EXPECT_FALSE(ftp.sawCommand("MKD"));
}

TEST_F(FtpUpload, MultipleOf4096EndsWithAPassThatSendsNothing)
{
    const std::string data = patternBytes(3 * 4096);
    auto file = local.write("m.bin", data);
    engine.Items.Add(upload(file, "/"));
    engine.FTPPassive = true;
    runToEnd(engine);

    EXPECT_EQ(readFile(ftp.root() / "m.bin"), data);
    std::vector<TFetchSize> sizes;
    for (const auto &p : events.progressSteps()) {
        sizes.push_back(p.size);
        EXPECT_EQ(p.totsize, 3 * 4096);
    }
    EXPECT_EQ(sizes, (std::vector<TFetchSize>{4096, 8192, 12288, 12288}));
    EXPECT_TRUE(ftp.usedPassive());
}

TEST_F(FtpUpload, OtherSizesEndWithTheShortChunk)
{
    const std::string data = patternBytes(4096 + 100);
    auto file = local.write("s.bin", data);
    engine.Items.Add(upload(file, ""));
    runToEnd(engine);
    EXPECT_EQ(readFile(ftp.root() / "s.bin"), data);
    std::vector<TFetchSize> sizes;
    for (const auto &p : events.progressSteps())
        sizes.push_back(p.size);
    EXPECT_EQ(sizes, (std::vector<TFetchSize>{4096, 4196}));
    EXPECT_TRUE(ftp.usedActive());
}

TEST_F(FtpUpload, MissingLocalFileIsCode1AndLeavesTheServerAlone)
{
    writeFile(ftp.root() / "keep.bin", "server copy");
    const fs::path missing = local.path() / "keep.bin";
    engine.Items.Add(upload(missing, ""));
    runToEnd(engine);

    EXPECT_EQ(events.errors(), std::vector<std::string>{"1: Cannot create target file " + missing.string()});
    EXPECT_EQ(readFile(ftp.root() / "keep.bin"), "server copy");
    EXPECT_FALSE(engine.Items.Get(0).Done);
}

TEST_F(FtpUpload, RefusedRemoteFileIsUrlNotFound)
{
    auto file = local.write("anon.bin", "anonymous may not write");
    engine.Items.Add(upload(file, "", false));
    runToEnd(engine);
    EXPECT_EQ(events.notFound(), std::vector<std::string>{file.string()});
    EXPECT_TRUE(events.errors().empty());
    EXPECT_FALSE(fs::exists(ftp.root() / "anon.bin"));
}

TEST_F(FtpUpload, DirectoryThatCannotBeMadeEndsTheItemSilently)
{
    auto file = local.write("d.bin", "x");
    engine.Items.Add(upload(file, "forbidden", false));
    runToEnd(engine);
    EXPECT_FALSE(fs::exists(ftp.root() / "forbidden"));
    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "FileDone 0 0", "CopyDone"}));
}

TEST_F(FtpUpload, UnreachableServerIsCode6)
{
    auto file = local.write("u.bin", "x");
    TFetchItem item = upload(file, "");
    item.FTPPort = freeLoopbackPort();
    engine.Items.Add(item);
    runToEnd(engine);
    EXPECT_EQ(events.errors(), std::vector<std::string>{"6: Cannot connect to FTP server 127.0.0.1"});
}

TEST_F(FtpUpload, CancelStopsAfterTheCurrentChunk)
{
    const std::string data = patternBytes(2 * 1024 * 1024);
    auto file = local.write("c.bin", data);
    engine.Items.Add(upload(file, ""));
    events.onProgress = [this](const ProgressEvent &e) {
        if (e.size >= 2 * 4096)
            engine.CancelClick();
    };
    runToEnd(engine);

    EXPECT_FALSE(engine.Items.Get(0).Done);
    EXPECT_LT(events.progressSteps().back().size, static_cast<TFetchSize>(data.size()));
    // What reached the server is a prefix of the file.
    std::string sent = readFile(ftp.root() / "c.bin");
    EXPECT_LT(sent.size(), data.size());
    EXPECT_EQ(sent, data.substr(0, sent.size()));
    EXPECT_EQ(events.log(), (std::vector<std::string>{"FileStart 0 0", "Progress", "CopyDone"}));
}

} // namespace

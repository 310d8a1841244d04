// HTTP upload (POST and PUT) against real servers, bodies compared byte for byte.
#include "tests/support/event_recorder.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace fetchly;
using namespace fetchly::test;
using Lines = std::vector<std::string>;

namespace {

class HttpUploadTest : public ::testing::Test {
protected:
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec{engine};

    TFetchItem upload(const std::string &url, const std::string &localName, TFetchHTTPCommand command)
    {
        TFetchItem item;
        item.Protocol = TFetchProtocol::wpHttpUpload;
        item.URL = url;
        item.TargetDir = dir.str();
        item.TargetFilename = localName;
        item.HTTPCommand = command;
        engine.Items.Clear();
        engine.Items.Add(item);
        EXPECT_TRUE(runAndWait(engine));
        return engine.Items.Get(0);
    }
};

} // namespace

TEST_F(HttpUploadTest, PutSendsTheFileAsItIs)
{
    const std::string data = patternBytes(10000);
    dir.write("local.bin", data);
    const auto item = upload(peer.url("/upload/put1"), "local.bin", TFetchHTTPCommand::hcPut);
    EXPECT_TRUE(item.Done);
    EXPECT_EQ(peer.uploadedBody("put1"), data);
    const std::string head = peer.uploadedHead("put1");
    EXPECT_EQ(head.rfind("PUT /upload/put1 HTTP/1.1\n", 0), 0u) << head;
    EXPECT_NE(head.find("Content-Length: 10000\n"), std::string::npos) << head;
    EXPECT_EQ(head.find("Content-Type"), std::string::npos) << head;
    EXPECT_EQ(head.find("Expect"), std::string::npos) << head;
    EXPECT_NE(head.find("User-Agent: Fetchly\n"), std::string::npos) << head;
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(rec.progress(), (Lines{"1 0 4096 10000", "1 0 8192 10000", "1 0 10000 10000"}));
    EXPECT_EQ(engine.Progress().Snapshot().Animation, TDialogAnimation::Upload);
}

TEST_F(HttpUploadTest, PostOfAMultipleOf4096EndsWithAnEmptyPass)
{
    const std::string data = patternBytes(8192);
    dir.write("eight.bin", data);
    const auto item = upload(peer.url("/upload/post1"), "eight.bin", TFetchHTTPCommand::hcPost);
    EXPECT_TRUE(item.Done);
    EXPECT_EQ(peer.uploadedBody("post1"), data);
    EXPECT_EQ(peer.uploadedHead("post1").rfind("POST /upload/post1 HTTP/1.1\n", 0), 0u);
    EXPECT_EQ(peer.uploadedHead("post1").find("Content-Type"), std::string::npos);
    EXPECT_EQ(rec.progress(), (Lines{"1 0 4096 8192", "1 0 8192 8192", "1 0 8192 8192"}));
}

TEST_F(HttpUploadTest, EmptyAndLargeFilesArriveExactly)
{
    dir.write("empty.bin", "");
    EXPECT_TRUE(upload(peer.url("/upload/empty"), "empty.bin", TFetchHTTPCommand::hcPost).Done);
    EXPECT_TRUE(std::filesystem::exists(peer.recordDir() / "empty.body"));
    EXPECT_EQ(peer.uploadedBody("empty"), "");

    const std::string data = patternBytes(1 << 20);
    dir.write("mb.bin", data);
    EXPECT_TRUE(upload(peer.url("/upload/mb"), "mb.bin", TFetchHTTPCommand::hcPut).Done);
    EXPECT_EQ(peer.uploadedBody("mb"), data);
}

TEST_F(HttpUploadTest, LocalNameDefaultsToTheUrlsFileName)
{
    dir.write("named", "abc");
    EXPECT_TRUE(upload(peer.url("/upload/named"), "", TFetchHTTPCommand::hcPost).Done);
    EXPECT_EQ(peer.uploadedBody("named"), "abc");
}

TEST_F(HttpUploadTest, MissingLocalFileEndsTheItemSilently)
{
    const auto item = upload(peer.url("/upload/none"), "does-not-exist", TFetchHTTPCommand::hcPost);
    EXPECT_FALSE(item.Done);
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(peer.requestsLog(), "");
}

TEST_F(HttpUploadTest, ServerRefusalAndNoServerAreErrors)
{
    dir.write("f", "data");
    auto item = upload(peer.url("/elsewhere/f"), "f", TFetchHTTPCommand::hcPut);
    EXPECT_FALSE(item.Done);
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "Error 404", "ErrorInfo 404 Returned http error code 404",
                                   "FileDone 0 0", "CopyDone"}));

    const std::string url = "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/upload/f";
    item = upload(url, "f", TFetchHTTPCommand::hcPost);
    EXPECT_FALSE(item.Done);
    const Lines events = rec.events();
    EXPECT_EQ(Lines(events.end() - 4, events.end() - 2),
              (Lines{"Error 7", "ErrorInfo 7 Couldn't connect to server"}));

    item = upload("not a url", "f", TFetchHTTPCommand::hcPost);
    EXPECT_EQ(rec.events().at(rec.events().size() - 3), "ErrorInfo 6 Cannot connect to server not a url");
}

TEST(HttpUploadNginx, PutIsStoredByTheServer)
{
    NginxServer nginx;
    TempDir dir;
    const std::string data = patternBytes(4096 * 3);
    dir.write("up.bin", data);
    TFetchEngine engine;
    EventRecorder rec(engine);
    TFetchItem item;
    item.Protocol = TFetchProtocol::wpHttpUpload;
    item.HTTPCommand = TFetchHTTPCommand::hcPut;
    item.URL = nginx.url("/dav/new/up.bin");
    item.TargetDir = dir.str();
    engine.Items.Add(item);
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_TRUE(engine.Items.Get(0).Done);
    EXPECT_EQ(readFile(nginx.root() / "dav" / "new" / "up.bin"), data);
}

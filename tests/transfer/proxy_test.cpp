// Downloads through a forward proxy that wants credentials.
#include "tests/support/event_recorder.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using namespace fetchly;
using namespace fetchly::test;
using Lines = std::vector<std::string>;

TEST(Proxy, CredentialsGoToTheProxyAndNeverToTheOrigin)
{
    HttpPeer origin;
    HttpProxyPeer proxy("puser", "ppass");
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Proxy = proxy.address();
    engine.ProxyUserID = "puser";
    engine.ProxyPassword = "ppass";
    engine.Items.Add(TFetchItem{0, origin.url("/file/5000"), dir.str(), ""});
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(readFile(dir.path() / "5000"), patternBytes(5000));

    const std::string plog = proxy.log();
    EXPECT_NE(plog.find("GET " + origin.url("/file/5000") + " HTTP/1.1\n"), std::string::npos) << plog;
    EXPECT_NE(plog.find("Proxy-Authorization: Basic cHVzZXI6cHBhc3M=\n"), std::string::npos) << plog;
    const std::string olog = origin.requestsLog();
    EXPECT_NE(olog.find("GET /file/5000 "), std::string::npos) << olog;
    EXPECT_EQ(olog.find("puser"), std::string::npos) << olog;
    EXPECT_EQ(olog.find("Authorization"), std::string::npos) << olog;
}

TEST(Proxy, WrongCredentialsAreTheProxysRefusal)
{
    HttpPeer origin;
    HttpProxyPeer proxy("puser", "ppass");
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Proxy = proxy.address();
    engine.ProxyUserID = "puser";
    engine.ProxyPassword = "wrong";
    engine.Items.Add(TFetchItem{0, origin.url("/file/10"), dir.str(), ""});
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "Error 407", "ErrorInfo 407 Returned http error code 407",
                                   "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(origin.requestsLog(), "");
}

TEST(Proxy, UnreachableProxyReportsTheUrlAsWritten)
{
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec(engine);
    engine.Proxy = "127.0.0.1:" + std::to_string(freeLoopbackPort());
    engine.ProxyUserID = "puser";
    engine.ProxyPassword = "ppass";
    const std::string url = "http://127.0.0.1:1/x.zip";
    engine.Items.Add(TFetchItem{0, url, dir.str(), ""});
    ASSERT_TRUE(runAndWait(engine));
    EXPECT_EQ(rec.events(), (Lines{"FileStart 0 0", "URLNotFound " + url, "FileDone 0 0", "CopyDone"}));
}

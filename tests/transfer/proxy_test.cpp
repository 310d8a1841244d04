// Downloads through a forward proxy that wants credentials.
#include "tests/support/event_recorder.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using namespace fetchly;
using namespace fetchly::test;
using Lines = std::vector<std::string>;

class Proxy : public ::testing::Test {
protected:
    HttpPeer origin;
    HttpProxyPeer proxy{"puser", "ppass"};
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec{engine};

    // Fetches `url` through the proxy at `address` as puser; the events.
    Lines fetchThrough(const std::string &address, const std::string &password, const std::string &url)
    {
        engine.Proxy = address;
        engine.ProxyUserID = "puser";
        engine.ProxyPassword = password;
        engine.Items.Add(TFetchItem{0, url, dir.str(), ""});
        EXPECT_TRUE(runAndWait(engine));
        return rec.events();
    }
};

TEST_F(Proxy, CredentialsGoToTheProxyAndNeverToTheOrigin)
{
    EXPECT_EQ(fetchThrough(proxy.address(), "ppass", origin.url("/file/5000")),
              (Lines{"FileStart 0 0", "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(readFile(dir.path() / "5000"), patternBytes(5000));

    const std::string plog = proxy.log();
    EXPECT_NE(plog.find("GET " + origin.url("/file/5000") + " HTTP/1.1\n"), std::string::npos) << plog;
    EXPECT_NE(plog.find("Proxy-Authorization: Basic cHVzZXI6cHBhc3M=\n"), std::string::npos) << plog;
    const std::string olog = origin.requestsLog();
    EXPECT_NE(olog.find("GET /file/5000 "), std::string::npos) << olog;
    EXPECT_EQ(olog.find("puser"), std::string::npos) << olog;
    EXPECT_EQ(olog.find("Authorization"), std::string::npos) << olog;
}

TEST_F(Proxy, WrongCredentialsAreTheProxysRefusal)
{
    EXPECT_EQ(fetchThrough(proxy.address(), "wrong", origin.url("/file/10")),
              (Lines{"FileStart 0 0", "Error 407", "ErrorInfo 407 Returned http error code 407",
                     "FileDone 0 0", "CopyDone"}));
    EXPECT_EQ(origin.requestsLog(), "");
}

TEST_F(Proxy, UnreachableProxyReportsTheUrlAsWritten)
{
    const std::string url = "http://127.0.0.1:1/x.zip";
    EXPECT_EQ(fetchThrough("127.0.0.1:" + std::to_string(freeLoopbackPort()), "ppass", url),
              (Lines{"FileStart 0 0", "URLNotFound " + url, "FileDone 0 0", "CopyDone"}));
}

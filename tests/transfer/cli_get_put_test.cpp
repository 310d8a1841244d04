// `fetchly get` and `fetchly put` over HTTP, run as the program itself:
// exit status, log lines and the bytes that arrive.
#include "support/http_server.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace fetchly::test;

namespace {

using Result = ProgramResult;

Result runFetchly(const std::vector<std::string> &args, const fs::path &cwd)
{
    return runProgram(FETCHLY_PROGRAM, args, cwd);
}

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(GetCommand, DownloadsEveryUrlIntoTheFolder)
{
    HttpPeer peer;
    TempDir dir;
    auto r = runFetchly(
        {"get", "-d", dir.str() + "/out", peer.url("/file/70000"), peer.url("/nolength/3000")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "out" / "70000"), httpPattern(70000));
    EXPECT_EQ(readFile(dir.path() / "out" / "3000"), httpPattern(3000));
    EXPECT_TRUE(contains(r.err, "fetchly: " + peer.url("/file/70000"))) << r.err;
    EXPECT_TRUE(contains(r.err, "fetchly: done " + dir.str() + "/out/3000")) << r.err;

    // Default folder: the current one; -o names the file.
    r = runFetchly({"get", "-o", "named.bin", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "named.bin"), httpPattern(10));

    // --quiet prints nothing when all goes well.
    r = runFetchly({"get", "--quiet", "-o", "q.bin", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST(GetCommand, AnyFailureGivesStatusOneAndTheErrorText)
{
    HttpPeer peer;
    TempDir dir;
    auto r = runFetchly({"get", "--quiet", peer.url("/file/10"), peer.url("/status/404")}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "error 404: Returned http error code 404")) << r.err;
    EXPECT_EQ(readFile(dir.path() / "10"), httpPattern(10));

    const std::string nowhere = "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/x";
    r = runFetchly({"get", "--retries", "1", nowhere}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "not found: " + nowhere)) << r.err;
    // Each retry is a line of its own; the failure is reported once.
    EXPECT_TRUE(contains(r.err, "fetchly: retry 1 of 1 in 1.")) << r.err;
    EXPECT_EQ(r.err.find("not found"), r.err.rfind("not found")) << r.err;
}

TEST(GetCommand, ResumesAPartUnlessToldNotTo)
{
    HttpPeer peer;
    TempDir dir;
    const std::string url = peer.url("/ranged/300000?etag=c&dropat=1");
    auto r = runFetchly({"get", "--retries", "0", "--connections", "1", url}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readFile(dir.path() / "300000.part"), httpPattern(150000));
    r = runFetchly({"get", "--no-resume", url}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "300000"), httpPattern(300000));
    const auto log = peer.requestsLog();
    EXPECT_EQ(log.find("Range: bytes=150000-"), std::string::npos) << log;
    EXPECT_EQ(log.find("Range: bytes=0-"), log.rfind("Range: bytes=0-")) << "only the second run probed";
}

TEST(GetCommand, UsageErrorsGiveStatusTwo)
{
    TempDir dir;
    for (const auto &args :
         std::vector<std::vector<std::string>>{{"get"},
                                               {"get", "-o", "a", "http://h/1", "http://h/2"},
                                               {"get", "--bogus", "http://h/"},
                                               {"get", "-d"},
                                               {"get", "--connections", "17", "http://h/"},
                                               {"get", "--retries", "x", "http://h/"},
                                               {"put", "onlyfile"},
                                               {"put", "--put", "a", "b", "c"}}) {
        const auto r = runFetchly(args, dir.path());
        EXPECT_EQ(r.status, 2) << args.size() << " " << r.err;
        EXPECT_TRUE(contains(r.err, "usage: fetchly")) << r.err;
    }
}

TEST(GetCommand, ProxyOptionsReachTheEngine)
{
    HttpPeer origin;
    HttpProxyPeer proxy("u", "p");
    TempDir dir;
    auto r = runFetchly({"get", "--proxy", proxy.address(), "--proxy-user", "u", "--proxy-password", "p",
                         origin.url("/file/100")},
                        dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(proxy.log(), "GET " + origin.url("/file/100")));
}

TEST(PutCommand, SendsTheFileWithPostOrPut)
{
    HttpPeer peer;
    TempDir dir;
    const std::string data = httpPattern(12288);
    dir.write("local.bin", data);
    auto r = runFetchly({"put", "local.bin", peer.url("/upload/p1")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peer.uploadedBody("p1"), data);
    EXPECT_EQ(peer.uploadedHead("p1").rfind("POST ", 0), 0u);

    r = runFetchly({"put", "--put", "local.bin", peer.url("/upload/p2")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peer.uploadedBody("p2"), data);
    EXPECT_EQ(peer.uploadedHead("p2").rfind("PUT ", 0), 0u);

    r = runFetchly({"put", "missing.bin", peer.url("/upload/p3")}, dir.path());
    EXPECT_EQ(r.status, 1);
    r = runFetchly({"put", "local.bin", peer.url("/nowhere/p4")}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "Returned http error code 404")) << r.err;
}

// `fetchly get` and `fetchly put` over HTTP, run as the program itself:
// exit status, log lines and the bytes that arrive.
#include "digest/sha256_stream.h"
#include "tests/cli/run_fetchly.h"
#include "tests/support/http_server.h"
#include "tests/support/root_only.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using namespace fetchly::test;

namespace {

using Result = ProgramResult;

} // namespace

TEST(GetCommand, DownloadsEveryUrlIntoTheFolder)
{
    HttpPeer peer;
    TempDir dir;
    auto r = runFetchly(
        {"get", "-d", dir.str() + "/out", peer.url("/file/70000"), peer.url("/nolength/3000")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "out" / "70000"), patternBytes(70000));
    EXPECT_EQ(readFile(dir.path() / "out" / "3000"), patternBytes(3000));
    EXPECT_TRUE(contains(r.err, "fetchly: " + peer.url("/file/70000"))) << r.err;
    EXPECT_TRUE(contains(r.err, "fetchly: done " + dir.str() + "/out/3000\nfetchly: SHA-256: " +
                                    fetchly::digest::Sha256Hex(patternBytes(3000)) + "\n"))
        << r.err;

    // A login page saved under an archive's name: it is what the server
    // sent, so the download succeeded, with a warning that says what it is.
    r = runFetchly({"get", "--quiet", "-o", "setup.zip", peer.url("/cookiepage/setup.zip")}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "fetchly: warning: setup.zip is an HTML page, not a ZIP archive\n");

    // Default folder: the current one; -o names the file.
    r = runFetchly({"get", "-o", "named.bin", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "named.bin"), patternBytes(10));

    // --quiet prints nothing when all goes well.
    r = runFetchly({"get", "--quiet", "-o", "q.bin", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// Each failure is one line that names the item and says why, in the words
// of libcurl or the server; --quiet keeps only those lines.
TEST(GetCommand, EachFailureLineNamesTheItemAndWhy)
{
    HttpPeer peer;
    HttpPeer tls(HttpPeer::Scheme::HttpsSelfSigned);
    TempDir dir;
    const std::string closed = "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/x";
    const std::string program = FETCHLY_PROGRAM;
    struct Case {
        std::vector<std::string> command; // the program and its words
        std::string line;
    };
    std::vector<Case> cases{
        {{program, "get", "--quiet", peer.url("/file/10"), peer.url("/status/404")},
         "fetchly: error 404: " + peer.url("/status/404") + " (Returned http error code 404)\n"},
        {{program, "get", "--quiet", peer.url("/status/403")},
         "fetchly: error 403: " + peer.url("/status/403") +
             " (Returned http error code 403). The site wants a login: send the link to Fetchly from the "
             "browser where you are logged in (Add URL Link to Fetchly), which passes that login along\n"},
        {{program, "get", "--quiet", tls.url("/file/10")},
         "fetchly: not found: " + tls.url("/file/10") +
             " (SSL certificate problem: self-signed certificate)\n"},
        {{program, "get", "--quiet", "--retries", "0", closed},
         "fetchly: not found: " + closed + " (Connection refused)\n"},
        {{"env", "FETCHLY_STALL_SECONDS=1", program, "get", "--quiet", "--retries", "0", peer.url("/silent")},
         "fetchly: not found: " + peer.url("/silent") + " (Operation timed out after 1000 ms)\n"},
        {{"env", "FETCHLY_STALL_SECONDS=1", program, "get", "--quiet", "--retries", "0",
          peer.url("/stall/5000")},
         "fetchly: error 28: " + peer.url("/stall/5000") + " (Operation timed out after 1000 ms)\n"},
        {{program, "get", "--quiet", peer.url("/loop")},
         "fetchly: too many redirects (more than 10): " + peer.url("/loop") + "\n"},
    };
    // Without a network of its own (which takes root) the name cannot leave
    // the machine.
    if (isRoot())
        cases.push_back(
            {{"unshare", "--net", program, "get", "--quiet", "--retries", "0", "http://nosuch.invalid/a.zip"},
             "fetchly: not found: http://nosuch.invalid/a.zip (Could not resolve host: nosuch.invalid)\n"});
    for (const auto &c : cases) {
        const auto r = runProgram(c.command.front(), {c.command.begin() + 1, c.command.end()}, dir.path());
        EXPECT_EQ(r.status, 1) << c.line;
        EXPECT_EQ(r.err, c.line);
    }
    // The run went on after the failure before it.
    EXPECT_EQ(readFile(dir.path() / "10"), patternBytes(10));
}

// Ctrl-C and SIGTERM stop the way the dialog's Cancel does: the part stays
// and the next run resumes it. Asked twice, the program ends at once, the
// default way, without waiting for the cancel.
TEST(GetCommand, SignalsStopAndTheNextRunResumes)
{
    HttpPeer peer;
    TempDir dir;
    const fs::path target = dir.path() / "big.bin";
    const fs::path part = target.string() + ".part";
    const std::string log = (dir.path() / "run.log").string();
    // 3.2 MB/s over its 8 connections: still under way when a loaded
    // machine gets round to the signal.
    const std::string url = peer.url("/ranged/8388608?etag=g&rate=400000");
    // Under way once it has named the URL (its signals are taken by then)
    // and written to its part.
    const auto startDownload = [&](PeerProcess &run) {
        fs::remove(log);
        run.start({FETCHLY_PROGRAM, "get", "-d", dir.str(), "-o", "big.bin", url}, log);
        const bool named =
            WaitUntil([&] { return contains(readFile(log), "fetchly: " + url); }, std::chrono::seconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return named && WaitUntil([&] { return fs::exists(part); }, std::chrono::seconds(10));
    };
    for (const auto &[sig, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        PeerProcess run;
        ASSERT_TRUE(startDownload(run)) << readFile(log);
        run.signal(sig);
        EXPECT_EQ(run.waitForExit(std::chrono::seconds(10)), status);
        const std::string err = readFile(log);
        EXPECT_TRUE(contains(err, "\nfetchly: stopped: ")) << err;
        EXPECT_TRUE(err.ends_with(" of 8388608 bytes kept in " + part.string() + " (run again to resume)\n"))
            << err;
        EXPECT_FALSE(fs::exists(target));
        EXPECT_TRUE(fs::exists(part));
    }
    // Two stops later, the rest: no range asked twice.
    const std::size_t before = peer.requestsLog().size();
    auto r = runFetchly({"get", "-d", dir.str(), "-o", "big.bin", url}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readFile(target) == patternBytes(8388608));
    EXPECT_FALSE(contains(peer.requestsLog().substr(before), "Range: bytes=0-")) << "started over";
    // Both signals are pending when it goes on, so the second one comes
    // while the first one's cancel has not even begun. (The finished file
    // goes first, or the server would only be asked whether it changed.)
    fs::remove(target);
    PeerProcess run;
    ASSERT_TRUE(startDownload(run)) << readFile(log);
    for (int sig : {SIGSTOP, SIGINT, SIGTERM, SIGCONT})
        run.signal(sig);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run.waitForExit(std::chrono::seconds(10)), -1); // killed
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(contains(readFile(log), "cancelled")) << readFile(log);
}

// One writer per part: a second run of the same download stops at once
// (status 3, a file error) and leaves the first one's part alone. A part
// whose server changed the file since (ignoring If-Range) starts over.
TEST(GetCommand, OneWriterPerPartAndAChangedFileStartsOver)
{
    HttpPeer peer;
    TempDir dir;
    const fs::path part = dir.path() / "one.bin.part";
    const std::string url = peer.url("/ranged/3000000?etag=1&vary=1&ignoreifrange=1&rate=1000000");
    const std::string log = (dir.path() / "first.log").string();
    PeerProcess first;
    first.start({FETCHLY_PROGRAM, "get", "--connections", "1", "-d", dir.str(), "-o", "one.bin", url}, log);
    ASSERT_TRUE(
        WaitUntil([&] { return fs::exists(part) && fs::file_size(part) > 0; }, std::chrono::seconds(10)));
    const auto start = std::chrono::steady_clock::now();
    auto r = runFetchly({"get", "--quiet", "-d", dir.str(), "-o", "one.bin", url}, dir.path());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.err, "fetchly: error 3: " + url + " (" + dir.str() +
                         "/one.bin is already being downloaded by another transfer)\n");

    // Killed outright; the server's file then changes.
    first.signal(SIGKILL);
    first.waitForExit(std::chrono::seconds(5));
    ASSERT_TRUE(fs::exists(part));
    writeFile(peer.recordDir() / "etag", "2");
    r = runFetchly({"get", "--quiet", "-d", dir.str(), "-o", "one.bin", url}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readFile(dir.path() / "one.bin") == patternBytes(3000002).substr(2)) << "versions mixed";

    // A folder that cannot be made is a file error too.
    dir.write("blocker", "x");
    r = runFetchly({"get", "--quiet", "-d", dir.str() + "/blocker/sub", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 3) << r.err;
}

TEST(GetCommand, RetriesAreLoggedAndAPartResumedUnlessToldNotTo)
{
    HttpPeer peer;
    TempDir dir;
    const std::string closed = "http://127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/x";
    auto r = runFetchly({"get", "--retries", "1", closed}, dir.path());
    EXPECT_EQ(r.status, 1);
    // Each retry is a line of its own; the failure is reported once.
    EXPECT_TRUE(contains(r.err, "fetchly: retry 1 of 1 in 1.")) << r.err;
    EXPECT_EQ(r.err.find("not found"), r.err.rfind("not found")) << r.err;

    const std::string url = peer.url("/ranged/300000?etag=c&dropat=1");
    r = runFetchly({"get", "--retries", "0", "--connections", "1", "-o", "r.bin", url}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(readFile(dir.path() / "r.bin.part") == patternBytes(150000));
    r = runFetchly({"get", "--no-resume", "-o", "r.bin", url}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readFile(dir.path() / "r.bin") == patternBytes(300000));
    const auto log = peer.requestsLog();
    EXPECT_EQ(log.find("Range: bytes=150000-"), std::string::npos) << log;
    EXPECT_EQ(log.find("Range: bytes=0-"), log.rfind("Range: bytes=0-")) << "only the second run probed";
}

// A file fetched before is asked for only if it changed (--force fetches
// it anyway); a name taken by another file is numbered, and printed so.
TEST(GetCommand, AFileFetchedBeforeIsAskedForAndATakenNameIsNumbered)
{
    HttpPeer peer;
    TempDir dir;
    const std::string url = peer.url("/ranged/4000?etag=5");
    auto r = runFetchly({"get", "-o", "r.bin", url}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    r = runFetchly({"get", "-o", "r.bin", url}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    // Nothing was transferred: the line gives the file's size on disk and the digest recorded when it came.
    EXPECT_TRUE(contains(r.err, "fetchly: unchanged " + url + " (" + dir.str() +
                                    "/r.bin, 4.00 Kb)\nfetchly: SHA-256: " +
                                    fetchly::digest::Sha256Hex(readFile(dir.path() / "r.bin")) + "\n"))
        << r.err;
    r = runFetchly({"get", "--force", "-o", "r.bin", url}, dir.path());
    EXPECT_TRUE(contains(r.err, "fetchly: done " + dir.str() + "/r.bin\n")) << r.err;
    r = runFetchly({"get", "-o", "r.bin", peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "fetchly: done " + dir.str() + "/r (1).bin\n")) << r.err;
    EXPECT_EQ(readFile(dir.path() / "r (1).bin"), patternBytes(10));
    EXPECT_EQ(fs::file_size(dir.path() / "r.bin"), 4000u);
}

// --parallel N at once (the server never sees more), one line per item,
// and the status of the first failure in list order; --limit-rate paces all.
TEST(GetCommand, ParallelDownloadsAndTheFirstFailureInListOrderDecides)
{
    HttpPeer peer;
    TempDir dir;
    std::vector<std::string> args{"get", "--parallel", "3", "-d", dir.str()};
    for (int i = 1; i <= 7; ++i)
        args.push_back(peer.url("/delay/300/" + std::to_string(1000 + i)));
    auto r = runFetchly(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peer.peakDelayed(), 3);
    for (int i = 1; i <= 7; ++i) {
        const std::string name = std::to_string(1000 + i);
        EXPECT_EQ(readFile(dir.path() / name), patternBytes(1000 + i));
        EXPECT_TRUE(contains(r.err, "fetchly: done " + dir.str() + "/" + name + "\n")) << r.err;
    }

    // A folder where the file should go is a local failure (3), a 404 not.
    fs::create_directory(dir.path() / "10");
    r = runFetchly({"get", "--quiet", peer.url("/status/404"), peer.url("/file/10")}, dir.path());
    EXPECT_EQ(r.status, 1) << r.err;
    r = runFetchly({"get", "--quiet", peer.url("/file/10"), peer.url("/status/404")}, dir.path());
    EXPECT_EQ(r.status, 3) << r.err;

    const auto start = std::chrono::steady_clock::now();
    r = runFetchly({"get", "--quiet", "--limit-rate", "100K", "-o", "paced", peer.url("/file/300000")},
                   dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    // 300000 bytes at 102400 a second, less the bucket's fifth of a second.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(readFile(dir.path() / "paced"), patternBytes(300000));
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
                                               {"get", "--parallel", "0", "http://h/"},
                                               {"get", "--parallel", "11", "http://h/"},
                                               {"get", "--limit-rate", "fast", "http://h/"},
                                               {"get", "--limit-rate", "5Q", "http://h/"},
                                               {"get", "--limit-rate=1.2.3K", "http://h/"},
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
    const std::string data = patternBytes(12288);
    dir.write("local.bin", data);
    auto r = runFetchly({"put", "local.bin", peer.url("/upload/p1")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peer.uploadedBody("p1"), data);
    EXPECT_EQ(peer.uploadedHead("p1").rfind("POST ", 0), 0u);
    EXPECT_TRUE(contains(r.err, "fetchly: done " + peer.url("/upload/p1") + " (12288 bytes sent)\n"))
        << r.err;

    r = runFetchly({"put", "--put", "local.bin", peer.url("/upload/p2")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peer.uploadedBody("p2"), data);
    EXPECT_EQ(peer.uploadedHead("p2").rfind("PUT ", 0), 0u);

    r = runFetchly({"put", "missing.bin", peer.url("/upload/p3")}, dir.path());
    EXPECT_EQ(r.status, 1);
    r = runFetchly({"put", "local.bin", peer.url("/nowhere/p4")}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "fetchly: error 404: " + peer.url("/nowhere/p4") +
                                    " (Returned http error code 404)\n"))
        << r.err;

    // An ftp:// URL would be fetched, not sent: the FTP form is the way.
    r = runFetchly({"put", "local.bin", "ftp://127.0.0.1/p5"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "use put --ftp")) << r.err;
}

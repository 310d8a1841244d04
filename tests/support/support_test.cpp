// The test-support pieces themselves: a broken fixture would make every
// peer test meaningless, so it is checked like the rest.
#include "tests/support/peer_process.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace fetchly::test;

TEST(TestSupport, TempDirIsRemovedWithItsContents)
{
    std::filesystem::path kept;
    {
        TempDir dir;
        kept = dir.path();
        dir.write("a/b/c.txt", "hello");
        EXPECT_EQ(readFile(kept / "a/b/c.txt"), "hello");
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(TestSupport, XdgHomeRedirectsAndRestores)
{
    const char *before = std::getenv("XDG_CONFIG_HOME");
    std::string saved = before ? before : "";
    {
        XdgHome home;
        EXPECT_EQ(std::getenv("XDG_CONFIG_HOME"), home.configHome().string());
        EXPECT_TRUE(std::filesystem::is_directory(home.dataHome()));
    }
    const char *after = std::getenv("XDG_CONFIG_HOME");
    EXPECT_EQ(after ? std::string(after) : std::string(), saved);
}

TEST(TestSupport, PeerProcessServesAndStops)
{
    TempDir dir;
    PeerProcess peer;
    const int port = peer.startOnFreePort(
        [&](int p) {
            return std::vector<std::string>{
                systemPython().string(), "-m",          "http.server", "--bind", "127.0.0.1",
                std::to_string(p),       "--directory", dir.str()};
        },
        (dir.path() / "log").string());
    EXPECT_TRUE(portAccepts(port));
    peer.stop();
    EXPECT_FALSE(portAccepts(port));
}

TEST(TestSupport, PeerThatExitsIsReported)
{
    PeerProcess peer;
    peer.start({"false"});
    EXPECT_THROW(peer.waitForPort(freeLoopbackPort(), std::chrono::seconds(3)), std::runtime_error);
}

TEST(TestSupport, ProgramRunFeedsInputKeepsStreamsApartAndEndsHangs)
{
    TempDir dir;
    const ProgramResult r =
        runProgram("sh", {"-c", "pwd; cat; echo oops >&2; exit 3"}, ProgramRun{dir.path(), "fed\n", 10, {}});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, std::filesystem::canonical(dir.path()).string() + "\nfed\n");
    EXPECT_EQ(r.err, "oops\n");
    int waits = 0;
    const auto started = std::chrono::steady_clock::now();
    const ProgramResult hung = runProgram("sleep", {"30"}, ProgramRun{{}, {}, 1, [&] { ++waits; }});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(hung.status, -1);
    EXPECT_EQ(hung.err, "timed out");
    EXPECT_GT(waits, 0);
}

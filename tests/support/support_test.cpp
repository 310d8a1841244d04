// The test-support pieces themselves: a broken fixture would make every
// peer test meaningless, so it is checked like the rest.
#include "tests/support/peer_process.h"
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
    int port = freeLoopbackPort();
    PeerProcess peer;
    peer.start({systemPython().string(), "-m", "http.server", "--bind", "127.0.0.1", std::to_string(port),
                "--directory", dir.str()},
               (dir.path() / "log").string());
    peer.waitForPort(port);
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

// The program saves its list and options when it is told to end by a signal,
// as when the session ends or someone runs `kill`.
#include "app/core/download_lines.h"
#include "app/core/ini_file.h"
#include "app/core/list_file.h"
#include "tests/support/peer_process.h"
#include "tests/support/test_paths.h"
#include "tests/support/widget_helpers.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

namespace fetchly {
namespace {

// True once the process has a handler for `sig` (its SigCgt mask says so).
bool catches(pid_t pid, int sig)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (sig - 1)) & 1u;
        }
    }
    return false;
}

// The signal, and whether the window was ever shown (started for automation
// it stays hidden until a call asks for it).
class ShutdownSignal : public testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(ShutdownSignal, SavesTheListAndTheOptions)
{
    const auto [sig, hidden] = GetParam();
    test::XdgHome home;
    // Never reach a real session bus (or a running Fetchly on it).
    test::ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (home.root() / "no-bus").string());
    const std::vector<std::string> lines = {"http://h/a.jpg=" + ReadyLine("http://h/a.jpg"),
                                            "http://h/b.zip=<B>kept as it was</B>"};
    SaveListFile(test::SavedFilesPath(), lines);
    ASSERT_FALSE(std::filesystem::exists(test::IniPath()));

    const std::string program = test::programPath("fetchly");
    test::PeerProcess fetchly;
    std::vector<std::string> argv = {program};
    if (hidden)
        argv.push_back("-AUTOMATION");
    fetchly.start(argv, (home.root() / "fetchly.log").string());
    test::WaitUntil([&] { return catches(fetchly.pid(), sig) || !fetchly.running(); },
                    std::chrono::seconds(20));
    ASSERT_TRUE(catches(fetchly.pid(), sig)) << fetchly.logTail();

    ::kill(fetchly.pid(), sig);
    ASSERT_TRUE(test::WaitUntil([&] { return !fetchly.running(); }, std::chrono::seconds(20)))
        << "still running after the signal";

    EXPECT_EQ(LoadListFile(test::SavedFilesPath()), lines);
    const TIniFile ini(test::IniPath());
    EXPECT_TRUE(ini.ValueExists("Values", "diredit")) << fetchly.logTail();
    EXPECT_EQ(ini.ReadInteger("LinksList", "Count", 0), 17);
}

INSTANTIATE_TEST_SUITE_P(Signals, ShutdownSignal,
                         testing::Combine(testing::Values(SIGTERM, SIGINT, SIGHUP), testing::Bool()));

} // namespace
} // namespace fetchly

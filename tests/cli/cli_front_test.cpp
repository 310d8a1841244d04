// `fetchly` itself: help, version, and the ends that are not a transfer
// (a command it does not have, a window without a display).
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using namespace fetchly::test;

TEST(FrontProgram, HelpNamesEveryCommandAndVersionPrintsIt)
{
    TempDir dir;
    for (const char *help : {"--help", "-h"}) {
        const ProgramResult r = runProgram(FETCHLY_PROGRAM, {help}, dir.path());
        EXPECT_EQ(r.status, 0) << help;
        for (const char *command : {"get", "put", "copy", "inspect", "add"})
            EXPECT_NE(r.out.find(std::string("fetchly ") + command + " "), std::string::npos) << command;
    }
    const ProgramResult r = runProgram(FETCHLY_PROGRAM, {"--version"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "fetchly " FETCHLY_VERSION "\n");
}

TEST(FrontProgram, UnknownCommandOrNoDisplayEndsWithTwoAndSaysWhy)
{
    TempDir dir;
    const std::string tail = "get, put, copy and inspect work without one (see fetchly --help)\n";
    struct Case {
        std::vector<std::string> words; // given to `env`
        std::string err;
    };
    std::vector<Case> cases{
        {{FETCHLY_PROGRAM, "frobnicate"},
         "fetchly: unknown command frobnicate (fetchly --help lists them)\n"},
    };
    // A build without the window has no window program to refuse the start.
    if (FETCHLY_WITH_GUI)
        cases.insert(
            cases.end(),
            {
                {{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", FETCHLY_PROGRAM},
                 "fetchly: cannot open the window: no display (DISPLAY and WAYLAND_DISPLAY are unset); " +
                     tail},
                // A display that does not answer: Qt's own warnings come first.
                {{"-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "DISPLAY=:7391", FETCHLY_PROGRAM},
                 "fetchly: cannot open the window: no display answers at DISPLAY=:7391; " + tail},
            });
    for (const auto &c : cases) {
        const ProgramResult r = runProgram("env", c.words, dir.path());
        EXPECT_EQ(r.status, 2) << c.err << r.err;
        EXPECT_TRUE(r.err.ends_with(c.err)) << r.err;
    }
}

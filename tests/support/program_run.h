#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fetchly::test {

struct ProgramResult {
    int status = -1; // the exit status, -1 when it did not exit normally
    std::string err; // what it wrote on stderr
    std::string out; // what it wrote on stdout
};

struct ProgramRun {
    std::filesystem::path cwd;
    std::string input; // given on stdin, which is closed afterwards
    int timeoutSeconds = 60;
    // Runs while the program does, e.g. to serve the bus the program calls.
    std::function<void()> whileWaiting;
};

// Runs `program ARGS...` (looked up on PATH) with stdout and stderr
// captured; a program that hangs is ended after the timeout, with status -1
// and "timed out" on stderr.
ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const ProgramRun &run);
ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &cwd, int timeoutSeconds = 60);

} // namespace fetchly::test

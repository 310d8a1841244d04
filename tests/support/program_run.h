#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fetchly::test {

struct ProgramResult {
    int status = -1; // the exit status, -1 when it did not exit normally
    std::string err; // what it wrote on stderr
    std::string out; // what it wrote on stdout
};

// Runs `program ARGS...` in `cwd` with stdin closed and stdout and stderr
// captured; a program that hangs is ended after `timeoutSeconds`.
ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &cwd, int timeoutSeconds = 60);

} // namespace fetchly::test

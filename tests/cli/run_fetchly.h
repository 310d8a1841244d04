#pragma once

// The command-line tests run the real program, as scripts do.
#include "tests/support/program_run.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fetchly::test {

inline ProgramResult runFetchly(const std::vector<std::string> &args, const std::filesystem::path &cwd)
{
    return runProgram(FETCHLY_PROGRAM, args, cwd);
}

inline bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace fetchly::test

#pragma once

#include <filesystem>
#include <string>

namespace fetchly::test {

// The repository's root, the build tree's root and tests/testdata/.
std::filesystem::path sourceDir();
std::filesystem::path binaryDir();
std::filesystem::path testDataDir();
// A program of the build as the tests run it: build/app/NAME.
std::string programPath(const std::string &name);
// A Python that sees Debian's packages (pyftpdlib), whatever python3 is on PATH.
std::filesystem::path systemPython();

} // namespace fetchly::test

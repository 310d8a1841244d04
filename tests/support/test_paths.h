#pragma once

#include <filesystem>

namespace fetchly::test {

// The repository's root, the build tree's root and tests/testdata/.
std::filesystem::path sourceDir();
std::filesystem::path binaryDir();
std::filesystem::path testDataDir();
// A Python that sees Debian's packages (pyftpdlib), whatever python3 is on PATH.
std::filesystem::path systemPython();

} // namespace fetchly::test

#include "tests/support/test_paths.h"

namespace fetchly::test {

std::filesystem::path sourceDir()
{
    return FETCHLY_SOURCE_DIR;
}
std::filesystem::path binaryDir()
{
    return FETCHLY_BINARY_DIR;
}
std::filesystem::path testDataDir()
{
    return sourceDir() / "tests" / "testdata";
}

std::string programPath(const std::string &name)
{
    return (binaryDir() / "app" / name).string();
}

std::filesystem::path systemPython()
{
    if (std::filesystem::exists("/usr/bin/python3"))
        return "/usr/bin/python3";
    return "python3";
}

} // namespace fetchly::test

#include "app/core/app_paths.h"

#include <cstdlib>
#include <system_error>

namespace fetchly {

namespace {

std::filesystem::path fromEnv(const char *name, const char *fallbackBelowHome)
{
    const char *value = std::getenv(name);
    // The XDG rules ignore relative paths.
    if (value && *value == '/')
        return value;
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / fallbackBelowHome;
}

} // namespace

std::filesystem::path ConfigHome()
{
    return fromEnv("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path DataHome()
{
    return fromEnv("XDG_DATA_HOME", ".local/share");
}

std::string AppDataDir()
{
    const std::filesystem::path dir = DataHome() / "Brindlewick" / "Fetchly";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string s = dir.string();
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

std::filesystem::path ProfilePath(const std::string &iniFileName)
{
    const std::filesystem::path p(iniFileName);
    if (!p.has_parent_path())
        return ConfigHome() / p;
    return p;
}

} // namespace fetchly

#include "app/core/kept_aside.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fetchly {

namespace {

std::string timeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames without replacing: the kernel refuses when the target exists.
// File systems without that flag get a check first (the program runs once
// per user, so nothing else makes these names in between).
bool renameNoReplace(const std::filesystem::path &from, const std::filesystem::path &to, int &err)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    err = errno;
    if (err != EINVAL && err != ENOSYS)
        return false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        err = EEXIST;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    err = errno;
    return false;
}

bool isTemporaryName(const std::string &name, const std::string &prefix)
{
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace

std::filesystem::path KeepAside(const std::filesystem::path &path, const std::string &tag)
{
    // A folder in the file's place stays: nothing can be written over it.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw std::runtime_error("\"" + path.string() + "\" is a folder and stays where it is.");
    const std::string base = path.string() + "." + tag + "-" + timeStamp();
    int err = 0;
    for (int n = 1; n <= 100; ++n) {
        const std::filesystem::path target = n == 1 ? base : base + "-" + std::to_string(n);
        if (renameNoReplace(path, target, err))
            return target;
        if (err != EEXIST)
            break;
    }
    throw std::runtime_error("Cannot keep \"" + path.string() + "\" aside. " + std::strerror(err));
}

int RemoveLeftoverTemporaries(const std::filesystem::path &path)
{
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
    const std::string prefix = "." + path.filename().string() + ".";
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    int removed = 0;
    // A folder holds few files; the bound only guards against a hostile one.
    for (int seen = 0; !ec && it != std::filesystem::directory_iterator() && seen < 100000; ++seen) {
        const std::filesystem::path entry = it->path();
        it.increment(ec);
        if (!isTemporaryName(entry.filename().string(), prefix))
            continue;
        struct stat st {};
        if (::lstat(entry.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(entry.c_str()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace fetchly

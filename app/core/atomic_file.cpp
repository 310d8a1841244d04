#include "app/core/atomic_file.h"

#include "base/fd_io.h"
#include "base/unique_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fetchly {

namespace {

std::runtime_error ioError(const std::string &what, const std::filesystem::path &path, int err)
{
    return std::runtime_error(what + " \"" + path.string() + "\". " + std::strerror(err));
}

} // namespace

void WriteFileAtomically(const std::filesystem::path &path, std::string_view bytes, mode_t mode)
{
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::string pattern = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    TUniqueFd fd(::mkstemp(name.data()));
    if (!fd.Valid())
        throw ioError("Cannot create file", path, errno);
    const std::string tmp(name.data());
    auto fail = [&](int err) {
        ::unlink(tmp.c_str());
        return ioError("Cannot write file", path, err);
    };
    if (::fchmod(fd.Get(), mode) != 0)
        throw fail(errno);
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size()))
        throw fail(errno);
    if (::fsync(fd.Get()) != 0 || !fd.Close())
        throw fail(errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0)
        throw fail(errno);
}

std::string ReadWholeFile(const std::filesystem::path &path, std::size_t maxBytes)
{
    TUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        throw ioError("Cannot open file", path, errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw ioError("Cannot open file", path, errno);
    if (S_ISDIR(st.st_mode))
        throw ioError("Cannot open file", path, EISDIR);
    auto tooLarge = [&] {
        return std::runtime_error("File \"" + path.string() + "\" is too large (more than " +
                                  std::to_string(maxBytes / (1024 * 1024)) + " MB).");
    };
    // A regular file says its size: one too large is refused before reading.
    if (S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw tooLarge();
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ReadSome(fd.Get(), buf, sizeof buf);
        if (n < 0)
            throw ioError("Cannot read file", path, errno);
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            throw tooLarge();
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

} // namespace fetchly

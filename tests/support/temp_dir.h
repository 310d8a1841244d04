#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fetchly::test {

// A fresh folder under $TMPDIR that is removed with everything in it when the
// object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    // Writes `bytes` to a file below the folder, creating its parents.
    std::filesystem::path write(const std::string &relative, const std::string &bytes) const;

private:
    std::filesystem::path m_path;
};

// Sets an environment variable for the object's lifetime and restores the
// previous value (or its absence) afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string &value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// A temporary home: XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and HOME
// point below one TempDir, so settings and lists never touch the real ones.
class XdgHome {
public:
    XdgHome();
    const std::filesystem::path &root() const { return m_dir.path(); }
    std::filesystem::path configHome() const { return m_dir.path() / "config"; }
    std::filesystem::path dataHome() const { return m_dir.path() / "data"; }

private:
    TempDir m_dir;
    ScopedEnv m_config, m_data, m_cache, m_home;
};

// Limits the size of files this process writes (a disk that is full after
// `bytes`), for the object's lifetime; writes past it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    long long m_soft = 0;
    void (*m_oldHandler)(int) = nullptr;
};

// The number of entries of a folder (/proc/self/fd: open descriptors).
std::size_t countEntries(const std::filesystem::path &dir);

// Reads a whole file as bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path &path);
// Writes `bytes` to `path`, creating its parent folders; throws when it cannot.
void writeFile(const std::filesystem::path &path, const std::string &bytes);
// The entries of `dir` whose names begin with `prefix`, sorted.
std::vector<std::filesystem::path> filesStartingWith(const std::filesystem::path &dir,
                                                     const std::string &prefix);

} // namespace fetchly::test

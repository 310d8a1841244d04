#include "tests/support/temp_dir.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace fetchly::test {

namespace {
fs::path makeTempDir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/fetchly-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("cannot create a temporary folder");
    return fs::path(buf.data());
}
} // namespace

TempDir::TempDir() : m_path(makeTempDir()) {}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable first.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

fs::path TempDir::write(const std::string &relative, const std::string &bytes) const
{
    fs::path p = m_path / relative;
    writeFile(p, bytes);
    return p;
}

ScopedEnv::ScopedEnv(std::string name, const std::string &value) : m_name(std::move(name))
{
    if (const char *old = std::getenv(m_name.c_str()))
        m_old = old;
    setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

XdgHome::XdgHome()
    : m_config("XDG_CONFIG_HOME", (m_dir.path() / "config").string()),
      m_data("XDG_DATA_HOME", (m_dir.path() / "data").string()),
      m_cache("XDG_CACHE_HOME", (m_dir.path() / "cache").string()), m_home("HOME", m_dir.path().string())
{
    fs::create_directories(configHome());
    fs::create_directories(dataHome());
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

FileSizeLimit::FileSizeLimit(long long bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_soft = static_cast<long long>(limit.rlim_cur);
    // Without this the process would be killed instead of the write failing.
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_soft);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_oldHandler);
}

std::size_t countEntries(const fs::path &dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] auto &e : fs::directory_iterator(dir))
        ++n;
    return n;
}

std::vector<fs::path> filesStartingWith(const fs::path &dir, const std::string &prefix)
{
    std::vector<fs::path> found;
    for (const auto &entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace fetchly::test

// The Debian package, made from this build tree by scripts/package.sh (which
// fails on a lintian error): it holds exactly what `cmake --install --prefix
// /usr` installs, its programs work from an unpacked copy, and on a
// disposable CI machine apt installs it and purges it without a trace. One
// process runs every case, so the package is built once.
#include "tests/support/byte_pattern.h"
#include "tests/support/dbus_session.h"
#include "tests/support/http_server.h"
#include "tests/support/program_run.h"
#include "tests/support/root_only.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>

namespace fetchly::test {
namespace {

using Paths = std::set<std::string>;
namespace fs = std::filesystem;

ProgramResult run(const std::string &program, const std::vector<std::string> &args, int timeoutSeconds = 60)
{
    return runProgram(program, args, binaryDir(), timeoutSeconds);
}

Paths lines(const std::string &text)
{
    Paths out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            out.insert(line);
    return out;
}

// The files (not folders) of the package, as absolute paths.
Paths packagedFiles(const fs::path &deb)
{
    Paths files;
    const std::string list = "dpkg-deb --fsys-tarfile \"$0\" | tar -t";
    for (const std::string &entry : lines(run("sh", {"-c", list, deb.string()}).out))
        if (entry.back() != '/')
            files.insert(entry.substr(1)); // "./usr/bin/fetchly"
    return files;
}

std::string missingTools()
{
    std::string missing;
    for (const char *tool : {"dpkg-deb", "dpkg-shlibdeps", "cpack", "file", "tar"})
        if (run("sh", {"-c", std::string("command -v ") + tool}).status != 0)
            missing += std::string(missing.empty() ? "" : ", ") + tool;
    return missing;
}

class DebPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_skip = missingTools();
        if (!s_skip.empty())
            return;
        s_out = std::make_unique<TempDir>();
        ScopedEnv buildDir("FETCHLY_BUILD_DIR", binaryDir().string());
        const ProgramResult r =
            run("bash", {(sourceDir() / "scripts/package.sh").string(), "--no-build", s_out->str()}, 600);
        s_log = r.out + r.err;
        for (const fs::path &file : filesStartingWith(s_out->path(), "fetchly_"))
            if (r.status == 0 && file.extension() == ".deb")
                s_deb = file;
    }
    static void TearDownTestSuite() { s_out.reset(); }

    void SetUp() override
    {
        if (!s_skip.empty())
            GTEST_SKIP() << "dpkg is not usable here (missing " << s_skip << ")";
        ASSERT_FALSE(s_deb.empty()) << "scripts/package.sh failed:\n" << s_log;
    }

    static std::string s_skip, s_log;
    static std::unique_ptr<TempDir> s_out;
    static fs::path s_deb;
};

std::string DebPackage::s_skip, DebPackage::s_log;
std::unique_ptr<TempDir> DebPackage::s_out;
fs::path DebPackage::s_deb;

TEST_F(DebPackage, HoldsWhatCmakeInstallInstallsInTheSystemPlaces)
{
    EXPECT_EQ(s_deb.filename().string().rfind("fetchly_" FETCHLY_TEST_VERSION "_", 0), 0u) << s_deb;
    TempDir stage;
    {
        ScopedEnv destdir("DESTDIR", stage.str());
        const ProgramResult r = run("cmake", {"--install", binaryDir().string(), "--prefix", "/usr"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    Paths installed;
    for (const std::string &path : lines(readFile(binaryDir() / "install_manifest.txt")))
        installed.insert(path.rfind(stage.str(), 0) == 0 ? path.substr(stage.str().size()) : path);
    const Paths packaged = packagedFiles(s_deb);
    EXPECT_EQ(packaged, installed);

    for (const char *file :
         {"/usr/bin/fetchly", "/usr/bin/fetchly-gui", "/usr/bin/fetchly-transfer",
          "/usr/bin/fetchly-native-host", "/usr/share/applications/com.brindlewick.Fetchly.desktop",
          "/usr/share/metainfo/com.brindlewick.Fetchly.metainfo.xml",
          "/usr/share/icons/hicolor/48x48/apps/fetchly.png", "/usr/share/man/man1/fetchly.1.gz",
          "/usr/share/man/man1/fetchly-native-host.1.gz", "/usr/share/bash-completion/completions/fetchly",
          "/usr/share/zsh/vendor-completions/_fetchly", "/usr/share/fish/vendor_completions.d/fetchly.fish",
          "/usr/share/doc/fetchly/copyright", "/usr/share/fetchly/browser/firefox/manifest.json"})
        EXPECT_EQ(packaged.count(file), 1u) << file;
    for (const std::string &file : packaged)
        EXPECT_TRUE(file.rfind("/usr/", 0) == 0 || file.rfind("/etc/", 0) == 0) << file;

    // The files that name the programs name them in /usr/bin.
    EXPECT_NE(readFile(stage.path() / "usr/share/dbus-1/services/OrvFetchly.TUrlAdder.service")
                  .find("\nExec=/usr/bin/fetchly -AUTOMATION\n"),
              std::string::npos);
    const std::string host = "\"path\": \"/usr/bin/fetchly-native-host\"";
    for (const char *manifest : {"usr/lib/mozilla/native-messaging-hosts/orvfetchly.turladder.json",
                                 "etc/chromium/native-messaging-hosts/orvfetchly.turladder.json"})
        EXPECT_NE(readFile(stage.path() / manifest).find(host), std::string::npos) << manifest;

    // Dependencies come from the libraries; the /etc manifests are the
    // user's to edit; no maintainer script runs, so none writes into homes.
    TempDir control;
    ASSERT_EQ(run("dpkg-deb", {"-e", s_deb.string(), control.str()}).status, 0);
    const std::string fields = readFile(control.path() / "control");
    for (const char *depends : {"libqt6widgets6", "libcurl4", "qt6-qpa-plugins", "Recommends: libsmbclient"})
        EXPECT_NE(fields.find(depends), std::string::npos) << depends << " in\n" << fields;
    EXPECT_NE(fields.find("\nVersion: " FETCHLY_TEST_VERSION "\n"), std::string::npos) << fields;
    EXPECT_EQ(lines(readFile(control.path() / "conffiles")),
              Paths{"/etc/chromium/native-messaging-hosts/orvfetchly.turladder.json"});
    for (const char *script : {"preinst", "postinst", "prerm", "postrm"})
        EXPECT_FALSE(fs::exists(control.path() / script)) << script;
}

TEST_F(DebPackage, UnpackedProgramsRunDownloadAndInspect)
{
    TempDir root;
    ASSERT_EQ(run("dpkg-deb", {"-x", s_deb.string(), root.str()}).status, 0);
    const std::string fetchly = (root.path() / "usr/bin/fetchly").string();
    EXPECT_EQ(run(fetchly, {"--version"}).out, "fetchly " FETCHLY_TEST_VERSION "\n");

    // get runs fetchly-transfer beside the installed fetchly.
    NginxServer web;
    const std::string zip = zipNaming("inside.txt");
    writeFile(web.root() / "a.zip", zip);
    TempDir downloads;
    const ProgramResult got = run(fetchly, {"get", "--quiet", "-d", downloads.str(), web.url("/a.zip")});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(readFile(downloads.path() / "a.zip"), zip);
    const ProgramResult report = run(fetchly, {"inspect", (downloads.path() / "a.zip").string()});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_NE(report.out.find("inside.txt"), std::string::npos) << report.out;

    // The desktop program finds itself there too: the bus would start this fetchly.
    XdgHome home;
    ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
    const ProgramResult reg = run(fetchly, {"-REGSERVER"});
    EXPECT_EQ(reg.status, 0) << reg.err;
    EXPECT_NE(readFile(home.dataHome() / "dbus-1/services/OrvFetchly.TUrlAdder.service")
                  .find("\nExec=" + fetchly + " -AUTOMATION\n"),
              std::string::npos);
}

TEST_F(DebPackage, AptInstallsRunsAndPurgesIt)
{
    const char *ci = std::getenv("CI");
    if (!isRoot() || !ci || std::string(ci) != "true")
        GTEST_SKIP() << "installs into the system: only as root on a disposable CI machine (CI=true)";
    const Paths files = packagedFiles(s_deb);
    ProgramResult r = run("apt-get", {"install", "-y", "--no-install-recommends", s_deb.string()}, 300);
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    EXPECT_EQ(run("/usr/bin/fetchly", {"--version"}).out, "fetchly " FETCHLY_TEST_VERSION "\n");
    r = run("desktop-file-validate", {"/usr/share/applications/com.brindlewick.Fetchly.desktop"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    {
        // A user who never started Fetchly: the browsers find the host
        // through the package's manifests, and the bus starts Fetchly from
        // the package's activation file.
        XdgHome home;
        ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
        DbusSession bus({"OrvFetchly.TUrlAdder"});
        r = run("/usr/bin/fetchly-native-host", {"--check"});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("Firefox (system-wide): found (/usr/lib/mozilla/native-messaging-hosts/"),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("Chromium (system-wide): found"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("Fetchly: not running; the bus starts it\n"), std::string::npos) << r.out;
        r = run("/usr/bin/fetchly", {"add", "http://127.0.0.1:9/a.zip"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(bus.waitForOwner("OrvFetchly.TUrlAdder"));
    }

    r = run("apt-get", {"remove", "--purge", "-y", "fetchly"}, 300);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const std::string &file : files)
        EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file << " is left";
    EXPECT_FALSE(fs::exists("/etc/chromium/native-messaging-hosts/orvfetchly.turladder.json"));
}

} // namespace
} // namespace fetchly::test

// The command-line forms of the FTP and copy transfers, run as the program
// itself: exit status, messages and the bytes that arrive.
#include "tests/cli/run_fetchly.h"
#include "tests/support/ftp_server.h"
#include "tests/support/smb_server.h"
#include "tests/support/temp_dir.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace fetchly::test;

namespace {

using Result = ProgramResult;

TEST(CopyCommand, CopiesIntoTheCurrentFolderOrDirAndNamesWithO)
{
    TempDir dir;
    auto a = dir.write("src/a.bin", std::string(50000, 'a'));
    auto b = dir.write("src/b.bin", "bee");
    fs::create_directories(dir.path() / "here");

    Result r = runFetchly({"copy", a.string(), b.string()}, dir.path() / "here");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "here" / "a.bin"), std::string(50000, 'a'));
    EXPECT_EQ(readFile(dir.path() / "here" / "b.bin"), "bee");

    r = runFetchly({"copy", "-d", (dir.path() / "out" / "new").string(), "-o", "named.bin", b.string()},
                   dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "out" / "new" / "named.bin"), "bee");
}

TEST(CopyCommand, FailureExitsWithOneAndSaysWhy)
{
    TempDir dir;
    auto good = dir.write("good.txt", "fine");
    Result r =
        runFetchly({"copy", "-d", (dir.path() / "out").string(), "missing.txt", good.string()}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "fetchly: error 1: missing.txt (Cannot open source file missing.txt: No such "
                                "file or directory)\n"))
        << r.err;
    // The run goes on after the failing item.
    EXPECT_EQ(readFile(dir.path() / "out" / "good.txt"), "fine");

    r = runFetchly({"copy", "--quiet", "-d", dir.str(), "empty"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(contains(r.err, "fetchly: empty")) << "--quiet keeps the progress lines out";
}

TEST(CopyCommand, UsageErrorsExitWithTwo)
{
    TempDir dir;
    for (const auto &args : std::vector<std::vector<std::string>>{{"copy"},
                                                                  {"copy", "--frobnicate", "x"},
                                                                  {"copy", "-d"},
                                                                  {"copy", "-o", "n", "a", "b"},
                                                                  {"copy", "--user", "u", "a"}}) {
        Result r = runFetchly(args, dir.path());
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_TRUE(contains(r.err, "usage: fetchly copy")) << r.err;
    }
}

TEST(CopyCommand, ReadsFromAnSmbShare)
{
    SmbServer smb;
    SKIP_WITHOUT_SMB(smb);
    writeFile(smb.shareDir() / "in" / "s.bin", std::string(20000, 's'));
    TempDir dir;
    Result r = runFetchly({"copy", "--share", smb.url(), "--user", smb.user(), "--password", smb.password(),
                           "-d", dir.str(), "in/s.bin"},
                          dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "s.bin"), std::string(20000, 's'));

    r = runFetchly({"copy", "--share", smb.url(), "--user", smb.user(), "--password=wrong", "--quiet", "-d",
                    dir.str(), "in/s.bin", "-o", "never.bin"},
                   dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fetchly: share connection failed: " + smb.url() + " in/s.bin (" + smb.url() +
                         ": Permission denied)\n");
    EXPECT_FALSE(fs::exists(dir.path() / "never.bin"));
}

TEST(FtpCommands, GetDownloadsPassiveIntoDir)
{
    FtpServer ftp;
    writeFile(ftp.root() / "pub" / "g.bin", std::string(9000, 'g'));
    TempDir dir;
    const std::string server = "127.0.0.1:" + std::to_string(ftp.port());
    Result r = runFetchly(
        {"get", "--ftp", server, "--passive", "-d", dir.str(), "-o", "mine.bin", "/pub/g.bin"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir.path() / "mine.bin"), std::string(9000, 'g'));
    EXPECT_TRUE(ftp.usedPassive());
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{"anonymous"});

    r = runFetchly({"get", "--ftp", server, "--quiet", "pub/none.bin"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fetchly: not found: ftp " + server +
                         " pub/none.bin (550 /pub/none.bin is not retrievable.)\n");
    // An escape sequence in a name never reaches the terminal.
    r = runFetchly({"get", "--ftp", server, "--quiet", "pub/none\x1b[2J.bin"}, dir.path());
    EXPECT_EQ(r.err,
              "fetchly: error 3: ftp " + server + " pub/none?[2J.bin (path contains control characters)\n");
}

// As over HTTP: a name taken by a file we did not write is numbered, a file
// fetched before is fetched again only when the server's size or time
// changed, and --force fetches it anyway.
TEST(FtpCommands, GetKeepsTheUsersFilesAndWhatIsFetchedAlready)
{
    FtpServer ftp;
    const fs::path remote = ftp.root() / "pub" / "k.bin";
    writeFile(remote, std::string(5000, 'k'));
    TempDir dir;
    writeFile(dir.path() / "k.bin", "mine");
    const std::string server = "127.0.0.1:" + std::to_string(ftp.port());
    const std::vector<std::string> get{"get", "--ftp", server, "--passive", "-d", dir.str(), "/pub/k.bin"};
    const std::string numbered = dir.str() + "/k (1).bin";
    auto run = [&](std::vector<std::string> args, const std::string &line) {
        ftp.clearCommands();
        const Result r = runFetchly(args, dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(contains(r.err, line)) << r.err;
        return ftp.sawCommand("RETR");
    };
    EXPECT_TRUE(run(get, "fetchly: done " + numbered + "\n"));
    EXPECT_EQ(readFile(dir.path() / "k.bin"), "mine");
    EXPECT_FALSE(run(get, "fetchly: unchanged ftp " + server + " /pub/k.bin (" + numbered + ", 5.00 Kb)\n"));
    auto forced = get;
    forced.push_back("--force");
    EXPECT_TRUE(run(forced, "fetchly: done " + numbered + "\n"));
    // The same size at another time is another file.
    fs::last_write_time(remote, fs::last_write_time(remote) - std::chrono::hours(1));
    EXPECT_TRUE(run(get, "fetchly: done " + numbered + "\n"));
    EXPECT_EQ(readFile(numbered), std::string(5000, 'k'));
    EXPECT_FALSE(fs::exists(dir.path() / "k (2).bin"));
}

TEST(FtpCommands, PutUploadsIntoANewRemoteFolder)
{
    FtpServer ftp;
    TempDir dir;
    auto file = dir.write("p.bin", std::string(4096 * 2, 'p'));
    const std::string server = "127.0.0.1:" + std::to_string(ftp.port());
    Result r = runFetchly({"put", "--ftp", server, "--user", ftp.user(), "--password", ftp.password(), "--to",
                           "drop/box", file.string()},
                          dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(ftp.root() / "drop" / "box" / "p.bin"), std::string(4096 * 2, 'p'));
    EXPECT_TRUE(ftp.usedActive());
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{ftp.user()});

    // Anonymous may not make folders: the line says so in the server's words.
    r = runFetchly({"put", "--ftp", server, "--quiet", "--to", "other", file.string()}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fetchly: failed " + file.string() + " to ftp " + server +
                         " (cannot enter or create folder other: 550 Not enough privileges.)\n");
}

TEST(FtpCommands, BadServerOrMissingFileIsAUsageError)
{
    TempDir dir;
    for (const auto &args : std::vector<std::vector<std::string>>{{"get", "--ftp", "host:99999", "a"},
                                                                  {"put", "--ftp", "host"},
                                                                  {"get", "--ftp"},
                                                                  {"put", "--ftp", "host", "--bogus", "f"}}) {
        Result r = runFetchly(args, dir.path());
        EXPECT_EQ(r.status, 2) << args[2];
        EXPECT_TRUE(contains(r.err, "usage: fetchly " + args[0] + " --ftp")) << r.err;
    }
}

} // namespace

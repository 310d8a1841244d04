// The FTP and SMB fixtures, checked with the stock command-line clients, so a
// failing transfer test points at the engine and not at its peer.
#include "tests/support/ftp_server.h"
#include "tests/support/program_run.h"
#include "tests/support/smb_server.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace fetchly::test;

namespace {
// The exit status of a stock client.
int run(const std::string &client, const std::vector<std::string> &args)
{
    return runProgram(client, args, ProgramRun{{}, {}, 30, {}}).status;
}
} // namespace

TEST(FtpServerFixture, ServesAnonymousPassiveAndRecordsIt)
{
    FtpServer ftp;
    TempDir out;
    writeFile(ftp.root() / "pub" / "a.bin", "0123456789");
    std::string url = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/pub/a.bin";
    ASSERT_EQ(run("curl", {"-sS", "--ftp-pasv", "-o", out.str() + "/a.bin", url}), 0) << ftp.logTail();
    EXPECT_EQ(readFile(out.path() / "a.bin"), "0123456789");
    EXPECT_TRUE(ftp.usedPassive());
    EXPECT_FALSE(ftp.usedActive());
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{"anonymous"});
}

TEST(FtpServerFixture, AcceptsActiveUploadsFromTheAccountOnly)
{
    FtpServer ftp;
    TempDir src;
    auto file = src.write("up.txt", "payload");
    std::string base = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/new/";
    std::string login = ftp.user() + ":" + ftp.password();
    ASSERT_EQ(run("curl", {"-sS", "-P", "-", "--ftp-create-dirs", "-u", login, "-T", file.string(), base}), 0)
        << ftp.logTail();
    EXPECT_EQ(readFile(ftp.root() / "new" / "up.txt"), "payload");
    EXPECT_TRUE(ftp.usedActive());
    EXPECT_EQ(ftp.logins(), std::vector<std::string>{ftp.user()});
    // Anonymous access is read-only.
    EXPECT_NE(run("curl", {"-sS", "-T", file.string(), base + "anon.txt"}), 0);
    EXPECT_FALSE(std::filesystem::exists(ftp.root() / "new" / "anon.txt"));
}

TEST(FtpServerFixture, CanHideSizesAndStops)
{
    FtpServer ftp(FtpServer::Options{.reportSizes = false});
    writeFile(ftp.root() / "n.bin", "abc");
    std::string url = "ftp://127.0.0.1:" + std::to_string(ftp.port()) + "/n.bin";
    EXPECT_EQ(run("curl", {"-sS", "-o", "/dev/null", url}), 0);
    EXPECT_TRUE(ftp.sawCommand("SIZE"));
    int port = ftp.port();
    ftp.stop();
    EXPECT_FALSE(portAccepts(port));
}

TEST(SmbServerFixture, ServesTheShareToTheAccountOnly)
{
    SmbServer smb;
    SKIP_WITHOUT_SMB(smb);
    writeFile(smb.shareDir() / "dir" / "s.txt", "share data");
    TempDir out;
    const auto smbclient = [&](const std::string &password, const std::string &command) {
        return run("smbclient", {"-p", std::to_string(smb.port()), "//127.0.0.1/" + smb.share(), "-U",
                                 smb.user() + "%" + password, "-c", command});
    };
    ASSERT_EQ(smbclient(smb.password(), "get dir/s.txt " + out.str() + "/s.txt"), 0) << smb.logTail();
    EXPECT_EQ(readFile(out.path() / "s.txt"), "share data");
    EXPECT_NE(smbclient("wrong", "ls"), 0);
    int port = smb.port();
    smb.stop();
    EXPECT_FALSE(portAccepts(port));
}

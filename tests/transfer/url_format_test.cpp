// URL, path and formatting functions of the engine.
#include "tests/support/temp_dir.h"
#include "transfer/fetch_item.h"
#include "transfer/format_functions.h"
#include "transfer/ftp_client.h"
#include "transfer/url_functions.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace fetchly;

TEST(UrlFileName, TakesTheLastComponentOfUrlsAndPaths)
{
    EXPECT_EQ(UrlFileName("http://host/dir/file.zip"), "file.zip");
    EXPECT_EQ(UrlFileName("C:\\data\\a.txt"), "a.txt");
    EXPECT_EQ(UrlFileName("http://host/dir/"), "");
    EXPECT_EQ(UrlFileName("plain.txt"), "plain.txt");
    EXPECT_EQ(UrlFileName("http://host/get.php?id=1"), "get.php?id=1");
    // Both separators are stripped, the slash first.
    EXPECT_EQ(UrlFileName("a\\b/c\\d"), "d");
    EXPECT_EQ(UrlFileName(""), "");
}

TEST(UrlHost, KeepsThePortAndDropsSchemeAndUser)
{
    EXPECT_EQ(UrlHost("host/x"), "host");
    EXPECT_EQ(UrlHost("http://a:b@h/x"), "h");
    EXPECT_EQ(UrlHost("http://host:8080/a/b"), "host:8080");
    EXPECT_EQ(UrlHost("https://example.org"), "example.org");
    // The first "@" anywhere counts, also one in the path.
    EXPECT_EQ(UrlHost("http://host/a@b/c"), "b");
}

TEST(UrlPath, StartsAtTheFirstSlashAfterTheHost)
{
    EXPECT_EQ(UrlPath("http://h/a/b?c=d"), "/a/b?c=d");
    EXPECT_EQ(UrlPath("http://u:p@h:81/x"), "/x");
    EXPECT_EQ(UrlPath("http://h"), "h");
}

TEST(AddProxyCredentials, WritesThemIntoHttpUrlsOnly)
{
    EXPECT_EQ(AddProxyCredentials("http://h/x", "u", "p"), "http://u:p@h/x");
    EXPECT_EQ(AddProxyCredentials("HTTP://h/x", "u", "p"), "http://u:p@h/x");
    EXPECT_EQ(AddProxyCredentials("https://h/x", "u", "p"), "https://h/x");
    EXPECT_EQ(AddProxyCredentials("ftp://h/x", "u", "p"), "ftp://h/x");
    EXPECT_EQ(AddProxyCredentials("http://h/x", "u", ""), "http://h/x");
    EXPECT_EQ(AddProxyCredentials("http://h/x", "", "p"), "http://h/x");
}

TEST(MaskUrlPassword, HidesOnlyThePassword)
{
    EXPECT_EQ(MaskUrlPassword("http://u:secret@h/x"), "http://u:***@h/x");
    EXPECT_EQ(MaskUrlPassword("http://u@h/x"), "http://u@h/x");
    EXPECT_EQ(MaskUrlPassword("http://h/a:b@c"), "http://h/a:b@c");
    EXPECT_EQ(MaskUrlPassword("http://h:80/x"), "http://h:80/x");
    EXPECT_EQ(MaskUrlPassword("http://h?q=a:b@c"), "http://h?q=a:b@c");
    // Status and log lines: every URL in them, and nothing else.
    EXPECT_EQ(MaskUrlPassword("Error : ftp://a:1@h and <i>http://b:2@g/x</i> at 10:30@home"),
              "Error : ftp://a:***@h and <i>http://b:***@g/x</i> at 10:30@home");
    EXPECT_EQ(MaskUrlPassword("u:p@h/f.zip"), "u:***@h/f.zip");
}

TEST(PercentEncodePath, FtpAndSharePathsDifferOnlyWhereTheirUrlsDo)
{
    const std::string path = "dir/a b;type=a#1?x%\xC3\xA9\x01(2)@:";
    EXPECT_EQ(PercentEncodePath(path, kSharePathKeeps), "dir/a%20b;type=a%231%3Fx%25%C3%A9%01(2)@:");
    // ";type=" would switch an FTP transfer to ASCII; a leading "/" is the root.
    EXPECT_EQ(FtpUrlPath("/" + path), "%2Fdir/a%20b%3Btype=a%231%3Fx%25%C3%A9%01(2)@:");
    EXPECT_EQ(FtpUrlPath("rel/x"), "rel/x");
    EXPECT_EQ(PercentEncodePath(std::string("a\0b", 3), ""), "a%00b");
}

TEST(JoinPath, UsesTheNativeSeparator)
{
    EXPECT_EQ(JoinPath("", "x"), "x");
    EXPECT_EQ(JoinPath("/", "x"), "/x");
    EXPECT_EQ(JoinPath("/d", "x"), "/d/x");
    EXPECT_EQ(JoinPath("/d/", "x"), "/d/x");
    EXPECT_EQ(DirectoryPart("/d/e/x"), "/d/e/");
    EXPECT_EQ(DirectoryPart("x"), "");
}

TEST(MakeDirectories, CreatesMissingParentsAndRejectsEmpty)
{
    test::TempDir tmp;
    EXPECT_TRUE(MakeDirectories("/"));
    EXPECT_TRUE(MakeDirectories(tmp.str()));
    const std::string deep = tmp.str() + "/a/b/c/";
    EXPECT_TRUE(MakeDirectories(deep));
    EXPECT_TRUE(IsDirectory(tmp.str() + "/a/b/c"));
    EXPECT_FALSE(IsDirectory(tmp.str() + "/missing"));
    EXPECT_FALSE(IsDirectory(""));
    try {
        MakeDirectories("");
        FAIL() << "an empty directory must be refused";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Cannot create directory");
    }
    // A file stands where a directory is wanted.
    tmp.write("file", "x");
    EXPECT_FALSE(MakeDirectories(tmp.str() + "/file/sub"));
}

TEST(FormatSize, UsesDecimalStepsAndTwoDecimals)
{
    EXPECT_EQ(FormatSize(0), "0 bytes");
    EXPECT_EQ(FormatSize(-5), "-5 bytes");
    EXPECT_EQ(FormatSize(999), "999 bytes");
    EXPECT_EQ(FormatSize(1000), "1.00 Kb");
    EXPECT_EQ(FormatSize(1536), "1.54 Kb");
    EXPECT_EQ(FormatSize(999999), "1000.00 Kb");
    EXPECT_EQ(FormatSize(1000000), "1.00 Mb");
    // 64-bit sizes: 5 GB stays exact.
    EXPECT_EQ(FormatSize(5'000'000'000LL), "5000.00 Mb");
    EXPECT_EQ(FormatRate(999), "999 bytes/sec");
    EXPECT_EQ(FormatRate(1536), "1.54 Kb/sec");
    EXPECT_EQ(FormatRate(2500000), "2.50 Mb/sec");
}

TEST(FormatTimeLeft, RoundsEachStepHalfToEven)
{
    // Elapsed 1000 ms for 1 of N bytes: (N - 1) seconds are left.
    auto left = [](long long seconds) { return FormatTimeLeft(1000, 1, seconds + 1); };
    EXPECT_EQ(FormatTimeLeft(1000, 0, 100), "");
    EXPECT_EQ(FormatTimeLeft(1000, -3, 100), "");
    EXPECT_EQ(FormatTimeLeft(5000, 100, 100), "0 sec.");
    EXPECT_EQ(left(29), "29 sec.");
    EXPECT_EQ(left(30), "30 sec.");
    EXPECT_EQ(left(31), "1 minutes");
    EXPECT_EQ(left(89), "1 minutes");
    EXPECT_EQ(left(90), "2 minutes");
    EXPECT_EQ(left(30 * 60), "30 minutes");
    EXPECT_EQ(left(31 * 60), "0h 31");
    EXPECT_EQ(left(125 * 60), "2h 5");
    // More done than expected: a negative estimate, shown as it is.
    EXPECT_EQ(FormatTimeLeft(4000, 100, 50), "-2 sec.");
}

TEST(WinInetErrorText, IsCurlsTextCutTo255)
{
    EXPECT_EQ(WinInetErrorText(7), "Couldn't connect to server");
    EXPECT_FALSE(WinInetErrorText(99999).empty());
    EXPECT_LE(WinInetErrorText(99999).size(), 255u);
}

TEST(ItemCounts, CountActiveAndNetworkItems)
{
    TFetchItems items;
    EXPECT_EQ(ActiveItemCount(items), 0);
    items.Add().Protocol = TFetchProtocol::wpFile;
    items.Add().Active = false;
    items.Add().Protocol = TFetchProtocol::wpFtp;
    items.Add();
    EXPECT_EQ(ActiveItemCount(items), 3);
    EXPECT_EQ(NetworkItemCount(items), 2);
}

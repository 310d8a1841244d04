// URL, path and formatting functions of the engine.
#include "tests/support/temp_dir.h"
#include "transfer/fetch_item.h"
#include "transfer/finished_record.h"
#include "transfer/format_functions.h"
#include "transfer/ftp_client.h"
#include "transfer/target_name.h"
#include "transfer/url_functions.h"

#include <gtest/gtest.h>

#include <fstream>
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

// The name a download takes when its own is taken by another file.
TEST(NumberedName, PutsTheNumberBeforeTheExtension)
{
    const std::pair<const char *, const char *> table[] = {
        {"big50.rar", "big50 (1).rar"},
        {"archive.tar.gz", "archive (1).tar.gz"},
        {"a.b.c", "a.b (1).c"},
        {"README", "README (1)"},
        {".bashrc", ".bashrc (1)"},
        {"trailing.", "trailing. (1)"},
        {"get.php?id=1", "get (1).php?id=1"},
        {".tar.gz", ".tar (1).gz"},
    };
    for (const auto &[name, numbered] : table)
        EXPECT_EQ(NumberedName(name, 1), numbered) << name;
    EXPECT_EQ(NumberedName("x.zip", 12), "x (12).zip");
    // A long name is cut at a character's start and still fits.
    const std::string longName = std::string(245, 'a') + "\xc3\xa9\xc3\xa9\xc3\xa9.zip";
    EXPECT_EQ(NumberedName(longName, 99), std::string(245, 'a') + " (99).zip");
}

// The digest kept with a finished file's record is given back only while
// the file is the one recorded.
TEST(FinishedRecord, GivesTheDigestBackWhileTheFileIsTheOneRecorded)
{
    test::TempDir dir;
    const std::string path = dir.write("f.bin", "abc").string(), url = "http://h/f.bin";
    const std::string sha = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    ASSERT_TRUE(RecordFinished(path, url, "\"e\"", sha));
    EXPECT_EQ(RecordedSha256(path), sha);
    EXPECT_EQ(UnchangedSince(path, url)->Validator, "\"e\"");
    // Without a digest the record is still one, as an older version's was.
    ASSERT_TRUE(RecordFinished(path, url, "\"e\"", "not a digest"));
    EXPECT_EQ(RecordedSha256(path), "");
    EXPECT_TRUE(UnchangedSince(path, url));
    ASSERT_TRUE(RecordFinished(path, url, "", sha));
    std::ofstream(path, std::ios::app) << "d";
    EXPECT_EQ(RecordedSha256(path), "") << "changed since";
    EXPECT_EQ(RecordedSha256(dir.str() + "/none.bin"), "");
}

// Records of finished files where the file system keeps no attributes.
TEST(FinishedIndex, KeepsTheNewestRecordsWithinItsBound)
{
    test::TempDir dir;
    const TFinishedIndex index((dir.path() / "state" / "finished-files").string(), 3);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(
            index.Put("/d/f" + std::to_string(i), {"http://h/f", "\"e" + std::to_string(i) + "\"", i, 7}));
    EXPECT_FALSE(index.Find("/d/f0")) << "the oldest goes when the index is full";
    const auto newest = index.Find("/d/f3");
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->Validator, "\"e3\"");
    EXPECT_EQ(newest->Size, 3);
    // A record again replaces its line; a field that would break a line is refused.
    EXPECT_TRUE(index.Put("/d/f3", {"http://h/g", "", 9, 9}));
    EXPECT_EQ(index.Find("/d/f3")->Url, "http://h/g");
    EXPECT_TRUE(index.Find("/d/f1"));
    EXPECT_FALSE(index.Put("/d/tab\there", {"http://h/f", "", 1, 1}));
    EXPECT_FALSE(index.Put("/d/x", {"http://h/f\nf", "", 1, 1}));
    // A damaged line is skipped, not taken for a record.
    dir.write("state/finished-files",
              "/d/a\thttp://h/a\t\tnot a size\t1\n/d/b\thttp://h/b\t\t5\t1\n/d/c\thttp");
    EXPECT_FALSE(index.Find("/d/a"));
    EXPECT_EQ(index.Find("/d/b")->Size, 5);
    EXPECT_FALSE(index.Find("/d/c"));
    // The digest is a field of its own; a line without it (an older
    // version's, as /d/b above) loads, one with a broken digest does not.
    const std::string sha(64, 'a');
    EXPECT_TRUE(index.Put("/d/s", {"http://h/s", "", 1, 1, sha}));
    EXPECT_EQ(index.Find("/d/s")->Sha256, sha);
    EXPECT_EQ(index.Find("/d/b")->Sha256, "");
    dir.write("state/finished-files", "/d/x\thttp://h/x\t\t5\t1\tnot a digest\n");
    EXPECT_FALSE(index.Find("/d/x"));
    EXPECT_EQ(ConditionalHeader("\"e1\""), "If-None-Match: \"e1\"");
    EXPECT_EQ(ConditionalHeader("Wed, 21 Oct 2015 07:28:00 GMT"),
              "If-Modified-Since: Wed, 21 Oct 2015 07:28:00 GMT");
}

#include "app/core/download_lines.h"

#include <gtest/gtest.h>

namespace fetchly {
namespace {

const std::vector<std::string> &defaults()
{
    return DefaultLinkTypes();
}

TEST(LinkTypes, TheSeventeenDesignedTypesInOrder)
{
    const std::vector<std::string> expected = {".jpg", ".gif", ".bmp", ".html", ".htm", ".asp",
                                               ".zip", ".rar", ".exe", ".ini",  ".reg", ".com",
                                               ".pas", ".dpr", ".dfm", ".c++",  ".c"};
    EXPECT_EQ(defaults(), expected);
}

TEST(LinkTypes, ExtensionRunsFromTheLastDotAndMayHoldSlashes)
{
    EXPECT_EQ(LinkExtension("http://host/file.zip?x=1"), ".zip?x=1");
    EXPECT_EQ(LinkExtension("http://www.example.com"), ".com");
    EXPECT_EQ(LinkExtension("http://www.example.com/dir/file"), ".com/dir/file");
    EXPECT_EQ(LinkExtension("http://localhost"), "");
    EXPECT_EQ(LinkExtension("http://host.de:8080/x"), "");
    EXPECT_EQ(LinkExtension("C:\\dir.x\\file"), "");
    EXPECT_EQ(LinkExtension("a.b:c"), "");
}

TEST(LinkTypes, AcceptanceAsTheEdgeCasesDescribe)
{
    EXPECT_TRUE(IsAcceptedLink("http://h/pic.JPG", defaults()));
    EXPECT_TRUE(IsAcceptedLink("http://h/a.c", defaults()));
    EXPECT_FALSE(IsAcceptedLink("http://h/file.zip?x=1", defaults()));
    EXPECT_TRUE(IsAcceptedLink("http://www.example.com", defaults()));
    EXPECT_FALSE(IsAcceptedLink("http://localhost/file", defaults()));
    EXPECT_FALSE(IsAcceptedLink("", defaults()));
    EXPECT_FALSE(IsAcceptedLink("http://h/pic.jpeg", defaults()));
    // A type typed without its dot never matches.
    EXPECT_FALSE(IsAcceptedLink("http://h/doc.pdf", {"pdf"}));
    EXPECT_TRUE(IsAcceptedLink("http://h/doc.pdf", {".PDF"}));
}

TEST(DownloadLines, ReadyLineIsTheExactMarkup)
{
    EXPECT_EQ(ReadyLine("http://h/a.jpg"), "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> http://h/a.jpg   "
                                           "  <B>Ready for Download</B></FONT>");
}

TEST(DownloadLines, OnlyALineSavedWhileDownloadingComesBackReady)
{
    const std::string key = "http://h/a.jpg?x=1=2";
    EXPECT_EQ(SettledLine(key + "=" + StatusLine(2, key, "DownLoading", "1kb of 2kb", "Rate: 1 KB/s")),
              key + "=" + ReadyLine(key));
    for (const std::string &line :
         {key + "=" + StatusLine(3, key, "File Downloaded!", "2kb of 2kb", ""), key + "=" + ReadyLine(key),
          std::string("no key <B>DownLoading</B>"), std::string()})
        EXPECT_EQ(SettledLine(line), line);
}

TEST(DownloadLines, UrlsCannotInjectMarkup)
{
    const std::string line = ReadyLine("http://h/a.jpg?<A href=\"x\">&t=1");
    EXPECT_EQ(line.find("<A"), std::string::npos);
    EXPECT_NE(line.find("&lt;A href=\"x\"&gt;&amp;t=1"), std::string::npos);
    EXPECT_EQ(MarkupEscape("a&b<c>d"), "a&amp;b&lt;c&gt;d");
}

TEST(DownloadLines, StatusLineAndProgressText)
{
    EXPECT_EQ(StatusLine(2, "http://h/a.jpg", "DownLoading", "0kb of 2kb", "Rate: 1 KB/s"),
              "<IMG src=\"idx:2\"><FONT face=\"Trebuchet MS\"> http://h/a.jpg       <B>DownLoading</B>... "
              "0kb of 2kb  "
              "Rate: 1 KB/s</FONT>");
    EXPECT_EQ(ProgressText(1023, 2048), "0kb of 2kb");
    EXPECT_EQ(ProgressText(5000, 0), "4kb of 0kb");
    EXPECT_EQ(ProgressText(5LL * 1024 * 1024 * 1024, 6LL * 1024 * 1024 * 1024), "5242880kb of 6291456kb");
}

} // namespace
} // namespace fetchly

#include "app/core/download_lines.h"
#include "app/core/url_text.h"

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
    EXPECT_EQ(LinkExtension("http://host/file.zip?x=1.pdf#a.b"), ".zip");
    EXPECT_EQ(LinkExtension("HTTPS://host/photo.jpg#top"), ".jpg");
    EXPECT_EQ(LinkExtension("ftp://host/dir.v2/file?x=1.zip"), ".v2/file");
    EXPECT_EQ(LinkExtension("file:///tmp/a.zip?x=1"), ".zip?x=1");
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
    EXPECT_TRUE(IsAcceptedLink("http://h/photo.jpg?size=large", defaults()));
    EXPECT_TRUE(IsAcceptedLink("https://h/archive.zip#top", defaults()));
    EXPECT_FALSE(IsAcceptedLink("http://h/page?file=a.zip", defaults()));
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

// A password in the key never shows, also one that holds an "@" itself.
TEST(DownloadLines, ALineComingBackReadyMasksItsPassword)
{
    for (const std::string key : {"ftp://user:secret@h/a.zip", "http://user:p@ss@w0rd@h/a.jpg?x=1"}) {
        SCOPED_TRACE(key);
        const std::string line = SettledLine(key + "=" + StatusLine(2, key, "DownLoading", "1kb", ""));
        const std::string display = line.substr(key.size() + 1);
        EXPECT_EQ(display.find("secret"), std::string::npos);
        EXPECT_EQ(display.find("ss@w0rd"), std::string::npos);
        EXPECT_NE(display.find("user:***@h/a."), std::string::npos) << display;
        EXPECT_EQ(line.substr(0, key.size() + 1), key + "=");
    }
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

struct TextCase {
    const char *text;
    TUrlTextKind kind;
    std::vector<std::string> urls;
};

class UrlsInTextCase : public testing::TestWithParam<TextCase> {};

TEST_P(UrlsInTextCase, SplitsAsPeopleWriteUrls)
{
    EXPECT_EQ(UrlsInText(GetParam().text, GetParam().kind), GetParam().urls);
}

INSTANTIATE_TEST_SUITE_P(
    UrlText, UrlsInTextCase,
    testing::Values(TextCase{"http://h/a.jpg http://h/b.zip\r\n ftp://h/c.exe ",
                             TUrlTextKind::Plain,
                             {"http://h/a.jpg", "http://h/b.zip", "ftp://h/c.exe"}},
                    TextCase{"# comment\r\nhttp://h/a.jpg\r\n", TUrlTextKind::UriList, {"http://h/a.jpg"}},
                    TextCase{" http://host/my file.jpg ", TUrlTextKind::Typed, {"http://host/my file.jpg"}},
                    TextCase{"http://h/a.jpg  https://h/b.zip",
                             TUrlTextKind::Typed,
                             {"http://h/a.jpg", "https://h/b.zip"}},
                    TextCase{"http://h/my file.jpg\nftp://h/x.zip mailto:me@h",
                             TUrlTextKind::Typed,
                             {"http://h/my file.jpg", "ftp://h/x.zip", "mailto:me@h"}},
                    TextCase{"http://h/a.jpg 1:2", TUrlTextKind::Typed, {"http://h/a.jpg 1:2"}},
                    TextCase{"  \n\t", TUrlTextKind::Typed, {}}));

} // namespace
} // namespace fetchly

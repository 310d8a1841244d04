// A file that is not what its name says, told by its first bytes; the
// report lines that say so and give the file's SHA-256.
#include "digest/sha256_stream.h"
#include "inspect/content_check.h"
#include "inspect/inspection_report.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace fetchly::inspect;

namespace {

struct ContentCase {
    const char *name;
    std::string_view fileName;
    std::string_view head;
    const char *expected; // the mismatch note, "" when there is none
};

void PrintTo(const ContentCase &c, std::ostream *out)
{
    *out << c.name;
}

using namespace std::string_view_literals;

} // namespace

class ContentCheck : public ::testing::TestWithParam<ContentCase> {};

TEST_P(ContentCheck, TellsWhenTheBytesAreNotWhatTheNamePromises)
{
    EXPECT_EQ(ContentMismatch(GetParam().fileName, GetParam().head), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    MagicNumbers, ContentCheck,
    ::testing::Values(
        // What the name says: nothing to note.
        ContentCase{"Jpeg", "a.jpg", "\xff\xd8\xff\xe0\x00\x10JFIF"sv, ""},
        ContentCase{"JpegUpperCase", "A.JPEG", "\xff\xd8\xff\xe1"sv, ""},
        ContentCase{"Gif", "a.gif", "GIF89a\x01\x00"sv, ""},
        ContentCase{"Png", "a.png", "\x89PNG\r\n\x1a\n"sv, ""},
        ContentCase{"Zip", "a.zip", "PK\x03\x04\x14\x00"sv, ""},
        ContentCase{"EmptyZip", "a.zip", "PK\x05\x06\0\0\0\0"sv, ""},
        ContentCase{"Docx", "a.docx", "PK\x03\x04"sv, ""},
        ContentCase{"Rar", "a.rar", "Rar!\x1a\x07\x01\x00"sv, ""},
        ContentCase{"Exe", "setup.exe", "MZ\x90\x00"sv, ""},
        ContentCase{"Mp3Tagged", "a.mp3", "ID3\x04\x00"sv, ""},
        ContentCase{"Mp3Frame", "a.mp3", "\xff\xfb\x90\x64"sv, ""},
        ContentCase{"Pdf", "a.pdf", "%PDF-1.7\n"sv, ""},
        ContentCase{"Html", "a.html", "<!DOCTYPE html><html>"sv, ""},
        ContentCase{"Json", "a.json", "{\"ok\": true}"sv, ""},
        // Not what the name says.
        ContentCase{"LoginPageAsZip", "setup.zip", "\n  <!doctype HTML>\n<html><body>Log in"sv,
                    "an HTML page, not a ZIP archive"},
        ContentCase{"HtmlWithBomAsJpeg", "http://h/p.jpg?size=2#x", "\xef\xbb\xbf<html><head>"sv,
                    "an HTML page, not a JPEG picture"},
        ContentCase{"JsonErrorAsZip", "a.zip", "{\"error\":\"forbidden\"}"sv,
                    "a JSON text, not a ZIP archive"},
        ContentCase{"JsonArrayAsExe", "a.exe", "[ 1, 2 ]"sv, "a JSON text, not a Windows program"},
        ContentCase{"PngAsJpeg", "a.jpg", "\x89PNG\r\n\x1a\n"sv, "a PNG picture, not a JPEG picture"},
        ContentCase{"ZipAsRar", "a.rar", "PK\x03\x04"sv, "a ZIP archive, not a RAR archive"},
        ContentCase{"PdfAsMp3", "a.mp3", "%PDF-1.4"sv, "a PDF document, not an MP3 file"},
        ContentCase{"GzipAsGif", "a.gif", "\x1f\x8b\x08"sv, "a gzip archive, not a GIF picture"},
        ContentCase{"ExeAsPdf", "a.pdf", "MZ\x90"sv, "a Windows program, not a PDF document"},
        ContentCase{"ZipAsHtml", "index.htm", "PK\x03\x04"sv, "a ZIP archive, not an HTML page"},
        // Unknown on either side: no note.
        ContentCase{"UnknownBytes", "a.zip", "\x00\x01\x02\x03"sv, ""},
        ContentCase{"EmptyFile", "a.zip", ""sv, ""}, ContentCase{"TextIsNotJson", "a.zip", "{not json"sv, ""},
        ContentCase{"UnknownExtension", "a.bin", "<html>"sv, ""},
        ContentCase{"NoExtension", "http://h/download", "<html>"sv, ""},
        ContentCase{"DotInFolderOnly", "http://h.example/dir.zip/file", "<html>"sv, ""}),
    [](const ::testing::TestParamInfo<ContentCase> &info) { return std::string(info.param.name); });

TEST(ContentCheckFile, ReadsOnlyTheHeadOfARegularFile)
{
    fetchly::test::TempDir dir;
    const auto page = dir.write("setup.zip", "<html>" + std::string(1 << 20, ' ') + "</html>");
    EXPECT_EQ(FileContentMismatch(page.string(), "setup.zip"), "an HTML page, not a ZIP archive");
    EXPECT_EQ(FileContentMismatch((dir.path() / "missing.zip").string(), "missing.zip"), "");
    EXPECT_EQ(FileContentMismatch(dir.str(), "folder.zip"), ""); // a folder is not read
}

TEST(Sha256Stream, MatchesKnownDigestsWhateverThePieces)
{
    using fetchly::digest::Sha256Hex;
    using fetchly::digest::TSha256Stream;
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    TSha256Stream stream;
    const std::string piece(1000, 'a');
    // A million "a" in pieces of uneven sizes.
    for (std::size_t left = 1000000, n = 0; left > 0; ++n) {
        const std::size_t size = std::min(left, n % piece.size() + 1);
        stream.Update(piece.data(), size);
        left -= size;
    }
    EXPECT_EQ(stream.FinishHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Finishing starts over; Reset forgets what was given.
    stream.Update("ab");
    stream.Update("c");
    EXPECT_EQ(stream.FinishHex(), Sha256Hex("abc"));
    stream.Update("partial download");
    stream.Reset();
    EXPECT_EQ(stream.FinishHex(), Sha256Hex(""));
}

TEST(ContentLines, MismatchLeadsAndDigestEndsTheReport)
{
    const std::string hex = fetchly::digest::Sha256Hex("abc");
    InspectionResult zip{true, "Archive: a.zip\n\r", ""};
    const InspectionResult both = WithContentLines(zip, "an HTML page, not a ZIP archive", hex);
    EXPECT_TRUE(both.HasReport);
    EXPECT_EQ(both.Report, "An HTML page, not a ZIP archive\n\rArchive: a.zip\n\rSHA-256: " + hex + "\n\r");
    // A file without a report gets just the lines it has.
    EXPECT_EQ(WithContentLines({}, "", hex).Report, "SHA-256: " + hex + "\n\r");
    EXPECT_FALSE(WithContentLines({}, "", "").HasReport);
    // A report cut short by an error still gets the digest on a line of its own.
    EXPECT_EQ(WithContentLines({true, "Entries: 3", "bad"}, "", hex).Report,
              "Entries: 3\n\rSHA-256: " + hex + "\n\r");
}

// The ZIP local-header walk and the ID3v1 reader.
#include "inspect/mp3_info.h"
#include "inspect/zip_reader.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace fetchly::inspect {
namespace {

std::string le16(uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string le32(uint32_t v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

// A local file header followed by the entry's data; `sizeField` is the
// compressed size written into the header.
std::string localEntry(const std::string &name, const std::string &data, uint32_t sizeField)
{
    return "PK\x03\x04" + le16(20) + le16(sizeField == 0 ? 8 : 0) + le16(0) + le16(0) + le16(0) + le32(0) +
           le32(sizeField) + le32(static_cast<uint32_t>(data.size())) +
           le16(static_cast<uint32_t>(name.size())) + le16(0) + name + data;
}

std::string centralEntry(const std::string &name)
{
    return "PK\x01\x02" + std::string(24, '\0') + le16(static_cast<uint32_t>(name.size())) +
           std::string(16, '\0') + name;
}

std::string endRecord()
{
    return "PK\x05\x06" + std::string(18, '\0');
}

std::vector<std::string> scanNames(const std::string &bytes)
{
    TZipReader zip;
    zip.ScanMemory(bytes);
    std::vector<std::string> out;
    for (int i = 0; i < zip.FileCount(); ++i)
        out.push_back(zip.Entry(i).FileName);
    return out;
}

TEST(ZipReader, ThreeStoredFilesInFileOrder)
{
    const std::string archive = localEntry("a.txt", "hello", 5) + localEntry("dir/b.txt", "world!", 6) +
                                localEntry("c.bin", std::string(40, 'x'), 40) + centralEntry("a.txt") +
                                centralEntry("dir/b.txt") + centralEntry("c.bin") + endRecord();
    fetchly::test::TempDir dir;
    const auto path = dir.write("three.zip", archive);
    TZipReader zip;
    zip.SetFileName(path.string());
    EXPECT_EQ(zip.FileName(), path.string());
    ASSERT_EQ(zip.FileCount(), 3);
    EXPECT_EQ(zip.Entry(0).FileName, "a.txt");
    EXPECT_EQ(zip.Entry(1).FileName, "dir/b.txt");
    EXPECT_EQ(zip.Entry(2).FileName, "c.bin");
    EXPECT_EQ(zip.Entry(1).CompressedSize, 6u);
    EXPECT_EQ(zip.Entry(1).FileNameLength, 9);
    EXPECT_THROW(zip.Entry(3), std::out_of_range);
    // A second scan starts afresh.
    zip.SetFileName(dir.write("empty.zip", endRecord()).string());
    EXPECT_EQ(zip.FileCount(), 0);
}

TEST(ZipReader, SizesAfterTheDataAreFoundOnlyOnTheFourByteGrid)
{
    const std::string descriptor = "PK\x07\x08" + le32(0) + le32(8) + le32(8);
    // Header of "n1" is 32 bytes; 8 data bytes + 16 descriptor bytes keep the
    // next header on the grid, 9 data bytes do not.
    const std::string onGrid =
        localEntry("n1", "12345678", 0) + descriptor + localEntry("n2", "", 0) + endRecord();
    EXPECT_EQ(scanNames(onGrid), (std::vector<std::string>{"n1", "n2"}));
    const std::string offGrid =
        localEntry("n1", "123456789", 0) + descriptor + localEntry("n2", "", 0) + endRecord();
    EXPECT_EQ(scanNames(offGrid), (std::vector<std::string>{"n1"}));
}

TEST(ZipReader, OtherFilesDamageAndLongNames)
{
    EXPECT_TRUE(scanNames("This is plain text and not an archive at all.").empty());
    // A signature that happens to sit on the grid is taken.
    EXPECT_EQ(scanNames("abcd" + localEntry("found", "", 0)), (std::vector<std::string>{"found"}));
    EXPECT_TRUE(scanNames("abcd" + endRecord() + localEntry("after", "", 0)).empty());
    // Truncated: the entries before the break stay.
    const std::string two = localEntry("one", "1111", 4) + localEntry("two", "2222", 4);
    EXPECT_EQ(scanNames(two.substr(0, two.size() - 20)), (std::vector<std::string>{"one"}));
    // A name with a NUL is cut there; a name longer than 256 bytes stays whole,
    // so nothing can hide at its end.
    EXPECT_EQ(scanNames(localEntry(std::string("ab\0cd", 5), "", 0)), (std::vector<std::string>{"ab"}));
    const std::string longName = std::string(300, 'n') + ".exe";
    EXPECT_EQ(scanNames(localEntry(longName, "", 0)), (std::vector<std::string>{longName}));
    // A compressed size far beyond the file ends the scan at the file's end.
    EXPECT_EQ(scanNames(localEntry("big", "", 0xFFFFFFF0u) + localEntry("hidden", "", 0)),
              (std::vector<std::string>{"big"}));
}

TEST(ZipReader, MissingFileRaisesTheOpenError)
{
    TZipReader zip;
    try {
        zip.SetFileName("/nonexistent/a.zip");
        FAIL() << "no error";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Cannot open file /nonexistent/a.zip");
    }
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.FileName(), "");
}

TEST(ZipReader, AgreesWithTheZipTool)
{
    fetchly::test::TempDir dir;
    dir.write("in/alpha.txt", std::string(1000, 'a'));
    dir.write("in/sub/beta.txt", "beta");
    dir.write("in/gamma.bin", std::string(3, '\0'));
    const auto in = dir.path() / "in";
    using fetchly::test::runProgram;
    ASSERT_EQ(runProgram("zip", {"-q", "-r", "../out.zip", "alpha.txt", "sub", "gamma.bin"}, in).status, 0);
    ASSERT_EQ(runProgram("zip", {"-q", "-0", "../out.zip", "gamma.bin"}, in).status, 0);
    const auto names = runProgram("unzip", {"-Z1", "../out.zip"}, in);
    ASSERT_EQ(names.status, 0) << names.err;
    TZipReader zip;
    zip.SetFileName((dir.path() / "out.zip").string());
    std::string listed;
    for (int i = 0; i < zip.FileCount(); ++i)
        listed += zip.Entry(i).FileName + "\n";
    EXPECT_EQ(listed, names.out);
    EXPECT_EQ(zip.FileCount(), 4);
}

std::string id3(const std::string &title, const std::string &artist, const std::string &album,
                const std::string &year, const std::string &marker = "TAG")
{
    auto field = [](std::string s, std::size_t n) {
        s.resize(n, '\0');
        return s;
    };
    return marker + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           field("comment", 30) + std::string(1, '\x11');
}

TEST(Mp3Info, TagFieldsWithTheirLabels)
{
    fetchly::test::TempDir dir;
    const auto song =
        dir.write("song.mp3", std::string(500, '\xFF') + id3("  Padded  ", "Band", "Best Of", "2003"));
    EXPECT_EQ(ReadMp3Info(song.string()),
              "Title   : Padded\n\rArtist  : Band\n\rAlbum   : Best Of\n\rYear    : 2003");
    std::string spaces = id3("", "", "", "");
    std::fill(spaces.begin() + 3, spaces.begin() + 33, ' ');
    EXPECT_EQ(Mp3InfoFromTail(spaces, "x.mp3"), "Title   : \n\rArtist  : \n\rAlbum   : \n\rYear    : ");
}

TEST(Mp3Info, NoTagLowerCaseMarkerAndShortFiles)
{
    fetchly::test::TempDir dir;
    const auto plain = dir.write("plain.mp3", std::string(300, '\xFF'));
    EXPECT_EQ(ReadMp3Info(plain.string()), "Song File  : plain.mp3");
    const auto lower = dir.write("lower.mp3", id3("T", "A", "B", "1999", "tag"));
    EXPECT_EQ(ReadMp3Info(lower.string()), "Song File  : lower.mp3");
    const auto tiny = dir.write("tiny.mp3", "TAG");
    EXPECT_EQ(ReadMp3Info(tiny.string()), "Song File  : tiny.mp3");
    const auto exact = dir.write("exact.mp3", id3("Only", "", "", ""));
    EXPECT_EQ(ReadMp3Info(exact.string()).substr(0, 20), "Title   : Only\n\rArti");
    EXPECT_THROW(ReadMp3Info((dir.path() / "missing.mp3").string()), std::runtime_error);
}

TEST(Mp3Info, FieldTextIsShownSafely)
{
    EXPECT_EQ(Mp3InfoFromTail(id3("\xE9t\xE9",
                                  "A\x01"
                                  "B",
                                  "ok\xE2\x80\x8F", "20"),
                              "x.mp3"),
              "Title   : \xC3\xA9t\xC3\xA9\n\rArtist  : A<U+0001>B\n\rAlbum   : ok<U+200F>\n\rYear    : 20");
}

} // namespace
} // namespace fetchly::inspect

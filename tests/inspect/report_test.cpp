// Dispatch by extension and the report texts, down to the last byte.
#include "inspect/inspection_report.h"
#include "tests/inspect/tiff_builder.h"
#include "tests/support/stalled_fifo.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace fetchly::inspect {
namespace {

using test::exifPayload;
using test::jpegFile;
using test::TiffBuilder;
namespace fs = std::filesystem;

TEST(ReportDispatch, ExtensionsAndFileNames)
{
    EXPECT_EQ(ReportKindFor("http://h/photo.JPG"), ReportKind::Exif);
    EXPECT_EQ(ReportKindFor("http://h/photo.jpeg"), ReportKind::Exif);
    EXPECT_EQ(ReportKindFor("http://h/photo.jpe"), ReportKind::None);
    EXPECT_EQ(ReportKindFor("http://h/scan.tif"), ReportKind::None);
    EXPECT_EQ(ReportKindFor("http://h/photo.JPEG?x=1"), ReportKind::None);
    EXPECT_EQ(ReportKindFor("http://h/a\\b.zip"), ReportKind::Zip);
    EXPECT_EQ(ReportKindFor("http://h/Setup.EXE"), ReportKind::VersionInfo);
    EXPECT_EQ(ReportKindFor("http://h/lib.dll"), ReportKind::VersionInfo);
    EXPECT_EQ(ReportKindFor("http://h/song.Mp3"), ReportKind::Mp3);
    EXPECT_EQ(ReportKindFor("C:\\dir.zip\\file"), ReportKind::None);
    EXPECT_EQ(ReportKindFor("noextension"), ReportKind::None);
    EXPECT_EQ(FileNameFromUrl("http://h/dir/photo.JPG"), "photo.JPG");
    EXPECT_EQ(FileNameFromUrl("http://h/a\\b.zip"), "b.zip");
    EXPECT_EQ(FileNameFromUrl("http://h/dir/"), "");
    EXPECT_EQ(LocalPathFor("/dl", "http://h/x.zip"), "/dl/x.zip");
    EXPECT_EQ(LocalPathFor("/dl/", "http://h/x.zip"), "/dl/x.zip");
    EXPECT_EQ(LocalPathFor("/", "http://h/x.zip"), "/x.zip");
}

TEST(ReportDispatch, OtherExtensionsGiveNoReport)
{
    fetchly::test::TempDir dir;
    dir.write("x.tif", "II*\0");
    for (const char *url : {"http://h/x.tif", "http://h/x.jpe", "http://h/x.JPEG?x=1", "http://h/"}) {
        const InspectionResult r = InspectCurrentFile(url, dir.str());
        EXPECT_FALSE(r.HasReport) << url;
        EXPECT_EQ(r.Report, "");
        EXPECT_EQ(r.Error, "");
    }
}

std::string pictureTiff(bool withMetering, bool withShutter)
{
    TiffBuilder b(false);
    test::TestIfd exif = {b.rational(0x829A, 1, 125), b.rational(0x9205, 30, 10)};
    if (withShutter)
        exif.push_back(b.rational(0x9201, 7, 1, 10));
    if (withMetering)
        exif.push_back(b.shortValue(0x9207, 2));
    return b.build({{TiffBuilder::ascii(0x010F, "ACME"), TiffBuilder::pointer(0x8769, 1)}, exif});
}

TEST(ExifReport, WithoutExifTheReportIsThePathTwice)
{
    fetchly::test::TempDir dir;
    dir.write("photo.JPG", jpegFile({{0xE0, "JFIF"}, {0xDB, "q"}}));
    const InspectionResult r = InspectCurrentFile("http://h/photo.JPG", dir.str());
    const std::string path = dir.str() + "/photo.JPG";
    EXPECT_TRUE(r.HasReport);
    EXPECT_EQ(r.Report, path + "\n\r" + path + "\n\r");
    EXPECT_EQ(r.Error, "");
    // A missing picture is no error either.
    const InspectionResult missing = InspectCurrentFile("http://h/gone.jpg", dir.str());
    EXPECT_EQ(missing.Report, dir.str() + "/gone.jpg\n\r" + dir.str() + "/gone.jpg\n\r");
    EXPECT_EQ(missing.Error, "");
}

TEST(ExifReport, EndsWithTheMeteringModeWithoutLineEnd)
{
    fetchly::test::TempDir dir;
    dir.write("p.jpg", jpegFile({{0xE1, exifPayload(pictureTiff(true, true))}}));
    const std::string report = InspectCurrentFile("http://h/p.jpg", dir.str()).Report;
    const std::string tail = " Widest Aperture is F3.0\n\r Response Time is 0.0078 sec (1/128)\n\r"
                             " Light Meter mode is Center";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
    const std::string head = dir.str() + "/p.jpg\n\r" + dir.str() +
                             "/p.jpg\n\r EXIF-Data --------------\n\rError = <none>\n\rIntel Byte Order\n\r"
                             "Make = ACME\n\rExposure Time = 1/125 sec\n\r";
    EXPECT_EQ(report.substr(0, head.size()), head);
    EXPECT_NE(report.find(
                  "Exif Offset = 38\n\r EXIF Summary ----------- \n\rFile Name: p.jpg\r\nFile Size: 0k\r\n"),
              std::string::npos);
}

TEST(ExifReport, WithoutMeteringModeTheLastLineHasItsLineEnd)
{
    fetchly::test::TempDir dir;
    dir.write("a.jpg", jpegFile({{0xE1, exifPayload(pictureTiff(false, true))}}));
    const std::string a = InspectCurrentFile("http://h/a.jpg", dir.str()).Report;
    EXPECT_TRUE(
        a.ends_with("Flash: No\n\r Widest Aperture is F3.0\n\r Response Time is 0.0078 sec (1/128)\n\r"))
        << a;
    dir.write("b.jpg", jpegFile({{0xE1, exifPayload(pictureTiff(false, false))}}));
    const std::string b = InspectCurrentFile("http://h/b.jpg", dir.str()).Report;
    EXPECT_TRUE(b.ends_with("Flash: No\n\r Widest Aperture is F3.0\n\r")) << b;
}

TEST(ZipReport, ListingEmptyMissingAndDamaged)
{
    fetchly::test::TempDir dir;
    const std::string empty = "PK\x05\x06" + std::string(18, '\0');
    dir.write("empty.zip", empty);
    const InspectionResult e = InspectCurrentFile("http://h/empty.zip", dir.str());
    EXPECT_EQ(e.Report, dir.str() + "/empty.zip\n\r");
    EXPECT_EQ(e.Error, "");

    const InspectionResult missing = InspectCurrentFile("http://h/missing.zip", dir.str());
    EXPECT_TRUE(missing.HasReport);
    EXPECT_EQ(missing.Report, dir.str() + "/missing.zip\n\r");
    EXPECT_EQ(missing.Error, "Cannot open file " + dir.str() + "/missing.zip");

    // Entries named to look like something else show what they are.
    const std::string entry = std::string("PK\x03\x04", 4) + std::string(14, '\0') + std::string(8, '\0');
    auto local = [&](const std::string &name) {
        std::string h = entry;
        h += static_cast<char>(name.size());
        h += '\0';
        h += std::string(2, '\0');
        return h + name;
    };
    dir.write("odd.zip", local("photo\xE2\x80\xAEtxt.exe") + local("caf\xE9.txt") + local("a\nb") + "PK\x03");
    const InspectionResult odd = InspectCurrentFile("http://h/odd.zip", dir.str());
    EXPECT_EQ(odd.Report,
              dir.str() + "/odd.zip\n\rphoto<U+202E>txt.exe\n\rcaf\xC3\xA9.txt\n\ra<U+000A>b\n\r");
    EXPECT_EQ(odd.Error, "");
}

TEST(OtherReports, Mp3ReplacesThePathLineAndVersionLinesAreAllThere)
{
    fetchly::test::TempDir dir;
    dir.write("s.mp3", std::string(200, '\0'));
    const InspectionResult mp3 = InspectCurrentFile("http://h/s.mp3", dir.str());
    EXPECT_EQ(mp3.Report, "Song File  : s.mp3");
    const InspectionResult gone = InspectCurrentFile("http://h/gone.mp3", dir.str());
    EXPECT_EQ(gone.Report, dir.str() + "/gone.mp3\n\r");
    EXPECT_EQ(gone.Error, "Cannot open file " + dir.str() + "/gone.mp3");

    dir.write("readme.exe", "not a program");
    const std::string path = dir.str() + "/readme.exe";
    EXPECT_EQ(InspectCurrentFile("http://h/readme.exe", dir.str()).Report,
              path + "\n\r" + path +
                  "\n\rVersion : \n\rCompany Name : \n\rDescription : \n\rInternal Name : \n\r"
                  "Legal Copyright : \n\rComments : \n\r");
}

TEST(OtherReports, PipesNamedLikeDownloadsGiveTheOpenErrorAtOnce)
{
    fetchly::test::TempDir dir;
    for (const std::string name : {"a.zip", "a.mp3", "a.jpg", "a.exe"}) {
        const fetchly::test::StalledFifo fifo(dir.path() / name);
        const auto start = std::chrono::steady_clock::now();
        const InspectionResult r = InspectCurrentFile("http://h/" + name, dir.str());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500)) << name;
        if (name.ends_with(".zip") || name.ends_with(".mp3")) {
            EXPECT_EQ(r.Error, "Cannot open file " + fifo.path().string());
        }
    }
}

TEST(OtherReports, NativeLineEnds)
{
    EXPECT_EQ(NativeLineEnds("a\n\rb\r\nc\n\r"), "a\nb\nc\n");
    EXPECT_EQ(NativeLineEnds("a\n\r\r\nb"), "a\n\nb");
    EXPECT_EQ(NativeLineEnds("x\ry\nz"), "x\ry\nz");
}

// Whole reports of real files, compared with the texts committed beside the
// tests. The file is copied into a fresh folder with a fixed date (shown in
// UTC, C locale), and that folder is written as @DIR@ in the expected text.
class WholeReport : public ::testing::TestWithParam<std::pair<const char *, const char *>> {};

TEST_P(WholeReport, MatchesTheExpectedText)
{
    const auto [source, expectedName] = GetParam();
    fetchly::test::TempDir dir;
    const fs::path from = fetchly::test::testDataDir() / source;
    const fs::path to = dir.path() / from.filename();
    fs::copy_file(from, to);
    const std::chrono::sys_seconds fixed =
        std::chrono::sys_days{std::chrono::year{2026} / 1 / 2} + std::chrono::hours{3};
    fs::last_write_time(to, std::chrono::file_clock::from_sys(fixed));

    const InspectionResult r = InspectPath(to.string());
    EXPECT_EQ(r.Error, "");
    std::string text = NativeLineEnds(r.Report);
    for (std::size_t at; (at = text.find(dir.str())) != std::string::npos;)
        text.replace(at, dir.str().size(), "@DIR@");
    const fs::path expectedPath =
        fetchly::test::sourceDir() / "tests" / "inspect" / "expected" / expectedName;
    if (std::getenv("FETCHLY_UPDATE_EXPECTED")) {
        std::ofstream(expectedPath, std::ios::binary) << text;
        GTEST_SKIP() << "wrote " << expectedPath;
    }
    const std::string expected = fetchly::test::readFile(expectedPath);
    ASSERT_FALSE(expected.empty()) << "missing " << expectedPath;
    EXPECT_EQ(text, expected);
    // Every line of the raw report ends in LF CR, apart from the summary's CR LF.
    EXPECT_EQ(r.Report.find("\n\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, WholeReport,
                         ::testing::Values(std::make_pair("exif/camera/nikon-e950.jpg", "nikon-e950.txt"),
                                           std::make_pair("exif/camera/canon-ixus.jpg", "canon-ixus.txt"),
                                           std::make_pair("exif/gps/DSCN0010.jpg", "DSCN0010.txt"),
                                           std::make_pair("exif/odd/no_exif.jpg", "no_exif.txt"),
                                           std::make_pair("exif/camera/olympus-d320l.jpg",
                                                          "olympus-d320l.txt"),
                                           std::make_pair("pe/sample32.exe", "sample32.txt"),
                                           std::make_pair("pe/nofilever64.dll", "nofilever64.txt")));

TEST(WholeReport, InvalidPicturesEndQuickly)
{
    for (const auto &entry : fs::directory_iterator(fetchly::test::testDataDir() / "exif" / "invalid")) {
        const auto start = std::chrono::steady_clock::now();
        const InspectionResult r = InspectPath(entry.path().string());
        EXPECT_TRUE(r.HasReport);
        EXPECT_EQ(r.Error, "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << entry.path();
    }
}

} // namespace
} // namespace fetchly::inspect

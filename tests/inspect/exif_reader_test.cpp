// The JPEG segment walk, the TIFF directory walk and the summary, on files
// built byte by byte and on real camera pictures.
#include "inspect/image_file.h"
#include "inspect/maker_notes.h"
#include "tests/inspect/tiff_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

namespace fetchly::inspect {
namespace {

using test::exifPayload;
using test::jpegFile;
using test::TestIfd;
using test::TiffBuilder;

std::string app0()
{
    return std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
}

// A little picture: IFD0 with make, model, date and a pointer to the EXIF
// sub-directory, which holds exposure data.
std::string cameraTiff(bool big, int meteringMode = 2)
{
    TiffBuilder b(big);
    TestIfd ifd0 = {
        TiffBuilder::ascii(0x010F, "ACME"),
        TiffBuilder::ascii(0x0110, "Snapper 5"),
        b.rational(0x011A, 72, 1),
        b.shortValue(0x0128, 2),
        TiffBuilder::ascii(0x0132, "2020:01:01 10:00:00"),
        TiffBuilder::pointer(0x8769, 1),
    };
    TestIfd exif = {
        b.rational(0x829A, 1, 60),
        b.rational(0x829D, 28, 10),
        TiffBuilder::undefined(0x9000, "0230"),
        TiffBuilder::ascii(0x9003, "2019:12:24 18:30:00"),
        b.rational(0x9201, 8, 1, 10),
        b.rational(0x9205, 30, 10),
        b.shortValue(0x9209, 0x19),
        b.rational(0x920A, 58, 10),
        b.shortValue(0xA002, 1600),
        b.longValue(0xA003, 1200),
        b.rational(0xA20E, 2000, 1),
        b.rational(0xA20F, 2000, 1),
        b.shortValue(0xA210, 2),
    };
    if (meteringMode >= 0)
        exif.insert(exif.begin() + 6, b.shortValue(0x9207, static_cast<uint16_t>(meteringMode)));
    return b.build({ifd0, exif});
}

struct Loaded {
    std::unique_ptr<TImageFile> image = std::make_unique<TImageFile>(ExifListMode::Both);
    bool ok = false;
    TExifDirectory &exif() const { return *image->ExifReader; }
};

Loaded load(const std::string &bytes, const std::string &name = "pic.jpg")
{
    Loaded l;
    l.ok = l.image->LoadFromMemory(bytes, name);
    return l;
}

std::vector<std::string> names(const TExifDirectory &exif, int tableId = 0)
{
    std::vector<std::string> out;
    for (const TTagRecord &r : exif.Entries)
        if (r.TableId == tableId)
            out.emplace_back(r.Name);
    return out;
}

TEST(JpegSegments, App0ThenExifIsFoundInBothByteOrders)
{
    for (bool big : {false, true}) {
        const Loaded l = load(jpegFile({{0xE0, app0()}, {0xE1, exifPayload(cameraTiff(big))}}));
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.image->ErrorText, "<none>");
        EXPECT_EQ(l.image->BigEndian, big);
        EXPECT_EQ(l.image->HeaderSection, 0);
        EXPECT_EQ(l.image->ExifSection, 1);
        EXPECT_EQ(l.exif().Make, "ACME");
        EXPECT_EQ(l.exif().Model, "Snapper 5");
        EXPECT_EQ(l.exif().Width, 1600);
        EXPECT_EQ(l.exif().Height, 1200);
        EXPECT_EQ(l.exif().ValueByName("MeteringMode"), "Center");
        EXPECT_EQ(l.exif().ValueByName("ExposureTime"), "1/60 sec");
        EXPECT_EQ(l.exif().ValueByName("FNumber"), "F2.8");
        EXPECT_EQ(l.exif().ValueByName("ShutterSpeedValue"), "0.0039 sec (1/256)");
        EXPECT_EQ(l.exif().ValueByName("Flash"), "On, auto mode");
        EXPECT_EQ(l.exif().ValueByName("ExifVersion"), "\"0230\"");
        EXPECT_EQ(l.exif().ExifVersion, "0230");
        EXPECT_EQ(l.exif().FlashValue, 0x19);
    }
}

TEST(JpegSegments, ExifAsFifthSegmentIsNotTaken)
{
    const std::string other = "xxxx";
    const Loaded l = load(jpegFile({{0xE0, app0()},
                                    {0xDB, other},
                                    {0xDB, other},
                                    {0xC4, other},
                                    {0xE1, exifPayload(cameraTiff(false))}}));
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.image->ErrorText, "Not an EXIF file");
    EXPECT_FALSE(l.image->HasExifSection());
    EXPECT_EQ(l.image->SectionCount, 5);
    // As the fourth segment it is taken.
    const Loaded fourth = load(
        jpegFile({{0xE0, app0()}, {0xDB, other}, {0xDB, other}, {0xE1, exifPayload(cameraTiff(false))}}));
    EXPECT_TRUE(fourth.ok);
    EXPECT_TRUE(fourth.image->HasExifSection());
}

TEST(JpegSegments, SecondApp1IsDroppedAndFillBytesSkipped)
{
    std::string file = jpegFile({{0xE0, app0()},
                                 {0xE1, exifPayload(cameraTiff(false))},
                                 {0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>"},
                                 {0xDB, "q"}});
    // Fill bytes before the DQT marker.
    const std::size_t dqt = file.rfind("\xFF\xDB");
    file.insert(dqt, "\xFF\xFF\xFF");
    const Loaded l = load(file);
    EXPECT_TRUE(l.ok);
    // APP0, APP1, DQT: the dropped APP1 gave its slot to the DQT segment; the
    // end-of-image marker has no length bytes, so the file's end ends the walk.
    EXPECT_EQ(l.image->SectionCount, 3);
    EXPECT_EQ(l.image->Sections[2].Type, 0xDB);
    EXPECT_EQ(l.image->Sections[2].Data, std::string("\0\x03q", 3));
}

TEST(JpegSegments, XmpBeforeExifDoesNotHideTheExifData)
{
    const Loaded l = load(jpegFile({{0xE0, app0()},
                                    {0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33)},
                                    {0xE1, exifPayload(cameraTiff(false))}}));
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.image->ErrorText, "<none>");
    EXPECT_EQ(l.image->ExifSection, 2);
    EXPECT_EQ(l.exif().Make, "ACME");
}

TEST(JpegSegments, BadHeadersAreReplacedByNoneAfterTheWalk)
{
    const Loaded wrong = load(jpegFile({{0xE1, "Exif!" + cameraTiff(false)}}));
    EXPECT_TRUE(wrong.ok);
    EXPECT_EQ(wrong.image->ErrorText, "<none>");
    EXPECT_EQ(wrong.exif().EntryCount(), 0);
    std::string tiff = cameraTiff(false);
    tiff[0] = 'X';
    const Loaded alignment = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_TRUE(alignment.ok);
    EXPECT_EQ(alignment.image->ErrorText, "<none>");
    EXPECT_EQ(alignment.exif().EntryCount(), 0);
}

TEST(JpegSegments, NotAJpegOrTruncatedOrCutShort)
{
    EXPECT_FALSE(load("GIF89a").ok);
    EXPECT_EQ(load("GIF89a").image->ErrorText, "Not an EXIF file");
    EXPECT_FALSE(load("\xFF\xD8").ok);
    // A segment that claims more bytes than the file holds ends the walk
    // without allocating its length.
    const std::string full =
        jpegFile({{0xE0, app0()}, {0xFE, "comment"}, {0xE1, exifPayload(cameraTiff(false))}});
    const Loaded cut = load(full.substr(0, full.size() - 40));
    EXPECT_TRUE(cut.ok); // the comment segment was found
    EXPECT_FALSE(cut.image->HasExifSection());
    EXPECT_EQ(cut.image->CommentSection, 1);
    // Every prefix of a good file ends the walk without fault.
    for (std::size_t n = 0; n < full.size(); n += 7)
        load(full.substr(0, n));
    // An unsupported extension is not read.
    EXPECT_FALSE(load(full, "pic.png").ok);
    EXPECT_EQ(load(full, "pic.png").image->ErrorText, "Not an EXIF file");
}

TEST(ExifDirectory, ValuesInlineUpToFourBytesAndByOffsetBeyond)
{
    TiffBuilder b(false);
    // A 4-byte ASCII value sits in the entry; 5 bytes follow the offset.
    const std::string tiff =
        b.build({{TiffBuilder::ascii(0x010F, "abc"), TiffBuilder::ascii(0x0110, "abcd")}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.exif().EntryCount(), 2);
    EXPECT_EQ(l.exif().Entries[0].DisplayValue, "abc");
    EXPECT_EQ(l.exif().Entries[0].RawPosition, 8 + 8 + 2 + 8); // the TIFF header starts at 8
    EXPECT_EQ(l.exif().Entries[1].DisplayValue, "abcd");
    EXPECT_EQ(l.exif().Entries[1].RawPosition, 8 + 8 + 2 + 24 + 4);
}

TEST(ExifDirectory, ShortAndLongWidthsAndIfd0AtOffsetZero)
{
    TiffBuilder b(true);
    const Loaded shortWidth = load(jpegFile({{0xE1, exifPayload(b.build({{b.shortValue(0x0100, 640)}}))}}));
    EXPECT_EQ(shortWidth.exif().Width, 640);
    const Loaded longWidth = load(jpegFile({{0xE1, exifPayload(b.build({{b.longValue(0x0100, 640)}}))}}));
    EXPECT_EQ(longWidth.exif().Width, 640);
    // An IFD0 offset of 0 means position 17, i.e. TIFF offset 8.
    const Loaded zero = load(jpegFile({{0xE1, exifPayload(b.build({{b.longValue(0x0101, 480)}}, 0))}}));
    EXPECT_EQ(zero.exif().Height, 480);
}

TEST(ExifDirectory, DateTimeOriginalWinsAndUnknownTagsAreNotCollected)
{
    TiffBuilder b(false);
    const std::string tiff = b.build({{TiffBuilder::ascii(0x0132, "2001:01:01 00:00:00"),
                                       b.shortValue(0x1234, 7), TiffBuilder::pointer(0x8769, 1)},
                                      {TiffBuilder::ascii(0x9003, "1999:12:31 23:59:59")}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_EQ(l.exif().PhotoDate, "1999:12:31 23:59:59");
    // Depth first: the sub-directory's records come before its pointer.
    EXPECT_EQ(names(l.exif()), (std::vector<std::string>{"DateTime", "DateTimeOriginal", "ExifOffset"}));
}

TEST(ExifDirectory, GpsDirectoryIsReadWithTheGpsTable)
{
    TiffBuilder b(true);
    const std::string tiff = b.build({{TiffBuilder::pointer(0x8825, 1)},
                                      {{0x0000, 1, 4, std::string("\x02\x02\x00\x00", 4)},
                                       TiffBuilder::ascii(0x0001, "N"),
                                       b.rationals(0x0002, {{51, 1}, {3050, 100}, {0, 1}}),
                                       b.rationals(0x0007, {{9, 1}, {5, 1}, {3, 1}}),
                                       b.shortValue(0x001E, 1)}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    // GPSVersionID has tag number 0 and is never collected.
    EXPECT_EQ(names(l.exif()), (std::vector<std::string>{"GPSLatitudeRef", "GPSLatitude", "GPSTimeStamp",
                                                         "GPSDifferential", "GPSInfo"}));
    EXPECT_EQ(l.exif().ValueByName("GPSLatitude"), "51 Degrees 30 Minutes 30 Seconds");
    EXPECT_EQ(l.exif().ValueByName("GPSTimeStamp"), "9:5:3");
}

TEST(ExifDirectory, LoopsAndBrokenPointersAreHarmless)
{
    TiffBuilder b(false);
    // IFD1 points back to IFD0 and to itself; a GPS pointer leads outside the data.
    const std::string tiff = b.build(
        {{TiffBuilder::ascii(0x010F, "Loop"), TiffBuilder::pointer(0x8769, 1),
          b.longValue(0x8825, 0x7FFFFFF0)},
         {TiffBuilder::pointer(0xA005, 0), TiffBuilder::pointer(0x014A, 1), b.shortValue(0x9207, 3)}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.image->ErrorText, "<none>");
    EXPECT_EQ(names(l.exif()), (std::vector<std::string>{"Make", "InteroperabilityOffset", "SubIFDs",
                                                         "MeteringMode", "ExifOffset", "GPSInfo"}));
}

TEST(ExifDirectory, OversizedDirectoryAndDataThatBreaksOff)
{
    TiffBuilder b(false);
    std::string tiff = b.build({{TiffBuilder::ascii(0x010F, "Cut"), b.shortValue(0x0100, 10)}});
    tiff[8] = '\xFF'; // entry count 0x02FF: far more entries than the segment holds
    tiff[9] = '\x02';
    const Loaded sized = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_TRUE(sized.ok);
    EXPECT_EQ(sized.exif().EntryCount(), 0);
    EXPECT_EQ(sized.image->ErrorText, "<none>");

    // Entries that run past the end of the data: the walk ends there, the
    // records before the break stay and the read counts as failed.
    std::string broken = b.build({{TiffBuilder::ascii(0x010F, "Cut"), b.shortValue(0x0100, 10),
                                   b.shortValue(0x0101, 20), b.shortValue(0x0102, 8)}});
    broken.resize(8 + 2 + 12 * 2 + 6);
    const Loaded l = load(jpegFile({{0xE1, exifPayload(broken)}}));
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.image->ErrorText, "Not an EXIF file");
    ASSERT_TRUE(l.image->HasExifSection());
    EXPECT_EQ(names(l.exif()), (std::vector<std::string>{"Make", "ImageWidth"}));
}

TEST(ExifDirectory, EntriesSharingOneLargeValueCannotMultiplyIt)
{
    // 1000 entries all pointing at the same 50,000-byte text.
    TiffBuilder b(false);
    const uint32_t n = 1000;
    const uint32_t valueOffset = 8 + 2 + 12 * n + 4;
    std::string tiff = std::string("II*\0", 4) + b.u32(8) + b.u16(n);
    for (uint32_t i = 0; i < n; ++i)
        tiff += b.u16(0x010E) + b.u16(2) + b.u32(50000) + b.u32(valueOffset);
    tiff += b.u32(0) + std::string(49999, 'a') + std::string(1, '\0');
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_TRUE(l.ok);
    std::size_t kept = 0;
    for (const TTagRecord &r : l.exif().Entries)
        kept += r.RawBytes.size() + r.DisplayValue.size();
    EXPECT_LE(kept, static_cast<std::size_t>(TExifDirectory::MaxStoredBytes));
    EXPECT_GT(l.exif().EntryCount(), 10);
    EXPECT_LT(l.exif().EntryCount(), 100);
    EXPECT_EQ(l.exif().Entries[0].DisplayValue, std::string(50, 'a'));
}

TEST(ExifDirectory, FlashListDoesNotEndItsDirectory)
{
    TiffBuilder b(false);
    const std::string tiff = b.build(
        {{TiffBuilder::pointer(0x8769, 1)}, {{0x9209, 3, 2, b.u16(1) + b.u16(0)}, b.shortValue(0x9207, 2)}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_EQ(l.exif().ValueByName("Flash"), "1, 0");
    EXPECT_EQ(l.exif().ValueByName("MeteringMode"), "Center");
}

TEST(ExifDirectory, TextFromTheFileIsShownSafely)
{
    TiffBuilder b(false);
    const std::string tiff =
        b.build({{TiffBuilder::ascii(0x010E, "caf\xC3\xA9 \xE2\x80\xAEgpj.exe"),
                  TiffBuilder::ascii(0x013B, "Jos\xE9"), TiffBuilder::ascii(0x0131, "tab\there"),
                  TiffBuilder::ascii(0x8298, "\xE9 \xE2\x80\xAE")}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    // Valid UTF-8 stays, with the right-to-left override made visible.
    EXPECT_EQ(l.exif().ValueByName("ImageDescription"), "caf\xC3\xA9 <U+202E>gpj.exe");
    // Not UTF-8 as a whole: every byte is a Windows-1252 character.
    EXPECT_EQ(l.exif().ValueByName("Copyright"), "\xC3\xA9 \xC3\xA2\xE2\x82\xAC\xC2\xAE");
    EXPECT_EQ(l.exif().ValueByName("Artist"), "Jos\xC3\xA9"); // Windows-1252
    EXPECT_EQ(l.exif().ValueByName("Software"), "tab.here");
}

TEST(ExifDirectory, TextEndsAtItsFirstNulWithinItsByteCount)
{
    TiffBuilder b(false);
    const auto text = [](uint16_t tag, std::string_view bytes) {
        return test::TestEntry{tag, 2, static_cast<uint32_t>(bytes.size()), std::string(bytes)};
    };
    const std::string tiff =
        b.build({{text(0x010F, std::string_view("SONY\0\0\0", 7)), text(0x0110, "EASTMAN KODAK COMPANY"),
                  text(0x0131, "ab"), text(0x013B, std::string_view("x\0yz", 4))}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_EQ(l.exif().ValueByName("Make"), "SONY");
    EXPECT_EQ(l.exif().ValueByName("Model"), "EASTMAN KODAK COMPANY");
    EXPECT_EQ(l.exif().ValueByName("Software"), "ab"); // inline, no NUL
    EXPECT_EQ(l.exif().ValueByName("Artist"), "x");
}

TEST(ExifDirectory, UserCommentDropsItsCodePrefix)
{
    TiffBuilder b(false);
    const std::string tiff =
        b.build({{TiffBuilder::pointer(0x8769, 1)},
                 {TiffBuilder::undefined(0x9286, std::string("ASCII\0\0\0  Hello there  \0", 25))}});
    const Loaded l = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_EQ(l.exif().ValueByName("UserComment"), "Hello there");
    EXPECT_EQ(l.exif().UserCommentText, "Hello there");
}

TEST(ExifDirectory, Derived35mmFocalLength)
{
    const Loaded l = load(jpegFile({{0xE1, exifPayload(cameraTiff(false))}}));
    EXPECT_EQ(l.exif().ValueByName("FocalLengthin35mmFilm"), " 9.88");
    const TTagRecord &r = l.exif().Entries.back();
    EXPECT_EQ(r.Description, "Focal Length in 35mm Film");
    EXPECT_EQ(r.FormatText, "%s mm");
    EXPECT_EQ(r.ValueFormat, 10);
    // A file that carries the value is not given a second one.
    TiffBuilder b(false);
    const std::string tiff =
        b.build({{b.rational(0x920A, 58, 10), b.shortValue(0xA210, 2), b.rational(0xA20E, 2000, 1),
                  b.rational(0xA20F, 2000, 1), b.shortValue(0xA405, 35)}});
    const Loaded given = load(jpegFile({{0xE1, exifPayload(tiff)}}));
    EXPECT_EQ(given.exif().ValueByName("FocalLengthin35mmFilm"), "35.00 mm");
    EXPECT_EQ(names(given.exif()).size(), 5u);
}

TEST(ExifDirectory, IterationSkipsOtherTables)
{
    const Loaded l = load(jpegFile({{0xE1, exifPayload(cameraTiff(false))}}));
    TTagRecord extra = l.exif().Entries.front();
    extra.TableId = 1;
    l.image->ExifReader->Entries.insert(l.image->ExifReader->Entries.begin(), extra);
    l.image->ExifReader->RestartTagWalk();
    TTagRecord e;
    int count = 0;
    while (l.image->ExifReader->NextTag(0, e)) {
        EXPECT_EQ(e.TableId, 0);
        ++count;
    }
    EXPECT_EQ(count, l.exif().EntryCount() - 1);
    EXPECT_EQ(e.Name, ""); // cleared by the failing call
    EXPECT_EQ(l.exif().IndexByName("meteringmode"), l.exif().IndexByName("MeteringMode"));
    EXPECT_EQ(l.exif().IntByName("ExifImageWidth"), 1600);
    EXPECT_DOUBLE_EQ(l.exif().FloatByName("FocalLength"), 5.8);
    EXPECT_EQ(l.exif().FloatByName("Nothing"), 0);
}

TEST(ExifSummary, LinesInOrderAndErrorForm)
{
    fetchly::test::TempDir dir;
    std::string picture = jpegFile({{0xE0, app0()}, {0xE1, exifPayload(cameraTiff(false))}});
    picture.resize(2047, '\0');
    const auto path = dir.write("pic.jpg", picture);
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
    TImageFile image(ExifListMode::Both);
    ASSERT_TRUE(image.LoadFromFile(path.string()));
    const std::string summary = image.ExifReader->SummaryText();
    const std::size_t dateAt = summary.find("File Date: ");
    ASSERT_NE(dateAt, std::string::npos);
    const std::size_t dateEnd = summary.find("\r\n", dateAt);
    EXPECT_EQ(summary.substr(0, dateAt), "File Name: pic.jpg\r\nFile Size: 1k\r\n");
    EXPECT_EQ(summary.substr(dateEnd),
              "\r\nPhoto Date: 2019:12:24 18:30:00\r\nMake (Model): ACME (Snapper 5)\r\n"
              "Dimensions: 1600 x 1200\r\nExposure Time: 1/60 sec\r\n"
              "Focal Length:  5.80 mm\r\nFocal Length (35mm):  9.88\r\nFNumber: F2.8\r\n"
              "Flash: Yes");
    image.ErrorText = "Not an EXIF file";
    EXPECT_EQ(image.ExifReader->SummaryText(), "File Name: pic.jpg\r\nExif Error: Not an EXIF file");
}

TEST(ImageFile, MissingUnreadableAndBareTiffFiles)
{
    TImageFile image(ExifListMode::Both);
    EXPECT_FALSE(image.LoadFromFile("/nonexistent/pic.jpg"));
    EXPECT_EQ(image.ErrorText, "");
    fetchly::test::TempDir dir;
    // A bare TIFF: IFD0 is read at file offset 8.
    TiffBuilder b(true);
    const auto tif =
        dir.write("scan.TIF", b.build({{TiffBuilder::ascii(0x010F, "Scanner"), b.shortValue(0x0100, 77)}}));
    ASSERT_TRUE(image.LoadFromFile(tif.string()));
    EXPECT_EQ(image.ErrorText, "<none>");
    EXPECT_TRUE(image.IsTiff);
    EXPECT_EQ(image.ExifReader->Make, "Scanner");
    EXPECT_EQ(image.ExifReader->Width, 77);
    if (geteuid() != 0) {
        const auto locked = dir.write("locked.jpg", jpegFile({{0xE1, exifPayload(cameraTiff(false))}}));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_FALSE(image.LoadFromFile(locked.string()));
        EXPECT_EQ(image.ErrorText, "Illegal Exif construction");
    }
}

TEST(MakerNotes, NikonCanonFujifilmRecordsCarryTableIdOne)
{
    const auto camera = fetchly::test::testDataDir() / "exif" / "camera";
    struct Case {
        const char *file;
        const char *name;
    } cases[] = {{"nikon-e950.jpg", "Quality"},
                 {"canon-ixus.jpg", "ImageType"},
                 {"fujifilm-finepix40i.jpg", "Quality"},
                 {"sanyo-vpcg250.jpg", "JpegQuality"},
                 {"olympus-c960.jpg", "JpegQual"}};
    for (const Case &c : cases) {
        TImageFile image(ExifListMode::Both);
        ASSERT_TRUE(image.LoadFromFile((camera / c.file).string())) << c.file;
        const auto maker = names(*image.ExifReader, 1);
        EXPECT_NE(std::find(maker.begin(), maker.end(), c.name), maker.end()) << c.file;
        for (const std::string &n : maker)
            EXPECT_NE(n, "Skip") << c.file;
    }
}

TEST(MakerNotes, NikonWithExifVersion0220UsesTheInnerTiffHeader)
{
    TImageFile image(ExifListMode::Both);
    ASSERT_TRUE(
        image.LoadFromFile((fetchly::test::testDataDir() / "exif" / "gps" / "DSCN0010.jpg").string()));
    EXPECT_EQ(image.ExifReader->ExifVersion, "0220");
    const auto maker = names(*image.ExifReader, 1);
    EXPECT_EQ(maker.front(), "FamilyID");
    bool quality = false;
    for (const TTagRecord &r : image.ExifReader->Entries)
        if (r.Name == "Quality" && r.TableId == 1) {
            EXPECT_EQ(r.DisplayValue, "\"FINE   \"");
            quality = true;
        }
    EXPECT_TRUE(quality);
}

TEST(MakerNotes, UnknownMakeGivesNoMakerRecords)
{
    TImageFile image(ExifListMode::Both);
    ASSERT_TRUE(
        image.LoadFromFile((fetchly::test::testDataDir() / "exif" / "camera" / "kodak-dc240.jpg").string()));
    EXPECT_TRUE(names(*image.ExifReader, 1).empty());
    EXPECT_EQ(MakerTagTable(MakerTable::Nikon).size(), 28u);
    EXPECT_EQ(MakerTagTable(MakerTable::Olympus).size(), 33u);
}

} // namespace
} // namespace fetchly::inspect

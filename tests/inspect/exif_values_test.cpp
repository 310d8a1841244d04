// Tag tables and the conversion of raw values into display text.
#include "inspect/exif_formatters.h"
#include "inspect/exif_tables.h"
#include "inspect/exif_values.h"

#include <gtest/gtest.h>

#include <set>

namespace fetchly::inspect {
namespace {

std::string le16(uint16_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(uint32_t v)
{
    return le16(static_cast<uint16_t>(v & 0xFFFF)) + le16(static_cast<uint16_t>(v >> 16));
}

TEST(TagTables, HaveTheirRowsInTagOrderWithoutDuplicates)
{
    const auto exif = ExifTagTable();
    ASSERT_EQ(exif.size(), 251u);
    EXPECT_EQ(exif[250].Name, "Unknown");
    EXPECT_EQ(exif[250].Tag, 0);
    std::set<int> seen;
    for (std::size_t i = 0; i < 250; ++i) {
        EXPECT_TRUE(seen.insert(exif[i].Tag).second) << exif[i].Name;
        if (i > 0) {
            EXPECT_LT(exif[i - 1].Tag, exif[i].Tag) << exif[i].Name;
        }
    }
    EXPECT_EQ(exif[0].Name, "InteroperabilityIndex");
    EXPECT_EQ(exif[249].Name, "ImageUniqueID");
    const auto gps = GpsTagTable();
    ASSERT_EQ(gps.size(), 31u);
    for (std::size_t i = 0; i < gps.size(); ++i)
        EXPECT_EQ(gps[i].Tag, i);
    EXPECT_EQ(gps[23].Name, "GPSDestBearingkRef");
}

TEST(TagTables, DescriptionsComeFromSpaceWordsUnlessGiven)
{
    EXPECT_EQ(SpaceWords("MaxApertureValue"), "Max Aperture Value");
    EXPECT_EQ(SpaceWords("FNumber"), "FNumber");
    EXPECT_EQ(SpaceWords("ISOSpeedRatings"), "ISOSpeed Ratings");
    EXPECT_EQ(SpaceWords("T4Options"), "T4 Options");
    EXPECT_EQ(SpaceWords("YCbCrPositioning"), "YCb Cr Positioning");
    EXPECT_EQ(SpaceWords("GPSLatitude"), "GPSLatitude");
    EXPECT_EQ(SpaceWords(""), "");
    EXPECT_EQ(FindTagEntry(0xA405, tkMain).Description, "Focal Length in 35mm Film");
    EXPECT_EQ(FindTagEntry(0x83BB, tkMain).Description, "IPTC/NAA");
    EXPECT_EQ(FindTagEntry(0xA216, tkMain).Description, "TIFF/EPStandardID");
    EXPECT_EQ(FindTagEntry(0x9216, tkMain).Description, "TIFF/ EPStandard ID");
    EXPECT_EQ(FindTagEntry(0x9205, tkMain).Description, "Max Aperture Value");
}

TEST(TagTables, FindTagEntryByKindAndTableIndexByName)
{
    EXPECT_EQ(FindTagEntry(0x9207, tkMain).Name, "MeteringMode");
    EXPECT_EQ(FindTagEntry(0x9207, tkThumbnail).Name, "MeteringMode");
    EXPECT_EQ(FindTagEntry(0x1E, tkGps).Name, "GPSDifferential");
    EXPECT_EQ(FindTagEntry(0x1E, tkGps).Description, "GPSDifferential");
    // Unknown numbers and kinds give the sentinel row.
    EXPECT_EQ(FindTagEntry(0x1234, tkMain).Name, "Unknown");
    EXPECT_EQ(FindTagEntry(0x1234, tkMain).Tag, 0);
    EXPECT_EQ(FindTagEntry(0x0002, tkGps).Name, "GPSLatitude");
    EXPECT_EQ(FindTagEntry(0x9207, tkGps).Name, "Unknown");
    EXPECT_EQ(FindTagEntry(0x9207, 3).Name, "Unknown");
    EXPECT_EQ(TableIndexByName("FocalLengthIn35mmFilm"), 241);
    EXPECT_EQ(TableIndexByName("interoperabilityindex"), 0);
    EXPECT_EQ(TableIndexByName("Unknown"), -1);
    EXPECT_EQ(TableIndexByName("NoSuchTag"), -1);
    EXPECT_EQ(FormatSize(12), 8);
    EXPECT_EQ(FormatSize(13), 0);
    EXPECT_EQ(FormatSize(-1), 0);
}

TEST(ValueConversion, BytesToIntFollowsByteOrderWithoutSignExtension)
{
    const std::string bytes("\x00\x00\x01\x00", 4);
    EXPECT_EQ(BytesToInt(bytes, true), 256);
    EXPECT_EQ(BytesToInt(bytes, false), 65536);
    EXPECT_EQ(BytesToInt("\xFF\xFF", false), 65535);
    EXPECT_EQ(BytesToInt("\xFF", false), 255);
    EXPECT_EQ(BytesToInt("\xFF\xFF\xFF\xFF", false), -1);
    EXPECT_EQ(BytesToInt("", false), 0);
}

TEST(ValueConversion, FormatValueDecodesAndFormats)
{
    const auto metering = FindTagEntry(0x9207, tkMain).DecodeList;
    EXPECT_EQ(FormatValue(le16(2), 3, metering, "", false), "Center");
    EXPECT_EQ(FormatValue(le16(255), 3, metering, "", false), "");
    const auto photometric = FindTagEntry(0x0106, tkMain).DecodeList;
    EXPECT_EQ(FormatValue(le16(1), 3, photometric, "", false), "Monochrome");
    EXPECT_EQ(FormatValue(le16(2), 3, photometric, "", false), "");
    EXPECT_EQ(FormatValue(le32(1) + le32(60), 5, "", "%s sec", false), "1/60 sec");
    EXPECT_EQ(FormatValue(le32(28) + le32(10), 5, "", "F%0.1f", false), "F2.8");
    EXPECT_EQ(FormatValue(le32(58) + le32(10), 5, "", "%5.2f mm", false), " 5.80 mm");
    EXPECT_EQ(FormatValue(le32(72) + le32(1), 5, "", "%5.2f", false), "72.00");
    EXPECT_EQ(FormatValue(le32(5) + le32(0), 5, "", "", false), "5/0");
    EXPECT_EQ(ValueAsFloat(le32(5) + le32(0), 5, false), 0.0);
    EXPECT_EQ(FormatValue(le32(static_cast<uint32_t>(-3)) + le32(2), 10, "", "", false), "-3/2");
    std::string ten;
    for (uint16_t i = 1; i <= 10; ++i)
        ten += le16(i);
    EXPECT_EQ(FormatValue(ten, 3, "", "", false), "1, 2, 3, 4, 5, 6, 7, 8");
    EXPECT_EQ(FormatValue("abcd", 11, "", "", false), "-9999.99");
    EXPECT_EQ(FormatValue("abcdefgh", 12, "", "", false), "-9999.99");
    EXPECT_EQ(FormatValue("ab", 2, "", "", false), "?, ?");
    EXPECT_EQ(FormatValue("ab", 0, "", "", false), "0");
    EXPECT_EQ(FormatValue("ab", 13, "", "", false), "0");
    EXPECT_EQ(FormatValue("\xFF", 6, "", "", false), "255");
    EXPECT_EQ(FormatValue("\xFF\xFF", 8, "", "", false), "65535");
    EXPECT_EQ(FormatValue("\xFF\xFF\xFF\xFF", 9, "", "", false), "-1");
    // The Orientation list keeps its degree sign.
    EXPECT_EQ(FormatValue(le16(3), 3, FindTagEntry(0x0112, tkMain).DecodeList, "", false), "Rotated 180°");
}

TEST(ValueConversion, ValueAsFloatReadsEveryNumericFormat)
{
    EXPECT_EQ(ValueAsFloat(le16(640), 3, false), 640);
    EXPECT_EQ(ValueAsFloat(le32(640), 4, false), 640);
    EXPECT_DOUBLE_EQ(ValueAsFloat(le32(58) + le32(10), 5, false), 5.8);
    EXPECT_EQ(ValueAsFloat("x", 2, false), 0);
    EXPECT_EQ(ValueAsFloat("x", 7, false), 0);
    EXPECT_EQ(ValueAsFloat("x", 99, false), 0);
    EXPECT_FLOAT_EQ(static_cast<float>(ValueAsFloat(std::string("\x00\x00\xC0\x3F", 4), 11, false)), 1.5f);
    EXPECT_DOUBLE_EQ(ValueAsFloat(std::string("\x40\x04\x00\x00\x00\x00\x00\x00", 8), 12, true), 2.5);
    EXPECT_EQ(ValueAsFloat("ab", 12, true), 0);
}

TEST(ValueConversion, DecodeCodePrintableAndParseFraction)
{
    EXPECT_EQ(DecodeCode("0:Unknown,1:Average,2:Center", "2"), "Center");
    EXPECT_EQ(DecodeCode("0:Unknown,1:Average,2:Center", " 2 "), "Center");
    EXPECT_EQ(DecodeCode("0:Unknown,1:Average,2:Center", "7"), "");
    EXPECT_EQ(DecodeCode("10:Flash,1:Daylight", "1"), "Daylight");
    const std::string sixty(60, 'a');
    EXPECT_EQ(Printable(sixty), std::string(50, 'a'));
    EXPECT_EQ(Printable("a\x01"
                        "b\x1F\xE9"),
              "a.b.\xE9");
    // Multi-byte characters count once and are never cut in half.
    std::string accents;
    for (int i = 0; i < 60; ++i)
        accents += "é";
    EXPECT_EQ(Printable(accents).size(), 100u);
    EXPECT_DOUBLE_EQ(ParseFraction("3050/100"), 30.5);
    EXPECT_DOUBLE_EQ(ParseFraction(" 1 1/2 "), 1.5);
    EXPECT_EQ(ParseFraction("12"), 0);
    EXPECT_EQ(ParseFraction("1/0"), 0);
    EXPECT_EQ(ParseFraction("a/2"), 0);
    EXPECT_EQ(ParseFraction("nan/1"), 0);
    EXPECT_DOUBLE_EQ(ParseFraction("-8/2"), -4);
}

TEST(Formatters, ShutterFlashAndComponents)
{
    EXPECT_EQ(ShutterText("8/1"), "0.0039 sec (1/256)");
    EXPECT_EQ(ShutterText("0/1"), "1.0000 sec");
    EXPECT_EQ(ShutterText("1/1"), "0.5000 sec (1/2)");
    EXPECT_EQ(ShutterText("-1/1"), "2.0000 sec");
    EXPECT_EQ(ShutterText("100000/1"), "0.0000 sec"); // no "(1/inf)"
    EXPECT_EQ(FlashText("25"), "On, auto mode");
    EXPECT_EQ(FlashText("0"), "Off");
    EXPECT_EQ(FlashText("95"), "On, strobe return, auto mode, red-eye reduction");
    EXPECT_EQ(FlashText("32"), "Off, no flash function");
    EXPECT_EQ(FlashText("2"), "Off, UNKNOWN");
    EXPECT_EQ(FlashText("12"), "Off, no strobe return, forced");
    EXPECT_EQ(FlashText("16"), "Off, surpressed");
    EXPECT_THROW(FlashText("1, 0"), std::invalid_argument);
    EXPECT_EQ(ComponentsText(std::string("\"\x01\x02\x03\"", 5)), "YCbCr");
    EXPECT_EQ(ComponentsText(std::string("\"\x04\x05\x06\x07\"", 6)), "RGB");
    EXPECT_EQ(ComponentsText("\"\""), "");
    EXPECT_EQ(UserCommentFormatter("ASCII...Hello"), "Hello");
    EXPECT_EQ(UserCommentFormatter("short"), "");
}

TEST(Formatters, XpTextTakesTheLowBytesOfTheFirstFourUnits)
{
    EXPECT_EQ(XpText("72, 0, 105, 0, 33, 0, 63, 0"), "Hi!?");
    EXPECT_EQ(XpText("72, 0, 105, 0"), "Hi");
    EXPECT_EQ(XpText("72"), "");
    EXPECT_EQ(XpText("0, 0, 65, 0"), "A");
    EXPECT_EQ(XpText("x, 0, 65, 0"), "A");
}

TEST(Formatters, GpsPositionAndTime)
{
    EXPECT_EQ(GpsPositionText("51/1, 30/1, 0/1"), "51 Degrees 30 Minutes 0 Seconds");
    EXPECT_EQ(GpsPositionText("51/1, 3050/100, 0/1"), "51 Degrees 30 Minutes 30 Seconds");
    EXPECT_EQ(GpsPositionText("43/1, 28/1, 281/100"), "43 Degrees 28 Minutes 3 Seconds");
    EXPECT_EQ(GpsPositionText("1/2, 5/2, 5/2"), "1 Degrees 3 Minutes 3 Seconds");
    EXPECT_EQ(GpsPositionText("garbage"), "0 Degrees 0 Minutes 0 Seconds");
    EXPECT_EQ(GpsTimeText("9/1, 5/1, 3/1"), "9:5:3");
    EXPECT_EQ(GpsTimeText("14/1, 27/1, 7/1"), "14:27:7");
}

} // namespace
} // namespace fetchly::inspect

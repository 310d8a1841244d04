#include "inspect/exif_tables.h"

#include "inspect/exif_formatters.h"
#include "inspect/text_util.h"

#include <algorithm>

namespace fetchly::inspect {
namespace {

// A row as written below: an empty description is the name with its words spaced.
struct SourceRow {
    uint16_t tag;
    std::string_view name;
    std::string_view description;
    std::string_view decodeList;
    std::string_view formatText;
    TagFormatter formatter;
};

// TIFF, EXIF, interoperability and extension tags by tag number; the last row
// answers every tag number that no other row carries.
constexpr SourceRow ExifRows[] = {
    {0x0001, "InteroperabilityIndex", "", "", "", nullptr},
    {0x0002, "InteroperabilityVersion", "", "", "", nullptr},
    {0x000B, "ACDComment", "", "", "", nullptr},
    {0x00FE, "NewSubfileType", "", "", "", nullptr},
    {0x00FF, "SubfileType", "", "", "", nullptr},
    {0x0100, "ImageWidth", "", "", "", nullptr},
    {0x0101, "ImageLength", "", "", "", nullptr},
    {0x0102, "BitsPerSample", "", "", "", nullptr},
    {0x0103, "Compression", "", "6:Jpeg,3:Uncompressed,1:TIFF", "", nullptr},
    {0x0106, "PhotometricInterpretation", "", "1:Monochrome, 2:RGB, 6:YCbCr", "", nullptr},
    {0x010A, "FillOrder", "", "", "", nullptr},
    {0x010D, "DocumentName", "", "", "", nullptr},
    {0x010E, "ImageDescription", "", "", "", nullptr},
    {0x010F, "Make", "", "", "", nullptr},
    {0x0110, "Model", "", "", "", nullptr},
    {0x0111, "StripOffsets", "", "", "", nullptr},
    {0x0112, "Orientation", "", "1:Normal,3:Rotated 180°,6:CounterClockwise 90°,8:Clockwise 90°", "",
     nullptr},
    {0x0115, "SamplesPerPixel", "", "", "", nullptr},
    {0x0116, "RowsPerStrip", "", "", "", nullptr},
    {0x0117, "StripByteCounts", "", "", "", nullptr},
    {0x0118, "MinSampleValue", "", "", "", nullptr},
    {0x0119, "MaxSampleValue", "", "", "", nullptr},
    {0x011A, "XResolution", "", "", "%5.2f", nullptr},
    {0x011B, "YResolution", "", "", "%5.2f", nullptr},
    {0x011C, "PlanarConfiguration", "", "", "", nullptr},
    {0x011D, "PageName", "", "", "", nullptr},
    {0x011E, "XPosition", "", "", "", nullptr},
    {0x011F, "YPosition", "", "", "", nullptr},
    {0x0120, "FreeOffsets", "", "", "", nullptr},
    {0x0121, "FreeByteCounts", "", "", "", nullptr},
    {0x0122, "GrayReponseUnit", "", "", "", nullptr},
    {0x0123, "GrayReponseCurve", "", "", "", nullptr},
    {0x0124, "T4Options", "", "", "", nullptr},
    {0x0125, "T6Options", "", "", "", nullptr},
    {0x0128, "ResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr},
    {0x0129, "PageNumber", "", "", "", nullptr},
    {0x012D, "TransferFunction", "", "", "", nullptr},
    {0x0131, "Software", "", "", "", nullptr},
    {0x0132, "DateTime", "", "", "", nullptr},
    {0x013B, "Artist", "", "", "", nullptr},
    {0x013C, "HostComputer", "", "", "", nullptr},
    {0x013D, "Predictor", "", "", "", nullptr},
    {0x013E, "WhitePoint", "", "", "", nullptr},
    {0x013F, "PrimaryChromaticities", "", "", "", nullptr},
    {0x0140, "ColorMap", "", "", "", nullptr},
    {0x0141, "HalfToneHints", "", "", "", nullptr},
    {0x0142, "TileWidth", "", "", "", nullptr},
    {0x0143, "TileLength", "", "", "", nullptr},
    {0x0144, "TileOffsets", "", "", "", nullptr},
    {0x0145, "TileByteCounts", "", "", "", nullptr},
    {0x014A, "SubIFDs", "", "", "", nullptr},
    {0x014C, "InkSet", "", "", "", nullptr},
    {0x014D, "InkNames", "", "", "", nullptr},
    {0x014E, "NumberOfInks", "", "", "", nullptr},
    {0x0150, "DotRange", "", "", "", nullptr},
    {0x0151, "TargetPrinter", "", "", "", nullptr},
    {0x0152, "ExtraSample", "", "", "", nullptr},
    {0x0153, "SampleFormat", "", "", "", nullptr},
    {0x0154, "SMinSampleValue", "", "", "", nullptr},
    {0x0155, "SMaxSampleValue", "", "", "", nullptr},
    {0x0156, "TransferRange", "", "", "", nullptr},
    {0x0157, "ClipPath", "", "", "", nullptr},
    {0x0158, "XClipPathUnits", "", "", "", nullptr},
    {0x0159, "YClipPathUnits", "", "", "", nullptr},
    {0x015A, "Indexed", "", "", "", nullptr},
    {0x015B, "JPEGTables", "", "", "", nullptr},
    {0x015F, "OPIProxy", "", "", "", nullptr},
    {0x0200, "JPEGProc", "", "", "", nullptr},
    {0x0201, "JPEGInterchangeFormat", "", "", "", nullptr},
    {0x0202, "JPEGInterchangeFormatLength", "", "", "", nullptr},
    {0x0203, "JPEGRestartInterval", "", "", "", nullptr},
    {0x0205, "JPEGLosslessPredictors", "", "", "", nullptr},
    {0x0206, "JPEGPointTransforms", "", "", "", nullptr},
    {0x0207, "JPEGQTables", "", "", "", nullptr},
    {0x0208, "JPEGDCTables", "", "", "", nullptr},
    {0x0209, "JPEGACTables", "", "", "", nullptr},
    {0x0211, "YCbCrCoefficients", "", "", "", nullptr},
    {0x0212, "YCbCrSubSampling", "", "", "", nullptr},
    {0x0213, "YCbCrPositioning", "", "1:Centered,2:Co-sited", "", nullptr},
    {0x0214, "ReferenceBlackWhite", "", "", "", nullptr},
    {0x02BC, "ExtensibleMetadataPlatform", "", "", "", nullptr},
    {0x0301, "Gamma", "", "", "", nullptr},
    {0x0302, "ICCProfileDescriptor", "", "", "", nullptr},
    {0x0303, "SRGBRenderingIntent", "", "", "", nullptr},
    {0x0304, "ImageTitle", "", "", "", nullptr},
    {0x1000, "RelatedImageFileFormat", "", "", "", nullptr},
    {0x1001, "RelatedImageWidth", "", "", "", nullptr},
    {0x1002, "RelatedImageHeight", "", "", "", nullptr},
    {0x5001, "ResolutionXUnit", "", "", "", nullptr},
    {0x5002, "ResolutionYUnit", "", "", "", nullptr},
    {0x5003, "ResolutionXLengthUnit", "", "", "", nullptr},
    {0x5004, "ResolutionYLengthUnit", "", "", "", nullptr},
    {0x5005, "PrintFlags", "", "", "", nullptr},
    {0x5006, "PrintFlagsVersion", "", "", "", nullptr},
    {0x5007, "PrintFlagsCrop", "", "", "", nullptr},
    {0x5008, "PrintFlagsBleedWidth", "", "", "", nullptr},
    {0x5009, "PrintFlagsBleedWidthScale", "", "", "", nullptr},
    {0x500A, "HalftoneLPI", "", "", "", nullptr},
    {0x500B, "HalftoneLPIUnit", "", "", "", nullptr},
    {0x500C, "HalftoneDegree", "", "", "", nullptr},
    {0x500D, "HalftoneShape", "", "", "", nullptr},
    {0x500E, "HalftoneMisc", "", "", "", nullptr},
    {0x500F, "HalftoneScreen", "", "", "", nullptr},
    {0x5010, "JPEGQuality", "", "", "", nullptr},
    {0x5011, "GridSize", "", "", "", nullptr},
    {0x5012, "ThumbnailFormat", "", "", "", nullptr},
    {0x5013, "ThumbnailWidth", "", "", "", nullptr},
    {0x5014, "ThumbnailHeight", "", "", "", nullptr},
    {0x5015, "ThumbnailColorDepth", "", "", "", nullptr},
    {0x5016, "ThumbnailPlanes", "", "", "", nullptr},
    {0x5017, "ThumbnailRawBytes", "", "", "", nullptr},
    {0x5018, "ThumbnailSize", "", "", "", nullptr},
    {0x5019, "ThumbnailCompressedSize", "", "", "", nullptr},
    {0x501A, "ColorTransferFunction", "", "", "", nullptr},
    {0x501B, "ThumbnailData", "", "", "", nullptr},
    {0x5020, "ThumbnailImageWidth", "", "", "", nullptr},
    {0x5021, "ThumbnailImageHeight", "", "", "", nullptr},
    {0x5022, "ThumbnailBitsPerSample", "", "", "", nullptr},
    {0x5023, "ThumbnailCompression", "", "", "", nullptr},
    {0x5024, "ThumbnailPhotometricInterp", "", "", "", nullptr},
    {0x5025, "ThumbnailImageDescription", "", "", "", nullptr},
    {0x5026, "ThumbnailEquipMake", "", "", "", nullptr},
    {0x5027, "ThumbnailEquipModel", "", "", "", nullptr},
    {0x5028, "ThumbnailStripOffsets", "", "", "", nullptr},
    {0x5029, "ThumbnailOrientation", "", "", "", nullptr},
    {0x502A, "ThumbnailSamplesPerPixel", "", "", "", nullptr},
    {0x502B, "ThumbnailRowsPerStrip", "", "", "", nullptr},
    {0x502C, "ThumbnailStripBytesCount", "", "", "", nullptr},
    {0x502D, "ThumbnailResolutionX", "", "", "", nullptr},
    {0x502E, "ThumbnailResolutionY", "", "", "", nullptr},
    {0x502F, "ThumbnailPlanarConfig", "", "", "", nullptr},
    {0x5030, "ThumbnailResolutionUnit", "", "", "", nullptr},
    {0x5031, "ThumbnailTransferFunction", "", "", "", nullptr},
    {0x5032, "ThumbnailSoftwareUsed", "", "", "", nullptr},
    {0x5033, "ThumbnailDateTime", "", "", "", nullptr},
    {0x5034, "ThumbnailArtist", "", "", "", nullptr},
    {0x5035, "ThumbnailWhitePoint", "", "", "", nullptr},
    {0x5036, "ThumbnailPrimaryChromaticities", "", "", "", nullptr},
    {0x5037, "ThumbnailYCbCrCoefficients", "", "", "", nullptr},
    {0x5038, "ThumbnailYCbCrSubsampling", "", "", "", nullptr},
    {0x5039, "ThumbnailYCbCrPositioning", "", "", "", nullptr},
    {0x503A, "ThumbnailRefBlackWhite", "", "", "", nullptr},
    {0x503B, "ThumbnailCopyRight", "", "", "", nullptr},
    {0x5090, "LuminanceTable", "", "", "", nullptr},
    {0x5091, "ChrominanceTable", "", "", "", nullptr},
    {0x5100, "FrameDelay", "", "", "", nullptr},
    {0x5101, "LoopCount", "", "", "", nullptr},
    {0x5110, "PixelUnit", "", "", "", nullptr},
    {0x5111, "PixelPerUnitX", "", "", "", nullptr},
    {0x5112, "PixelPerUnitY", "", "", "", nullptr},
    {0x5113, "PaletteHistogram", "", "", "", nullptr},
    {0x800D, "ImageID", "", "", "", nullptr},
    {0x80E3, "Matteing", "", "", "", nullptr},
    {0x80E4, "DataType", "", "", "", nullptr},
    {0x80E5, "ImageDepth", "", "", "", nullptr},
    {0x80E6, "TileDepth", "", "", "", nullptr},
    {0x828D, "CFARepeatPatternDim", "", "", "", nullptr},
    {0x828E, "CFAPattern", "", "", "", nullptr},
    {0x828F, "BatteryLevel", "", "", "", nullptr},
    {0x8298, "Copyright", "", "", "", nullptr},
    {0x829A, "ExposureTime", "", "", "%s sec", nullptr},
    {0x829D, "FNumber", "", "", "F%0.1f", nullptr},
    {0x83BB, "IPTC/NAA", "IPTC/NAA", "", "", nullptr},
    {0x84E3, "IT8RasterPadding", "", "", "", nullptr},
    {0x84E5, "IT8ColorTable", "", "", "", nullptr},
    {0x8649, "ImageResourceInformation", "", "", "", nullptr},
    {0x8769, "ExifOffset", "", "", "", nullptr},
    {0x8773, "InterColorProfile", "", "", "", nullptr},
    {0x8822, "ExposureProgram", "",
     "0:Unidentified,1:Manual,2:Normal,3:Aperture priority,4:Shutter "
     "priority,5:Creative(slow),6:Action(high-speed),7:Portrait mode,8:Landscape mode",
     "", nullptr},
    {0x8824, "SpectralSensitivity", "", "", "", nullptr},
    {0x8825, "GPSInfo", "", "", "", nullptr},
    {0x8827, "ISOSpeedRatings", "", "", "", nullptr},
    {0x8828, "OECF", "", "", "", nullptr},
    {0x8829, "Interlace", "", "", "", nullptr},
    {0x882A, "TimeZoneOffset", "", "", "", nullptr},
    {0x882B, "SelfTimerMode", "", "", "", nullptr},
    {0x9000, "ExifVersion", "", "", "", nullptr},
    {0x9003, "DateTimeOriginal", "", "", "", nullptr},
    {0x9004, "DateTimeDigitized", "", "", "", nullptr},
    {0x9101, "ComponentsConfiguration", "", "", "", ComponentsText},
    {0x9102, "CompressedBitsPerPixel", "", "", "", nullptr},
    {0x9201, "ShutterSpeedValue", "", "", "", ShutterText},
    {0x9202, "ApertureValue", "", "", "F%0.1f", nullptr},
    {0x9203, "BrightnessValue", "", "", "", nullptr},
    {0x9204, "ExposureBiasValue", "", "", "", nullptr},
    {0x9205, "MaxApertureValue", "", "", "F%0.1f", nullptr},
    {0x9206, "SubjectDistance", "", "", "", nullptr},
    {0x9207, "MeteringMode", "", "0:Unknown,1:Average,2:Center,3:Spot,4:MultiSpot,5:MultiSegment,6:Partial",
     "", nullptr},
    {0x9208, "LightSource", "",
     "0:Unidentified,1:Daylight,2:Fluorescent,3:Tungsten,10:Flash,17:Std A,18:Std B,19:Std C", "", nullptr},
    {0x9209, "Flash", "", "", "", FlashText},
    {0x920A, "FocalLength", "", "", "%5.2f mm", nullptr},
    {0x920B, "FlashEnergy", "", "", "", nullptr},
    {0x920C, "SpatialFrequencyResponse", "", "", "", nullptr},
    {0x920D, "Noise", "", "", "", nullptr},
    {0x920E, "FocalPlaneXResolution", "", "", "", nullptr},
    {0x920F, "FocalPlaneYResolution", "", "", "", nullptr},
    {0x9210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr},
    {0x9211, "ImageNumber", "", "", "", nullptr},
    {0x9212, "SecurityClassification", "", "", "", nullptr},
    {0x9213, "ImageHistory", "", "", "", nullptr},
    {0x9214, "SubjectLocation", "", "", "", nullptr},
    {0x9215, "ExposureIndex", "", "", "", nullptr},
    {0x9216, "TIFF/EPStandardID", "", "", "", nullptr},
    {0x9217, "SensingMethod", "", "", "", nullptr},
    {0x923F, "StoNits", "", "", "", nullptr},
    {0x927C, "MakerNote", "", "", "", nullptr},
    {0x9286, "UserComment", "", "", "", UserCommentFormatter},
    {0x9290, "SubSecTime", "", "", "", nullptr},
    {0x9291, "SubSecTimeOriginal", "", "", "", nullptr},
    {0x9292, "SubSecTimeDigitized", "", "", "", nullptr},
    {0x953C, "ImageSourceData", "", "", "", nullptr},
    {0x9C9B, "Title", "", "", "", XpText},
    {0x9C9C, "Comments", "", "", "", XpText},
    {0x9C9D, "Author", "", "", "", XpText},
    {0x9C9E, "Keywords", "", "", "", XpText},
    {0x9C9F, "Subject", "", "", "", XpText},
    {0xA000, "FlashPixVersion", "", "", "", nullptr},
    {0xA001, "ColorSpace", "", "0:sBW,1:sRGB", "", nullptr},
    {0xA002, "ExifImageWidth", "", "", "", nullptr},
    {0xA003, "ExifImageLength", "", "", "", nullptr},
    {0xA004, "RelatedSoundFile", "", "", "", nullptr},
    {0xA005, "InteroperabilityOffset", "", "", "", nullptr},
    {0xA20B, "FlashEnergy", "", "", "", nullptr},
    {0xA20C, "SpatialFrequencyResponse", "", "", "", nullptr},
    {0xA20E, "FocalPlaneXResolution", "", "", "", nullptr},
    {0xA20F, "FocalPlaneYResolution", "", "", "", nullptr},
    {0xA210, "FocalPlaneResolutionUnit", "", "1:None Specified,2:Inch,3:Centimeter", "", nullptr},
    {0xA211, "ImageNumber", "", "", "", nullptr},
    {0xA212, "SecurityClassification", "", "", "", nullptr},
    {0xA213, "ImageHistory", "", "", "", nullptr},
    {0xA214, "SubjectLocation", "", "", "", nullptr},
    {0xA215, "ExposureIndex", "", "", "", nullptr},
    {0xA216, "TIFF/EPStandardID", "TIFF/EPStandardID", "", "", nullptr},
    {0xA217, "SensingMethod", "",
     "0:Unknown,1:MonochromeArea,2:OneChipColorArea,3:TwoChipColorArea,4:ThreeChipColorArea,5:"
     "ColorSequentialArea,6:MonochromeLinear,7:TriLinear,8:ColorSequentialLinear",
     "", nullptr},
    {0xA300, "FileSource", "", "1:Unknown,3:Digital Still Camera", "", nullptr},
    {0xA301, "SceneType", "", "0:Unknown,1:Directly Photographed", "", nullptr},
    {0xA302, "CFAPattern", "", "", "", nullptr},
    {0xA401, "CustomRendered", "", "0:Normal process,1:Custom process", "", nullptr},
    {0xA402, "ExposureMode", "", "0:Auto,1:Manual,2:Auto bracket", "", nullptr},
    {0xA403, "WhiteBalance", "", "0:Auto,1:Manual", "", nullptr},
    {0xA404, "DigitalZoomRatio", "", "", "", nullptr},
    {0xA405, "FocalLengthin35mmFilm", "Focal Length in 35mm Film", "", "%5.2f mm", nullptr},
    {0xA406, "SceneCaptureType", "", "0:Standard,1:Landscape,2:Portrait,3:Night scene", "", nullptr},
    {0xA407, "GainControl", "", "0:None,1:Low gain up,2:High gain up,3:Low gain down,4:High gain down", "",
     nullptr},
    {0xA408, "Contrast", "", "0:Normal,1:Soft,2:Hard", "", nullptr},
    {0xA409, "Saturation", "", "0:Normal,1:Low,2:High", "", nullptr},
    {0xA40A, "Sharpness", "", "0:Normal,1:Soft,2:Hard", "", nullptr},
    {0xA40B, "DeviceSettingDescription", "", "", "", nullptr},
    {0xA40C, "SubjectDistanceRange", "", "0:Unknown,1:Macro,2:Close view,3:Distant view", "", nullptr},
    {0xA420, "ImageUniqueID", "", "0:Close view,1:Distant view", "", nullptr},
    {0x0000, "Unknown", "", "", "", nullptr},
};
static_assert(std::size(ExifRows) == ExifTagCount);
// Look-ups by tag number search the rows before "Unknown" by halves.
static_assert(
    [] {
        for (std::size_t i = 1; i + 1 < std::size(ExifRows); ++i)
            if (ExifRows[i - 1].tag >= ExifRows[i].tag)
                return false;
        return true;
    }(),
    "EXIF rows must be in strictly rising tag order");

// GPS directory tags.
constexpr SourceRow GpsRows[] = {
    {0x00, "GPSVersionID", "", "", "", nullptr},
    {0x01, "GPSLatitudeRef", "", "", "", nullptr},
    {0x02, "GPSLatitude", "", "", "", GpsPositionText},
    {0x03, "GPSLongitudeRef", "", "", "", nullptr},
    {0x04, "GPSLongitude", "", "", "", GpsPositionText},
    {0x05, "GPSAltitudeRef", "", "0:Sealevel", "", nullptr},
    {0x06, "GPSAltitude", "", "", "", nullptr},
    {0x07, "GPSTimeStamp", "", "", "", GpsTimeText},
    {0x08, "GPSSatellites", "", "", "", nullptr},
    {0x09, "GPSStatus", "", "", "", nullptr},
    {0x0A, "GPSMeasureMode", "", "", "", nullptr},
    {0x0B, "GPSDOP", "", "", "", nullptr},
    {0x0C, "GPSSpeedRef", "", "", "", nullptr},
    {0x0D, "GPSSpeed", "", "", "", nullptr},
    {0x0E, "GPSTrackRef", "", "", "", nullptr},
    {0x0F, "GPSTrack", "", "", "", nullptr},
    {0x10, "GPSImageDirectionRef", "", "", "", nullptr},
    {0x11, "GPSImageDirection", "", "", "", nullptr},
    {0x12, "GPSMapDatum", "", "", "", nullptr},
    {0x13, "GPSDestLatitudeRef", "", "", "", nullptr},
    {0x14, "GPSDestLatitude", "", "", "", GpsPositionText},
    {0x15, "GPSDestLongitudeRef", "", "", "", nullptr},
    {0x16, "GPSDestLongitude", "", "", "", GpsPositionText},
    {0x17, "GPSDestBearingkRef", "", "", "", nullptr},
    {0x18, "GPSDestBearing", "", "", "", nullptr},
    {0x19, "GPSDestDistanceRef", "", "", "", nullptr},
    {0x1A, "GPSDestDistance", "", "", "", nullptr},
    {0x1B, "GPSProcessingMode", "", "", "", nullptr},
    {0x1C, "GPSAreaInformation", "", "", "", nullptr},
    {0x1D, "GPSDateStamp", "", "", "", nullptr},
    {0x1E, "GPSDifferential", "", "", "", nullptr},
};
static_assert(std::size(GpsRows) == GpsTagCount);
static_assert(
    [] {
        for (std::size_t i = 0; i < std::size(GpsRows); ++i)
            if (GpsRows[i].tag != i)
                return false;
        return true;
    }(),
    "GPS rows must be numbered from 0 without gaps");

// The spaced descriptions of one table, worked out by the compiler into one
// block of text that the rows point into.
template <const auto &Rows>
constexpr std::size_t SpacedTotal = [] {
    std::size_t n = 0;
    for (const SourceRow &row : Rows)
        if (row.description.empty())
            n += SpacedSize(row.name);
    return n;
}();

template <const auto &Rows>
constexpr auto SpacedText = [] {
    std::array<char, SpacedTotal<Rows> + 1> text{};
    std::size_t at = 0;
    for (const SourceRow &row : Rows)
        if (row.description.empty())
            SpaceWordsInto(row.name, [&](char c) { text[at++] = c; });
    return text;
}();

template <const auto &Rows>
constexpr auto Described = [] {
    std::array<TagRow, std::size(Rows)> out{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const SourceRow &row = Rows[i];
        std::string_view description = row.description;
        if (description.empty()) {
            description = std::string_view(SpacedText<Rows>.data() + at, SpacedSize(row.name));
            at += description.size();
        }
        out[i] = {row.tag, row.name, description, row.decodeList, row.formatText, row.formatter};
    }
    return out;
}();

} // namespace

int FormatSize(int format)
{
    if (format < 0 || format >= static_cast<int>(BytesPerFormat.size()))
        return 0;
    return BytesPerFormat[static_cast<std::size_t>(format)];
}

std::span<const TagRow> ExifTagTable()
{
    return Described<ExifRows>;
}

std::span<const TagRow> GpsTagTable()
{
    return Described<GpsRows>;
}

std::string SpaceWords(std::string_view name)
{
    std::string out;
    out.reserve(SpacedSize(name));
    SpaceWordsInto(name, [&out](char c) { out += c; });
    return out;
}

const TagRow &FindTagEntry(int tag, int kind)
{
    const std::span<const TagRow> exif = ExifTagTable();
    const TagRow &unknown = exif.back();
    if (kind == tkGps) {
        const std::span<const TagRow> gps = GpsTagTable();
        // GPS rows are numbered from 0 without gaps.
        return tag >= 0 && static_cast<std::size_t>(tag) < gps.size() ? gps[static_cast<std::size_t>(tag)]
                                                                      : unknown;
    }
    if (kind != tkMain && kind != tkThumbnail)
        return unknown;
    const std::span<const TagRow> known = exif.first(exif.size() - 1);
    const auto it = std::lower_bound(known.begin(), known.end(), tag,
                                     [](const TagRow &row, int t) { return row.Tag < t; });
    return it != known.end() && it->Tag == tag ? *it : unknown;
}

int TableIndexByName(std::string_view name)
{
    const std::span<const TagRow> exif = ExifTagTable();
    for (int i = 0; i < ExifTagCount - 1; ++i)
        if (equalsIgnoreAsciiCase(exif[static_cast<std::size_t>(i)].Name, name))
            return i;
    return -1;
}

} // namespace fetchly::inspect

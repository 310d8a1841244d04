#include "inspect/exif_values.h"
#include "inspect/maker_notes.h"

#include <array>
#include <cstdio>
#include <string>

namespace fetchly::inspect {
namespace {

// A maker row: its name is also its description.
struct MakerRow {
    uint16_t tag;
    std::string_view name;
    std::string_view decodeList;
    TagFormatter formatter;
};

// "a/b, c/d, e/f, g/h" -> "18.0-70.0(mm)  F3.5-F4.5"
std::string NikonLensText(const std::string &value)
{
    double v[4] = {0, 0, 0, 0};
    std::string_view rest = value;
    for (double &x : v) {
        const std::size_t comma = rest.find(',');
        x = ParseFraction(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    char buf[200];
    std::snprintf(buf, sizeof buf, "%0.1f-%0.1f(mm)  F%0.1f-F%0.1f", v[0], v[1], v[2], v[3]);
    return buf;
}

std::string NikonColorModeText(const std::string &value)
{
    const std::string mode = value.size() > 1 ? value.substr(1, 5) : std::string();
    if (mode == "MODE1")
        return "Mode1 (sRGB)";
    if (mode == "MODE2")
        return "Mode 2 (Adobe RGB)";
    if (mode == "MODE3")
        return "Mode 3 (sRGB): higher saturation";
    return Printable(value);
}

// Names the values of a Canon settings list, in the order the camera stores them.
std::string namedList(const std::string &value, std::initializer_list<const char *> names)
{
    std::string out;
    std::string_view rest = value;
    for (const char *name : names) {
        if (rest.empty())
            break;
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (*name == '\0')
            continue;
        if (!out.empty())
            out += "; ";
        out += name;
        out += '=';
        std::size_t b = item.find_first_not_of(' ');
        out += b == std::string_view::npos ? std::string_view{} : item.substr(b);
    }
    return out;
}

std::string CanonExposureInfo1(const std::string &value)
{
    return namedList(value, {"", "Macro", "SelfTimer", "Quality", "FlashMode", "DriveMode", "", "FocusMode"});
}

std::string CanonExposureInfo2(const std::string &value)
{
    return namedList(value, {"", "", "", "", "", "", "", "WhiteBalance"});
}

std::string CanonCustomFunctions(const std::string &value)
{
    return namedList(value, {"Size", "C1", "C2", "C3", "C4", "C5", "C6", "C7"});
}

// Nikon notes that start with the text "Nikon" (older Coolpix models).
constexpr MakerRow NikonHeaderRows[] = {
    {0x0002, "FamilyID", "", nullptr},
    {0x0003, "Quality", "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine",
     nullptr},
    {0x0004, "ColorMode", "1:Color,2:Monochrome", nullptr},
    {0x0005, "ImageAdjustment", "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-", nullptr},
    {0x0006, "ISOSpeed", "0:ISO80,2:ISO160,4:ISO320,5:ISO100", nullptr},
    {0x0007, "WhiteBalance",
     "0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight", nullptr},
    {0x0008, "Focus", "", nullptr},
    {0x0009, "Skip", "", nullptr},
    {0x000A, "DigitalZoom", "", nullptr},
    {0x000B, "Converter", "0:None,1:Fisheye", nullptr},
    {0x0F00, "Skip", "", nullptr},
};

// Nikon notes of later models (plain directory, or "Nikon" plus a TIFF header).
constexpr MakerRow NikonRows[] = {
    {0x0001, "FamilyID", "", nullptr},
    {0x0002, "ISOSpeed", "", nullptr},
    {0x0003, "ColorMode", "", NikonColorModeText},
    {0x0004, "Quality",
     "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine10:2 Mpixel Basic,11:2 "
     "Mpixel Normal,12:2 Mpixel Fine",
     nullptr},
    {0x0005, "WhiteBalance", "", nullptr},
    {0x0006, "ImageSharpening", "", nullptr},
    {0x0007, "FocusMode", "", nullptr},
    {0x0008, "FlashSetting", "", nullptr},
    {0x0009, "AutoFlashMode", "", nullptr},
    {0x000A, "Skip", "", nullptr},
    {0x000B, "WhiteBiasValue", "", nullptr},
    {0x000C, "DigitalZoom", "", nullptr},
    {0x000D, "Skip", "", nullptr},
    {0x000E, "Skip", "", nullptr},
    {0x0080, "ImageAdjustment", "", nullptr},
    {0x0081, "ImageAdjustment", "", nullptr},
    {0x0082, "Adapter", "", nullptr},
    {0x0084, "LensInformation", "", NikonLensText},
    {0x0085, "ManualFocusDistance", "", nullptr},
    {0x0086, "DigitalZoom", "", nullptr},
    {0x0088, "FocusArea", "", nullptr},
    {0x0089, "Mode", "", nullptr},
    {0x008D, "ColorMode", "", nullptr},
    {0x008F, "SceneMode", "", nullptr},
    {0x0092, "HueAdjustment", "", nullptr},
    {0x0094, "Saturation", "", nullptr},
    {0x0095, "NoiseReduction", "", nullptr},
    {0x0F00, "Skip", "", nullptr},
};

// Olympus notes.
constexpr MakerRow OlympusRows[] = {
    {0x0200, "SpecialMode", "", nullptr},
    {0x0201, "JpegQual", "1:SQ,2:HQ,3:SHQ", nullptr},
    {0x0202, "Macro", "0:Normal,1:Macro", nullptr},
    {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},
    {0x0205, "Skip", "", nullptr},
    {0x0206, "Skip", "", nullptr},
    {0x0207, "Firmware", "", nullptr},
    {0x0208, "PictInfo", "", nullptr},
    {0x0209, "CameraID", "", nullptr},
    {0x0F00, "Skip", "", nullptr},
    {0x1004, "FlashMode", "", nullptr},
    {0x1006, "Bracket", "", nullptr},
    {0x100B, "FocusMode", "", nullptr},
    {0x100C, "FocusDistance", "", nullptr},
    {0x100D, "Zoom", "", nullptr},
    {0x100E, "MacroFocus", "", nullptr},
    {0x100F, "Sharpness", "", nullptr},
    {0x1011, "ColorMatrix", "", nullptr},
    {0x1012, "BlackLevel", "", nullptr},
    {0x1015, "WhiteBalance", "", nullptr},
    {0x1017, "RedBias", "", nullptr},
    {0x1018, "BlueBias", "", nullptr},
    {0x101A, "SerialNumber", "", nullptr},
    {0x1023, "FlashBias", "", nullptr},
    {0x1029, "Contrast", "", nullptr},
    {0x102A, "SharpnessFactor", "", nullptr},
    {0x102B, "ColorControl", "", nullptr},
    {0x102C, "ValidBits", "", nullptr},
    {0x102D, "Coring", "", nullptr},
    {0x102E, "FinalWidth", "", nullptr},
    {0x102F, "FinalHeight", "", nullptr},
    {0x1034, "CompressionRatio", "", nullptr},
};

// Casio notes.
constexpr MakerRow CasioRows[] = {
    {0x0001, "RecordingMode", "1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape", nullptr},
    {0x0002, "Quality", "1:Economy,2:Normal,3:Fine", nullptr},
    {0x0003, "FocusingMode", "2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity", nullptr},
    {0x0004, "FlashMode", "1:Auto,2:On,3:Off,4:Red Eye Reduction", nullptr},
    {0x0005, "FlashIntensity", "11:Weak,13:Normal,15:Strong", nullptr},
    {0x0006, "ObjectDistance", "", nullptr},
    {0x0007, "WhiteBalance", "1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual", nullptr},
    {0x0008, "Skip", "", nullptr},
    {0x0009, "Skip", "", nullptr},
    {0x000A, "DigitalZoom", "65536:Off,65537:2X Digital Zoom", nullptr},
    {0x000B, "Sharpness", "0:Normal,1:Soft,2:Hard", nullptr},
    {0x000C, "Contrast", "0:Normal,1:Low,2:High", nullptr},
    {0x000D, "Saturation", "0:Normal,1:Low,2:High", nullptr},
    {0x000E, "Skip", "", nullptr},
    {0x000F, "Skip", "", nullptr},
    {0x0010, "Skip", "", nullptr},
    {0x0011, "Skip", "", nullptr},
    {0x0012, "Skip", "", nullptr},
    {0x0013, "Skip", "", nullptr},
    {0x0014, "CCDSensitivity", "64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High", nullptr},
    {0x0015, "Skip", "", nullptr},
    {0x0016, "Skip", "", nullptr},
    {0x0017, "Skip", "", nullptr},
    {0x0018, "Skip", "", nullptr},
    {0x0019, "Skip", "", nullptr},
    {0x001A, "Skip", "", nullptr},
};

// Fujifilm notes ("FUJIFILM" header, little-endian, offsets from the note's start).
constexpr MakerRow FujifilmRows[] = {
    {0x0000, "Version", "", nullptr},
    {0x1000, "Quality", "", nullptr},
    {0x1001, "Sharpness", "1:Soft,2:Soft,3:Normal,4:Hard,5:Hard", nullptr},
    {0x1002, "WhiteBalance",
     "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-fluorescence,770:White-"
     "fluorescence,1024:Incandenscense,3840:Custom white balance",
     nullptr},
    {0x1003, "Color", "0:Normal,256:High,512:Low", nullptr},
    {0x1004, "Tone", "0:Normal,256:High,512:Low", nullptr},
    {0x1010, "FlashMode", "0:Auto,1:On,2:Off,3:Red-eye reduction", nullptr},
    {0x1011, "FlashStrength", "", nullptr},
    {0x1020, "Macro", "0:Off,1:On", nullptr},
    {0x1021, "Focusmode", "0:Auto,1:Manual", nullptr},
    {0x1030, "SlowSync", "0:Off,1:On", nullptr},
    {0x1031, "PictureMode",
     "0:Auto,1:Portrait,2:Landscape,4:Sports,5:Night,6:Program AE,256:Aperture prior AE,512:Shutter prior "
     "AE,768:Manual exposure",
     nullptr},
    {0x1032, "Skip", "", nullptr},
    {0x1100, "ContTake/Bracket", "0:Off,1:On", nullptr},
    {0x1200, "Skip", "", nullptr},
    {0x1300, "BlurWarning", "0:No blur warning,1:Blur warning", nullptr},
    {0x1301, "FocusWarning", "0:Auto Focus good,1:Out of focus", nullptr},
    {0x1302, "AEWarning", "0:AE good,1:Over exposure", nullptr},
};

// Canon notes.
constexpr MakerRow CanonRows[] = {
    {0x0000, "Skip", "", nullptr},
    {0x0001, "ExposureInfo1", "", CanonExposureInfo1},
    {0x0002, "Skip", "", nullptr},
    {0x0003, "Skip", "", nullptr},
    {0x0004, "ExposureInfo2", "", CanonExposureInfo2},
    {0x0006, "ImageType", "", nullptr},
    {0x0007, "FirmwareVersion", "", nullptr},
    {0x0008, "ImageNumber", "", nullptr},
    {0x0009, "OwnerName", "", nullptr},
    {0x000A, "Skip", "", nullptr},
    {0x000B, "Skip", "", nullptr},
    {0x000C, "CameraSerialNumber", "", nullptr},
    {0x000D, "Skip", "", nullptr},
    {0x000E, "Skip", "", nullptr},
    {0x000F, "CustomFunctions", "", CanonCustomFunctions},
    {0x0010, "Skip", "", nullptr},
};

// Seiko Epson notes.
constexpr MakerRow SeikoRows[] = {
    {0x0200, "Special Mode", "", nullptr}, {0x0201, "JpegQuality", "", nullptr},
    {0x0202, "Macro", "", nullptr},        {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},     {0x0209, "CameraID", "", nullptr},
    {0x020A, "Comments", "", nullptr},     {0x020B, "Width", "", nullptr},
    {0x020C, "Height", "", nullptr},       {0x020D, "SoftRelease", "", nullptr},
    {0x0E00, "??", "", nullptr},           {0x0F00, "skip", "", nullptr},
};

// Sanyo notes.
constexpr MakerRow SanyoRows[] = {
    {0x0200, "Special Mode", "", nullptr}, {0x0201, "JpegQuality", "", nullptr},
    {0x0202, "Macro", "", nullptr},        {0x0203, "Skip", "", nullptr},
    {0x0204, "DigiZoom", "", nullptr},     {0x0F00, "DataDump", "", nullptr},
};

// Minolta notes.
constexpr MakerRow MinoltaRows[] = {
    {0x0000, "ModelID", "", nullptr},
    {0x0E00, "PIMdata", "", nullptr},
};

static_assert(std::size(NikonHeaderRows) == 11 && std::size(NikonRows) == 28 &&
              std::size(OlympusRows) == 33 && std::size(CasioRows) == 26 && std::size(FujifilmRows) == 18 &&
              std::size(CanonRows) == 16 && std::size(SeikoRows) == 12 && std::size(SanyoRows) == 6 &&
              std::size(MinoltaRows) == 2);

template <const auto &Rows>
constexpr auto TableOf = [] {
    std::array<TagRow, std::size(Rows)> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = {Rows[i].tag, Rows[i].name, Rows[i].name, Rows[i].decodeList, {}, Rows[i].formatter};
    return out;
}();

constexpr std::span<const TagRow> MakerTables[] = {
    TableOf<NikonHeaderRows>, TableOf<NikonRows>,    TableOf<OlympusRows>,
    TableOf<CasioRows>,       TableOf<FujifilmRows>, TableOf<CanonRows>,
    TableOf<SeikoRows>,       TableOf<SanyoRows>,    TableOf<MinoltaRows>};
static_assert(std::size(MakerTables) == static_cast<std::size_t>(MakerTable::Minolta) + 1);

} // namespace

std::span<const TagRow> MakerTagTable(MakerTable table)
{
    return MakerTables[static_cast<std::size_t>(table)];
}

} // namespace fetchly::inspect

#include "inspect/image_file.h"

#include "inspect/exif_tables.h"
#include "inspect/input_source.h"
#include "inspect/text_util.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace fetchly::inspect {
namespace {

// Lower-cased extension: the text from the last "." when no "/" or ":"
// follows it.
std::string extensionOf(const std::string &path)
{
    const std::size_t at = path.find_last_of(".\\/:");
    if (at == std::string::npos || path[at] != '.')
        return {};
    return toLowerAscii(path.substr(at));
}

const std::string EmptyData;

bool hasExifSignature(const std::string &segment)
{
    return segment.size() >= 2 + ExifSignature.size() &&
           std::string_view(segment).substr(2, 5) == ExifSignature;
}

} // namespace

TImageFile::TImageFile(ExifListMode listMode) : ListMode(listMode)
{
    ResetContainer();
}

TImageFile::~TImageFile() = default;

void TImageFile::ResetContainer()
{
    SectionCount = 0;
    ExifSection = IptcSection = CommentSection = HeaderSection = NoSection;
    SourcePath.clear();
    FileDate = 0;
    FileSizeBytes = 0;
    ErrorText.clear();
    ExifReader.reset();
    IptcReader.reset();
    BigEndian = false;
    ByteData.clear();
    IsTiff = false;
}

const std::string &TImageFile::ExifData() const
{
    return HasExifSection() ? Sections[static_cast<std::size_t>(ExifSection)].Data : EmptyData;
}

bool TImageFile::LoadFromFile(const std::string &path)
{
    ResetContainer();
    std::error_code ec;
    const std::filesystem::path p(path);
    if (!std::filesystem::is_regular_file(p, ec))
        return false;
    SourcePath = path;
    const auto written = std::filesystem::last_write_time(p, ec);
    if (!ec)
        FileDate = std::chrono::system_clock::to_time_t(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                std::chrono::file_clock::to_sys(written)));
    const auto size = std::filesystem::file_size(p, ec);
    FileSizeBytes = ec ? 0 : static_cast<int64_t>(size);
    ErrorText = "Not an EXIF file";
    const std::string ext = extensionOf(path);
    if (ext != ".jpg" && ext != ".jpeg" && ext != ".jpe" && ext != ".tif" && ext != ".tiff" && ext != ".nef")
        return false;
    FileSource source(path);
    if (!source.ok()) {
        ErrorText = "Illegal Exif construction";
        return false;
    }
    return loadFrom(source, ext);
}

bool TImageFile::LoadFromMemory(std::string_view bytes, const std::string &name)
{
    ResetContainer();
    SourcePath = name;
    FileSizeBytes = static_cast<int64_t>(bytes.size());
    ErrorText = "Not an EXIF file";
    MemorySource source(bytes);
    return loadFrom(source, extensionOf(name));
}

bool TImageFile::loadFrom(InputSource &source, const std::string &ext)
{
    try {
        bool walked = false;
        if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe")
            walked = WalkJpegSegments(source);
        else if (ext == ".tif" || ext == ".tiff" || ext == ".nef")
            walked = WalkTiffFile(source);
        else
            return false;
        if (walked)
            ErrorText = "<none>";
        return walked;
    } catch (const std::exception &) {
        // Malformed data ends the walk; what was collected so far stays.
        return false;
    }
}

bool TImageFile::WalkJpegSegments(InputSource &source)
{
    if (source.get() != 0xFF || source.get() != 0xD8)
        return false;
    SectionCount = 0;
    m_exifWalked = false;
    while (SectionCount < MaxSections) {
        int marker = source.get();
        while (marker == 0xFF)
            marker = source.get();
        if (marker < 0)
            break; // the end of the file ends the walk
        const int hi = source.get();
        const int lo = source.get();
        if (hi < 0 || lo < 0)
            break;
        const int length = hi * 256 + lo;
        if (length < 2) {
            // End of image and start of scan end the walk whatever follows them.
            if (marker == 0xD9 || marker == 0xDA)
                break;
            throw ExifFormatError("Illegal segment length");
        }
        // A segment longer than the rest of the file is cut off: nothing after
        // it is data, and its buffer is never larger than the file.
        if (length - 2 > source.remaining())
            break;
        tSection &section = Sections[static_cast<std::size_t>(SectionCount)];
        ++SectionCount;
        section.Type = marker;
        section.Size = length;
        std::string payload;
        source.read(payload, static_cast<std::size_t>(length - 2));
        section.Data.clear();
        section.Data.reserve(static_cast<std::size_t>(length));
        section.Data += static_cast<char>(hi);
        section.Data += static_cast<char>(lo);
        section.Data += payload;

        if (SectionCount == 5 && !HasExifSection() && CommentSection == NoSection && IptcSection == NoSection)
            return false;
        const int index = SectionCount - 1;
        switch (marker) {
        case 0xD9:
        case 0xDA:
            return HasExifSection() || CommentSection != NoSection || IptcSection != NoSection;
        case 0xE0:
            HeaderSection = index;
            break;
        case 0xE1:
            // Only the first APP1 counts, except that a real EXIF segment
            // replaces an earlier APP1 that had no EXIF header (an XMP packet
            // written first must not hide the picture's EXIF data).
            if (SectionCount > 5 || (HasExifSection() && (m_exifWalked || !hasExifSignature(section.Data)))) {
                --SectionCount;
            } else {
                ExifSection = index;
                ExifReader = std::make_unique<TExifDirectory>(*this, ListMode);
                ByteData = section.Data;
                m_exifWalked = ParseExifHeader();
            }
            break;
        case 0xED:
            if (IptcSection == NoSection) {
                IptcSection = index;
                IptcReader = std::make_unique<TIptcData>();
                IptcReader->Data = section.Data;
            }
            break;
        case 0xFE:
            CommentSection = index;
            break;
        default:
            break;
        }
    }
    return HasExifSection() || CommentSection != NoSection || IptcSection != NoSection;
}

bool TImageFile::ParseExifHeader()
{
    if (!ExifReader)
        ExifReader = std::make_unique<TExifDirectory>(*this, ListMode);
    const std::string &data = ExifData();
    if (!hasExifSignature(data)) {
        ErrorText = "Incorrect Exif header";
        return false;
    }
    const std::string_view mark = std::string_view(data).substr(8, 2);
    if (mark == "II")
        BigEndian = false;
    else if (mark == "MM")
        BigEndian = true;
    else {
        ErrorText = "Invalid Exif alignment marker";
        return false;
    }
    ExifReader->ByteData = data;
    ExifReader->BigEndian = BigEndian;
    const int64_t size = Sections[static_cast<std::size_t>(ExifSection)].Size;
    // The TIFF header follows the signature at 8; offsets count from it.
    const int32_t first = ExifReader->Read32(12);
    if (first != 0)
        ExifReader->WalkDirectory(int64_t{first} + 8, 8, tkMain, size - 6);
    else
        ExifReader->WalkDirectory(16, 8, tkMain, size - 6);
    if (!ErrorText.empty())
        ExifReader->Derive35mmFocal();
    return true;
}

bool TImageFile::WalkTiffFile(InputSource &source)
{
    std::string mark;
    source.read(mark, 2);
    if (mark != "II" && mark != "MM")
        return false;
    IsTiff = true;
    tSection &section = Sections[0];
    source.read(section.Data, 6);
    source.read(section.Data, TiffReadLimit);
    section.Size = static_cast<int>(section.Data.size());
    SectionCount = 1;
    ExifSection = 0;
    BigEndian = mark == "MM";
    ByteData = section.Data;
    ExifReader = std::make_unique<TExifDirectory>(*this, ListMode);
    ExifReader->IsTiff = true;
    ExifReader->ByteData = section.Data;
    ExifReader->BigEndian = BigEndian;
    ExifReader->WalkDirectory(0, -8, tkMain, TiffReadLimit);
    ExifReader->Derive35mmFocal();
    return true;
}

} // namespace fetchly::inspect

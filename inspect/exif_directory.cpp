#include "inspect/exif_directory.h"

#include "inspect/exif_tables.h"
#include "inspect/exif_values.h"
#include "inspect/image_file.h"
#include "inspect/maker_notes.h"
#include "inspect/text_util.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace fetchly::inspect {
namespace {

constexpr int TagImageWidth = 0x0100;
constexpr int TagImageLength = 0x0101;
constexpr int TagMake = 0x010F;
constexpr int TagModel = 0x0110;
constexpr int TagDateTime = 0x0132;
constexpr int TagSubIfds = 0x014A;
constexpr int TagExifOffset = 0x8769;
constexpr int TagGpsInfo = 0x8825;
constexpr int TagExifVersion = 0x9000;
constexpr int TagDateTimeOriginal = 0x9003;
constexpr int TagFlash = 0x9209;
constexpr int TagMakerNote = 0x927C;
constexpr int TagUserComment = 0x9286;
constexpr int TagExifImageWidth = 0xA002;
constexpr int TagExifImageLength = 0xA003;
constexpr int TagInteropOffset = 0xA005;

bool listsValues(ExifListMode mode)
{
    return mode == ExifListMode::Values || mode == ExifListMode::Both;
}

bool collects(ExifListMode mode)
{
    return mode == ExifListMode::Records || mode == ExifListMode::Both;
}

// Restores a value when the scope ends, however it ends.
template <typename T> class Restore {
public:
    explicit Restore(T &ref) : m_ref(ref), m_old(ref) {}
    ~Restore() { m_ref = std::move(m_old); }
    Restore(const Restore &) = delete;
    Restore &operator=(const Restore &) = delete;

private:
    T &m_ref;
    T m_old;
};

} // namespace

int RoundToInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (r <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(r);
}

TExifDirectory::TExifDirectory(TImageFile &owner, ExifListMode listMode) : ListMode(listMode), m_owner(owner)
{
    IsTiff = owner.IsTiff;
}

int TExifDirectory::IndexByName(std::string_view name) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (equalsIgnoreAsciiCase(Entries[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

std::string TExifDirectory::ValueByName(std::string_view name) const
{
    const int i = IndexByName(name);
    return i < 0 ? std::string() : Entries[static_cast<std::size_t>(i)].DisplayValue;
}

bool TExifDirectory::NextTag(int tableId, TTagRecord &entry)
{
    entry = TTagRecord{};
    while (m_cursor < EntryCount() && Entries[static_cast<std::size_t>(m_cursor)].TableId != tableId)
        ++m_cursor;
    if (m_cursor >= EntryCount())
        return false;
    entry = Entries[static_cast<std::size_t>(m_cursor)];
    ++m_cursor;
    return true;
}

double TExifDirectory::FloatByName(std::string_view name) const
{
    const int i = IndexByName(name);
    if (i < 0)
        return 0;
    const TTagRecord &r = Entries[static_cast<std::size_t>(i)];
    if (r.Tag == 0)
        return 0;
    return ValueAsFloat(r.RawBytes, r.ValueFormat, BigEndian);
}

int TExifDirectory::IntByName(std::string_view name) const
{
    return RoundToInt(FloatByName(name));
}

int TExifDirectory::AddEntry(TTagRecord record)
{
    const auto bytes = static_cast<int64_t>(record.RawBytes.size() + record.DisplayValue.size());
    if (record.Tag != 0 && EntryCount() < MaxRecords && m_storedBytes + bytes <= MaxStoredBytes) {
        m_storedBytes += bytes;
        Entries.push_back(std::move(record));
    }
    return EntryCount() - 1;
}

std::string TExifDirectory::entryValue(const TagRow &row, int tag, int format, int64_t byteCount,
                                       int64_t valuePos, const std::string &raw)
{
    std::string value;
    if (format == 2) {
        // Text ends at its first NUL; writers that leave the NUL out lose nothing.
        const std::string_view text = ByteView(m_owner.ExifData()).clamped(valuePos, byteCount);
        value = std::string(text.substr(0, text.find('\0')));
    } else if (format == 7) {
        value = "\"" + raw.substr(0, raw.find('\0')) + "\"";
    } else {
        value = FormatValue(raw, format, row.DecodeList, row.FormatText, BigEndian);
    }
    if (row.Tag > 0 && row.Formatter && DecodeEnabled) {
        try {
            value = row.Formatter(value);
        } catch (const std::exception &) {
            // A value the formatter cannot read (a Flash entry holding a list,
            // say) is shown as it is; the rest of its directory still counts.
            value = Printable(value);
        }
    } else {
        value = Printable(value);
    }
    if (tag == TagUserComment) {
        UserCommentText = std::string(trimControls(ByteView(raw).clamped(8, byteCount - 9)));
        value = UserCommentText;
    }
    return DisplayText(value);
}

void TExifDirectory::walkNested(int64_t pointerPos, int64_t offsetBase, int kind, int64_t length)
{
    try {
        const int64_t start = int64_t{Read32(pointerPos)} + offsetBase;
        WalkDirectory(start, offsetBase, kind, length);
    } catch (const std::exception &) {
        // A broken sub-directory loses only itself; its parent goes on.
    }
}

TExifDirectory::EntryHead TExifDirectory::readEntryHead(const ByteView &data, int64_t entry)
{
    if (++m_examined > MaxEntriesExamined)
        throw ExifFormatError("Too many directory entries");
    EntryHead head;
    head.tag = Need16(data, entry);
    head.format = Need16(data, entry + 2);
    head.count = static_cast<uint32_t>(Need32(data, entry + 4));
    head.byteCount = int64_t{FormatSize(head.format)} * head.count;
    return head;
}

void TExifDirectory::WalkDirectory(int64_t dirStart, int64_t offsetBase, int kind, int64_t length)
{
    // A directory is walked once per file, however many pointers lead to it,
    // and nesting stays shallow, so a file can never make the walk loop.
    if (m_depth >= MaxDepth || !m_walked.insert(dirStart).second)
        return;
    Restore<int> depthGuard(m_depth);
    ++m_depth;

    const ByteView data = View();
    const int64_t n = Need16(data, dirStart);
    // The entries are measured against the segment length from one byte past
    // the offset base, as every earlier build did.
    if (2 + 12 * n > offsetBase + 1 + length) {
        m_owner.ErrorText = "Illegally sized directory";
        return;
    }
    for (int64_t i = 0; i < n; ++i) {
        const int64_t entry = dirStart + 2 + 12 * i;
        const auto [tag, format, count, byteCount] = readEntryHead(data, entry);
        if (byteCount == 0)
            continue;
        const int64_t valuePos = byteCount <= 4 ? entry + 8 : int64_t{Need32(data, entry + 8)} + offsetBase;
        std::string raw(ByteView(m_owner.ExifData()).clamped(valuePos, byteCount));

        const TagRow *row = nullptr;
        std::string value;
        if (listsValues(ListMode)) {
            row = &FindTagEntry(tag, kind);
            value = entryValue(*row, tag, format, byteCount, valuePos, raw);
        }

        switch (tag) {
        case TagImageWidth:
        case TagExifImageWidth:
            Width = RoundToInt(ValueAsFloat(raw, format, BigEndian));
            break;
        case TagImageLength:
        case TagExifImageLength:
            Height = RoundToInt(ValueAsFloat(raw, format, BigEndian));
            break;
        case TagMake:
            Make = CutCharacters(value, 32);
            break;
        case TagModel:
            Model = CutCharacters(value, 40);
            break;
        case TagDateTime:
        case TagDateTimeOriginal:
            PhotoDate = CutCharacters(value, 20);
            break;
        case TagExifVersion:
            ExifVersion = raw.substr(0, 6);
            break;
        case TagFlash:
            FlashValue = RoundToInt(ValueAsFloat(raw, format, BigEndian));
            break;
        case TagMakerNote: {
            MakerNote = raw;
            MakerNotePosition = valuePos;
            TMakerNoteReader reader(*this);
            reader.ReadMakerNote();
            break;
        }
        case TagSubIfds:
        case TagExifOffset:
        case TagInteropOffset:
            walkNested(valuePos, offsetBase, tkMain, length);
            break;
        case TagGpsInfo:
            walkNested(valuePos, offsetBase, tkGps, length);
            break;
        default:
            break;
        }

        if (row && collects(ListMode) && row->Tag != 0) {
            TTagRecord record(*row);
            record.DisplayValue = std::move(value);
            record.RawPosition = static_cast<int32_t>(std::clamp<int64_t>(valuePos, INT32_MIN, INT32_MAX));
            record.Size = static_cast<int32_t>(raw.size());
            record.RawBytes = std::move(raw);
            record.ValueFormat = static_cast<uint16_t>(format);
            AddEntry(std::move(record));
        }
    }
}

void TExifDirectory::Derive35mmFocal()
{
    if (IndexByName("FocalLengthin35mmFilm") >= 0)
        return;
    int unit = IntByName("FocalPlaneResolutionUnit");
    if (unit <= 0)
        unit = IntByName("ResolutionUnit");
    const double mmPerUnit = unit == 2 ? 25.4 : unit == 3 ? 10.0 : 0.0;
    const double focal = FloatByName("FocalLength");
    if (mmPerUnit == 0 || focal == 0)
        return;
    double ccdWidth = 0;
    double ccdHeight = 0;
    const int xres = IntByName("FocalPlaneXResolution");
    if (xres > 0)
        ccdWidth = Width * mmPerUnit / xres;
    const int yres = IntByName("FocalPlaneYResolution");
    if (yres > 0)
        ccdHeight = Height * mmPerUnit / yres;
    double factor;
    if (ccdWidth * ccdHeight > 0)
        factor = FilmDiagonal / std::sqrt(ccdWidth * ccdWidth + ccdHeight * ccdHeight);
    else if (Estimate35mm)
        factor = 4.5;
    else
        return;
    const int index = TableIndexByName("FocalLengthIn35mmFilm");
    if (index < 0)
        return;
    TTagRecord record(ExifTagTable()[static_cast<std::size_t>(index)]);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5.2f", focal * factor);
    record.DisplayValue = buf;
    record.RawBytes.clear();
    record.FormatText = "%s mm";
    record.ValueFormat = 10;
    AddEntry(record);
}

std::string TExifDirectory::SummaryText() const
{
    if (!m_owner.HasExifSection())
        return {};
    const std::string fileName = DisplayText(FileNamePart(m_owner.SourcePath));
    if (m_owner.ErrorText != "<none>")
        return "File Name: " + fileName + "\r\n" + "Exif Error: " + m_owner.ErrorText;
    std::string out = "File Name: " + fileName;
    auto line = [&out](const std::string &text) { out += "\r\n" + text; };
    line("File Size: " + std::to_string(m_owner.FileSizeBytes / 1024) + "k");
    char date[64] = "";
    std::tm local{};
    const std::time_t when = m_owner.FileDate;
    if (localtime_r(&when, &local))
        std::strftime(date, sizeof date, "%x", &local);
    line(std::string("File Date: ") + date);
    line("Photo Date: " + PhotoDate);
    line("Make (Model): " + Make + " (" + Model + ")");
    line("Dimensions: " + std::to_string(Width) + " x " + std::to_string(Height));
    if (listsValues(ListMode)) {
        auto optional = [&](const std::string &label, const std::string &value) {
            if (!value.empty())
                line(label + value);
        };
        std::string exposure = ValueByName("ExposureTime");
        if (exposure.empty())
            exposure = ValueByName("ShutterSpeedValue");
        optional("Exposure Time: ", exposure);
        optional("Focal Length: ", ValueByName("FocalLength"));
        optional("Focal Length (35mm): ", ValueByName("FocalLengthin35mmFilm"));
        optional("FNumber: ", ValueByName("FNumber"));
        optional("ISO: ", ValueByName("ISOSpeedRatings"));
    }
    line(std::string("Flash: ") + ((FlashValue & 1) ? "Yes" : "No"));
    return out;
}

} // namespace fetchly::inspect

#include "inspect/maker_notes.h"

#include "inspect/exif_directory.h"
#include "inspect/exif_tables.h"
#include "inspect/exif_values.h"
#include "inspect/image_file.h"
#include "inspect/text_util.h"

#include <algorithm>
#include <string>

namespace fetchly::inspect {
namespace {

// Offsets that leave a note count from the byte before the segment data,
// except Olympus's, which count from its TIFF header.
constexpr int64_t SegmentBase = -1;

} // namespace

TMakerNoteReader::TMakerNoteReader(TExifDirectory &reader) : m_reader(reader), m_isTiff(reader.IsTiff) {}

bool TMakerNoteReader::ReadMakerNote()
{
    TExifDirectory &r = m_reader;
    const std::string make5 = toUpperAscii(r.Make).substr(0, 5);
    const int64_t makerPos = r.MakerNotePosition;
    auto walk = [&](MakerTable which, int64_t dirOffset, int64_t valueShift,
                    int64_t fallbackBase = SegmentBase) {
        r.WalkMakerDirectory(r.MakerNote, MakerTagTable(which), dirOffset, valueShift, fallbackBase);
    };
    if (make5 == "NIKON") {
        const std::string head = r.MakerNote.substr(0, 5);
        const std::size_t blank = r.Model.find(' ');
        const std::size_t at = blank == std::string::npos ? 0 : blank + 1;
        const char c = at < r.Model.size() ? r.Model[at] : '\0';
        if (r.ExifVersion > "0210" || (r.ExifVersion.empty() && c == 'D' && m_isTiff))
            walk(MakerTable::Nikon, 18, 8); // "Nikon" header with a TIFF header of its own at 10
        else if (head == "Nikon")
            walk(MakerTable::NikonHeader, 8, makerPos);
        else
            walk(MakerTable::Nikon, 0, makerPos - 8);
    } else if (make5 == "OLYMP") {
        walk(MakerTable::Olympus, 8, makerPos, 8);
    } else if (make5 == "SEIKO") {
        walk(MakerTable::Seiko, 8, makerPos);
    } else if (make5 == "SANYO") {
        walk(MakerTable::Sanyo, 8, makerPos);
    } else if (make5 == "CASIO") {
        walk(MakerTable::Casio, 0, makerPos - 8);
    } else if (make5 == "CANON") {
        walk(MakerTable::Canon, 0, makerPos - 8);
    } else if (make5 == "MINOL") {
        walk(MakerTable::Minolta, 0, makerPos - 8);
    } else if (make5 == "FUJIF") {
        // Fujifilm writes its note little-endian whatever the file uses.
        const bool saved = r.BigEndian;
        r.BigEndian = false;
        try {
            walk(MakerTable::Fujifilm, 12, 12);
        } catch (...) {
            r.BigEndian = saved;
            throw;
        }
        r.BigEndian = saved;
    } else {
        return false;
    }
    return true;
}

void TExifDirectory::WalkMakerDirectory(const std::string &makerBytes, std::span<const TagRow> table,
                                        int64_t dirOffset, int64_t valueShift, int64_t fallbackBase)
{
    try {
        const ByteView note(makerBytes, BigEndian);
        const int64_t valueBase = dirOffset - valueShift;
        const int64_t n = Need16(note, dirOffset);
        for (int64_t i = 0; i < n; ++i) {
            const int64_t entry = dirOffset + 2 + 12 * i;
            const auto [tag, format, count, byteCount] = readEntryHead(note, entry);
            if (byteCount == 0)
                continue;
            const int64_t stored = Need32(note, entry + 8);
            const int64_t valuePos = byteCount <= 4 ? entry + 8 : stored + valueBase;
            std::string raw(valuePos + byteCount > static_cast<int64_t>(makerBytes.size())
                                ? ByteView(m_owner.ExifData()).clamped(fallbackBase + stored, byteCount)
                                : note.clamped(valuePos, byteCount));

            const auto row =
                std::find_if(table.begin(), table.end(), [t = tag](const TagRow &r) { return r.Tag == t; });
            if (row == table.end() || equalsIgnoreAsciiCase(row->Description, "SKIP"))
                continue;
            if (ListMode != ExifListMode::Records && ListMode != ExifListMode::Both)
                continue;
            std::string value;
            if (format == 2) {
                value = "\"" + raw.substr(0, raw.find('\0')) + "\"";
            } else if (format == 7) {
                value = "\"" + raw + "\"";
            } else {
                try {
                    value = FormatValue(raw, format, row->DecodeList, row->FormatText, BigEndian);
                } catch (const std::exception &) {
                    value = "\"" + raw + "\"";
                }
            }
            value = (row->Formatter && DecodeEnabled) ? row->Formatter(value) : Printable(value);
            TTagRecord record(*row);
            record.DisplayValue = DisplayText(value);
            record.Size = static_cast<int32_t>(raw.size());
            record.RawBytes = std::move(raw);
            record.ValueFormat = static_cast<uint16_t>(format);
            record.TableId = 1;
            AddEntry(std::move(record));
        }
    } catch (const std::exception &e) {
        m_owner.ErrorText = std::string("Error Detected = ") + e.what();
    }
}

} // namespace fetchly::inspect

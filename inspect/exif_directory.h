#pragma once

#include "inspect/byte_order_data.h"
#include "inspect/tag_record.h"

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace fetchly::inspect {

class TImageFile;

// Walks the TIFF directories of an EXIF segment (or a bare TIFF file), keeps
// every known tag as a display record and answers look-ups by name.
// What a directory walk does per tag.
enum class ExifListMode : uint8_t {
    Values = 2,  // convert values into display text
    Records = 4, // collect records
    Both = 255,  // both; the inspection report's mode
};

class TExifDirectory : public TByteOrderData {
public:
    // Limits against hostile files: nesting of directories, directory entries
    // examined per file and records kept.
    static constexpr int MaxDepth = 8;
    static constexpr int MaxEntriesExamined = 20000;
    static constexpr int MaxRecords = 5000;
    // Bytes of raw values and display texts kept for all records together: a
    // file whose entries all point at one large value cannot multiply it.
    static constexpr int64_t MaxStoredBytes = 4 * 1024 * 1024;

    TExifDirectory(TImageFile &owner, ExifListMode listMode);
    virtual ~TExifDirectory() = default;
    TExifDirectory(const TExifDirectory &) = delete;
    TExifDirectory &operator=(const TExifDirectory &) = delete;

    std::vector<TTagRecord> Entries;
    int EntryCount() const { return static_cast<int>(Entries.size()); }

    std::string ExifVersion; // raw bytes of 0x9000, at most 6
    std::string Make;        // at most 32 characters
    std::string Model;       // at most 40 characters
    std::string PhotoDate;   // at most 20 characters
    int Height = 0;
    int Width = 0;
    int FlashValue = 0;
    ExifListMode ListMode = ExifListMode::Both;
    std::string MakerNote;
    int64_t MakerNotePosition = 0; // position in the segment data, from 0
    std::string UserCommentText;
    bool IsTiff = false;

    // Index of the first record named `name` (ASCII case ignored), or -1.
    virtual int IndexByName(std::string_view name) const;
    // Display value of that record, or empty text.
    virtual std::string ValueByName(std::string_view name) const;

    void RestartTagWalk() { m_cursor = 0; }
    // The next record of table `tableId` (0 EXIF/GPS, 1 maker note).
    bool NextTag(int tableId, TTagRecord &entry);
    double FloatByName(std::string_view name) const;
    int IntByName(std::string_view name) const;
    // The CR LF separated summary (file, camera, picture and exposure data).
    std::string SummaryText() const;
    // Keeps `record` unless its tag number is 0 or a limit is reached; returns the last index.
    int AddEntry(TTagRecord record);
    // Walks one directory of kind 1 (main and its sub-directories) or 2 (GPS)
    // at `dirStart`; value offsets count from `offsetBase` (positions from 0).
    void WalkDirectory(int64_t dirStart, int64_t offsetBase, int kind, int64_t length);
    // Adds the 35-mm equivalent focal length when the file does not carry it.
    void Derive35mmFocal();
    // Walks a maker-note directory with one of the maker tables.
    // Value offsets count from `dirOffset - valueShift` inside the note; one
    // that leaves the note counts from `fallbackBase` in the segment data.
    void WalkMakerDirectory(const std::string &makerBytes, std::span<const TagRow> table, int64_t dirOffset,
                            int64_t valueShift, int64_t fallbackBase);

    TImageFile &Owner() const { return m_owner; }

private:
    // The fixed part of one 12-byte directory entry at `entry`.
    struct EntryHead {
        int tag = 0;
        int format = 0;
        uint32_t count = 0;
        int64_t byteCount = 0; // size of the value: format size times count
    };
    // Reads an entry's head and counts it against MaxEntriesExamined, so no
    // file can make the walks examine more entries than that in all.
    EntryHead readEntryHead(const ByteView &data, int64_t entry);
    void walkNested(int64_t pointerPos, int64_t offsetBase, int kind, int64_t length);
    std::string entryValue(const TagRow &row, int tag, int format, int64_t byteCount, int64_t valuePos,
                           const std::string &raw);

    TImageFile &m_owner;
    int m_cursor = 0;
    int m_depth = 0;
    int m_examined = 0;
    int64_t m_storedBytes = 0;
    std::set<int64_t> m_walked; // directory starts already walked
};

// Nearest integer, ties to even, kept inside the int range (NaN gives 0).
int RoundToInt(double v);

} // namespace fetchly::inspect

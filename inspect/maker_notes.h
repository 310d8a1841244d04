#pragma once

#include "inspect/tag_record.h"

#include <span>

namespace fetchly::inspect {

class TExifDirectory;

// The vendor tables, chosen by the first five letters of the upper-cased make.
enum class MakerTable { NikonHeader, Nikon, Olympus, Casio, Fujifilm, Canon, Seiko, Sanyo, Minolta };
std::span<const TagRow> MakerTagTable(MakerTable table);

// Reads the MakerNote tag of one picture into the EXIF reader's records
// (table id 1; the report never shows them).
class TMakerNoteReader {
public:
    explicit TMakerNoteReader(TExifDirectory &reader);
    // True when the make was recognised and its directory walked.
    bool ReadMakerNote();

private:
    TExifDirectory &m_reader;
    bool m_isTiff;
};

} // namespace fetchly::inspect

#pragma once

#include "inspect/byte_order_data.h"
#include "inspect/exif_directory.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace fetchly::inspect {

class InputSource;

// One JPEG segment: its two length bytes followed by the payload.
struct tSection {
    std::string Data;
    int Type = 0;  // the marker byte, such as 0xE1
    int Size = 0;  // the stored length (counts the two length bytes)
    int Spare = 0; // not used
};

// The IPTC segment is kept but never parsed here.
struct TIptcData {
    std::string Data;
};

// Reads a JPEG (or bare TIFF) file, selects its EXIF, IPTC, comment and
// header segments and owns the EXIF directory reader. Failures are kept as
// the ErrorText state, never thrown.
class TImageFile : public TByteOrderData {
public:
    static constexpr int MaxSections = 20;
    static constexpr int NoSection = -1;

    explicit TImageFile(ExifListMode listMode = ExifListMode::Both);
    ~TImageFile();
    TImageFile(const TImageFile &) = delete;
    TImageFile &operator=(const TImageFile &) = delete;

    std::array<tSection, MaxSections> Sections;
    bool IsTiff = false;
    ExifListMode ListMode = ExifListMode::Both;
    int SectionCount = 0;
    // Indexes into Sections (0-based) or NoSection.
    int ExifSection = NoSection;
    int IptcSection = NoSection;
    int CommentSection = NoSection;
    int HeaderSection = NoSection;
    std::string SourcePath;
    std::time_t FileDate = 0; // last write, seconds since the epoch
    int64_t FileSizeBytes = 0;
    std::string ErrorText;
    std::unique_ptr<TExifDirectory> ExifReader;
    std::unique_ptr<TIptcData> IptcReader;

    // Reads the file at `path`; true when it yielded an EXIF, IPTC or comment
    // segment (JPEG) or a TIFF directory walk took place.
    bool LoadFromFile(const std::string &path);
    // The same for bytes in memory; `name` gives the extension and the name
    // shown in the summary.
    bool LoadFromMemory(std::string_view bytes, const std::string &name);
    bool HasExifSection() const { return ExifSection != NoSection; }
    void ResetContainer();
    // The data of the EXIF segment (empty when there is none).
    const std::string &ExifData() const;

private:
    bool loadFrom(InputSource &source, const std::string &extension);
    bool WalkJpegSegments(InputSource &source);
    bool WalkTiffFile(InputSource &source);
    // Returns whether the directory walk took place.
    bool ParseExifHeader();

    bool m_exifWalked = false;
};

} // namespace fetchly::inspect

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fetchly::inspect {

// One local file header of a ZIP archive.
struct ZipFile {
    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t CompressionMethod = 0;
    uint16_t LastModTime = 0;
    uint16_t LastModDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    std::string FileName; // bytes as stored, cut at a NUL; never shortened otherwise
};

// Lists the entries of a ZIP archive by walking its local file headers from
// the start of the file (the central directory is not relied on). Nothing is
// decompressed.
class TZipReader {
public:
    TZipReader() = default;

    // Setting the name scans the archive; throws std::runtime_error
    // ("Cannot open file <path>") when it cannot be opened.
    void SetFileName(const std::string &path);
    const std::string &FileName() const { return m_fileName; }
    int FileCount() const { return static_cast<int>(m_entries.size()); }
    // A copy of entry `index` (0-based, file order); throws std::out_of_range.
    ZipFile Entry(int index) const;
    // Scans bytes already in memory (the fuzzer's way in).
    void ScanMemory(std::string_view bytes);

private:
    std::string m_fileName;
    std::vector<ZipFile> m_entries;
};

} // namespace fetchly::inspect

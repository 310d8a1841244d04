#include "zip_reader.h"

#include "input_source.h"

#include <filesystem>
#include <stdexcept>

namespace fetchly::inspect {
namespace {

constexpr uint32_t LocalHeaderSignature = 0x04034B50;
constexpr uint32_t CentralHeaderSignature = 0x02014B50;
constexpr uint32_t EndOfCentralDirectorySignature = 0x06054B50;

uint16_t le16(const std::string &b, std::size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 (static_cast<unsigned char>(b[at + 1]) << 8));
}

uint32_t le32(const std::string &b, std::size_t at)
{
    return uint32_t{le16(b, at)} | (uint32_t{le16(b, at + 2)} << 16);
}

// Walks the archive in 4-byte steps, taking every local header it meets.
void scan(InputSource &in, std::vector<ZipFile> &entries)
{
    std::string word;
    std::string header;
    for (;;) {
        if (in.read(word, 4) < 4)
            return;
        const uint32_t signature = le32(word, 0);
        if (signature == LocalHeaderSignature) {
            if (in.read(header, 26) < 26)
                return;
            ZipFile f;
            f.VersionNeeded = le16(header, 0);
            f.Flags = le16(header, 2);
            f.CompressionMethod = le16(header, 4);
            f.LastModTime = le16(header, 6);
            f.LastModDate = le16(header, 8);
            f.Crc32 = le32(header, 10);
            f.CompressedSize = le32(header, 14);
            f.UncompressedSize = le32(header, 18);
            f.FileNameLength = le16(header, 22);
            f.ExtraFieldLength = le16(header, 24);
            in.read(f.FileName, f.FileNameLength);
            const std::size_t nul = f.FileName.find('\0');
            if (nul != std::string::npos)
                f.FileName.resize(nul);
            in.skip(int64_t{f.ExtraFieldLength});
            in.skip(int64_t{f.CompressedSize});
            entries.push_back(std::move(f));
        } else if (signature == CentralHeaderSignature) {
            in.skip(42);
        } else if (signature == EndOfCentralDirectorySignature) {
            return;
        }
    }
}

} // namespace

void TZipReader::SetFileName(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        m_fileName = path;
    m_entries.clear();
    FileSource source(path);
    if (!source.ok())
        throw std::runtime_error("Cannot open file " + path);
    scan(source, m_entries);
}

void TZipReader::ScanMemory(std::string_view bytes)
{
    m_entries.clear();
    MemorySource source(bytes);
    scan(source, m_entries);
}

ZipFile TZipReader::Entry(int index) const
{
    if (index < 0 || index >= FileCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return m_entries[static_cast<std::size_t>(index)];
}

} // namespace fetchly::inspect

#include "inspect/zip_reader.h"

#include "inspect/byte_view.h"
#include "inspect/input_source.h"

#include <algorithm>

#include <filesystem>
#include <stdexcept>

namespace fetchly::inspect {
namespace {

constexpr uint32_t LocalHeaderSignature = 0x04034B50;
constexpr uint32_t CentralHeaderSignature = 0x02014B50;
constexpr uint32_t EndOfCentralDirectorySignature = 0x06054B50;

constexpr std::size_t WindowBlock = 1 << 20;

// The input seen through large blocks, so that the scan's 4-byte steps cost
// no call each; skips past the block go to the input.
class ScanWindow {
public:
    explicit ScanWindow(InputSource &in) : m_in(in) {}

    // `count` bytes from the current position, fewer only at the end.
    std::string_view front(std::size_t count)
    {
        if (m_block.size() - m_at < count)
            refill(count);
        return buffered().substr(0, count);
    }
    std::string_view buffered() const { return std::string_view(m_block).substr(m_at); }
    void advance(int64_t count)
    {
        const auto inBlock = static_cast<int64_t>(m_block.size() - m_at);
        if (count <= inBlock) {
            m_at += static_cast<std::size_t>(count);
            return;
        }
        m_in.skip(count - inBlock);
        m_block.clear();
        m_at = 0;
    }

private:
    void refill(std::size_t count)
    {
        m_block.erase(0, m_at);
        m_at = 0;
        m_in.read(m_chunk, std::max(count, WindowBlock) - m_block.size());
        m_block += m_chunk;
    }

    InputSource &m_in;
    std::string m_block;
    std::string m_chunk;
    std::size_t m_at = 0;
};

// Moves to the next 4-byte step that begins with "PK"; false at the end.
bool nextCandidate(ScanWindow &window)
{
    for (;;) {
        if (window.front(4).size() < 4)
            return false;
        // The steps lie at multiples of 4 from the window's front; a search
        // for "P" finds the few worth a look.
        const std::string_view block = window.buffered();
        const std::size_t steps = block.size() & ~std::size_t{3};
        std::size_t from = 0;
        std::size_t found = steps;
        while (from < steps) {
            const std::size_t p = block.find('P', from);
            if (p == std::string_view::npos || p >= steps)
                break;
            if (p % 4 == 0 && block[p + 1] == 'K') {
                found = p;
                break;
            }
            from = p + 1;
        }
        window.advance(static_cast<int64_t>(found));
        if (found < steps)
            return true;
    }
}

ZipFile localHeader(const ByteView &h)
{
    ZipFile f;
    f.VersionNeeded = h.u16(0).value_or(0);
    f.Flags = h.u16(2).value_or(0);
    f.CompressionMethod = h.u16(4).value_or(0);
    f.LastModTime = h.u16(6).value_or(0);
    f.LastModDate = h.u16(8).value_or(0);
    f.Crc32 = h.u32(10).value_or(0);
    f.CompressedSize = h.u32(14).value_or(0);
    f.UncompressedSize = h.u32(18).value_or(0);
    f.FileNameLength = h.u16(22).value_or(0);
    f.ExtraFieldLength = h.u16(24).value_or(0);
    return f;
}

// Walks the archive in 4-byte steps, taking every local header it meets.
void scan(InputSource &in, std::vector<ZipFile> &entries)
{
    ScanWindow window(in);
    while (nextCandidate(window)) {
        const uint32_t signature = ByteView(window.front(4)).u32(0).value_or(0);
        window.advance(4);
        if (signature == LocalHeaderSignature) {
            const std::string_view header = window.front(26);
            if (header.size() < 26)
                return;
            ZipFile f = localHeader(ByteView(header));
            window.advance(26);
            const std::string_view name = window.front(f.FileNameLength);
            f.FileName = std::string(name.substr(0, name.find('\0')));
            window.advance(static_cast<int64_t>(name.size()));
            window.advance(int64_t{f.ExtraFieldLength} + int64_t{f.CompressedSize});
            entries.push_back(std::move(f));
        } else if (signature == CentralHeaderSignature) {
            window.advance(42);
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

#include "inspect/version_resource.h"

#include "base/fd_io.h"

#include "inspect/byte_view.h"
#include "inspect/input_source.h"
#include "inspect/text_util.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include <unistd.h>

namespace fetchly::inspect {
namespace {

// Random access to the bytes of a PE file, every read checked against its size.
class ByteRange {
public:
    virtual ~ByteRange() = default;
    virtual int64_t size() const = 0;
    // `count` bytes from `offset`, or nullopt when they are not all inside.
    virtual std::optional<std::string> readAt(int64_t offset, int64_t count) const = 0;
};

class MemoryRange : public ByteRange {
public:
    explicit MemoryRange(std::string_view bytes) : m_bytes(bytes) {}
    int64_t size() const override { return static_cast<int64_t>(m_bytes.size()); }
    std::optional<std::string> readAt(int64_t offset, int64_t count) const override
    {
        if (offset < 0 || count < 0 || offset > size() || count > size() - offset)
            return std::nullopt;
        return std::string(m_bytes.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count)));
    }

private:
    std::string_view m_bytes;
};

class FileRange : public ByteRange {
public:
    explicit FileRange(const std::string &path) { m_file = OpenRegularFile(path, m_size); }
    int64_t size() const override { return m_size; }
    std::optional<std::string> readAt(int64_t offset, int64_t count) const override
    {
        if (!m_file.Valid() || offset < 0 || count < 0 || offset > m_size || count > m_size - offset)
            return std::nullopt;
        std::string out(static_cast<std::size_t>(count), '\0');
        if (ReadFullyAt(m_file.Get(), out.data(), out.size(), static_cast<off_t>(offset)) != out.size())
            return std::nullopt;
        return out;
    }

private:
    TUniqueFd m_file;
    int64_t m_size = 0;
};

uint32_t le(std::string_view b, std::size_t at, int width)
{
    return ByteView(b).uint(at, static_cast<std::size_t>(width));
}

struct Section {
    uint32_t virtualAddress, virtualSize, rawSize, rawPointer;
};

constexpr uint32_t RtVersion = 16;
constexpr int MaxSections = 96;
constexpr int MaxDirectoryEntries = 4096;

class PeFile {
public:
    explicit PeFile(const ByteRange &file) : m_file(file) {}

    // The version block, or nullopt when the file has none we can read.
    std::optional<std::string> versionBlock()
    {
        if (!readHeaders())
            return std::nullopt;
        const auto base = fileOffset(m_resourceRva);
        if (!base)
            return std::nullopt;
        // Type level: the RT_VERSION entry; then the first name and the first
        // language below it.
        auto typeDir = findEntry(*base, 0, RtVersion);
        if (!typeDir || !typeDir->isDirectory)
            return std::nullopt;
        auto nameDir = findEntry(*base, typeDir->offset, std::nullopt);
        if (!nameDir || !nameDir->isDirectory)
            return std::nullopt;
        auto langEntry = findEntry(*base, nameDir->offset, std::nullopt);
        if (!langEntry || langEntry->isDirectory)
            return std::nullopt;
        const auto dataEntry = m_file.readAt(*base + langEntry->offset, 16);
        if (!dataEntry)
            return std::nullopt;
        const uint32_t dataRva = le(*dataEntry, 0, 4);
        const uint32_t dataSize = le(*dataEntry, 4, 4);
        const auto dataOffset = fileOffset(dataRva);
        if (!dataOffset || dataSize == 0)
            return std::nullopt;
        return m_file.readAt(*dataOffset, dataSize); // checked against the file's size
    }

private:
    struct Entry {
        bool isDirectory;
        int64_t offset; // from the start of the resource section
    };

    bool readHeaders()
    {
        const auto dos = m_file.readAt(0, 64);
        if (!dos || dos->substr(0, 2) != "MZ")
            return false;
        const int64_t pe = le(*dos, 0x3C, 4);
        const auto coff = m_file.readAt(pe, 24);
        if (!coff || coff->substr(0, 4) != std::string_view("PE\0\0", 4))
            return false;
        const uint32_t sectionCount = le(*coff, 6, 2);
        const uint32_t optionalSize = le(*coff, 20, 2);
        const auto optional = m_file.readAt(pe + 24, optionalSize);
        if (!optional || optionalSize < 2)
            return false;
        const uint32_t magic = le(*optional, 0, 2);
        std::size_t countAt;
        if (magic == 0x10B)
            countAt = 92;
        else if (magic == 0x20B)
            countAt = 108;
        else
            return false;
        const std::size_t dirsAt = countAt + 4;
        if (optional->size() < dirsAt + 3 * 8 || le(*optional, countAt, 4) < 3)
            return false;
        m_resourceRva = le(*optional, dirsAt + 2 * 8, 4);
        if (m_resourceRva == 0 || sectionCount > MaxSections)
            return false;
        const auto table = m_file.readAt(pe + 24 + optionalSize, int64_t{sectionCount} * 40);
        if (!table)
            return false;
        for (uint32_t i = 0; i < sectionCount; ++i) {
            const std::size_t s = i * 40;
            m_sections.push_back(
                {le(*table, s + 12, 4), le(*table, s + 8, 4), le(*table, s + 16, 4), le(*table, s + 20, 4)});
        }
        return true;
    }

    std::optional<int64_t> fileOffset(uint32_t rva) const
    {
        for (const Section &s : m_sections) {
            const uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva >= s.virtualAddress && rva - uint64_t{s.virtualAddress} < span) {
                const uint64_t delta = rva - s.virtualAddress;
                if (delta >= s.rawSize)
                    return std::nullopt;
                return static_cast<int64_t>(s.rawPointer + delta);
            }
        }
        return std::nullopt;
    }

    // In the resource directory at `dirOffset`, the entry with ID `id`, or the
    // first entry when no ID is asked for.
    std::optional<Entry> findEntry(int64_t base, int64_t dirOffset, std::optional<uint32_t> id) const
    {
        const auto head = m_file.readAt(base + dirOffset, 16);
        if (!head)
            return std::nullopt;
        const int64_t named = le(*head, 12, 2);
        const int64_t ids = le(*head, 14, 2);
        const int64_t count = std::min<int64_t>(named + ids, MaxDirectoryEntries);
        const auto entries = m_file.readAt(base + dirOffset + 16, count * 8);
        if (!entries)
            return std::nullopt;
        for (int64_t i = 0; i < count; ++i) {
            const auto at = static_cast<std::size_t>(i * 8);
            const uint32_t nameField = le(*entries, at, 4);
            const uint32_t target = le(*entries, at + 4, 4);
            if (id && ((nameField & 0x80000000u) || nameField != *id))
                continue;
            const Entry e{(target & 0x80000000u) != 0, int64_t{target & 0x7FFFFFFFu}};
            // Each level must point further into the tree, so no walk can loop.
            if (e.offset <= dirOffset)
                return std::nullopt;
            return e;
        }
        return std::nullopt;
    }

    const ByteRange &m_file;
    uint32_t m_resourceRva = 0;
    std::vector<Section> m_sections;
};

std::string utf16ToUtf8(std::string_view b)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        uint32_t cp = le(b, i, 2);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < b.size()) {
            const uint32_t lo = le(b, i + 2, 2);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        char buf[4];
        int n;
        if (cp < 0x80) {
            buf[0] = static_cast<char>(cp), n = 1;
        } else if (cp < 0x800) {
            buf[0] = static_cast<char>(0xC0 | (cp >> 6)), buf[1] = static_cast<char>(0x80 | (cp & 0x3F)),
            n = 2;
        } else if (cp < 0x10000) {
            buf[0] = static_cast<char>(0xE0 | (cp >> 12)),
            buf[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf[2] = static_cast<char>(0x80 | (cp & 0x3F)), n = 3;
        } else {
            buf[0] = static_cast<char>(0xF0 | (cp >> 18)),
            buf[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            buf[3] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

// UTF-16 text from `at` up to its NUL (or `end`); `next` gets the position after the NUL.
std::string_view utf16Until(std::string_view block, std::size_t at, std::size_t end, std::size_t &next)
{
    std::size_t i = at;
    while (i + 1 < end && (block[i] != 0 || block[i + 1] != 0))
        i += 2;
    next = std::min(i + 2, end);
    return block.substr(at, std::min(i, end) - at);
}

std::size_t align4(std::size_t v)
{
    return (v + 3) & ~std::size_t{3};
}

// One node of the version block: key, value and the range of its children.
struct Node {
    std::size_t start, end;
    uint16_t valueLength, type;
    std::string key;
    std::size_t valueStart, childrenStart;
};

std::optional<Node> readNode(std::string_view block, std::size_t at, std::size_t limit)
{
    if (at + 6 > limit)
        return std::nullopt;
    const std::size_t length = le(block, at, 2);
    if (length < 6 || at + length > limit)
        return std::nullopt;
    Node n{};
    n.start = at;
    n.end = at + length;
    n.valueLength = static_cast<uint16_t>(le(block, at + 2, 2));
    n.type = static_cast<uint16_t>(le(block, at + 4, 2));
    std::size_t afterKey = 0;
    n.key = utf16ToUtf8(utf16Until(block, at + 6, n.end, afterKey));
    n.valueStart = std::min(align4(afterKey), n.end);
    const std::size_t valueBytes = n.type == 1 ? std::size_t{n.valueLength} * 2 : n.valueLength;
    n.childrenStart = std::min(align4(n.valueStart + valueBytes), n.end);
    return n;
}

} // namespace

TVersionResource::TVersionResource(const std::string &fileName) : m_fileName(fileName)
{
    FileRange file(fileName);
    if (auto block = PeFile(file).versionBlock()) {
        m_block = std::move(*block);
        m_valid = true;
    }
}

TVersionResource TVersionResource::FromMemory(std::string_view bytes)
{
    TVersionResource r;
    MemoryRange range(bytes);
    if (auto block = PeFile(range).versionBlock()) {
        r.m_block = std::move(*block);
        r.m_valid = true;
    }
    return r;
}

bool TVersionResource::queryValue(std::string_view path, std::string_view &value, bool &isText) const
{
    if (!m_valid)
        return false;
    const std::string_view block = m_block;
    auto node = readNode(block, 0, block.size());
    if (!node)
        return false;
    // Every part of the path after the leading "\" is a child's key (letter case ignored).
    std::size_t from = path.find_first_not_of('\\');
    while (from != std::string_view::npos && from < path.size()) {
        const std::size_t slash = path.find('\\', from);
        const std::string_view key =
            path.substr(from, slash == std::string_view::npos ? slash : slash - from);
        std::optional<Node> found;
        int children = 0;
        for (std::size_t c = node->childrenStart; c + 6 <= node->end && children < MaxDirectoryEntries;
             ++children) {
            auto child = readNode(block, c, node->end);
            if (!child)
                break;
            if (equalsIgnoreAsciiCase(child->key, key)) {
                found = child;
                break;
            }
            c = align4(child->end);
        }
        if (!found)
            return false;
        node = found;
        from = slash == std::string_view::npos ? slash : slash + 1;
    }
    isText = node->type == 1;
    const std::size_t valueBytes = isText ? std::size_t{node->valueLength} * 2 : node->valueLength;
    if (valueBytes == 0)
        return false;
    value = block.substr(node->valueStart, std::min(valueBytes, node->end - node->valueStart));
    if (isText) // text runs to its NUL, whatever length the writer recorded
        value = block.substr(node->valueStart, node->end - node->valueStart);
    return true;
}

std::string TVersionResource::Translation() const
{
    std::string_view value;
    bool isText = false;
    if (!queryValue("\\VarFileInfo\\Translation", value, isText) || value.size() < 4)
        return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X%04X", static_cast<unsigned>(le(value, 0, 2)),
                  static_cast<unsigned>(le(value, 2, 2)));
    return buf;
}

std::string TVersionResource::VersionValue(std::string_view name) const
{
    if (!m_valid)
        return {};
    std::string_view value;
    bool isText = false;
    if (!queryValue("\\StringFileInfo\\" + Translation() + "\\" + std::string(name), value, isText))
        return {};
    std::size_t next = 0;
    return utf16ToUtf8(utf16Until(value, 0, value.size(), next));
}

std::string TVersionResource::FileVersion() const
{
    std::string v = VersionValue("FileVersion");
    if (!v.empty() || !m_valid)
        return v;
    std::string_view fixed;
    bool isText = false;
    if (!queryValue("\\", fixed, isText) || fixed.size() < 16)
        return {};
    const uint32_t ms = le(fixed, 8, 4);
    const uint32_t ls = le(fixed, 12, 4);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return buf;
}

} // namespace fetchly::inspect

#include "tests/inspect/tiff_builder.h"

#include <stdexcept>

namespace fetchly::inspect::test {

std::string TiffBuilder::u16(uint32_t v) const
{
    std::string s(2, '\0');
    s[m_big ? 0 : 1] = static_cast<char>((v >> 8) & 0xFF);
    s[m_big ? 1 : 0] = static_cast<char>(v & 0xFF);
    return s;
}

std::string TiffBuilder::u32(uint32_t v) const
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[m_big ? 3 - i : i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

TestEntry TiffBuilder::rationals(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &values) const
{
    TestEntry e{tag, 5, static_cast<uint32_t>(values.size()), {}};
    for (auto [n, d] : values)
        e.data += u32(static_cast<uint32_t>(n)) + u32(static_cast<uint32_t>(d));
    return e;
}

std::string TiffBuilder::build(const std::vector<TestIfd> &ifds, int64_t ifd0Offset) const
{
    std::vector<uint32_t> offsets;
    uint32_t at = 8;
    for (const TestIfd &ifd : ifds) {
        offsets.push_back(at);
        at += static_cast<uint32_t>(2 + 12 * ifd.size() + 4);
    }
    std::string data;
    std::string dirs;
    for (const TestIfd &ifd : ifds) {
        dirs += u16(static_cast<uint32_t>(ifd.size()));
        for (const TestEntry &e : ifd) {
            dirs += u16(e.tag) + u16(e.format) + u32(e.count);
            if (e.pointsTo >= 0) {
                dirs += u32(offsets.at(static_cast<std::size_t>(e.pointsTo)));
            } else if (e.data.size() <= 4) {
                dirs += e.data + std::string(4 - e.data.size(), '\0');
            } else {
                dirs += u32(at + static_cast<uint32_t>(data.size()));
                data += e.data;
                if (data.size() % 2)
                    data += '\0';
            }
        }
        dirs += u32(0);
    }
    std::string head = m_big ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    head += u32(static_cast<uint32_t>(ifd0Offset));
    return head + dirs + data;
}

std::string exifPayload(const std::string &tiff)
{
    return std::string("Exif\0\0", 6) + tiff;
}

std::string jpegFile(const std::vector<std::pair<int, std::string>> &segments)
{
    std::string out = "\xFF\xD8";
    for (const auto &[marker, payload] : segments) {
        const std::size_t length = payload.size() + 2;
        if (length > 0xFFFF)
            throw std::length_error("segment too long");
        out += '\xFF';
        out += static_cast<char>(marker);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(length & 0xFF);
        out += payload;
    }
    out += "\xFF\xD9";
    return out;
}

} // namespace fetchly::inspect::test

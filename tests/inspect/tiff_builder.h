#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Builds small TIFF structures and JPEG files byte by byte for the reader
// tests, so each case states exactly what the file holds.
namespace fetchly::inspect::test {

struct TestEntry {
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;
    std::string data;  // the value bytes (placed inline when at most 4)
    int pointsTo = -1; // index of an IFD whose offset becomes the LONG value
};

using TestIfd = std::vector<TestEntry>;

class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : m_big(bigEndian) {}

    std::string u16(uint32_t v) const;
    std::string u32(uint32_t v) const;
    // Directory entry helpers.
    TestEntry shortValue(uint16_t tag, uint16_t v) const { return {tag, 3, 1, u16(v)}; }
    TestEntry longValue(uint16_t tag, uint32_t v) const { return {tag, 4, 1, u32(v)}; }
    TestEntry rational(uint16_t tag, int32_t num, int32_t den, uint16_t format = 5) const
    {
        return {tag, format, 1, u32(static_cast<uint32_t>(num)) + u32(static_cast<uint32_t>(den))};
    }
    TestEntry rationals(uint16_t tag, const std::vector<std::pair<int32_t, int32_t>> &values) const;
    static TestEntry ascii(uint16_t tag, const std::string &text)
    {
        return {tag, 2, static_cast<uint32_t>(text.size() + 1), text + std::string(1, '\0')};
    }
    static TestEntry undefined(uint16_t tag, const std::string &bytes)
    {
        return {tag, 7, static_cast<uint32_t>(bytes.size()), bytes};
    }
    static TestEntry pointer(uint16_t tag, int ifd) { return {tag, 4, 1, std::string(4, '\0'), ifd}; }

    // "II*\0" or "MM\0*", the IFD0 offset (8), the IFDs in order and then
    // their value data. `ifd0Offset` other than 8 is written as given.
    std::string build(const std::vector<TestIfd> &ifds, int64_t ifd0Offset = 8) const;

private:
    bool m_big;
};

// An APP1 payload: "Exif\0\0" and the TIFF bytes.
std::string exifPayload(const std::string &tiff);
// FF D8, the segments (marker, payload), FF D9.
std::string jpegFile(const std::vector<std::pair<int, std::string>> &segments);

} // namespace fetchly::inspect::test

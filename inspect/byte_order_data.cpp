#include "byte_order_data.h"

#include <algorithm>

namespace fetchly::inspect {
namespace {

const unsigned char *bytesAt(const std::string &data, int64_t pos, int64_t width)
{
    if (pos < 1 || pos > static_cast<int64_t>(data.size()) - width + 1)
        throw ExifFormatError("Read outside the data at position " + std::to_string(pos));
    return reinterpret_cast<const unsigned char *>(data.data()) + (pos - 1);
}

} // namespace

uint16_t TByteOrderData::Read16(int64_t pos) const
{
    const unsigned char *b = bytesAt(ByteData, pos, 2);
    return static_cast<uint16_t>(BigEndian ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
}

int32_t TByteOrderData::Read32(int64_t pos) const
{
    const unsigned char *b = bytesAt(ByteData, pos, 4);
    const uint32_t v = BigEndian
                           ? (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3]
                           : (uint32_t{b[3]} << 24) | (uint32_t{b[2]} << 16) | (uint32_t{b[1]} << 8) | b[0];
    return static_cast<int32_t>(v);
}

std::string_view ClampedSlice(std::string_view data, int64_t pos, int64_t count)
{
    const int64_t size = static_cast<int64_t>(data.size());
    int64_t begin = pos - 1;
    int64_t end = count > 0 ? begin + count : begin;
    if (count > size) // keeps begin + count from overflowing
        end = begin + size + 1;
    begin = std::max<int64_t>(begin, 0);
    end = std::min(end, size);
    if (begin >= end)
        return {};
    return data.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

} // namespace fetchly::inspect

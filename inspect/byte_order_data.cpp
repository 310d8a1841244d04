#include "byte_order_data.h"

#include "byte_view.h"

namespace fetchly::inspect {
namespace {

template <typename T> T orThrow(std::optional<T> value, int64_t pos)
{
    if (!value)
        throw ExifFormatError("Read outside the data at position " + std::to_string(pos));
    return *value;
}

} // namespace

uint16_t TByteOrderData::Read16(int64_t pos) const
{
    return orThrow(pos < 1 ? std::nullopt : ByteView(ByteData, BigEndian).u16(static_cast<uint64_t>(pos - 1)),
                   pos);
}

int32_t TByteOrderData::Read32(int64_t pos) const
{
    const uint32_t v = orThrow(
        pos < 1 ? std::nullopt : ByteView(ByteData, BigEndian).u32(static_cast<uint64_t>(pos - 1)), pos);
    return static_cast<int32_t>(v);
}

std::string_view ClampedSlice(std::string_view data, int64_t pos, int64_t count)
{
    return ByteView(data).clamped(pos - 1, count);
}

} // namespace fetchly::inspect

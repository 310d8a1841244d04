#include "inspect/byte_order_data.h"

namespace fetchly::inspect {
namespace {

// Reports have always counted the position in this message from 1.
template <typename T> T orThrow(std::optional<T> value, int64_t pos)
{
    if (!value)
        throw ExifFormatError("Read outside the data at position " + std::to_string(pos + 1));
    return *value;
}

} // namespace

uint16_t Need16(const ByteView &view, int64_t pos)
{
    return orThrow(pos < 0 ? std::nullopt : view.u16(static_cast<uint64_t>(pos)), pos);
}

int32_t Need32(const ByteView &view, int64_t pos)
{
    return static_cast<int32_t>(orThrow(pos < 0 ? std::nullopt : view.u32(static_cast<uint64_t>(pos)), pos));
}

} // namespace fetchly::inspect

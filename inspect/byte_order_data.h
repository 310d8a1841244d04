#pragma once

#include "inspect/byte_view.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fetchly::inspect {

// Malformed data inside a picture: a read outside its buffer and the like.
class ExifFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Unsigned 16-bit value at `pos` (from 0) of `view`; throws ExifFormatError
// when the two bytes are not both inside.
uint16_t Need16(const ByteView &view, int64_t pos);
// 32-bit value at `pos`, as a signed number; same bounds rule.
int32_t Need32(const ByteView &view, int64_t pos);

// The byte-order flag and the buffer that positions (from 0) refer to.
class TByteOrderData {
public:
    bool BigEndian = false;
    std::string ByteData;

    ByteView View() const { return ByteView(ByteData, BigEndian); }
    uint16_t Read16(int64_t pos) const { return Need16(View(), pos); }
    int32_t Read32(int64_t pos) const { return Need32(View(), pos); }
};

} // namespace fetchly::inspect

#pragma once

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

// The byte-order flag and the buffer that all 1-based positions refer to.
class TByteOrderData {
public:
    bool BigEndian = false;
    std::string ByteData;

    // Unsigned 16-bit value at 1-based `pos`; throws ExifFormatError when the
    // two bytes are not both inside ByteData.
    uint16_t Read16(int64_t pos) const;
    // 32-bit value at `pos`, as a signed number; same bounds rule.
    int32_t Read32(int64_t pos) const;
};

// Up to `count` bytes of `data` from 1-based `pos`, clamped to the data; never
// an error (an empty result when nothing of the range lies inside).
std::string_view ClampedSlice(std::string_view data, int64_t pos, int64_t count);

} // namespace fetchly::inspect

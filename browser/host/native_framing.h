#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The browsers' native messaging frame: a 4-byte length in the machine's own
// byte order, then exactly that many bytes of UTF-8 JSON. Lengths count bytes,
// never characters.
namespace fetchly::host {

// Largest message we accept or send (1 MiB).
inline constexpr std::size_t kMaxMessageBytes = 1024 * 1024;

enum class TFrameStatus {
    Message,    // `bytes` holds one whole message
    EndOfInput, // the input closed cleanly between two messages
    TooLarge,   // the length exceeded the cap; its bytes were read and dropped
    Truncated,  // the input closed inside a frame
    ReadError,  // read() failed
};

struct TFrame {
    TFrameStatus status = TFrameStatus::EndOfInput;
    std::string bytes;
    std::uint32_t declaredLength = 0;
};

// Reads one frame from `fd`, never allocating more than `cap` bytes.
TFrame ReadFrame(int fd, std::size_t cap = kMaxMessageBytes);

// The frame for `bytes` (length prefix + bytes).
std::string EncodeFrame(std::string_view bytes);

// Writes one frame to `fd`. False when the message is over the cap or the
// write failed.
bool WriteFrame(int fd, std::string_view bytes, std::size_t cap = kMaxMessageBytes);

} // namespace fetchly::host

#include "browser/host/native_framing.h"

#include "base/fd_io.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace fetchly::host {

namespace {

enum class TReadResult { Full, Closed, Partial, Error };

// Reads exactly `size` bytes unless the input ends or fails first.
TReadResult readExactly(int fd, char *into, std::size_t size, std::size_t &got)
{
    got = ReadFully(fd, into, size);
    if (got == size)
        return TReadResult::Full;
    if (errno != 0)
        return TReadResult::Error;
    return got == 0 ? TReadResult::Closed : TReadResult::Partial;
}

} // namespace

TFrame ReadFrame(int fd, std::size_t cap)
{
    TFrame frame;
    char prefix[4];
    std::size_t got = 0;
    switch (readExactly(fd, prefix, sizeof prefix, got)) {
    case TReadResult::Full:
        break;
    case TReadResult::Closed:
        frame.status = TFrameStatus::EndOfInput;
        return frame;
    case TReadResult::Partial:
        frame.status = TFrameStatus::Truncated;
        return frame;
    case TReadResult::Error:
        frame.status = TFrameStatus::ReadError;
        return frame;
    }
    std::memcpy(&frame.declaredLength, prefix, sizeof prefix);

    if (frame.declaredLength > cap) {
        // Read the oversized body away in small pieces so the next frame
        // starts where it should; nothing of it is kept.
        char sink[16384];
        std::size_t left = frame.declaredLength;
        while (left > 0) {
            const std::size_t piece = left < sizeof sink ? left : sizeof sink;
            const TReadResult r = readExactly(fd, sink, piece, got);
            if (r == TReadResult::Error) {
                frame.status = TFrameStatus::ReadError;
                return frame;
            }
            if (r != TReadResult::Full) {
                frame.status = TFrameStatus::Truncated;
                return frame;
            }
            left -= piece;
        }
        frame.status = TFrameStatus::TooLarge;
        return frame;
    }

    frame.bytes.resize(frame.declaredLength);
    const TReadResult r = readExactly(fd, frame.bytes.data(), frame.bytes.size(), got);
    if (r == TReadResult::Full) {
        frame.status = TFrameStatus::Message;
    } else {
        frame.bytes.clear();
        frame.status = r == TReadResult::Error ? TFrameStatus::ReadError : TFrameStatus::Truncated;
    }
    return frame;
}

std::string EncodeFrame(std::string_view bytes)
{
    const auto length = static_cast<std::uint32_t>(bytes.size());
    std::string frame(sizeof length, '\0');
    std::memcpy(frame.data(), &length, sizeof length);
    frame.append(bytes);
    return frame;
}

bool WriteFrame(int fd, std::string_view bytes, std::size_t cap)
{
    if (bytes.size() > cap)
        return false;
    const std::string frame = EncodeFrame(bytes);
    return WriteAll(fd, frame.data(), frame.size());
}

} // namespace fetchly::host

#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fetchly::inspect {

// Bytes read from a file, addressed from 0 in one byte order. Every read
// checks that all its bytes lie inside the view and gives nothing otherwise,
// whatever offset a damaged file makes up.
class ByteView {
public:
    constexpr ByteView() = default;
    constexpr explicit ByteView(std::string_view bytes, bool bigEndian = false)
        : m_bytes(bytes), m_big(bigEndian)
    {
    }

    constexpr std::size_t size() const { return m_bytes.size(); }
    constexpr bool bigEndian() const { return m_big; }
    constexpr std::string_view bytes() const { return m_bytes; }

    // `count` bytes from `pos` all lie inside.
    constexpr bool has(uint64_t pos, uint64_t count) const
    {
        return pos <= m_bytes.size() && count <= m_bytes.size() - pos;
    }
    constexpr std::optional<uint16_t> u16(uint64_t pos) const
    {
        if (!has(pos, 2))
            return std::nullopt;
        return static_cast<uint16_t>(number(pos, 2));
    }
    constexpr std::optional<uint32_t> u32(uint64_t pos) const
    {
        if (!has(pos, 4))
            return std::nullopt;
        return static_cast<uint32_t>(number(pos, 4));
    }
    // Exactly `count` bytes from `pos`.
    constexpr std::optional<std::string_view> slice(uint64_t pos, uint64_t count) const
    {
        if (!has(pos, count))
            return std::nullopt;
        return m_bytes.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
    }
    // The part of [pos, pos + count) that lies inside; empty when none does.
    constexpr std::string_view clamped(int64_t pos, int64_t count) const
    {
        const auto size = static_cast<int64_t>(m_bytes.size());
        if (pos < 0) {
            count = count > 0 ? count + pos : 0; // the part before 0 is outside
            pos = 0;
        }
        if (pos >= size || count <= 0)
            return {};
        return m_bytes.substr(static_cast<std::size_t>(pos),
                              static_cast<std::size_t>(count < size - pos ? count : size - pos));
    }
    // The bytes from `pos` for `width` (at most 4) bytes as one unsigned number
    // (no sign extension); the part that lies outside counts as absent.
    constexpr uint32_t uint(uint64_t pos, std::size_t width) const
    {
        const std::string_view part = clamped(static_cast<int64_t>(pos), static_cast<int64_t>(width));
        return ByteView(part, m_big).number(0, part.size());
    }

private:
    constexpr uint32_t number(uint64_t pos, std::size_t width) const
    {
        uint32_t v = 0;
        for (std::size_t i = 0; i < width; ++i)
            v = (v << 8) | static_cast<unsigned char>(
                               m_bytes[static_cast<std::size_t>(pos) + (m_big ? i : width - 1 - i)]);
        return v;
    }

    std::string_view m_bytes;
    bool m_big = false;
};

} // namespace fetchly::inspect

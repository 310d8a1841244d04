#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fetchly::markup {

// The animation frames of a GIF as the picture classes see them: a frame
// starts at a graphic control extension that is directly followed by an image
// descriptor (bytes 21 F9 04 at i, 2C at i+8, ten bytes available from i).

struct GifFrameInfo {
    std::size_t marker = 0; // offset of the graphic control extension
    int delay = 0;          // hundredths of a second
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// At least five bytes that begin with "GIF8".
bool IsGif(std::span<const std::uint8_t> data);
std::vector<GifFrameInfo> FindGifFrames(std::span<const std::uint8_t> data);
// The logical screen size (bytes 6-9); 0, 0 when the data is too short.
void GifLogicalScreen(std::span<const std::uint8_t> data, int &width, int &height);

} // namespace fetchly::markup

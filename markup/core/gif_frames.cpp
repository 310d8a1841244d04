#include "markup/core/gif_frames.h"

#include "inspect/byte_view.h"

namespace fetchly::markup {

namespace {

using inspect::ByteView;

ByteView View(std::span<const std::uint8_t> data)
{
    return ByteView(std::string_view(reinterpret_cast<const char *>(data.data()), data.size()));
}

int Le16(const ByteView &view, std::size_t at)
{
    return view.u16(at).value_or(0);
}

} // namespace

bool IsGif(std::span<const std::uint8_t> data)
{
    return data.size() >= 5 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8';
}

std::vector<GifFrameInfo> FindGifFrames(std::span<const std::uint8_t> data)
{
    std::vector<GifFrameInfo> frames;
    if (data.size() < 10)
        return frames;
    const ByteView view = View(data);
    for (std::size_t i = 0; i + 10 <= data.size(); ++i) {
        if (data[i] != 0x21 || data[i + 1] != 0xF9 || data[i + 2] != 0x04 || data[i + 8] != 0x2C)
            continue;
        GifFrameInfo frame;
        frame.marker = i;
        frame.delay = Le16(view, i + 4);
        // The descriptor's position and size need 17 bytes from the marker.
        if (i + 17 <= data.size()) {
            frame.left = Le16(view, i + 9);
            frame.top = Le16(view, i + 11);
            frame.width = Le16(view, i + 13);
            frame.height = Le16(view, i + 15);
        }
        frames.push_back(frame);
    }
    return frames;
}

void GifLogicalScreen(std::span<const std::uint8_t> data, int &width, int &height)
{
    width = 0;
    height = 0;
    if (data.size() < 10)
        return;
    const ByteView view = View(data);
    width = Le16(view, 6);
    height = Le16(view, 8);
}

} // namespace fetchly::markup

// Feeds arbitrary markup to DrawMarkup in its three modes, with and without
// wrapping, images, pictures and a mouse point taken from the input.

#include "markup/core/draw_markup.h"
#include "markup/core/gif_frames.h"
#include "markup/core/markup_text.h"
#include "tests/markup/fake_surface.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace fetchly::markup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint8_t flags = data[0];
    const int mouseX = data[1];
    const int mouseY = data[2];
    const std::string_view markup(reinterpret_cast<const char *>(data + 3), size - 3);

    test::FakeImageList images(3, 16, 16);
    test::FakePictureCache cache;
    cache.known["HTTP://A/B.GIF"] = std::make_unique<test::FakePicture>(20, 10, 3);
    test::FakePictureStore store;
    store.items["LOGO"] = std::make_unique<test::FakePicture>(8, 8);

    MarkupParams params;
    params.bounds = {0, 0, (flags & 0x10) ? 40 : 300, (flags & 0x20) ? 30 : 4096};
    params.images = (flags & 0x02) ? nullptr : &images;
    params.pictureCache = (flags & 0x04) ? nullptr : &cache;
    params.pictureStore = &store;
    params.mouseX = mouseX;
    params.mouseY = mouseY;
    params.wrap = (flags & 0x01) == 0;
    params.blinkVisible = (flags & 0x08) == 0;

    for (RenderMode mode : {RenderMode::Measure, RenderMode::HitTest, RenderMode::Draw}) {
        test::FakeSurface surface;
        surface.SetFill((flags & 0x40) ? NoColor : 0xFFFFFF);
        const MarkupFont before = surface.Font();
        params.mode = mode;
        const MarkupResult result = DrawMarkup(surface, markup, params);
        if (result.height <= 0 || result.width < 0)
            __builtin_trap();
        if (!(surface.Font() == before))
            __builtin_trap();
    }
    (void)StripMarkup(markup);
    (void)FindGifFrames({data, size});
    return 0;
}

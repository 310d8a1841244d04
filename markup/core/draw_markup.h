#pragma once

#include "markup/core/markup_surface.h"

#include <string>
#include <string_view>

namespace fetchly::markup {

enum class RenderMode {
    Draw,    // lay out and draw
    HitTest, // find the anchor under the mouse point, draw nothing
    Measure, // only the size; every line is laid out, however far it runs
};

struct MarkupParams {
    MarkupRect bounds;
    const MarkupImageList *images = nullptr;
    int mouseX = 0;
    int mouseY = 0;
    RenderMode mode = RenderMode::Draw;
    // false: text inside BLINK is drawn in the background colour.
    bool blinkVisible = true;
    // true: lines break at spaces; false: explicit breaks only, with an ellipsis.
    bool wrap = true;
    int shadowOffset = 1;
    TColor shadowColor = 0x808080;
    TColor urlColor = 0xFF0000;
    MarkupPictureCache *pictureCache = nullptr;
    MarkupPictureStore *pictureStore = nullptr;
};

struct MarkupResult {
    // HitTest: the point lies on the text or an image of an anchor.
    bool result = false;
    // The target of that anchor as written in its tag.
    std::string anchorAtPoint;
    // The widest line, trailing space excluded.
    int width = 0;
    // The sum of the line heights; at least the height of "gh" in the base font.
    int height = 0;
};

// Lays the markup out in `params.bounds` of the surface and draws it, measures
// it or finds the anchor under the mouse point. Never fails: bad markup is
// consumed and ignored. The surface's font and fill are put back afterwards.
MarkupResult DrawMarkup(MarkupSurface &surface, std::string_view markup, const MarkupParams &params);

} // namespace fetchly::markup

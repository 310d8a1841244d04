#pragma once

#include "tests/markup/fake_surface.h"

#include <gtest/gtest.h>

namespace fetchly::markup::test {

// Base font: 10 points, so characters are 5 pixels wide (6 bold) and lines 12
// high. Bounds start at the origin; the line box starts at x = 1.
class MarkupLayoutTest : public ::testing::Test {
protected:
    MarkupResult Run(std::string_view markup, RenderMode mode, MarkupRect bounds = {0, 0, 201, 1000},
                     bool wrap = true)
    {
        params.bounds = bounds;
        params.mode = mode;
        params.wrap = wrap;
        return DrawMarkup(surface, markup, params);
    }
    MarkupResult Measure(std::string_view markup, MarkupRect bounds = {0, 0, 201, 1000}, bool wrap = true)
    {
        return Run(markup, RenderMode::Measure, bounds, wrap);
    }
    MarkupResult Draw(std::string_view markup, MarkupRect bounds = {0, 0, 201, 1000}, bool wrap = true)
    {
        return Run(markup, RenderMode::Draw, bounds, wrap);
    }
    MarkupResult Hit(std::string_view markup, int x, int y, MarkupRect bounds = {0, 0, 201, 1000})
    {
        params.mouseX = x;
        params.mouseY = y;
        return Run(markup, RenderMode::HitTest, bounds);
    }
    const DrawnText *FindText(std::string_view text) const
    {
        for (const DrawnText &t : surface.texts) {
            if (t.text == text)
                return &t;
        }
        return nullptr;
    }

    FakeSurface surface;
    FakeImageList images{5, 16, 16};
    MarkupParams params;
};

} // namespace fetchly::markup::test

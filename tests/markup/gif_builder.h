#pragma once

// Builds small GIF files for the picture tests: every frame fills the whole
// logical screen with one colour of a four-colour table.

#include <QByteArray>

#include <vector>

namespace fetchly::markup::test {

struct GifFrameSpec {
    int colorIndex = 0;
    int delay = 0; // hundredths of a second
};

// Colours of the table: 0 red, 1 green, 2 blue, 3 white.
QByteArray BuildGif(int width, int height, const std::vector<GifFrameSpec> &frames,
                    bool withControlExtensions = true);

} // namespace fetchly::markup::test

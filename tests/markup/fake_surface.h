#pragma once

// A deterministic drawing surface for layout tests and the fuzzer: every
// character is size/2 pixels wide (one more when bold), every line size + 2
// pixels high, and everything drawn is recorded.

#include "markup/core/draw_markup.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fetchly::markup::test {

struct DrawnText {
    std::string text;
    MarkupRect rect;
    MarkupFont font;
    TColor fill = NoColor;
    bool ellipsis = false;
};

struct FilledRect {
    MarkupRect rect;
    TColor color = 0;
};

struct DrawnPicture {
    const MarkupPicture *picture = nullptr;
    MarkupRect rect;
    bool stretch = false;
    bool tiled = false;
};

struct DrawnImage {
    int index = 0;
    int x = 0;
    int y = 0;
    bool systemIcon = false;
    bool large = false;
    std::string icon;
};

class FakeSurface : public MarkupSurface {
public:
    FakeSurface();

    MarkupFont Font() const override { return font_; }
    void SetFont(const MarkupFont &font) override { font_ = font; }
    TColor Fill() const override { return fill_; }
    void SetFill(TColor color) override { fill_ = color; }
    int DpiX() const override { return dpiX; }
    int DpiY() const override { return dpiY; }
    int TextHeight(std::string_view text) override;
    int TextWidth(std::string_view text) override;
    void DrawText(std::string_view text, const MarkupRect &rect, bool ellipsis) override;
    void FillRect(const MarkupRect &rect, TColor color) override;
    void DrawPolyline(const std::vector<MarkupPoint> &points, TColor color, int width) override;
    void DrawPicture(const MarkupPicture &picture, const MarkupRect &rect, bool stretch) override;
    void TilePicture(const MarkupPicture &picture, const MarkupRect &area) override;
    void DrawImage(const MarkupImageList &images, int index, int x, int y) override;
    int SystemIconSize(bool large) override { return large ? 32 : 16; }
    void DrawSystemIcon(std::string_view icon, bool large, int x, int y) override;

    static int CharWidth(const MarkupFont &font) { return font.size / 2 + (font.bold ? 1 : 0); }
    static int LineHeight(const MarkupFont &font) { return font.size + 2; }

    int dpiX = 96;
    int dpiY = 96;
    std::vector<DrawnText> texts;
    std::vector<FilledRect> fills;
    std::vector<std::vector<MarkupPoint>> lines;
    std::vector<TColor> lineColors;
    std::vector<DrawnPicture> pictures;
    std::vector<DrawnImage> images;
    int textHeightCalls = 0;

private:
    MarkupFont font_;
    TColor fill_ = NoColor;
};

class FakeImageList : public MarkupImageList {
public:
    FakeImageList(int count, int width, int height) : count_(count), width_(width), height_(height) {}
    int Count() const override { return count_; }
    int ImageWidth() const override { return width_; }
    int ImageHeight() const override { return height_; }

private:
    int count_, width_, height_;
};

class FakePicture : public MarkupPicture {
public:
    FakePicture(int width, int height, int frames = -1) : width_(width), height_(height), frames_(frames) {}
    bool Empty() const override { return width_ == 0 && height_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int FullWidth() const override { return fullWidth ? fullWidth : width_; }
    int FullHeight() const override { return fullHeight ? fullHeight : height_; }
    int FrameCount() const override { return frames_; }
    int DrawOffsetLeft() const override { return offsetLeft; }
    int DrawOffsetTop() const override { return offsetTop; }

    int fullWidth = 0, fullHeight = 0, offsetLeft = 0, offsetTop = 0;

private:
    int width_, height_, frames_;
};

// Pictures by URL: known URLs (upper-cased) give their picture, any other
// is recorded and stays empty, like a web URL.
class FakePictureCache : public MarkupPictureCache {
public:
    MarkupPicture *FindPicture(std::string_view id) override;
    MarkupPicture *AddPicture(std::string_view url) override;

    std::map<std::string, std::unique_ptr<FakePicture>> known; // by upper-cased URL
    std::vector<std::string> added;                            // as asked, in order

private:
    std::map<std::string, std::unique_ptr<FakePicture>> loaded_;
};

class FakePictureStore : public MarkupPictureStore {
public:
    MarkupPicture *FindPicture(std::string_view upperName) override;
    std::map<std::string, std::unique_ptr<FakePicture>> items; // by upper-cased name
};

} // namespace fetchly::markup::test

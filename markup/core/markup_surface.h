#pragma once

#include "markup/core/markup_color.h"

#include <string>
#include <string_view>
#include <vector>

namespace fetchly::markup {

struct MarkupRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const MarkupRect &) const = default;
};

struct MarkupPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MarkupPoint &) const = default;
};

// The font state of a surface. `size` is in points; `angle` in tenths of a
// degree, counter-clockwise (0 for ordinary text).
struct MarkupFont {
    std::string name;
    int size = 8;
    TColor color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int angle = 0;

    bool operator==(const MarkupFont &) const = default;
};

// A picture the markup refers to (by name in a picture store, or by URL in a
// picture cache). Sizes are in pixels at 96 dots per inch.
class MarkupPicture {
public:
    virtual ~MarkupPicture() = default;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The logical screen of an animation, else Width() and Height().
    virtual int FullWidth() const = 0;
    virtual int FullHeight() const = 0;
    // -1 for a picture that is not an animation.
    virtual int FrameCount() const = 0;
    // Where the decoded image of the current frame sits inside the full size.
    virtual int DrawOffsetLeft() const = 0;
    virtual int DrawOffsetTop() const = 0;
};

// The image list behind "idx:N": Count() images of one size.
class MarkupImageList {
public:
    virtual ~MarkupImageList() = default;
    virtual int Count() const = 0;
    virtual int ImageWidth() const = 0;
    virtual int ImageHeight() const = 0;
};

// Pictures loaded by URL, owned by the caller of DrawMarkup (one per list box).
class MarkupPictureCache {
public:
    virtual ~MarkupPictureCache() = default;
    // The first picture whose identifier (its upper-cased URL) equals `id`.
    virtual MarkupPicture *FindPicture(std::string_view id) = 0;
    // Adds a picture, loads it from `url` at once and returns it.
    virtual MarkupPicture *AddPicture(std::string_view url) = 0;
};

// Named pictures; names are compared upper-cased.
class MarkupPictureStore {
public:
    virtual ~MarkupPictureStore() = default;
    virtual MarkupPicture *FindPicture(std::string_view upperName) = 0;
};

// Where the renderer draws. Text is UTF-8. The surface keeps a current font and
// fill; the renderer puts both back as it found them. Text operations follow
// the mnemonic rule: "&x" shows x underlined, "&&" shows one "&".
class MarkupSurface {
public:
    virtual ~MarkupSurface() = default;

    virtual MarkupFont Font() const = 0;
    virtual void SetFont(const MarkupFont &font) = 0;
    // The fill behind text cells and of FillRect; NoColor for none.
    virtual TColor Fill() const = 0;
    virtual void SetFill(TColor color) = 0;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;

    // Height of one line of text in the current font (external leading included).
    virtual int TextHeight(std::string_view text) = 0;
    // Width of a single-line text as DrawText lays it out.
    virtual int TextWidth(std::string_view text) = 0;
    // Draws one line of text aligned to the bottom of `rect`, tabs expanded, in
    // the current font and its colour; the text's cell is filled first when a
    // fill is set. With `ellipsis` text that does not fit ends in "...".
    virtual void DrawText(std::string_view text, const MarkupRect &rect, bool ellipsis) = 0;
    virtual void FillRect(const MarkupRect &rect, TColor color) = 0;
    virtual void DrawPolyline(const std::vector<MarkupPoint> &points, TColor color, int width) = 0;
    // Stretched into `rect`, or at its own size at rect's top-left corner.
    virtual void DrawPicture(const MarkupPicture &picture, const MarkupRect &rect, bool stretch) = 0;
    // Tiles the picture over `area`, rows from the top, clipped to `area`.
    virtual void TilePicture(const MarkupPicture &picture, const MarkupRect &area) = 0;
    virtual void DrawImage(const MarkupImageList &images, int index, int x, int y) = 0;
    // Side of the platform's small or large file icons, in pixels at 96 dpi.
    virtual int SystemIconSize(bool large) = 0;
    // `icon` is an icon number or a file name (its icon, or that of its type).
    virtual void DrawSystemIcon(std::string_view icon, bool large, int x, int y) = 0;
};

} // namespace fetchly::markup

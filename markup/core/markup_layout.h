#pragma once

// The layout engine behind DrawMarkup: one object per call, holding the
// running state that lives across the lines of that call.

#include "markup/core/draw_markup.h"

#include <optional>
#include <string>
#include <string_view>

namespace fetchly::markup::detail {

enum class Align { Left, Right, Center };

// A running font (one for the measure passes, one for the second passes) and
// the font an R tag replaced, for /R.
struct FontChain {
    MarkupFont font;
    std::optional<MarkupFont> beforeRotation;
};

// Vertical values of the line being laid out; both passes share them.
struct LineValues {
    int height = 0;
    int subDepth = 0;
    int supRise = 0;
    int imageOffset = 0;
    bool subscript = false;
    bool superscript = false;
};

// One pass of LayoutLine over `markup` (the remaining text in a measure pass,
// exactly the consumed part in a second pass).
struct Pass {
    bool measuring = false; // decides what the line holds; the second pass follows it
    bool draw = false;
    FontChain *chain = nullptr;
    MarkupRect box;
    std::string_view markup;
    std::size_t pos = 0;   // consumed so far
    bool dropRest = false; // the rest after `pos` is dropped
    bool complete = false; // the line is complete
    long long x = 0;       // pen position
    long long lineWidth = 0;
    bool placedAny = false; // text placed so far on this line
    bool placedEndsSpace = false;
    int trailingSpace = 0;
    bool listItemMet = false;
    bool foundText = false;  // the point lies on anchor text
    bool foundImage = false; // the point lies on an anchor image
};

class Layout {
public:
    Layout(MarkupSurface &surface, const MarkupParams &params);
    MarkupResult Run(std::string_view markup);

private:
    void LayoutLine(Pass &pass);
    void PlaceSegment(Pass &pass, std::size_t length);
    void DrawSegment(Pass &pass, const std::string &text, int width);
    void DrawErrorWave(long long x, int width, int textBottom, int clipRight);
    // Handles the tag at the front of `rest`; false when it refuses to go on
    // this line and stays for the next.
    bool HandleTag(Pass &pass, std::string_view tag, std::string_view rest);
    void OpeningTag(Pass &pass, std::string_view tag, const std::string &upper, std::string_view rest);
    void ClosingTag(Pass &pass, const std::string &upper);
    void FontTag(Pass &pass, std::string_view tag, const std::string &upper);
    void ParagraphTag(Pass &pass, const std::string &upper);
    void BodyTag(Pass &pass, std::string_view tag, const std::string &upper);
    void IndentTag(Pass &pass, std::string_view tag);
    void RotateTag(Pass &pass, const std::string &upper);
    bool ListItemTag(Pass &pass);
    bool ImageTag(Pass &pass, std::string_view tag, const std::string &upper);
    void HitTestImage(Pass &pass, int width, int height, int number);
    MarkupPicture *FindPicture(std::string_view upperRef, std::string_view writtenRef);

    void ApplyFont(const Pass &pass);
    void SetFill(TColor color);
    int GhHeight();
    int TextBottom(const Pass &pass) const { return pass.box.bottom - line_.subDepth; }
    int ScaleX(int v) const;
    int ScaleY(int v) const;

    MarkupSurface &surface_;
    const MarkupParams &p_;

    MarkupFont baseFont_;
    TColor background_ = NoColor;
    TColor fill_ = NoColor;
    FontChain measureChain_;
    FontChain drawChain_;
    Align align_ = Align::Left;
    int indent_ = 0;
    int listLevel_ = 0;
    bool anchorOpen_ = false;
    std::string anchorTarget_;
    int imageCounter_ = 0;
    int imageUnderPoint_ = -1;
    bool shadow_ = false;
    bool hidden_ = false;
    bool errorUnderline_ = false;
    bool paragraphBand_ = false;
    TColor fontFillSaved_ = NoColor;
    TColor hiFillSaved_ = NoColor;
    TColor hiColorSaved_ = 0;
    TColor paragraphFillSaved_ = NoColor;
    LineValues line_;
    MarkupResult out_;
    long long width_ = 0;
};

// Limits that keep coordinates far from integer overflow whatever the markup says.
inline constexpr long long kMaxCoord = 1LL << 30;
inline constexpr int kMaxImageSide = 65535;
inline constexpr int kMaxIndent = 1 << 20;
inline constexpr int kMaxListLevel = 10000;
inline constexpr int kMaxFontSize = 1000;

inline int ClampCoord(long long v)
{
    return static_cast<int>(v < -kMaxCoord ? -kMaxCoord : (v > kMaxCoord ? kMaxCoord : v));
}

} // namespace fetchly::markup::detail

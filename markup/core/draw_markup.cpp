#include "markup/core/draw_markup.h"

#include "markup/core/markup_layout.h"
#include "markup/core/markup_text.h"

#include <algorithm>
#include <cmath>

namespace fetchly::markup {

MarkupResult DrawMarkup(MarkupSurface &surface, std::string_view markup, const MarkupParams &params)
{
    detail::Layout layout(surface, params);
    return layout.Run(markup);
}

namespace detail {

Layout::Layout(MarkupSurface &surface, const MarkupParams &params) : surface_(surface), p_(params) {}

int Layout::ScaleX(int v) const
{
    return static_cast<int>(std::lround(static_cast<double>(v) * surface_.DpiX() / 96.0));
}

int Layout::ScaleY(int v) const
{
    return static_cast<int>(std::lround(static_cast<double>(v) * surface_.DpiY() / 96.0));
}

void Layout::ApplyFont(const Pass &pass)
{
    surface_.SetFont(pass.chain->font);
}

void Layout::SetFill(TColor color)
{
    fill_ = color;
    surface_.SetFill(color);
}

int Layout::GhHeight()
{
    return surface_.TextHeight("gh");
}

MarkupResult Layout::Run(std::string_view markup)
{
    const std::string text = PrepareMarkupText(markup);

    baseFont_ = surface_.Font();
    background_ = surface_.Fill();
    SetFill(NoColor);
    measureChain_.font = baseFont_;
    drawChain_.font = baseFont_;

    const MarkupRect &bounds = p_.bounds;
    const int lineLeft = ClampCoord(static_cast<long long>(bounds.left) + 1);
    long long top = bounds.top;
    long long height = 0;
    std::string_view rest = text;

    while (!rest.empty()) {
        line_ = LineValues{};
        surface_.SetFont(measureChain_.font);
        line_.height = GhHeight();

        const bool anchorOpen = anchorOpen_;
        const std::string anchorTarget = anchorTarget_;
        const int listLevel = listLevel_;
        const int imageCounter = imageCounter_;
        // The second pass starts from the same flags as the first, so that both
        // passes lay out the same line even when a line leaves these open.
        const bool hidden = hidden_, shadow = shadow_;

        Pass measure;
        measure.measuring = true;
        measure.chain = &measureChain_;
        measure.box = {lineLeft, ClampCoord(top), bounds.right, bounds.bottom};
        measure.markup = rest;
        LayoutLine(measure);
        anchorOpen_ = anchorOpen;
        anchorTarget_ = anchorTarget;

        const long long lineWidth = measure.lineWidth;
        long long left = lineLeft;
        if (align_ == Align::Right && bounds.right - lineWidth > left)
            left = bounds.right - lineWidth;
        if (align_ == Align::Center && bounds.right - (left + lineWidth) > 0)
            left += (bounds.right - (left + lineWidth)) / 2;
        left += indent_;

        if (p_.mode != RenderMode::Measure) {
            listLevel_ = listLevel;
            imageCounter_ = imageCounter;
            hidden_ = hidden;
            shadow_ = shadow;
            line_.subscript = false;
            line_.superscript = false;

            Pass second;
            second.draw = p_.mode == RenderMode::Draw;
            second.chain = &drawChain_;
            const long long bottom =
                top + static_cast<long long>(line_.height) + line_.subDepth + line_.supRise;
            second.box = {ClampCoord(left), ClampCoord(top), bounds.right, ClampCoord(bottom)};
            second.markup = rest.substr(0, measure.pos);
            LayoutLine(second);

            const long long textBase = static_cast<long long>(second.box.bottom) - line_.imageOffset;
            if (second.foundText && p_.mouseY > textBase - GhHeight() && p_.mouseY < textBase)
                out_.result = true;
            else if (second.foundImage)
                out_.result = true;
        }

        const long long lineTotal = static_cast<long long>(line_.height) + line_.subDepth + line_.supRise;
        top += lineTotal;
        height += lineTotal;

        if (measure.dropRest || measure.pos >= rest.size())
            rest = {};
        else if (measure.pos == 0)
            rest.remove_prefix(1); // never reached: every line consumes something
        else
            rest.remove_prefix(measure.pos);

        if (p_.mode != RenderMode::Measure && bounds.bottom < top)
            break;
    }

    surface_.SetFont(baseFont_);
    if (height == 0)
        height = GhHeight();
    SetFill(background_);

    out_.width = ClampCoord(width_);
    out_.height = ClampCoord(height);
    return std::move(out_);
}

void Layout::LayoutLine(Pass &pass)
{
    pass.x = pass.box.left;
    ApplyFont(pass);
    const MarkupRect &bounds = p_.bounds;

    if (pass.draw && paragraphBand_ && fill_ != NoColor)
        surface_.FillRect({bounds.left, pass.box.top, bounds.right,
                           ClampCoord(static_cast<long long>(pass.box.top) + line_.height)},
                          fill_);

    std::string_view markup = pass.markup;
    while (!pass.complete && pass.pos < markup.size()) {
        std::string_view rest = markup.substr(pass.pos);
        const std::size_t lt = rest.find('<');
        const std::size_t space = p_.wrap ? rest.find(' ') : std::string_view::npos;
        std::size_t length;
        if (lt == std::string_view::npos || (space != std::string_view::npos && space < lt))
            length = space != std::string_view::npos ? space + 1 : rest.size();
        else
            length = lt;

        if (length > 0) {
            PlaceSegment(pass, length);
            if (pass.complete || pass.dropRest)
                break;
            rest = markup.substr(pass.pos);
        }

        if (!rest.empty() && rest[0] == '<' && rest.size() <= 2) {
            pass.dropRest = true;
            break;
        }
        if (rest.size() < 3 || rest[0] != '<')
            continue;

        const std::size_t gt = rest.find('>');
        const std::string_view tag = gt == std::string_view::npos ? rest : rest.substr(0, gt + 1);
        if (!HandleTag(pass, tag, rest)) {
            pass.complete = true;
            break;
        }
        // A tag without ">" still takes effect; what follows it is dropped.
        pass.pos = gt == std::string_view::npos ? markup.size() : pass.pos + gt + 1;
    }

    pass.lineWidth -= pass.trailingSpace;
    width_ = std::max(width_, pass.lineWidth);
    pass.lineWidth = std::max<long long>(pass.lineWidth, 0);
}

void Layout::PlaceSegment(Pass &pass, std::size_t length)
{
    const std::string text = ReplaceLayoutEntities(pass.markup.substr(pass.pos, length));
    const int h = surface_.TextHeight(text);
    if (line_.subscript)
        line_.subDepth = std::max(line_.subDepth, h / 4);
    if (line_.superscript)
        line_.supRise = std::max(line_.supRise, h / 4);
    line_.height = std::max(line_.height, h);

    if (hidden_) {
        pass.pos += length;
        return;
    }

    int w;
    if (!pass.draw) {
        w = surface_.TextWidth(text);
        const long long mx = static_cast<long long>(p_.mouseX) - pass.box.left;
        if (anchorOpen_ && mx >= pass.lineWidth && mx <= pass.lineWidth + w) {
            pass.foundText = true;
            if (p_.mouseY > pass.box.top)
                out_.anchorAtPoint = anchorTarget_;
        }
        pass.lineWidth += w;
        pass.x += w;
    } else {
        w = surface_.TextWidth(text);
        DrawSegment(pass, text, w);
        pass.x += w;
    }

    const long long boxWidth = static_cast<long long>(pass.box.right) - pass.box.left;
    bool fits = pass.lineWidth < boxWidth || w >= boxWidth;
    // A word that tags split in two stays together.
    if (!fits && pass.placedAny && !pass.placedEndsSpace)
        fits = true;
    if (!text.empty()) {
        pass.placedAny = true;
        pass.placedEndsSpace = text.back() == ' ';
    }

    if (fits || !p_.wrap) {
        pass.pos += length;
        if (!pass.draw && !fits)
            pass.dropRest = true;
        pass.trailingSpace = (!text.empty() && text.back() == ' ') ? surface_.TextWidth(" ") : 0;
    } else {
        pass.complete = true;
        pass.lineWidth -= w;
    }
}

void Layout::DrawSegment(Pass &pass, const std::string &text, int width)
{
    long long bottom = TextBottom(pass);
    if (line_.superscript)
        bottom -= line_.supRise;
    if (line_.subscript)
        bottom += line_.subDepth;
    bottom -= line_.imageOffset;
    MarkupRect rect{ClampCoord(pass.x), pass.box.top, pass.box.right, ClampCoord(bottom)};
    const bool ellipsis = !p_.wrap;

    if (shadow_) {
        MarkupFont shadowFont = pass.chain->font;
        shadowFont.color = p_.shadowColor;
        surface_.SetFont(shadowFont);
        const int d = p_.shadowOffset;
        surface_.DrawText(text,
                          {ClampCoord(static_cast<long long>(rect.left) + d),
                           ClampCoord(static_cast<long long>(rect.top) + d),
                           ClampCoord(static_cast<long long>(rect.right) + d),
                           ClampCoord(static_cast<long long>(rect.bottom) + d)},
                          ellipsis);
        ApplyFont(pass);
    }
    surface_.DrawText(text, rect, ellipsis);

    if (errorUnderline_)
        DrawErrorWave(pass.x, width, TextBottom(pass), pass.box.right);
}

void Layout::DrawErrorWave(long long x, int width, int textBottom, int clipRight)
{
    // A red zigzag two pixels high under the word, in steps of two pixels,
    // phased by the absolute position so that neighbouring words join up.
    long long pos = x - (((x % 2) + 2) % 2);
    int phase = (((pos % 4) + 4) % 4) == 0 ? 2 : 0;
    const long long end = std::min<long long>(x + width, static_cast<long long>(clipRight) + 2);
    std::vector<MarkupPoint> points;
    points.push_back({ClampCoord(pos), textBottom + phase - 1});
    while (pos < end) {
        phase = 2 - phase;
        pos += 2;
        points.push_back({ClampCoord(pos), textBottom + phase - 1});
    }
    if (points.size() > 1)
        surface_.DrawPolyline(points, 0x0000FF, 1);
}

} // namespace detail
} // namespace fetchly::markup

#include "tests/markup/fake_surface.h"

#include "markup/core/markup_text.h"

namespace fetchly::markup::test {

namespace {

int CodePoints(std::string_view text)
{
    int n = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++n;
    }
    return n;
}

} // namespace

FakeSurface::FakeSurface()
{
    font_.name = "Base";
    font_.size = 10;
}

int FakeSurface::TextHeight(std::string_view)
{
    ++textHeightCalls;
    return LineHeight(font_);
}

int FakeSurface::TextWidth(std::string_view text)
{
    return CodePoints(StripMnemonic(text)) * CharWidth(font_);
}

void FakeSurface::DrawText(std::string_view text, const MarkupRect &rect, bool ellipsis)
{
    texts.push_back({std::string(text), rect, font_, fill_, ellipsis});
}

void FakeSurface::FillRect(const MarkupRect &rect, TColor color)
{
    fills.push_back({rect, color});
}

void FakeSurface::DrawPolyline(const std::vector<MarkupPoint> &points, TColor color, int)
{
    lines.push_back(points);
    lineColors.push_back(color);
}

void FakeSurface::DrawPicture(const MarkupPicture &picture, const MarkupRect &rect, bool stretch)
{
    pictures.push_back({&picture, rect, stretch, false});
}

void FakeSurface::TilePicture(const MarkupPicture &picture, const MarkupRect &area)
{
    pictures.push_back({&picture, area, false, true});
}

void FakeSurface::DrawImage(const MarkupImageList &, int index, int x, int y)
{
    images.push_back({index, x, y, false, false, {}});
}

void FakeSurface::DrawSystemIcon(std::string_view icon, bool large, int x, int y)
{
    images.push_back({0, x, y, true, large, std::string(icon)});
}

MarkupPicture *FakePictureCache::FindPicture(std::string_view id)
{
    const auto it = loaded_.find(std::string(id));
    return it == loaded_.end() ? nullptr : it->second.get();
}

MarkupPicture *FakePictureCache::AddPicture(std::string_view url)
{
    added.emplace_back(url);
    const std::string id = UpperAscii(url);
    auto known_it = known.find(id);
    std::unique_ptr<FakePicture> picture =
        known_it != known.end() ? std::move(known_it->second) : std::make_unique<FakePicture>(0, 0);
    if (known_it != known.end())
        known.erase(known_it);
    MarkupPicture *result = picture.get();
    loaded_[id] = std::move(picture);
    return result;
}

MarkupPicture *FakePictureStore::FindPicture(std::string_view upperName)
{
    const auto it = items.find(std::string(upperName));
    return it == items.end() ? nullptr : it->second.get();
}

} // namespace fetchly::markup::test

// The tags of the markup, recognised by their leading letters.

#include "markup/core/markup_layout.h"
#include "markup/core/markup_text.h"

#include <algorithm>

namespace fetchly::markup::detail {

namespace {

char At(const std::string &s, std::size_t i)
{
    return i < s.size() ? s[i] : '\0';
}

// The text between the first two double quotes at or after `from`.
struct Quoted {
    std::size_t begin = std::string::npos;
    std::size_t length = 0;
};

Quoted QuotedAfter(std::string_view text, std::size_t from)
{
    if (from > text.size())
        return {};
    const std::size_t open = text.find('"', from);
    if (open == std::string_view::npos)
        return {};
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return {};
    return {open + 1, close - open - 1};
}

// An attribute found by a plain search for its (upper-case) name in the
// upper-cased tag text from `start` on; its value is the next quoted text.
struct Attribute {
    bool found = false;
    Quoted value;
    std::string_view In(std::string_view text) const
    {
        if (value.begin == std::string::npos)
            return {};
        return text.substr(value.begin, value.length);
    }
};

Attribute FindAttribute(const std::string &upper, std::string_view name, std::size_t start)
{
    if (start > upper.size())
        return {};
    const std::size_t at = upper.find(name, start);
    if (at == std::string::npos)
        return {};
    return {true, QuotedAfter(upper, at + name.size())};
}

// FONT COLOR and BGCOLOR, P BGCOLOR: "#RRGGBB" or a colour name.
TColor ColorValue(std::string_view value)
{
    if (!value.empty() && value[0] == '#')
        return ColorFromHex(value);
    return ColorFromName(value);
}

} // namespace

bool Layout::HandleTag(Pass &pass, std::string_view tag, std::string_view rest)
{
    const std::string upper = UpperAscii(tag);
    if (upper[1] == '/' && rest.size() > 3) {
        ClosingTag(pass, upper);
        return true;
    }
    switch (upper[1]) {
    case 'I':
        if (upper[2] == 'M')
            return ImageTag(pass, tag, upper);
        break;
    case 'L':
        return ListItemTag(pass);
    default:
        break;
    }
    OpeningTag(pass, tag, upper, rest);
    return true;
}

void Layout::OpeningTag(Pass &pass, std::string_view tag, const std::string &upper, std::string_view rest)
{
    MarkupFont &font = pass.chain->font;
    const char second = upper[2];
    switch (upper[1]) {
    case 'A': {
        if (pass.draw) {
            font.underline = true;
            font.color = p_.urlColor;
            ApplyFont(pass);
        }
        const Quoted target = QuotedAfter(tag, 0);
        anchorTarget_ = target.begin == std::string::npos
                            ? std::string()
                            : std::string(tag.substr(target.begin, target.length));
        anchorOpen_ = true;
        break;
    }
    case 'B':
        if (second == '>') {
            font.bold = true;
            ApplyFont(pass);
        } else if (second == 'R') {
            pass.complete = true;
        } else if (second == 'L') {
            if (!p_.blinkVisible) {
                font.color = background_ == NoColor ? baseFont_.color : background_;
                ApplyFont(pass);
            }
        } else if (second == 'O') {
            if (pass.draw)
                BodyTag(pass, tag, upper);
        }
        break;
    case 'E':
        if (pass.draw)
            errorUnderline_ = true;
        break;
    case 'F':
        if (rest.find('>') != std::string_view::npos)
            FontTag(pass, tag, upper);
        break;
    case 'H':
        if (second == 'I') {
            if (pass.draw) {
                hiColorSaved_ = font.color;
                hiFillSaved_ = fill_;
                SetFill(0x8000000D);
                font.color = 0x8000000E;
                ApplyFont(pass);
            }
        } else if (second == 'R') {
            pass.complete = true;
            if (pass.draw) {
                const int y = TextBottom(pass) + 1;
                surface_.DrawPolyline({{pass.box.left, y}, {pass.box.right, y}}, 0x000000, 1);
            }
        }
        break;
    case 'I':
        if (second == '>') {
            font.italic = true;
            ApplyFont(pass);
        } else if (second == 'N') {
            IndentTag(pass, tag);
        }
        break;
    case 'P':
        if (rest.find('>') != std::string_view::npos)
            ParagraphTag(pass, upper);
        break;
    case 'R':
        RotateTag(pass, upper);
        break;
    case 'S':
        if (StartsWithNoCase(rest, "<SUB>")) {
            line_.subscript = true;
        } else if (StartsWithNoCase(rest, "<SUP>")) {
            line_.superscript = true;
        } else if (second == '>') {
            font.strikeout = true;
            ApplyFont(pass);
        } else if (second == 'H') {
            shadow_ = true;
        }
        break;
    case 'U':
        if (second == '>') {
            font.underline = true;
            ApplyFont(pass);
        } else {
            listLevel_ = std::min(listLevel_ + 1, kMaxListLevel);
        }
        break;
    case 'Z':
        hidden_ = true;
        break;
    default:
        break; // unknown tags are consumed and ignored
    }
}

void Layout::ClosingTag(Pass &pass, const std::string &upper)
{
    MarkupFont &font = pass.chain->font;
    const char third = At(upper, 3);
    switch (upper[2]) {
    case 'A':
        if (pass.draw) {
            font.underline = false;
            font.color = baseFont_.color;
            ApplyFont(pass);
        }
        // Closed in every pass: text after the anchor is no part of it when
        // the second pass hit-tests.
        anchorOpen_ = false;
        break;
    case 'B':
        if (third == '>')
            font.bold = false;
        else
            font.color = baseFont_.color;
        ApplyFont(pass);
        break;
    case 'E':
        if (pass.draw)
            errorUnderline_ = false;
        break;
    case 'F':
        font.name = baseFont_.name;
        font.size = baseFont_.size;
        if (pass.draw) {
            font.color = baseFont_.color;
            SetFill(fontFillSaved_);
        }
        ApplyFont(pass);
        break;
    case 'H':
        if (pass.draw) {
            font.color = hiColorSaved_;
            SetFill(hiFillSaved_);
            ApplyFont(pass);
        }
        break;
    case 'I':
        font.italic = false;
        ApplyFont(pass);
        break;
    case 'P':
        pass.complete = true;
        if (pass.draw) {
            SetFill(paragraphFillSaved_);
            paragraphBand_ = false;
        }
        break;
    case 'R':
        if (pass.chain->beforeRotation) {
            font = *pass.chain->beforeRotation;
            pass.chain->beforeRotation.reset();
            ApplyFont(pass);
        }
        break;
    case 'S':
        if (third == 'U') {
            line_.subscript = false;
            line_.superscript = false;
        } else if (third == 'H') {
            shadow_ = false;
        } else {
            font.strikeout = false;
            ApplyFont(pass);
        }
        break;
    case 'U':
        if (third == '>') {
            font.underline = false;
            ApplyFont(pass);
        } else if (listLevel_ > 0) {
            --listLevel_;
        } else {
            font.underline = false;
            ApplyFont(pass);
        }
        break;
    case 'Z':
        hidden_ = false;
        break;
    default:
        break;
    }
}

void Layout::FontTag(Pass &pass, std::string_view tag, const std::string &upper)
{
    (void)tag;
    MarkupFont &font = pass.chain->font;
    constexpr std::size_t start = 5;

    const Attribute face = FindAttribute(upper, "FACE", start);
    if (face.found && face.value.length > 0)
        font.name = std::string(face.In(upper));

    const Attribute color = FindAttribute(upper, " COLOR", start);
    if (color.found && color.value.length > 0)
        font.color = ColorValue(color.In(upper));

    const Attribute bgColor = FindAttribute(upper, "BGCOLOR", start);
    if (bgColor.found && pass.draw) {
        fontFillSaved_ = fill_;
        if (bgColor.value.length > 0)
            SetFill(ColorValue(bgColor.In(upper)));
    }

    const std::size_t size = start <= upper.size() ? upper.find("SIZE", start) : std::string::npos;
    if (size != std::string::npos) {
        std::string_view after = std::string_view(upper).substr(size + 4);
        const std::size_t eq = after.find('=');
        after = eq == std::string_view::npos ? std::string_view() : after.substr(eq + 1);
        const std::size_t quote = after.find('"');
        after = quote == std::string_view::npos ? std::string_view() : after.substr(quote + 1);
        const int n = LeadingInt(after);
        static constexpr int kHtmlSizes[] = {8, 10, 12, 14, 16};
        const int points = (n >= 1 && n <= 5) ? kHtmlSizes[n - 1] : n;
        // A size below one point would select the platform's default; keep the
        // current size then, and keep absurd sizes within reach of the surface.
        if (points >= 1)
            font.size = std::min(points, kMaxFontSize);
    }
    ApplyFont(pass);
}

void Layout::ParagraphTag(Pass &pass, const std::string &upper)
{
    constexpr std::size_t start = 2;
    const Attribute align = FindAttribute(upper, "ALIGN", start);
    if (align.found) {
        const std::string_view value = align.In(upper);
        if (value.find("RIGHT") != std::string_view::npos)
            align_ = Align::Right;
        if (value.find("LEFT") != std::string_view::npos)
            align_ = Align::Left;
        if (value.find("CENTER") != std::string_view::npos)
            align_ = Align::Center;
    }
    const Attribute indent = FindAttribute(upper, "INDENT", start);
    if (indent.found)
        indent_ = std::clamp(LeadingInt(indent.In(upper)), -kMaxIndent, kMaxIndent);

    const Attribute bgColor = FindAttribute(upper, "BGCOLOR", start);
    if (bgColor.found && pass.draw) {
        const TColor color = bgColor.value.length > 0 ? ColorValue(bgColor.In(upper)) : NoColor;
        paragraphBand_ = true;
        paragraphFillSaved_ = fill_;
        SetFill(color);
        if (color != NoColor)
            surface_.FillRect({p_.bounds.left, pass.box.top, p_.bounds.right, TextBottom(pass)}, color);
    }
}

void Layout::BodyTag(Pass &pass, std::string_view tag, const std::string &upper)
{
    (void)pass;
    constexpr std::size_t start = 5;
    // The colour first, so that a background picture is not painted over.
    const Attribute bgColor = FindAttribute(upper, "BGCOLOR", start);
    if (bgColor.found) {
        const std::string_view value = bgColor.In(upper);
        TColor color = fill_;
        bool known = false;
        if (value.find("CL") != std::string_view::npos) {
            color = ColorFromName(value);
            known = true;
        }
        const std::size_t hash = value.find('#');
        if (hash != std::string_view::npos) {
            color = ColorFromHex(value.substr(hash));
            known = true;
        }
        if (known) {
            SetFill(color);
            surface_.FillRect(p_.bounds, color);
        }
    }

    const Attribute background = FindAttribute(upper, "BACKGROUND", start);
    if (background.found && background.value.length > 0) {
        MarkupPicture *picture = FindPicture(background.In(upper), background.In(tag));
        if (picture && !picture->Empty() && picture->Width() > 0 && picture->Height() > 0)
            surface_.TilePicture(*picture, p_.bounds);
    }
}

void Layout::IndentTag(Pass &pass, std::string_view tag)
{
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 2; i < tag.size(); ++i) {
        if (tag[i] == 'x' || tag[i] == 'X') {
            at = i;
            break;
        }
    }
    if (at == std::string_view::npos)
        return;
    const Quoted value = QuotedAfter(tag, at + 1);
    if (value.begin == std::string::npos)
        return;
    const std::optional<int> n = WholeInt(tag.substr(value.begin, value.length));
    if (!n)
        return;
    const int indent = std::clamp(*n, -kMaxIndent, kMaxIndent);
    if (pass.lineWidth < indent) {
        pass.lineWidth = indent;
        pass.x = static_cast<long long>(p_.bounds.left) + indent;
    }
}

void Layout::RotateTag(Pass &pass, const std::string &upper)
{
    const std::size_t a = upper.size() > 2 ? upper.find('A', 2) : std::string::npos;
    int angle = 0;
    if (a != std::string::npos) {
        const Quoted value = QuotedAfter(upper, a + 1);
        if (value.begin != std::string::npos)
            angle = LeadingInt(std::string_view(upper).substr(value.begin, value.length));
    }
    FontChain &chain = *pass.chain;
    if (!chain.beforeRotation)
        chain.beforeRotation = chain.font;
    chain.font.angle = (angle % 360) * 10;
    ApplyFont(pass);
}

bool Layout::ListItemTag(Pass &pass)
{
    if (pass.listItemMet)
        return false;
    pass.listItemMet = true;
    pass.lineWidth += 12LL * listLevel_;
    pass.x += 12LL * (listLevel_ - 1);
    if (pass.draw) {
        MarkupFont bulletFont = pass.chain->font;
        bulletFont.name = "Symbol";
        surface_.SetFont(bulletFont);
        const char *bullet = (listLevel_ % 2 != 0) ? "\xE2\x80\xA2" : "o";
        const int h = surface_.TextHeight(bullet);
        surface_.DrawText(bullet, {ClampCoord(pass.x), pass.box.top, pass.box.right, pass.box.top + h},
                          false);
        ApplyFont(pass);
    }
    pass.x += 12;
    return true;
}

MarkupPicture *Layout::FindPicture(std::string_view upperRef, std::string_view writtenRef)
{
    if (upperRef.find(':') == std::string_view::npos) {
        if (p_.pictureStore)
            return p_.pictureStore->FindPicture(upperRef);
        return nullptr;
    }
    if (upperRef.find("://") != std::string_view::npos && p_.pictureCache) {
        if (MarkupPicture *picture = p_.pictureCache->FindPicture(upperRef))
            return picture;
        // Loaded from the reference as written: paths on this platform are
        // case-sensitive, only the cache's identifier is upper-cased.
        return p_.pictureCache->AddPicture(writtenRef);
    }
    return nullptr;
}

bool Layout::ImageTag(Pass &pass, std::string_view tag, const std::string &upper)
{
    const int number = ++imageCounter_;
    constexpr std::size_t start = 2;

    const Attribute srcAttr = FindAttribute(upper, "SRC", start);
    std::string_view source = srcAttr.In(upper);
    std::string_view written = srcAttr.In(tag);
    const Attribute alt = FindAttribute(upper, "ALT", start);
    if (alt.found && number == imageUnderPoint_) {
        source = alt.In(upper);
        written = alt.In(tag);
    }
    const Attribute widthAttr = FindAttribute(upper, "WIDTH", start);
    const Attribute heightAttr = FindAttribute(upper, "HEIGHT", start);
    const int wantWidth = std::clamp(LeadingInt(widthAttr.In(upper)), -1, kMaxImageSide);
    const int wantHeight = std::clamp(LeadingInt(heightAttr.In(upper)), -1, kMaxImageSide);
    const bool sized = wantWidth >= 1 && wantHeight >= 1;

    enum class Kind { None, Indexed, SystemIcon, Picture } kind = Kind::None;
    int w = 0, h = 0, index = 0;
    bool largeIcon = false;
    std::string_view iconSpec;
    MarkupPicture *picture = nullptr;

    if (source.find("IDX:") != std::string_view::npos) {
        index = LeadingInt(source.substr(std::min<std::size_t>(4, source.size())));
        if (p_.images && index >= 0 && index < p_.images->Count()) {
            kind = Kind::Indexed;
            w = ScaleX(std::clamp(p_.images->ImageWidth(), 0, kMaxImageSide));
            h = ScaleY(std::clamp(p_.images->ImageHeight(), 0, kMaxImageSide));
        }
    } else if (source.find("SSYS:") != std::string_view::npos ||
               source.find("LSYS:") != std::string_view::npos) {
        largeIcon = source.find("SSYS:") == std::string_view::npos;
        iconSpec = written.substr(std::min<std::size_t>(5, written.size()));
        kind = Kind::SystemIcon;
        const int side = std::clamp(surface_.SystemIconSize(largeIcon), 0, kMaxImageSide);
        w = ScaleX(side);
        h = ScaleY(side);
    } else if (!source.empty()) {
        picture = FindPicture(source, written);
        if (picture && !picture->Empty()) {
            kind = Kind::Picture;
            if (sized) {
                w = ScaleX(wantWidth);
                h = ScaleY(wantHeight);
            } else {
                w = ScaleX(std::clamp(picture->FullWidth(), 0, kMaxImageSide));
                h = ScaleY(std::clamp(picture->FullHeight(), 0, kMaxImageSide));
            }
        }
    }

    // An image that does not fit waits for the next line, keeping its number.
    // The second pass places what the first one accepted.
    const long long boxWidth = static_cast<long long>(pass.box.right) - pass.box.left;
    if (pass.measuring && pass.lineWidth + w > boxWidth && w < boxWidth) {
        --imageCounter_;
        return false;
    }
    HitTestImage(pass, w, h, number);

    if (pass.draw) {
        const int x = ClampCoord(pass.x);
        const int top = pass.box.top;
        switch (kind) {
        case Kind::Indexed:
            surface_.DrawImage(*p_.images, index, x, top);
            break;
        case Kind::SystemIcon:
            surface_.DrawSystemIcon(iconSpec, largeIcon, x, top);
            break;
        case Kind::Picture:
            if (sized) {
                surface_.DrawPicture(*picture, {x, top, ClampCoord(x + static_cast<long long>(w)), top + h},
                                     true);
            } else {
                if (picture->FrameCount() > 1 && background_ != NoColor)
                    surface_.FillRect({x, top, ClampCoord(x + static_cast<long long>(w)), top + h},
                                      background_);
                const int left = ClampCoord(x + static_cast<long long>(picture->DrawOffsetLeft()));
                const int ptop = ClampCoord(top + static_cast<long long>(picture->DrawOffsetTop()));
                surface_.DrawPicture(
                    *picture, {left, ptop, ClampCoord(left + static_cast<long long>(w)), ptop + h}, false);
            }
            break;
        case Kind::None:
            break;
        }
    }

    pass.lineWidth += w;
    pass.x += w;
    if (w > 0)
        pass.trailingSpace = 0; // a space before a picture is no trailing space
    line_.height = std::max(line_.height, h);

    if (upper.find("ALIGN") != std::string::npos) {
        if (upper.find("\"TOP") != std::string::npos)
            line_.imageOffset = line_.height - GhHeight();
        else if (upper.find("\"MIDDLE") != std::string::npos)
            line_.imageOffset = (line_.height - GhHeight()) / 2;
    }
    return true;
}

void Layout::HitTestImage(Pass &pass, int width, int height, int number)
{
    // Where the pass puts the picture, which in the second pass is where it
    // is painted.
    if (!anchorOpen_ || p_.mouseX <= pass.x || p_.mouseX >= pass.x + width)
        return;
    if (p_.mouseY <= pass.box.top ||
        static_cast<long long>(p_.mouseY) >= static_cast<long long>(pass.box.top) + height)
        return;
    pass.foundImage = true;
    out_.anchorAtPoint = anchorTarget_;
    imageUnderPoint_ = number;
}

} // namespace fetchly::markup::detail

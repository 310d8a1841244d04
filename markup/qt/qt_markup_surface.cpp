#include "markup/qt/qt_markup_surface.h"

#include "markup/core/markup_text.h"
#include "markup/qt/long_text.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_picture.h"

#include <QCoreApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygon>
#include <QStaticText>

#include <limits>

namespace fetchly::markup {

namespace {

QRect ToQRect(const MarkupRect &r)
{
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Font metrics are asked for on every paint and measure; resolving a font
// through fontconfig is the expensive part, so keep the recent ones.
struct MetricsKey {
    QString family;
    int size;
    int style;
    int dpi;
    bool operator==(const MetricsKey &) const = default;
};

size_t qHash(const MetricsKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.family, key.size, key.style, key.dpi);
}

struct CachedFont {
    QFont font;
    QFontMetrics metrics;
    QFontMetricsF metricsF;
    int id;
};

void ClearCaches();

QHash<MetricsKey, CachedFont> &MetricsCache()
{
    static QHash<MetricsKey, CachedFont> cache;
    static const bool cleanup = [] {
        // Fonts must go before the application that made them.
        qAddPostRoutine(ClearCaches);
        return true;
    }();
    (void)cleanup;
    return cache;
}

// Shaping a text for its width costs microseconds, and every paint, measure
// and mouse move lays the same items out again: keep the widths.
struct WidthKey {
    int fontId;
    QString text;
    bool operator==(const WidthKey &) const = default;
};

size_t qHash(const WidthKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.fontId, key.text);
}

QHash<WidthKey, int> &WidthCache()
{
    static QHash<WidthKey, int> cache;
    return cache;
}

constexpr qsizetype kMaxCachedWidths = 100000;

// Laid-out glyphs of drawn texts, for the same reason.
QHash<WidthKey, QStaticText> &StaticTextCache()
{
    static QHash<WidthKey, QStaticText> cache;
    return cache;
}

constexpr qsizetype kMaxCachedTexts = 20000;

void ClearCaches()
{
    StaticTextCache().clear();
    WidthCache().clear();
    MetricsCache().clear();
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kTextFlags =
    Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextExpandTabs;

} // namespace

TQtMarkupSurface::TQtMarkupSurface(QPaintDevice *device, QPainter *painter, const QPalette &palette)
    : device_(device), painter_(painter), palette_(palette), dpiX_(device ? device->logicalDpiX() : 96),
      dpiY_(device ? device->logicalDpiY() : 96)
{
    if (dpiX_ <= 0)
        dpiX_ = 96;
    if (dpiY_ <= 0)
        dpiY_ = 96;
}

MarkupFont TQtMarkupSurface::FromQFont(const QFont &font, TColor color)
{
    MarkupFont f;
    f.name = font.family().toStdString();
    f.size = font.pointSize() > 0 ? font.pointSize() : 8;
    f.bold = font.weight() >= QFont::DemiBold;
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeout = font.strikeOut();
    f.color = color;
    return f;
}

QFont TQtMarkupSurface::ToQFont(const MarkupFont &font)
{
    QFont f(QString::fromStdString(font.name));
    f.setPointSize(std::max(1, font.size));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeout);
    return f;
}

void TQtMarkupSurface::SetFont(const MarkupFont &font)
{
    const bool sameFace = metrics_ && font.name == font_.name && font.size == font_.size &&
                          font.bold == font_.bold && font.italic == font_.italic &&
                          font.underline == font_.underline && font.strikeout == font_.strikeout;
    font_ = font;
    if (!sameFace)
        metrics_.reset();
}

const QFontMetrics &TQtMarkupSurface::Metrics()
{
    if (!metrics_) {
        const int style = (font_.bold ? 1 : 0) | (font_.italic ? 2 : 0) | (font_.underline ? 4 : 0) |
                          (font_.strikeout ? 8 : 0);
        const MetricsKey key{QString::fromStdString(font_.name), font_.size, style, dpiY_};
        auto &cache = MetricsCache();
        auto it = cache.find(key);
        if (it == cache.end()) {
            static int nextId = 0;
            if (cache.size() > 256) {
                cache.clear();
                WidthCache().clear();
                StaticTextCache().clear();
            }
            const QFont font = ToQFont(font_);
            it = cache.insert(key, {font, device_ ? QFontMetrics(font, device_) : QFontMetrics(font),
                                    device_ ? QFontMetricsF(font, device_) : QFontMetricsF(font), ++nextId});
        }
        qfont_ = it->font;
        metrics_ = it->metrics;
        metricsF_ = it->metricsF;
        fontId_ = it->id;
    }
    return *metrics_;
}

int TQtMarkupSurface::TextHeight(std::string_view)
{
    return Metrics().lineSpacing();
}

int TQtMarkupSurface::TextWidth(std::string_view text)
{
    const QFontMetrics &fm = Metrics();
    WidthKey key{fontId_, FromUtf8(text)};
    auto &cache = WidthCache();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    // The mnemonic rule as DrawText shows it: "&x" is x, "&&" is "&".
    const bool plain = text.find_first_of("&\t") == std::string_view::npos;
    const QString shown = plain ? key.text : QString::fromStdString(StripMnemonic(text));
    int width;
    if (shown.contains(QLatin1Char('\t')))
        width = fm.size(Qt::TextSingleLine | Qt::TextExpandTabs, shown).width();
    else if (shown.size() > kLongText)
        width = qRound(LongText::Advance(*metricsF_, fontId_, shown, false));
    else
        width = fm.horizontalAdvance(shown);
    if (cache.size() >= kMaxCachedWidths)
        cache.clear();
    cache.insert(std::move(key), width);
    return width;
}

void TQtMarkupSurface::DrawText(std::string_view text, const MarkupRect &rect, bool ellipsis)
{
    if (!painter_)
        return;
    const QFontMetrics &fm = Metrics();
    QString s = FromUtf8(text);
    const QRect r = ToQRect(rect);
    const bool mnemonic = s.contains(QLatin1Char('&')) || s.contains(QLatin1Char('\t'));
    if (s.size() > kLongText && font_.angle == 0 && !HasRightToLeft(s)) {
        // Text drawn into a rectangle is clipped to it; the rest ends where
        // the painter can paint.
        qreal right = device_ ? VisibleRight(*painter_, *device_) : std::numeric_limits<qreal>::max();
        if (mnemonic || ellipsis)
            right = std::min<qreal>(right, r.left() + r.width());
        s.truncate(LongText::PrefixBeyond(*metricsF_, fontId_, s, mnemonic, right - r.left()));
    }
    if (ellipsis && TextWidth(text) > r.width())
        s = fm.elidedText(s, Qt::ElideRight, std::max(0, r.width()), Qt::TextShowMnemonic);

    painter_->save();
    painter_->setFont(qfont_);
    painter_->setPen(ResolveColor(font_.color));
    if (font_.angle != 0) {
        painter_->translate(r.left(), r.bottom() + 1 - fm.descent());
        painter_->rotate(-font_.angle / 10.0);
        painter_->drawText(QPoint(0, 0), QString::fromStdString(StripMnemonic(text)));
    } else {
        if (fill_ != NoColor) {
            const int w = std::min(TextWidth(s.toStdString()), r.width());
            const int h = std::min(fm.lineSpacing(), r.height());
            painter_->fillRect(QRect(r.left(), r.bottom() + 1 - h, w, h), ResolveColor(fill_));
        }
        if (mnemonic) {
            painter_->drawText(r, kTextFlags, s);
        } else {
            auto &cache = StaticTextCache();
            WidthKey key{fontId_, s};
            auto it = cache.find(key);
            if (it == cache.end()) {
                if (cache.size() >= kMaxCachedTexts)
                    cache.clear();
                QStaticText prepared(s);
                prepared.setTextFormat(Qt::PlainText);
                prepared.prepare(painter_->transform(), qfont_);
                it = cache.insert(std::move(key), prepared);
            }
            painter_->drawStaticText(QPointF(r.left(), rect.bottom - fm.descent() - fm.ascent()), *it);
        }
    }
    painter_->restore();
}

void TQtMarkupSurface::FillRect(const MarkupRect &rect, TColor color)
{
    if (!painter_ || color == NoColor)
        return;
    painter_->fillRect(ToQRect(rect), ResolveColor(color));
}

void TQtMarkupSurface::DrawPolyline(const std::vector<MarkupPoint> &points, TColor color, int width)
{
    if (!painter_ || points.size() < 2)
        return;
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const MarkupPoint &p : points)
        polygon << QPoint(p.x, p.y);
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setPen(QPen(ResolveColor(color), width));
    painter_->drawPolyline(polygon);
    painter_->restore();
}

void TQtMarkupSurface::DrawPicture(const MarkupPicture &picture, const MarkupRect &rect, bool stretch)
{
    const auto *qtPicture = dynamic_cast<const TMarkupPicture *>(&picture);
    if (!painter_ || !qtPicture)
        return;
    if (stretch) {
        qtPicture->DrawStretched(*painter_, ToQRect(rect));
    } else {
        qtPicture->Draw(*painter_, QPoint(rect.left, rect.top));
    }
}

void TQtMarkupSurface::TilePicture(const MarkupPicture &picture, const MarkupRect &area)
{
    const auto *qtPicture = dynamic_cast<const TMarkupPicture *>(&picture);
    if (!painter_ || !qtPicture || qtPicture->Image().isNull())
        return;
    painter_->drawTiledPixmap(ToQRect(area), QPixmap::fromImage(qtPicture->Image()));
}

void TQtMarkupSurface::DrawImage(const MarkupImageList &images, int index, int x, int y)
{
    const auto *list = dynamic_cast<const TMarkupImageList *>(&images);
    if (!painter_ || !list || index < 0 || index >= list->Count())
        return;
    painter_->drawPixmap(x, y, list->Pixmap(index));
}

void TQtMarkupSurface::DrawSystemIcon(std::string_view source, bool large, int x, int y)
{
    if (!painter_)
        return;
    const QString name = FromUtf8(source);
    QFileIconProvider provider;
    QIcon icon;
    bool isNumber = false;
    const int number = name.toInt(&isNumber);
    if (isNumber) {
        const int type = (number >= QFileIconProvider::Computer && number <= QFileIconProvider::File)
                             ? number
                             : QFileIconProvider::File;
        icon = provider.icon(static_cast<QFileIconProvider::IconType>(type));
    } else if (QFileInfo::exists(name)) {
        icon = provider.icon(QFileInfo(name));
    } else {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
        if (icon.isNull())
            icon = provider.icon(QFileIconProvider::File);
    }
    const int side = (large ? 32 : 16) * dpiX_ / 96;
    icon.paint(painter_, QRect(x, y, side, side));
}

QColor TQtMarkupSurface::ResolveColor(TColor color) const
{
    if (!IsSystemColor(color))
        return QColor(RedOf(color), GreenOf(color), BlueOf(color));
    // The platform colour table by index, onto the nearest palette role.
    switch (SystemColorIndex(color)) {
    case 1:
        return palette_.color(QPalette::Dark);
    case 2:
        return palette_.color(QPalette::Highlight);
    case 3:
        return palette_.color(QPalette::Mid);
    case 4:
        return palette_.color(QPalette::Window);
    case 5:
        return palette_.color(QPalette::Base);
    case 6:
        return palette_.color(QPalette::Shadow);
    case 7:
        return palette_.color(QPalette::WindowText);
    case 8:
        return palette_.color(QPalette::Text);
    case 9:
        return palette_.color(QPalette::HighlightedText);
    case 10:
    case 11:
        return palette_.color(QPalette::Button);
    case 12:
        return palette_.color(QPalette::Mid);
    case 13:
        return palette_.color(QPalette::Highlight);
    case 14:
        return palette_.color(QPalette::HighlightedText);
    case 15:
        return palette_.color(QPalette::Button);
    case 16:
        return palette_.color(QPalette::Dark);
    case 17:
        return palette_.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return palette_.color(QPalette::ButtonText);
    case 19:
        return palette_.color(QPalette::Disabled, QPalette::WindowText);
    case 20:
        return palette_.color(QPalette::Light);
    case 21:
        return palette_.color(QPalette::Shadow);
    case 22:
        return palette_.color(QPalette::Midlight);
    case 23:
        return palette_.color(QPalette::ToolTipText);
    case 24:
        return palette_.color(QPalette::ToolTipBase);
    default:
        return palette_.color(QPalette::WindowText);
    }
}

} // namespace fetchly::markup

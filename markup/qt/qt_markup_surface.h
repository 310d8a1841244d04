#pragma once

#include "markup/core/markup_surface.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPalette>

#include <optional>

class QPaintDevice;
class QPainter;

namespace fetchly::markup {

// The drawing surface on a QPainter. Without a painter it only measures (for
// item heights); the paint device gives the resolution either way. System
// colours (0x800000nn) are resolved through the palette.
class TQtMarkupSurface : public MarkupSurface {
public:
    TQtMarkupSurface(QPaintDevice *device, QPainter *painter, const QPalette &palette);

    MarkupFont Font() const override { return font_; }
    void SetFont(const MarkupFont &font) override;
    TColor Fill() const override { return fill_; }
    void SetFill(TColor color) override { fill_ = color; }
    int DpiX() const override { return dpiX_; }
    int DpiY() const override { return dpiY_; }
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

    QColor ResolveColor(TColor color) const;
    // A surface font from a widget font and a text colour, and back.
    static MarkupFont FromQFont(const QFont &font, TColor color);
    static QFont ToQFont(const MarkupFont &font);

private:
    const QFontMetrics &Metrics();

    QPaintDevice *device_;
    QPainter *painter_;
    QPalette palette_;
    int dpiX_;
    int dpiY_;
    MarkupFont font_;
    TColor fill_ = NoColor;
    std::optional<QFontMetrics> metrics_;
    std::optional<QFontMetricsF> metricsF_;
    QFont qfont_;
    int fontId_ = 0;
};

} // namespace fetchly::markup

#pragma once

#include <QFontMetricsF>
#include <QString>

class QPainter;
class QPaintDevice;

namespace fetchly::markup {

// Texts longer than this (in UTF-16 units) are measured and cut in pieces.
inline constexpr qsizetype kLongText = 1024;

// A very long unbroken run (a URL of thousands of characters, say) is
// measured piece by piece, each piece's advance kept per font, so that its
// cost grows with the number of distinct pieces, not with a shaping of the
// whole run on every measure; and it is cut where nothing more can be seen
// before it is laid out for painting.
class LongText {
public:
    // Advance of `text` in `metrics` (font `fontId`). With `mnemonic`, "&x"
    // counts as x and "&&" as "&".
    static qreal Advance(const QFontMetricsF &metrics, int fontId, const QString &text, bool mnemonic);
    // Length of a prefix of `text` that reaches past `width` by a margin;
    // the whole length when the text is shorter than that.
    static qsizetype PrefixBeyond(const QFontMetricsF &metrics, int fontId, const QString &text,
                                  bool mnemonic, qreal width);

private:
    static qsizetype PieceEnd(const QString &text, qsizetype from, bool mnemonic);
    static qreal PieceAdvance(const QFontMetricsF &metrics, int fontId, QStringView piece, bool mnemonic);
};

// True when the text holds a character written right to left, whose run the
// bidirectional ordering could show from its far end.
bool HasRightToLeft(const QString &text);

// The right edge, in the painter's coordinates, of what it can paint on `device`.
qreal VisibleRight(const QPainter &painter, const QPaintDevice &device);

} // namespace fetchly::markup

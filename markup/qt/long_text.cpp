#include "markup/qt/long_text.h"

#include <QHash>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace fetchly::markup {
namespace {

// Pieces of about this many UTF-16 units.
constexpr qsizetype kPiece = 256;

struct PieceKey {
    int fontId;
    bool mnemonic;
    QString text;
    bool operator==(const PieceKey &) const = default;
};

size_t qHash(const PieceKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.fontId, key.mnemonic, key.text);
}

QHash<PieceKey, qreal> &PieceCache()
{
    static QHash<PieceKey, qreal> cache;
    return cache;
}

constexpr qsizetype kMaxCachedPieces = 4096;

QString Shown(QStringView piece)
{
    QString out;
    out.reserve(piece.size());
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (piece[i] == u'&') {
            if (++i >= piece.size())
                break; // a trailing "&" is not shown
        }
        out += piece[i];
    }
    return out;
}

} // namespace

qsizetype LongText::PieceEnd(const QString &text, qsizetype from, bool mnemonic)
{
    const qsizetype size = text.size();
    qsizetype i = from;
    while (i < size && i - from < kPiece)
        i += (mnemonic && text[i] == u'&') ? 2 : 1;
    // Never between the halves of a surrogate pair or before a combining
    // mark, which shape together with what stands before them.
    while (i < size && (text[i].isLowSurrogate() || text[i].isMark()))
        ++i;
    return std::min(i, size);
}

qreal LongText::PieceAdvance(const QFontMetricsF &metrics, int fontId, QStringView piece, bool mnemonic)
{
    auto &cache = PieceCache();
    PieceKey key{fontId, mnemonic, piece.toString()};
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    const qreal advance = metrics.horizontalAdvance(mnemonic ? Shown(piece) : key.text);
    if (cache.size() >= kMaxCachedPieces)
        cache.clear();
    cache.insert(std::move(key), advance);
    return advance;
}

qreal LongText::Advance(const QFontMetricsF &metrics, int fontId, const QString &text, bool mnemonic)
{
    qreal total = 0;
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype end = PieceEnd(text, at, mnemonic);
        total += PieceAdvance(metrics, fontId, QStringView(text).sliced(at, end - at), mnemonic);
        at = end;
    }
    return total;
}

qsizetype LongText::PrefixBeyond(const QFontMetricsF &metrics, int fontId, const QString &text, bool mnemonic,
                                 qreal width)
{
    // Kerning across the joins of pieces is not counted: the margin and one
    // more whole piece keep the cut past the last glyph that can be seen.
    const qreal reach = std::max<qreal>(width, 0) + 4 * metrics.lineSpacing();
    qreal total = 0;
    qsizetype at = 0;
    while (at < text.size() && total <= reach) {
        const qsizetype end = PieceEnd(text, at, mnemonic);
        total += PieceAdvance(metrics, fontId, QStringView(text).sliced(at, end - at), mnemonic);
        at = end;
    }
    return at < text.size() ? PieceEnd(text, at, mnemonic) : text.size();
}

bool HasRightToLeft(const QString &text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x0590) // nothing before Hebrew is written right to left
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            return true;
        default:
            break;
        }
    }
    return false;
}

qreal VisibleRight(const QPainter &painter, const QPaintDevice &device)
{
    bool invertible = false;
    const QTransform toLogical = painter.combinedTransform().inverted(&invertible);
    if (!invertible)
        return std::numeric_limits<qreal>::max();
    QRectF area = toLogical.mapRect(QRectF(0, 0, device.width(), device.height()));
    if (painter.hasClipping())
        area = area.intersected(painter.clipBoundingRect());
    return area.right();
}

} // namespace fetchly::markup

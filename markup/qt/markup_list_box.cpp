#include "markup/qt/markup_list_box.h"

#include "markup/core/markup_text.h"
#include "markup/qt/qt_markup_surface.h"

#include <QDesktopServices>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <vector>

namespace fetchly::markup {

namespace {

constexpr int kLayoutExtent = 4096;
constexpr int kBlinkPeriodMs = 100;
constexpr int kLayoutBatch = 100;
// Where an item keeps the size it was last measured at, with the measuring
// generation it belongs to.
constexpr int kMeasuredRole = Qt::UserRole + 0x4D4C;

struct MeasuredSize {
    quint64 generation = 0;
    QSize size;
};

TColor ToColor(const QColor &c)
{
    return RgbColor(c.red(), c.green(), c.blue());
}

std::string Utf8(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace
} // namespace fetchly::markup

Q_DECLARE_METATYPE(fetchly::markup::MeasuredSize)

namespace fetchly::markup {

class TMarkupListBox::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(TMarkupListBox *box) : QStyledItemDelegate(box), box_(box) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        box_->PaintItem(*painter, option.rect, index.row(), option.state.testFlag(QStyle::State_Selected),
                        option.state.testFlag(QStyle::State_HasFocus));
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        return box_->ItemSize(index.row());
    }

private:
    TMarkupListBox *box_;
};

TMarkupListBox::TMarkupListBox(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new Delegate(this));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    savedCursor_ = viewport()->cursor();

    // Items are measured when the view lays them out, a batch at a time, so a
    // long list shows at once and only the lines the view asks for are run
    // through the renderer.
    setLayoutMode(QListView::Batched);
    setBatchSize(kLayoutBatch);
}

TMarkupListBox::~TMarkupListBox()
{
    blinkTimer_.stop();
}

TColor TMarkupListBox::ControlColor() const
{
    return ToColor(palette().color(QPalette::Base));
}

TColor TMarkupListBox::FontColor() const
{
    return ToColor(palette().color(QPalette::Text));
}

MarkupParams TMarkupListBox::Params(const MarkupRect &rect, RenderMode mode, QPoint mouse, bool blinkVisible,
                                    TColor urlColor) const
{
    MarkupParams params;
    params.bounds = rect;
    params.images = images_.data();
    params.mouseX = mouse.x();
    params.mouseY = mouse.y();
    params.mode = mode;
    params.blinkVisible = blinkVisible;
    params.wrap = !ellipsis_;
    params.shadowOffset = shadowOffset_;
    params.shadowColor = shadowColor_;
    params.urlColor = urlColor;
    params.pictureCache = &pictureCache_;
    params.pictureStore = pictureStore_.data();
    return params;
}

MarkupResult TMarkupListBox::Measure(const QString &markup, const MarkupRect &rect) const
{
    TQtMarkupSurface surface(viewport(), nullptr, palette());
    surface.SetFont(TQtMarkupSurface::FromQFont(font(), FontColor()));
    surface.SetFill(ControlColor());
    return DrawMarkup(surface, Utf8(markup), Params(rect, RenderMode::Measure, {}, true, urlColor_));
}

int TMarkupListBox::MeasureWidth() const
{
    // The room painting gives the text of an item as wide as the viewport, so
    // a line that fits when measured also fits when painted. The viewport
    // narrows when the vertical scroll bar shows, and its resize measures
    // again; narrower makes items no shorter, so the bar cannot flip back.
    const MarkupRect text = TextRect(QRect(0, 0, viewport()->width(), 1));
    return std::max(1, text.right - text.left);
}

QSize TMarkupListBox::MeasureItem(const QListWidgetItem *it) const
{
    const MarkupRect rect = scrollHorizontal_ ? MarkupRect{0, 0, kLayoutExtent, kLayoutExtent}
                                              : MarkupRect{0, 0, MeasureWidth(), kLayoutExtent};
    const MarkupResult measured = Measure(it->text(), rect);
    return QSize(scrollHorizontal_ ? measured.width + 6 : 0, measured.height + 4);
}

void TMarkupListBox::StoreSize(QListWidgetItem *it, QSize size) const
{
    // The stored size is ours, not a change of the item.
    const QSignalBlocker blocker(model());
    it->setData(kMeasuredRole, QVariant::fromValue(MeasuredSize{generation_, size}));
}

std::optional<QSize> TMarkupListBox::StoredSize(const QListWidgetItem *it) const
{
    const QVariant stored = it->data(kMeasuredRole);
    if (!stored.isValid())
        return std::nullopt;
    const auto measured = stored.value<MeasuredSize>();
    if (measured.generation != generation_)
        return std::nullopt;
    return measured.size;
}

QSize TMarkupListBox::ItemSize(int row) const
{
    QListWidgetItem *it = item(row);
    if (!it)
        return {};
    if (const auto stored = StoredSize(it))
        return *stored;
    const QSize size = MeasureItem(it);
    StoreSize(it, size);
    return size;
}

bool TMarkupListBox::Resized(int first, int last)
{
    if (first < 0 || last >= count() || first > last)
        return true;
    bool resized = false;
    for (int row = first; row <= last; ++row) {
        QListWidgetItem *it = item(row);
        // Never laid out at this width: the layout under way measures it.
        const auto stored = StoredSize(it);
        if (!stored)
            continue;
        const QSize size = MeasureItem(it);
        if (size != *stored) {
            StoreSize(it, size);
            resized = true;
        }
    }
    return resized;
}

void TMarkupListBox::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                 const QList<int> &roles)
{
    const bool textOnly = !roles.isEmpty() && std::all_of(roles.begin(), roles.end(), [](int role) {
        return role == Qt::DisplayRole || role == Qt::EditRole;
    });
    const bool textChanged =
        roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
    const bool resized = textChanged && Resized(topLeft.row(), bottomRight.row());
    // The list view lays every line out again on any change. A new text of
    // the same size (progress updates) moves nothing: repaint that line only.
    if (textOnly && !resized)
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    else
        QListWidget::dataChanged(topLeft, bottomRight, roles);
}

void TMarkupListBox::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // A line past the batches laid out so far has no place yet: lay out the
    // rest now, so scrolling to it right after filling the list lands there.
    if (index.isValid() && !rectForIndex(index).isValid()) {
        setLayoutMode(QListView::SinglePass);
        doItemsLayout();
        setLayoutMode(QListView::Batched);
    }
    QListWidget::scrollTo(index, hint);
}

void TMarkupListBox::RemeasureAll()
{
    ++generation_;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

int TMarkupListBox::WidestItem() const
{
    int widest = 0;
    for (int row = 0; row < count(); ++row) {
        const MarkupResult measured = Measure(item(row)->text(), {0, 0, kLayoutExtent, kLayoutExtent});
        widest = std::max(widest, measured.width + 6);
    }
    return widest;
}

int TMarkupListBox::ItemHeight(int index) const
{
    return ItemSize(index).height();
}

QString TMarkupListBox::ItemText(int index) const
{
    if (index < 0 || index >= count())
        throw EMarkupListBoxError();
    return FromUtf8(StripMarkup(Utf8(item(index)->text())));
}

MarkupRect TMarkupListBox::TextRect(const QRect &itemRect) const
{
    const int left = itemRect.left() + 2;
    const int right = scrollHorizontal_ ? left + kLayoutExtent : itemRect.right() + 1;
    return {left, itemRect.top(), right, itemRect.bottom() + 1};
}

QString TMarkupListBox::AnchorAt(QPoint point, int *index) const
{
    if (index)
        *index = -1;
    const QModelIndex at = indexAt(point);
    if (!at.isValid() || at.row() >= count())
        return {};
    if (index)
        *index = at.row();
    // The same rectangle as painting uses, so anchors are found where drawn.
    TQtMarkupSurface surface(viewport(), nullptr, palette());
    surface.SetFont(TQtMarkupSurface::FromQFont(font(), FontColor()));
    surface.SetFill(ControlColor());
    const MarkupResult hit =
        DrawMarkup(surface, Utf8(item(at.row())->text()),
                   Params(TextRect(visualRect(at)), RenderMode::HitTest, point, true, urlColor_));
    return hit.result ? FromUtf8(hit.anchorAtPoint) : QString();
}

void TMarkupListBox::PaintItem(QPainter &painter, const QRect &rect, int row, bool selected, bool focused)
{
    if (row < 0 || row >= count())
        return;
    painter.save();
    painter.setClipRect(rect);

    TQtMarkupSurface surface(viewport(), &painter, palette());
    TColor fill = ControlColor();
    if (selected) {
        fill = selectionColor_;
        painter.fillRect(rect, surface.ResolveColor(selectionColor_));
    } else if (!wallpaper_.isNull()) {
        // The wallpaper is fixed to the list, not to the item.
        painter.drawTiledPixmap(rect, wallpaper_,
                                QPoint(rect.left() % wallpaper_.width(), rect.top() % wallpaper_.height()));
    } else {
        painter.fillRect(rect, palette().color(QPalette::Base));
    }

    surface.SetFont(TQtMarkupSurface::FromQFont(font(), selected ? selectionFontColor_ : FontColor()));
    surface.SetFill(fill);
    const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
    const bool blinkVisible = EnableBlink() ? blinkShown_ : true;
    DrawMarkup(surface, Utf8(item(row)->text()),
               Params(TextRect(rect), RenderMode::Draw, mouse, blinkVisible,
                      selected ? selectionFontColor_ : urlColor_));

    if (focused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect;
        option.backgroundColor = surface.ResolveColor(fill);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    painter.restore();
}

void TMarkupListBox::mouseMoveEvent(QMouseEvent *event)
{
    QListWidget::mouseMoveEvent(event);
    const QPoint point = event->position().toPoint();

    if (itemHint_) {
        const QModelIndex at = indexAt(point);
        if (at.isValid() && visualRect(at).contains(point)) {
            if (at.row() != hintItem_) {
                QToolTip::hideText();
                hintItem_ = at.row();
            }
        } else if (hintItem_ != -1) {
            QToolTip::hideText();
            hintItem_ = -1;
        }
    }

    int index = -1;
    const QString anchor = AnchorAt(point, &index);
    if (!anchor.isEmpty()) {
        if (anchor != lastAnchor_) {
            QToolTip::hideText();
            if (OnAnchorExit)
                OnAnchorExit(this, index, lastAnchor_);
        }
        if (viewport()->cursor().shape() != Qt::PointingHandCursor) {
            savedCursor_ = viewport()->cursor();
            viewport()->setCursor(Qt::PointingHandCursor);
        }
        if (OnAnchorEnter)
            OnAnchorEnter(this, index, anchor);
        lastAnchor_ = anchor;
    } else if (viewport()->cursor().shape() == Qt::PointingHandCursor && !lastAnchor_.isEmpty()) {
        QToolTip::hideText();
        viewport()->setCursor(savedCursor_);
        const QString last = lastAnchor_;
        lastAnchor_.clear();
        if (OnAnchorExit)
            OnAnchorExit(this, index, last);
    }
}

void TMarkupListBox::mousePressEvent(QMouseEvent *event)
{
    int index = -1;
    const QString anchor = AnchorAt(event->position().toPoint(), &index);
    if (anchor.isEmpty()) {
        if (OnMouseDown)
            OnMouseDown(this, event);
    } else if (anchor.contains(QLatin1String("://")) || anchor.contains(QLatin1String("mailto:"))) {
        QDesktopServices::openUrl(QUrl(anchor, QUrl::TolerantMode));
    } else if (OnAnchorClick) {
        OnAnchorClick(this, index, anchor);
    }
    QListWidget::mousePressEvent(event);
}

bool TMarkupListBox::SearchFrom(int first)
{
    const QString wanted = searchText_.toUpper();
    for (int row = std::max(0, first); row < count(); ++row) {
        if (ItemText(row).toUpper().startsWith(wanted)) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

void TMarkupListBox::keyPressEvent(QKeyEvent *event)
{
    QListWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        searchText_.clear();
        return;
    default:
        break;
    }

    QChar typed;
    if (event->key() == Qt::Key_Backspace && !searchText_.isEmpty()) {
        searchText_.chop(1);
    } else {
        const QString text = event->text();
        if (text.isEmpty() || text[0].unicode() < 32 || text[0].unicode() > 255)
            return;
        typed = text[0];
        if (incrLookup_)
            searchText_ += typed;
        else
            searchText_ = typed;
    }

    if ((currentRow() >= 0 || incrLookup_) && SearchFrom(currentRow()))
        return;
    if (SearchFrom(0))
        return;
    if (incrLookup_ && !typed.isNull()) {
        searchText_ = typed;
        SearchFrom(0);
    }
}

void TMarkupListBox::keyboardSearch(const QString &)
{
    // Typed keys are handled by our own search on the items' plain text.
}

void TMarkupListBox::focusInEvent(QFocusEvent *event)
{
    searchText_.clear();
    QListWidget::focusInEvent(event);
}

bool TMarkupListBox::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        const auto *resize = static_cast<QResizeEvent *>(event);
        const bool result = QListWidget::viewportEvent(event);
        if (!scrollHorizontal_ && resize->size().width() != resize->oldSize().width())
            RemeasureAll();
        return result;
    }
    if (event->type() != QEvent::ToolTip)
        return QListWidget::viewportEvent(event);

    auto *help = static_cast<QHelpEvent *>(event);
    const QPoint point = help->pos();
    if (anchorHint_) {
        int index = -1;
        QString anchor = AnchorAt(point, &index);
        if (!anchor.isEmpty()) {
            if (OnAnchorHint)
                OnAnchorHint(this, index, anchor);
            QToolTip::showText(viewport()->mapToGlobal(point + QPoint(10, -10)), anchor, viewport());
            return true;
        }
    }
    if (itemHint_) {
        const QModelIndex at = indexAt(point);
        if (at.isValid()) {
            const QRect rect = visualRect(at);
            if (rect.contains(point)) {
                const QString text = markupHint_ ? item(at.row())->text() : ItemText(at.row());
                QToolTip::showText(viewport()->mapToGlobal(QPoint(0, rect.top())), text, viewport());
                return true;
            }
        }
    }
    // The list's own hint (the owner may set one, like an inspection report).
    if (!toolTip().isEmpty()) {
        QToolTip::showText(help->globalPos(), toolTip(), this);
        return true;
    }
    return QListWidget::viewportEvent(event);
}

void TMarkupListBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == blinkTimer_.timerId()) {
        BlinkTick();
        return;
    }
    QListWidget::timerEvent(event);
}

void TMarkupListBox::BlinkTick()
{
    if (count() > 0 && EnableBlink()) {
        bool changed = pictureCache_.Animate();
        if (pictureStore_)
            changed = pictureStore_->Animate() || changed;
        if (changed)
            viewport()->update();
    }
    ++tickCount_;
    if (tickCount_ % 5 != 0)
        return;
    blinkShown_ = blinkPhase_;
    // Only the items in view are drawn again.
    const QRect area = viewport()->rect();
    const QModelIndex top = indexAt(area.topLeft());
    const QModelIndex bottom = indexAt(QPoint(0, area.bottom()));
    const int first = top.isValid() ? top.row() : 0;
    const int last = bottom.isValid() ? bottom.row() : count() - 1;
    for (int row = first; row <= last && row < count(); ++row) {
        if (item(row)->text().contains(QLatin1String("<BLINK"), Qt::CaseInsensitive))
            viewport()->update(visualRect(model()->index(row, 0)));
    }
    blinkPhase_ = !blinkPhase_;
}

void TMarkupListBox::scrollContentsBy(int dx, int dy)
{
    QListWidget::scrollContentsBy(dx, dy);
    if (dy != 0 && !wallpaper_.isNull())
        viewport()->update();
}

void TMarkupListBox::SetEllipsis(bool on)
{
    if (on == ellipsis_)
        return;
    ellipsis_ = on;
    viewport()->update();
}

void TMarkupListBox::SetEnableBlink(bool on)
{
    if (on && !blinkTimer_.isActive()) {
        blinkTimer_.start(kBlinkPeriodMs, this);
    } else if (!on && blinkTimer_.isActive()) {
        blinkTimer_.stop();
        blinkPhase_ = false;
        blinkShown_ = true;
        viewport()->update();
    }
}

void TMarkupListBox::SetImages(TMarkupImageList *images)
{
    if (images_)
        disconnect(images_, nullptr, this, nullptr);
    images_ = images;
    if (images)
        connect(images, &TMarkupImageList::Changed, this, &TMarkupListBox::RemeasureAll);
    RemeasureAll();
}

void TMarkupListBox::SetPictureStore(TPictureStore *store)
{
    pictureStore_ = store;
    RemeasureAll();
}

void TMarkupListBox::SetMultiline(bool on)
{
    if (on == multiline_)
        return;
    multiline_ = on;
    RemeasureAll();
}

void TMarkupListBox::SetScrollHorizontal(bool on)
{
    if (on == scrollHorizontal_)
        return;
    scrollHorizontal_ = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    RemeasureAll();
    if (!on)
        horizontalScrollBar()->setValue(0);
}

void TMarkupListBox::SetSelectionColor(TColor color)
{
    if (color == selectionColor_)
        return;
    selectionColor_ = color;
    viewport()->update();
}

void TMarkupListBox::SetSelectionFontColor(TColor color)
{
    if (color == selectionFontColor_)
        return;
    selectionFontColor_ = color;
    viewport()->update();
}

void TMarkupListBox::SetShadowColor(TColor color)
{
    shadowColor_ = color;
    viewport()->update();
}

void TMarkupListBox::SetShadowOffset(int offset)
{
    shadowOffset_ = offset;
    viewport()->update();
}

void TMarkupListBox::SetURLColor(TColor color)
{
    if (color == urlColor_)
        return;
    urlColor_ = color;
    viewport()->update();
}

void TMarkupListBox::SetWallpaper(const QPixmap &wallpaper)
{
    wallpaper_ = wallpaper;
    ApplyWallpaperFill();
    viewport()->update();
}

void TMarkupListBox::ApplyWallpaperFill()
{
    QPalette pal = viewport()->palette();
    pal.setBrush(QPalette::Base, wallpaper_.isNull() ? palette().brush(QPalette::Base) : QBrush(wallpaper_));
    viewport()->setPalette(pal);
}

void TMarkupListBox::SetSorted(bool on)
{
    sorted_ = on;
    if (on)
        Sort();
}

void TMarkupListBox::Sort()
{
    struct Entry {
        QString key;
        QString text;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count()));
    for (int row = 0; row < count(); ++row) {
        const QString text = item(row)->text();
        entries.push_back({sortWithMarkup_ ? text : FromUtf8(StripMarkup(Utf8(text))), text});
    }
    if (entries.size() < 2)
        return;

    const auto compare = [&entries](int a, int b) {
        return QString::localeAwareCompare(entries[static_cast<std::size_t>(a)].key,
                                           entries[static_cast<std::size_t>(b)].key);
    };
    // Quicksort with the middle element as pivot; equal texts are never swapped.
    std::function<void(int, int)> quickSort = [&](int low, int high) {
        int i;
        do {
            i = low;
            int j = high;
            int pivot = low + (high - low) / 2;
            do {
                while (compare(i, pivot) < 0)
                    ++i;
                while (compare(j, pivot) > 0)
                    --j;
                if (i <= j) {
                    if (i != j && compare(i, j) != 0)
                        std::swap(entries[static_cast<std::size_t>(i)], entries[static_cast<std::size_t>(j)]);
                    if (pivot == i)
                        pivot = j;
                    else if (pivot == j)
                        pivot = i;
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (low < j)
                quickSort(low, j);
            low = i;
        } while (i < high);
    };
    quickSort(0, static_cast<int>(entries.size()) - 1);

    QStringList sorted;
    sorted.reserve(static_cast<qsizetype>(entries.size()));
    for (const Entry &entry : entries)
        sorted << entry.text;
    clear();
    addItems(sorted);
}

} // namespace fetchly::markup

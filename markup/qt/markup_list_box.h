#pragma once

#include "markup/core/draw_markup.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_picture.h"
#include "markup/qt/picture_store.h"

#include <QBasicTimer>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>

#include <functional>
#include <optional>
#include <stdexcept>

namespace fetchly::markup {

class EMarkupListBoxError : public std::runtime_error {
public:
    EMarkupListBoxError() : std::runtime_error("Item index out of range") {}
};

class TMarkupListBox;
using TAnchorClick = std::function<void(TMarkupListBox *sender, int index, const QString &anchor)>;
using TAnchorHintEvent = std::function<void(TMarkupListBox *sender, int index, QString &anchor)>;

// A list whose items are markup: each item is drawn by the renderer and is
// as tall as its text, links under the mouse show a hand and open on a click,
// and typed keys search the items' plain text. Items are added, changed and
// removed through the ordinary QListWidget operations.
class TMarkupListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TMarkupListBox(QWidget *parent = nullptr);
    ~TMarkupListBox() override;

    bool AnchorHint() const { return anchorHint_; }
    void SetAnchorHint(bool on) { anchorHint_ = on; }
    bool Ellipsis() const { return ellipsis_; }
    void SetEllipsis(bool on);
    bool EnableBlink() const { return blinkTimer_.isActive(); }
    void SetEnableBlink(bool on);
    bool MarkupHint() const { return markupHint_; }
    void SetMarkupHint(bool on) { markupHint_ = on; }
    TMarkupImageList *Images() const { return images_; }
    void SetImages(TMarkupImageList *images);
    bool IncrLookup() const { return incrLookup_; }
    void SetIncrLookup(bool on) { incrLookup_ = on; }
    bool ItemHint() const { return itemHint_; }
    void SetItemHint(bool on) { itemHint_ = on; }
    bool Multiline() const { return multiline_; }
    void SetMultiline(bool on);
    TPictureStore *PictureStore() const { return pictureStore_; }
    void SetPictureStore(TPictureStore *store);
    bool ScrollHorizontal() const { return scrollHorizontal_; }
    void SetScrollHorizontal(bool on);
    TColor SelectionColor() const { return selectionColor_; }
    void SetSelectionColor(TColor color);
    TColor SelectionFontColor() const { return selectionFontColor_; }
    void SetSelectionFontColor(TColor color);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int offset);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    bool SortWithMarkup() const { return sortWithMarkup_; }
    void SetSortWithMarkup(bool on) { sortWithMarkup_ = on; }
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor color);
    const QPixmap &Wallpaper() const { return wallpaper_; }
    void SetWallpaper(const QPixmap &wallpaper);

    // The plain text of an item; EMarkupListBoxError for an index out of range.
    QString ItemText(int index) const;
    // The anchor under a point of the viewport and the item there (-1 when none).
    QString AnchorAt(QPoint point, int *index = nullptr) const;
    // Measures every item again when the view next lays it out (size and
    // layout changes).
    void RemeasureAll();
    // Width of the widest item laid out 4096 pixels wide, plus 6.
    int WidestItem() const;
    // Height of an item: its measured height + 4.
    int ItemHeight(int index) const;
    // The size the view lays an item out with, measured on first use at the
    // current width and kept until the text, width or layout changes.
    QSize ItemSize(int row) const;
    TMarkupPictureCache &PictureCache() { return pictureCache_; }
    const QString &SearchText() const { return searchText_; }
    // The blink phase last applied to BLINK text (true: visible).
    bool BlinkShown() const { return blinkShown_; }

    TAnchorClick OnAnchorClick;
    TAnchorClick OnAnchorEnter;
    TAnchorClick OnAnchorExit;
    TAnchorHintEvent OnAnchorHint;
    // A mouse press that was not on an anchor.
    std::function<void(TMarkupListBox *sender, QMouseEvent *event)> OnMouseDown;

    // Paints one item (used by the item delegate).
    void PaintItem(QPainter &painter, const QRect &rect, int row, bool selected, bool focused);
    // One tick of the 100 ms blink timer.
    void BlinkTick();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyboardSearch(const QString &search) override;
    void focusInEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    class Delegate;

    MarkupParams Params(const MarkupRect &rect, RenderMode mode, QPoint mouse, bool blinkVisible,
                        TColor urlColor) const;
    MarkupResult Measure(const QString &markup, const MarkupRect &rect) const;
    QSize MeasureItem(const QListWidgetItem *it) const;
    // The size an item was measured at for the current width, if any.
    std::optional<QSize> StoredSize(const QListWidgetItem *it) const;
    void StoreSize(QListWidgetItem *it, QSize size) const;
    // Measures changed lines again; true when one of them changed size.
    bool Resized(int first, int last);
    MarkupRect TextRect(const QRect &itemRect) const;
    int MeasureWidth() const;
    bool SearchFrom(int first);
    void Sort();
    void ApplyWallpaperFill();
    TColor ControlColor() const;
    TColor FontColor() const;

    bool anchorHint_ = false;
    bool ellipsis_ = false;
    bool markupHint_ = false;
    bool incrLookup_ = false;
    bool itemHint_ = false;
    bool multiline_ = false;
    bool scrollHorizontal_ = false;
    bool sorted_ = false;
    bool sortWithMarkup_ = false;
    TColor selectionColor_ = 0x8000000D;
    TColor selectionFontColor_ = 0x8000000E;
    TColor shadowColor_ = 0x808080;
    int shadowOffset_ = 1;
    TColor urlColor_ = 0xFF0000;
    QPointer<TMarkupImageList> images_;
    QPointer<TPictureStore> pictureStore_;
    QPixmap wallpaper_;

    QCursor savedCursor_;
    QString lastAnchor_;
    int hintItem_ = -1;
    QBasicTimer blinkTimer_;
    int tickCount_ = 0;
    bool blinkPhase_ = false;
    bool blinkShown_ = true;
    QString searchText_;
    // Sizes stored with an older generation are measured again.
    quint64 generation_ = 1;
    mutable TMarkupPictureCache pictureCache_;
};

} // namespace fetchly::markup

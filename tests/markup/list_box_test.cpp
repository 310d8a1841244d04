#include "markup/qt/markup_list_box.h"
#include "markup/qt/qt_markup_surface.h"
#include "tests/markup/gif_builder.h"
#include "tests/support/event_wait.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace fetchly::markup {
namespace {

// Receives the URLs that the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// Stands between the view and the list box's own delegate and counts how
// often the view asks for an item's size (each ask is a layout of that item).
class CountingDelegate : public QAbstractItemDelegate {
public:
    explicit CountingDelegate(QAbstractItemDelegate *inner) : inner_(inner) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        inner_->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        ++asks;
        return inner_->sizeHint(option, index);
    }
    mutable int asks = 0;

private:
    QAbstractItemDelegate *inner_;
};

class MarkupListBoxTest : public ::testing::Test {
protected:
    MarkupListBoxTest()
    {
        box.resize(300, 200);
        QFont font("DejaVu Sans");
        font.setPointSize(10);
        box.setFont(font);
        box.show();
    }
    int LineHeight()
    {
        TQtMarkupSurface surface(box.viewport(), nullptr, box.palette());
        surface.SetFont(TQtMarkupSurface::FromQFont(box.font(), 0));
        return surface.TextHeight("gh");
    }
    int TextWidth(const QString &text)
    {
        TQtMarkupSurface surface(box.viewport(), nullptr, box.palette());
        surface.SetFont(TQtMarkupSurface::FromQFont(box.font(), 0));
        return surface.TextWidth(text.toStdString());
    }
    QPoint CenterOfItem(int row) { return box.visualItemRect(box.item(row)).center(); }
    void Move(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, box.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &move);
    }
    void Press(QPoint at)
    {
        QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void Type(const QString &text)
    {
        for (QChar c : text)
            QTest::keyClick(&box, c.toLatin1());
    }

    TMarkupListBox box;
};

TEST_F(MarkupListBoxTest, DefaultsOfThePublishedProperties)
{
    EXPECT_FALSE(box.AnchorHint());
    EXPECT_FALSE(box.Ellipsis());
    EXPECT_FALSE(box.EnableBlink());
    EXPECT_FALSE(box.IncrLookup());
    EXPECT_FALSE(box.ItemHint());
    EXPECT_FALSE(box.MarkupHint());
    EXPECT_FALSE(box.Multiline());
    EXPECT_FALSE(box.ScrollHorizontal());
    EXPECT_FALSE(box.Sorted());
    EXPECT_FALSE(box.SortWithMarkup());
    EXPECT_EQ(box.Images(), nullptr);
    EXPECT_EQ(box.PictureStore(), nullptr);
    EXPECT_EQ(box.SelectionColor(), 0x8000000Du);
    EXPECT_EQ(box.SelectionFontColor(), 0x8000000Eu);
    EXPECT_EQ(box.ShadowColor(), 0x808080u);
    EXPECT_EQ(box.ShadowOffset(), 1);
    EXPECT_EQ(box.URLColor(), 0xFF0000u);
    EXPECT_TRUE(box.Wallpaper().isNull());
}

TEST_F(MarkupListBoxTest, ItemsAreAsTallAsTheirTextPlusFour)
{
    const int line = LineHeight();
    box.addItem("one line");
    EXPECT_EQ(box.ItemHeight(0), line + 4);

    // Three words, each wider than half the room: one per line.
    const int room = box.viewport()->width();
    QString word = "M";
    while (TextWidth(word) * 2 < room + 10)
        word += "M";
    ASSERT_LT(TextWidth(word), room - 3);
    box.addItem(word + " " + word + " " + word);
    EXPECT_EQ(box.ItemHeight(1), 3 * line + 4);

    // Changing Ellipsis repaints but does not re-measure.
    box.SetEllipsis(true);
    EXPECT_EQ(box.ItemHeight(1), 3 * line + 4);
    // A width change does.
    box.resize(box.width() + 1, box.height());
    EXPECT_EQ(box.ItemHeight(1), line + 4);

    // Changing an item's text measures it again.
    box.item(0)->setText("a<BR>b");
    EXPECT_EQ(box.ItemHeight(0), 2 * line + 4);
}

TEST_F(MarkupListBoxTest, LinesAreMeasuredAtTheWidthTheyArePainted)
{
    const int line = LineHeight();
    for (int i = 0; i < 40; ++i)
        box.addItem("filler");
    box.doItemsLayout();
    ASSERT_TRUE(box.verticalScrollBar()->isVisible());

    // Text is painted from 3 px into the item, and a line ends before the
    // item's right edge: "a b" pushed to one pixel short of that edge fits.
    const int room = box.visualItemRect(box.item(0)).width() - 3;
    const int words = TextWidth("a ") + TextWidth("b");
    const auto probe = [&](int over) { return QString("<IND x=\"%1\">a b").arg(room - words - 1 + over); };
    box.insertItem(0, probe(0));
    box.insertItem(1, probe(1));
    EXPECT_EQ(box.ItemHeight(0), line + 4);
    EXPECT_EQ(box.ItemHeight(1), 2 * line + 4);

    // Without the scroll bar the same lines have more room.
    while (box.count() > 2)
        delete box.takeItem(2);
    box.doItemsLayout();
    ASSERT_FALSE(box.verticalScrollBar()->isVisible());
    EXPECT_EQ(box.ItemHeight(1), line + 4);
}

TEST_F(MarkupListBoxTest, ChangingOneLineLaysOutNoOtherLine)
{
    const int line = LineHeight();
    QAbstractItemDelegate *own = box.itemDelegate();
    CountingDelegate counting(own);
    box.setItemDelegate(&counting);
    for (int i = 0; i < 3000; ++i)
        box.addItem(QString("<B>line</B> %1").arg(i));
    // The view lays the list out a batch at a time between events, and again
    // once the scroll bar has narrowed it.
    for (int i = 0, before = -1; i < 300 && counting.asks != before; ++i) {
        before = counting.asks;
        QApplication::processEvents();
    }
    ASSERT_EQ(box.visualItemRect(box.item(2999)).top(), 2999 * (line + 4));
    counting.asks = 0;

    box.item(1)->setText("<I>progress</I> 42%");
    QApplication::processEvents();
    EXPECT_LE(counting.asks, 3);

    // A line that grows still moves the lines below it.
    box.item(1)->setText("a<BR>b");
    fetchly::test::PumpUntil([&] { return box.visualItemRect(box.item(2)).top() != 2 * (line + 4); }, 5000);
    EXPECT_EQ(box.visualItemRect(box.item(2)).top(), 3 * line + 2 * 4);
    box.setItemDelegate(own);
}

TEST_F(MarkupListBoxTest, ItemTextIsThePlainTextAndChecksTheIndex)
{
    box.addItem("<B>Ready</B> for <I>download</I>");
    EXPECT_EQ(box.ItemText(0), "Ready for download");
    try {
        box.ItemText(-1);
        FAIL() << "no error";
    } catch (const EMarkupListBoxError &e) {
        EXPECT_STREQ(e.what(), "Item index out of range");
    }
    EXPECT_THROW(box.ItemText(1), EMarkupListBoxError);
}

TEST_F(MarkupListBoxTest, AnchorsUnderTheMouseRaiseEnterAndExit)
{
    box.addItem("plain words then <A href=\"target\">the link</A>");
    const QRect rect = box.visualItemRect(box.item(0));
    QStringList events;
    box.OnAnchorEnter = [&](TMarkupListBox *, int index, const QString &a) {
        events << QString("enter %1 %2").arg(index).arg(a);
    };
    box.OnAnchorExit = [&](TMarkupListBox *, int, const QString &a) { events << "exit " + a; };

    Move(QPoint(rect.left() + 8, rect.center().y()));
    EXPECT_TRUE(events.isEmpty());

    // Find a point on the link.
    QPoint onLink;
    for (int x = rect.left(); x < rect.right(); x += 2) {
        if (!box.AnchorAt(QPoint(x, rect.center().y())).isEmpty()) {
            onLink = QPoint(x + 4, rect.center().y());
            break;
        }
    }
    ASSERT_FALSE(onLink.isNull());
    Move(onLink);
    EXPECT_EQ(events, (QStringList{"exit ", "enter 0 target"}));
    EXPECT_EQ(box.viewport()->cursor().shape(), Qt::PointingHandCursor);

    Move(QPoint(rect.left() + 8, rect.center().y()));
    EXPECT_EQ(events.last(), "exit target");
    EXPECT_NE(box.viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MarkupListBoxTest, ClicksOpenWebAndMailLinksAndReportOtherAnchors)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("mailto", &recorder, "open");
    box.addItem("<A href=\"mailto:someone@example.invalid\">MMMMMMMMMMMM</A>");
    box.addItem("<A href=\"local-action\">MMMMMMMMMMMM</A>");
    box.addItem("no anchor here");
    int mouseDowns = 0;
    QStringList clicks;
    box.OnMouseDown = [&](TMarkupListBox *, QMouseEvent *) { ++mouseDowns; };
    box.OnAnchorClick = [&](TMarkupListBox *, int index, const QString &a) {
        clicks << QString("%1 %2").arg(index).arg(a);
    };

    const auto onText = [&](int row) {
        const QRect rect = box.visualItemRect(box.item(row));
        return QPoint(rect.left() + 20, rect.center().y());
    };
    Press(onText(0));
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0].toString(), "mailto:someone@example.invalid");
    EXPECT_EQ(mouseDowns, 0);
    EXPECT_EQ(box.currentRow(), 0); // the list still selects

    Press(onText(1));
    EXPECT_EQ(clicks, (QStringList{"1 local-action"}));
    EXPECT_EQ(mouseDowns, 0);

    Press(onText(2));
    EXPECT_EQ(mouseDowns, 1);
    EXPECT_EQ(box.currentRow(), 2);
    QDesktopServices::unsetUrlHandler("mailto");
}

TEST_F(MarkupListBoxTest, TypedLettersFindItemsByTheirPlainText)
{
    for (const char *text : {"<B>alpha</B>", "<I>Delta</I>", "beta", "<U>delta two</U>", "dog"})
        box.addItem(text);
    box.setFocus();
    box.setCurrentRow(2);
    Type("d");
    EXPECT_EQ(box.currentRow(), 3); // the next one from the selected on
    Type("d");
    EXPECT_EQ(box.currentRow(), 3); // the selected one itself matches first
    box.setCurrentRow(4);
    Type("a");
    EXPECT_EQ(box.currentRow(), 0); // none after it: from the first

    box.SetIncrLookup(true);
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.SearchText().isEmpty());
    box.setCurrentRow(0);
    Type("do");
    EXPECT_EQ(box.SearchText(), "do");
    EXPECT_EQ(box.currentRow(), 4);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.SearchText(), "d");
    // No item begins with "dx": the search starts again from the key alone.
    Type("x");
    EXPECT_EQ(box.SearchText(), "x");
}

TEST_F(MarkupListBoxTest, SortingComparesPlainTextOrMarkup)
{
    box.addItem("<A href=\"1\">b</A>");
    box.addItem("<B>a</B>");
    box.addItem("<A href=\"0\">c</A>");
    box.SetSorted(true);
    EXPECT_EQ(box.ItemText(0), "a");
    EXPECT_EQ(box.ItemText(1), "b");
    EXPECT_EQ(box.ItemText(2), "c");

    box.SetSorted(false);
    box.SetSortWithMarkup(true);
    box.SetSorted(true);
    EXPECT_EQ(box.item(0)->text(), "<A href=\"0\">c</A>");
    EXPECT_EQ(box.item(2)->text(), "<B>a</B>");
    // Items added later stay where they are put.
    box.addItem("0 first?");
    EXPECT_EQ(box.ItemText(3), "0 first?");
}

TEST_F(MarkupListBoxTest, BlinkingAlternatesEveryFiveTicksWhileEnabled)
{
    box.addItem("<BLINK>flash</BLINK>");
    box.SetEnableBlink(true);
    EXPECT_TRUE(box.EnableBlink());
    EXPECT_TRUE(box.BlinkShown());
    for (int i = 0; i < 4; ++i)
        box.BlinkTick();
    EXPECT_TRUE(box.BlinkShown());
    box.BlinkTick();
    EXPECT_FALSE(box.BlinkShown());
    for (int i = 0; i < 5; ++i)
        box.BlinkTick();
    EXPECT_TRUE(box.BlinkShown());
    for (int i = 0; i < 5; ++i)
        box.BlinkTick();
    EXPECT_FALSE(box.BlinkShown());
    box.SetEnableBlink(false);
    EXPECT_FALSE(box.EnableBlink());
    EXPECT_TRUE(box.BlinkShown());
}

TEST_F(MarkupListBoxTest, HintsShowAnchorsItemsOrTheListsOwnHint)
{
    box.addItem("<B>first</B> <A href=\"where\">MMMMMMMM</A>");
    const QRect rect = box.visualItemRect(box.item(0));
    const auto hintAt = [&](QPoint p) {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, p, box.viewport()->mapToGlobal(p));
        QApplication::sendEvent(box.viewport(), &help);
        return QToolTip::text();
    };
    QPoint onLink;
    for (int x = rect.left(); x < rect.right(); x += 2) {
        if (!box.AnchorAt(QPoint(x, rect.center().y())).isEmpty()) {
            onLink = QPoint(x + 4, rect.center().y());
            break;
        }
    }
    ASSERT_FALSE(onLink.isNull());
    const QPoint onText(rect.left() + 5, rect.center().y());

    box.setToolTip("report");
    EXPECT_EQ(hintAt(onText), "report");

    box.SetItemHint(true);
    EXPECT_EQ(hintAt(onText), "first MMMMMMMM");
    box.SetMarkupHint(true);
    EXPECT_EQ(hintAt(onText), box.item(0)->text());

    box.SetAnchorHint(true);
    box.OnAnchorHint = [](TMarkupListBox *, int index, QString &anchor) {
        anchor += QString(" #%1").arg(index);
    };
    EXPECT_EQ(hintAt(onLink), "where #0");
    QToolTip::hideText();
}

TEST_F(MarkupListBoxTest, SelectedItemIsFilledWithTheSelectionColour)
{
    box.SetSelectionColor(0xC0C0C0);
    box.addItem("first");
    box.addItem("second");
    box.setCurrentRow(1);
    QApplication::processEvents();
    const QImage shot = box.viewport()->grab().toImage();
    const QRect selected = box.visualItemRect(box.item(1));
    const QRect other = box.visualItemRect(box.item(0));
    EXPECT_EQ(shot.pixelColor(selected.right() - 3, selected.center().y()), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(shot.pixelColor(other.right() - 3, other.center().y()), box.palette().color(QPalette::Base));
}

TEST_F(MarkupListBoxTest, HorizontalScrollingFollowsTheWidestItem)
{
    box.addItem("short");
    box.addItem(QString("wide ").repeated(60));
    EXPECT_GT(box.WidestItem(), 1000);
    box.SetScrollHorizontal(true);
    QApplication::processEvents();
    EXPECT_GT(box.horizontalScrollBar()->maximum(), 0);
    // Laid out 4096 wide, the long item stays on one line.
    EXPECT_EQ(box.ItemHeight(1), LineHeight() + 4);
}

TEST_F(MarkupListBoxTest, StatusPicturesComeFromTheImageList)
{
    TMarkupImageList images(QSize(16, 16));
    for (QColor c : {QColor(200, 0, 0), QColor(0, 0, 0), QColor(0, 200, 0)}) {
        QPixmap pixmap(16, 16);
        pixmap.fill(c);
        images.Add(pixmap);
    }
    box.SetImages(&images);
    box.addItem("<IMG src=\"idx:2\"> text");
    EXPECT_EQ(box.ItemHeight(0), std::max(16, LineHeight()) + 4);
    QApplication::processEvents();
    const QImage shot = box.viewport()->grab().toImage();
    const QRect rect = box.visualItemRect(box.item(0));
    EXPECT_EQ(shot.pixelColor(rect.left() + 3 + 8, rect.top() + 8), QColor(0, 200, 0));
}

TEST_F(MarkupListBoxTest, RemovedImageListIsForgotten)
{
    auto *images = new TMarkupImageList(QSize(16, 16));
    box.SetImages(images);
    EXPECT_EQ(box.Images(), images);
    delete images;
    EXPECT_EQ(box.Images(), nullptr);
    box.addItem("<IMG src=\"idx:0\">still drawn");
    QApplication::processEvents();
    EXPECT_EQ(box.ItemHeight(0), LineHeight() + 4);
}

TEST_F(MarkupListBoxTest, WallpaperShowsBehindUnselectedItems)
{
    QPixmap wallpaper(8, 8);
    wallpaper.fill(QColor(10, 120, 200));
    box.SetWallpaper(wallpaper);
    box.addItem("x");
    QApplication::processEvents();
    const QImage shot = box.viewport()->grab().toImage();
    const QRect rect = box.visualItemRect(box.item(0));
    EXPECT_EQ(shot.pixelColor(rect.right() - 2, rect.center().y()), QColor(10, 120, 200));
    // Below the last item as well.
    EXPECT_EQ(shot.pixelColor(5, box.viewport()->height() - 3), QColor(10, 120, 200));
}

TEST_F(MarkupListBoxTest, BlinkTimerAdvancesAnimatedPictures)
{
    fetchly::test::TempDir dir;
    const QByteArray gif = test::BuildGif(4, 4, {{0, 10}, {1, 10}});
    const auto file =
        dir.write("anim.gif", std::string(gif.constData(), static_cast<std::size_t>(gif.size())));
    box.addItem(QString("<IMG src=\"file://%1\"> animated").arg(QString::fromStdString(file.string())));
    EXPECT_EQ(box.ItemHeight(0), std::max(4, LineHeight()) + 4);
    ASSERT_EQ(box.PictureCache().Count(), 1);
    TMarkupPicture &picture = box.PictureCache().Picture(0);
    EXPECT_EQ(picture.FrameCount(), 2);

    box.BlinkTick();
    box.BlinkTick();
    EXPECT_EQ(picture.Frame(), 1); // the timer is off: nothing moves
    box.SetEnableBlink(true);
    box.BlinkTick();
    box.BlinkTick();
    EXPECT_EQ(picture.Frame(), 2);
    box.SetEnableBlink(false);
}

} // namespace
} // namespace fetchly::markup

#include "list_box_test.moc"

#include "markup/core/draw_markup.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/qt_markup_surface.h"

#include "tests/markup/cpu_time.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace fetchly::markup {
namespace {

class QtSurface : public ::testing::Test {
protected:
    QtSurface() : image(240, 40, QImage::Format_RGB32) { image.fill(Qt::white); }

    MarkupResult Render(const std::string &markup, const MarkupImageList *images = nullptr)
    {
        QPainter painter(&image);
        TQtMarkupSurface surface(&image, &painter, QApplication::palette());
        MarkupFont font;
        font.name = "DejaVu Sans";
        font.size = 12;
        surface.SetFont(font);
        surface.SetFill(0xFFFFFF);
        MarkupParams params;
        params.bounds = {0, 0, image.width(), image.height()};
        params.images = images;
        return DrawMarkup(surface, markup, params);
    }

    // Columns (x) where some pixel of the column matches.
    std::pair<int, int> ColumnsWith(const std::function<bool(QColor)> &match) const
    {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (match(image.pixelColor(x, y))) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }

    QImage image;
};

bool Reddish(QColor c)
{
    return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool Dark(QColor c)
{
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}

TEST_F(QtSurface, BoldWordIsDrawnInItsColourWhereTheLayoutPutsIt)
{
    const MarkupResult r = Render("ab <FONT color=\"#FF0000\"><B>WWW</B></FONT> cd");
    ASSERT_GT(r.width, 0);

    TQtMarkupSurface measure(&image, nullptr, QApplication::palette());
    MarkupFont font{"DejaVu Sans", 12};
    measure.SetFont(font);
    const int before = measure.TextWidth("ab ");
    font.bold = true;
    measure.SetFont(font);
    const int word = measure.TextWidth("WWW");

    const auto [first, last] = ColumnsWith(Reddish);
    ASSERT_GE(first, 0) << "no red pixels";
    EXPECT_GE(first, 1 + before - 1);
    EXPECT_LE(last, 1 + before + word + 1);
    // The plain text around it stays black.
    const auto [darkFirst, darkLast] = ColumnsWith(Dark);
    EXPECT_LT(darkFirst, first);
    EXPECT_GT(darkLast, last);
}

TEST_F(QtSurface, ImageListPictureIsDrawnAtItsPlace)
{
    TMarkupImageList images(QSize(16, 16));
    QPixmap green(16, 16);
    green.fill(QColor(0, 200, 0));
    images.Add(green);
    QPixmap blue(8, 8);
    blue.fill(QColor(0, 0, 200));
    images.Add(blue); // scaled to the list's size

    const MarkupResult r = Render("<IMG src=\"idx:0\"><IMG src=\"idx:1\">", &images);
    EXPECT_EQ(r.width, 32);
    EXPECT_GE(r.height, 16);
    EXPECT_EQ(image.pixelColor(1, 0), QColor(0, 200, 0));
    EXPECT_EQ(image.pixelColor(16, 15), QColor(0, 200, 0));
    EXPECT_EQ(image.pixelColor(17, 0), QColor(0, 0, 200));
    EXPECT_EQ(image.pixelColor(32, 15), QColor(0, 0, 200));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(33, 5), QColor(Qt::white));
}

TEST_F(QtSurface, HighlightFillsTheTextCellWithTheSelectionColour)
{
    QPalette palette = QApplication::palette();
    const QColor highlight = palette.color(QPalette::Highlight);
    Render("<HI>MMMM</HI>");
    int filled = 0;
    for (int x = 0; x < 40; ++x) {
        if (image.pixelColor(x, 5) == highlight)
            ++filled;
    }
    EXPECT_GT(filled, 10);
    EXPECT_EQ(image.pixelColor(200, 5), QColor(Qt::white));
}

TEST_F(QtSurface, SystemColoursComeFromThePaletteAndMnemonicsMeasureOnce)
{
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
    palette.setColor(QPalette::HighlightedText, QColor(4, 5, 6));
    TQtMarkupSurface surface(&image, nullptr, palette);
    EXPECT_EQ(surface.ResolveColor(0x8000000D), QColor(1, 2, 3));
    EXPECT_EQ(surface.ResolveColor(0x8000000E), QColor(4, 5, 6));
    EXPECT_EQ(surface.ResolveColor(0x0000FF), QColor(255, 0, 0));

    surface.SetFont({"DejaVu Sans", 10});
    // "&b" shows b underlined; "&&" shows one "&".
    EXPECT_EQ(surface.TextWidth("a&b"), surface.TextWidth("ab"));
    EXPECT_GT(surface.TextWidth("a&&b"), surface.TextWidth("ab"));
    EXPECT_LT(surface.TextWidth("a&&b"), surface.TextWidth("a&&&&b"));
    EXPECT_GT(surface.TextHeight("gh"), 0);
}

TEST_F(QtSurface, ALongUnbrokenRunCostsWhatCanBeSeen)
{
    Render("x"); // loads the font database, once per process
    const auto url = [](int ampersands) {
        std::string markup = "http://h/";
        for (int i = 0; i < ampersands; ++i)
            markup += "&amp;";
        return markup;
    };
    const std::string longUrl = url(100000);
    MarkupResult r;
    const double seconds = test::BestCpuSeconds([&] {
        image.fill(Qt::white);
        r = Render(longUrl);
    });
    EXPECT_LT(seconds, 0.01 * test::kTimeAllowance);
    const QImage drawn = image.copy();

    // Measured as a whole ...
    QFontMetricsF metrics(TQtMarkupSurface::ToQFont({"DejaVu Sans", 12}), &image);
    const qreal whole = metrics.horizontalAdvance("http://h/" + QString(100000, QLatin1Char('&')));
    EXPECT_NEAR(r.width, whole, 2);
    // ... and drawn as a run that just passes the right edge is.
    image.fill(Qt::white);
    Render(url(200));
    EXPECT_EQ(drawn, image);
}

} // namespace
} // namespace fetchly::markup

// The window's pictures on a screen scaled to 200% (QT_SCALE_FACTOR=2): the
// toolbar and the list's status pictures must carry twice the pixels, drawn
// at that size, not a small picture blown up.
#include "app/main_form.h"
#include "markup/qt/markup_image_list.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/widget_helpers.h"

#include <QAction>
#include <QImage>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

// Pixels on an edge: neither clear nor solid.
int edgePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 24 && qAlpha(image.pixel(x, y)) < 232;
    return count;
}

// Whether a picture of `logical` size is drawn at ratio 2: twice the pixels,
// with edges as thin as at that size, where a picture of the plain size
// blown up has edges twice as wide.
void expectCrisp(const QPixmap &picture, QSize logical, const char *what)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(picture.devicePixelRatio(), 2.0);
    ASSERT_EQ(picture.size(), logical * 2);
    const QImage sharp = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage blown = sharp.scaled(logical, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .scaled(logical * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    EXPECT_LT(edgePixels(sharp) * 2, edgePixels(blown));
}

TEST(PicturesScaled, ToolbarAndStatusPicturesAreDrawnAtTheScreensRatio)
{
    test::XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    ASSERT_EQ(form.devicePixelRatioF(), 2.0) << "QT_SCALE_FACTOR=2 expected";
    for (const char *tool : {"openListButton", "startAllButton", "optionsButton"})
        expectCrisp(view.Command(tool).icon().pixmap(QSize(32, 32), form.devicePixelRatioF()), QSize(32, 32),
                    tool);
    ASSERT_EQ(view.List().Images()->Count(), 5);
    for (int i = 0; i < view.List().Images()->Count(); ++i)
        expectCrisp(view.List().Images()->Pixmap(i), QSize(16, 16), qPrintable(QString::number(i)));
}

} // namespace
} // namespace fetchly

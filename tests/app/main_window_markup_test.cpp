// The two lists of the main window draw their lines through the markup
// renderer, set up as the window's design says.
#include "app/main_form.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

namespace fetchly {
namespace {

TEST(MainWindowLists, ListBoxesAreSetUpAsDesigned)
{
    test::XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    ASSERT_NE(view.List().Images(), nullptr);
    EXPECT_EQ(view.List().Images()->Count(), 5);
    EXPECT_EQ(view.List().SelectionColor(), 0xC0C0C0u);
    EXPECT_EQ(view.List().SelectionFontColor(), 0x8000000Eu);
    EXPECT_EQ(view.List().ShadowOffset(), 1);
    EXPECT_FALSE(view.List().EnableBlink());
    EXPECT_FALSE(view.List().Sorted());
    EXPECT_EQ(view.List().font().family(), "Trebuchet MS");
    EXPECT_EQ(view.RunLog().Images(), nullptr);
    EXPECT_EQ(view.RunLog().ShadowOffset(), 1);
    EXPECT_FALSE(view.RunLog().EnableBlink());
}

TEST(MainWindowLists, ReadyLineShowsItsStatusPictureAndPlainText)
{
    test::XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    form.AddUrl("http://h/pic.jpg");
    QApplication::processEvents();
    ASSERT_EQ(view.List().count(), 1);
    EXPECT_EQ(view.List().ItemText(0), " http://h/pic.jpg     Ready for Download");
    EXPECT_GE(view.List().ItemHeight(0), 16 + 4);

    const QImage shot = view.List().viewport()->grab().toImage();
    const QRect rect = view.List().visualItemRect(view.List().item(0));
    const QImage ready = view.List().Images()->Pixmap(0).toImage().convertToFormat(QImage::Format_ARGB32);
    int compared = 0;
    for (int y = 0; y < ready.height(); ++y) {
        for (int x = 0; x < ready.width(); ++x) {
            if (ready.pixelColor(x, y).alpha() != 255)
                continue;
            // The picture sits at the line's left, 3 pixels in.
            EXPECT_EQ(shot.pixelColor(rect.left() + 3 + x, rect.top() + y), ready.pixelColor(x, y))
                << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 20);

    view.RunLog().addItem("<b>Fetchly has Finished All Downloads! </b>");
    EXPECT_EQ(view.RunLog().ItemText(0), "Fetchly has Finished All Downloads! ");
}

} // namespace
} // namespace fetchly

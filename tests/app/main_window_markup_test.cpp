// The two lists of the main window draw their lines through the markup
// renderer, set up as the window's design says.
#include "app/main_form.h"
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
    ASSERT_NE(form.URLBox->Images(), nullptr);
    EXPECT_EQ(form.URLBox->Images()->Count(), 5);
    EXPECT_EQ(form.URLBox->SelectionColor(), 0xC0C0C0u);
    EXPECT_EQ(form.URLBox->SelectionFontColor(), 0x8000000Eu);
    EXPECT_EQ(form.URLBox->ShadowOffset(), 1);
    EXPECT_FALSE(form.URLBox->EnableBlink());
    EXPECT_FALSE(form.URLBox->Sorted());
    EXPECT_EQ(form.URLBox->font().family(), "Trebuchet MS");
    EXPECT_EQ(form.DoBox->Images(), nullptr);
    EXPECT_EQ(form.DoBox->ShadowOffset(), 1);
    EXPECT_FALSE(form.DoBox->EnableBlink());
}

TEST(MainWindowLists, ReadyLineShowsItsStatusPictureAndPlainText)
{
    test::XdgHome home;
    TDownloadForm form;
    form.show();
    form.AddUrl("http://h/pic.jpg");
    QApplication::processEvents();
    ASSERT_EQ(form.URLBox->count(), 1);
    EXPECT_EQ(form.URLBox->ItemText(0), " http://h/pic.jpg     Ready for Download");
    EXPECT_GE(form.URLBox->ItemHeight(0), 16 + 4);

    const QImage shot = form.URLBox->viewport()->grab().toImage();
    const QRect rect = form.URLBox->visualItemRect(form.URLBox->item(0));
    const QImage ready = form.ImageList2[0].toImage().convertToFormat(QImage::Format_ARGB32);
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

    form.DoBox->addItem("<b>Fetchly has Finished All Downloads! </b>");
    EXPECT_EQ(form.DoBox->ItemText(0), "Fetchly has Finished All Downloads! ");
}

} // namespace
} // namespace fetchly

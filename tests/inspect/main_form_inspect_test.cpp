// A click on a line of the download list shows the report of that entry's
// downloaded file as the list's tooltip.
#include "main_form.h"
#include "support/temp_dir.h"
#include "ui/directory_edit.h"

#include <QApplication>
#include <QListWidget>
#include <gtest/gtest.h>

#include <cstdlib>

namespace fetchly {
namespace {

std::string zipOf(const std::string &name)
{
    std::string h = std::string("PK\x03\x04", 4) + std::string(22, '\0');
    h += static_cast<char>(name.size());
    h += std::string(3, '\0');
    return h + name + "PK\x05\x06" + std::string(18, '\0');
}

TEST(MainFormInspect, ClickShowsTheReportOrTheError)
{
    fetchly::test::XdgHome home;
    fetchly::test::TempDir downloads;
    downloads.write("a.zip", zipOf("<b>inside</b>.txt"));
    TDownloadForm form;
    form.tgt->setText(QString::fromStdString(downloads.str()));
    form.AddUrl("http://host/a.zip");
    form.AddUrl("http://host/missing.zip");
    form.AddUrl("http://host/notes.jpg");
    ASSERT_EQ(form.URLBox->count(), 3);

    form.URLBox->setCurrentRow(0);
    form.URLBoxClick();
    const QString tip = form.URLBox->toolTip();
    const QString path = QString::fromStdString(downloads.str() + "/a.zip");
    // Plain text made into tooltip markup: one break per report line, and the
    // entry name escaped rather than read as bold text.
    EXPECT_TRUE(tip.contains(path + "<br>\n&lt;b&gt;inside&lt;/b&gt;.txt")) << tip.toStdString();

    // The missing archive: its path line as the tooltip, the error in the status bar.
    form.URLBox->setCurrentRow(1);
    form.URLBoxClick();
    EXPECT_TRUE(form.URLBox->toolTip().contains("missing.zip")) << form.URLBox->toolTip().toStdString();
    EXPECT_FALSE(form.URLBox->toolTip().contains("inside"));
    EXPECT_EQ(form.StatusText().toStdString(),
              "Error : Cannot open file " + downloads.str() + "/missing.zip");

    // A picture that is not there: the two path lines, no error.
    form.SetStatusText({});
    form.URLBox->setCurrentRow(2);
    form.URLBoxClick();
    EXPECT_EQ(form.URLBox->toolTip().count("notes.jpg"), 2);
    EXPECT_EQ(form.StatusText(), QString());
}

} // namespace
} // namespace fetchly

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

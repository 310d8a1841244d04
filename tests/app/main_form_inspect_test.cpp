// A click on a line of the download list shows the report of that entry's
// downloaded file as the list's tooltip, once the file has been read off the
// UI thread.
#include "app/main_form.h"
#include "digest/sha256_stream.h"
#include "tests/support/event_wait.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/stalled_fifo.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "transfer/finished_record.h"
#include "ui/directory_edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QListWidget>
#include <QScreen>
#include <QToolTip>
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

class MainFormInspect : public ::testing::Test {
protected:
    MainFormInspect()
    {
        downloads.write("a.zip", zipOf("<b>inside</b>.txt"));
        view.TargetFolder().setText(QString::fromStdString(downloads.str()));
    }
    // Clicks line `row` and waits for the tooltip to mention `expected`.
    void click(int row, const QString &expected)
    {
        view.Click(row);
        EXPECT_TRUE(test::PumpUntil([&] { return view.List().toolTip().contains(expected); }, 10000))
            << view.List().toolTip().toStdString();
    }

    test::XdgHome home;
    test::TempDir downloads;
    TDownloadForm form;
    TDownloadFormTestView view{form};
};

TEST_F(MainFormInspect, ClickShowsTheReportOrTheError)
{
    form.AddUrl("http://host/a.zip");
    form.AddUrl("http://host/missing.zip");
    form.AddUrl("http://host/notes.jpg");
    ASSERT_EQ(view.List().count(), 3);

    // A file fetched in an earlier session: its record gives the digest.
    const std::string sha = digest::Sha256Hex(zipOf("<b>inside</b>.txt"));
    ASSERT_TRUE(RecordFinished(downloads.str() + "/a.zip", "http://host/a.zip", "", sha));
    click(0, QString::fromStdString("SHA-256: " + sha));
    const QString tip = view.List().toolTip();
    const QString path = QString::fromStdString(downloads.str() + "/a.zip");
    // Plain text made into tooltip markup: one break per report line, and the
    // entry name escaped rather than read as bold text.
    EXPECT_TRUE(tip.contains(path + "<br>\n&lt;b&gt;inside&lt;/b&gt;.txt")) << tip.toStdString();

    // The missing archive: its path line as the tooltip, the error in the status bar.
    click(1, "missing.zip");
    EXPECT_TRUE(view.List().toolTip().contains("missing.zip")) << view.List().toolTip().toStdString();
    EXPECT_FALSE(view.List().toolTip().contains("inside"));
    EXPECT_EQ(form.StatusText().toStdString(),
              "Error : Cannot open file " + downloads.str() + "/missing.zip");

    // A picture that is not there: the two path lines, no error.
    form.SetStatusText({});
    click(2, "notes.jpg");
    EXPECT_EQ(view.List().toolTip().count("notes.jpg"), 2);
    EXPECT_EQ(form.StatusText(), QString());
}

// A photo's report is taller than the screen: the tooltip shows what fits
// and says where the rest is; the run log holds all of it.
TEST_F(MainFormInspect, ATallReportShowsWhatFitsAndTheRunLogHoldsIt)
{
    std::filesystem::copy_file(test::testDataDir() / "exif" / "camera" / "canon-ixus.jpg",
                               downloads.path() / "photo.jpg");
    form.AddUrl("http://host/photo.jpg");
    click(0, "the whole report is in the run log");
    const QString tip = view.List().toolTip();
    const int screenLines =
        form.screen()->availableGeometry().height() / QFontMetrics(QToolTip::font()).lineSpacing();
    EXPECT_LT(tip.count("<br>"), screenLines) << tip.toStdString();
    const QStringList log = view.LogLines();
    ASSERT_GT(log.size(), tip.count("<br>") + 1);
    EXPECT_TRUE(log.first().contains("photo.jpg")) << log.first().toStdString();
    EXPECT_FALSE(tip.contains(log.last().toHtmlEscaped())) << "the end is in the run log only";
}

TEST_F(MainFormInspect, AFileThatBlocksNeitherFreezesTheWindowNorOutlivesANewerClick)
{
    // Were it read on the UI thread, the pipe would hold the click for the
    // helper's stall.
    const test::StalledFifo fifo(downloads.path() / "stuck.zip");
    form.AddUrl("http://host/stuck.zip");
    form.AddUrl("http://host/a.zip");
    QElapsedTimer clock;
    clock.start();
    view.Click(0);
    EXPECT_LT(clock.elapsed(), 500) << "the click waited for the file";
    click(1, "inside"); // supersedes the report still pending
    test::PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(view.List().toolTip().contains("inside")) << view.List().toolTip().toStdString();
    EXPECT_FALSE(form.StatusText().contains("stuck")) << form.StatusText().toStdString();
}

} // namespace
} // namespace fetchly

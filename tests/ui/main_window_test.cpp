#include "core/download_lines.h"
#include "core/list_file.h"
#include "main_form.h"
#include "options_form.h"
#include "ui/directory_edit.h"
#include "ui/input_box.h"
#include "ui/tray_icon.h"
#include "widget_helpers.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

using test::XdgHome;

QStringList boxLines(const QListWidget *box)
{
    QStringList lines;
    for (int i = 0; i < box->count(); ++i)
        lines.append(box->item(i)->text());
    return lines;
}

QString ready(const std::string &url)
{
    return QString::fromStdString(ReadyLine(url));
}

TEST(MainWindowStart, FirstStartShowsAnEmptyListAndOk)
{
    XdgHome home;
    TDownloadForm form;
    EXPECT_EQ(form.FUrlList.Count(), 0);
    EXPECT_EQ(form.URLBox->count(), 0);
    EXPECT_EQ(form.StatusText(), "OK");
    EXPECT_FALSE(form.FBusy);
    EXPECT_EQ(form.windowTitle(), "Brindlewick Fetchly");
    EXPECT_EQ(form.Panel2->text(), "Brindlewick Fetchly / Internet File Downloader");
    EXPECT_EQ(form.Label2->text(), "Target directory :");
    EXPECT_EQ(form.GroupBox1->title(), "URL Download List :");
    EXPECT_EQ(form.TrayIcon1->Hint(), "Fetchly / Internet Downloader");
    EXPECT_EQ(form.FAppDir, (home.dataHome() / "Brindlewick" / "Fetchly").string() + "/");
    // No option stored yet: the engine gets the designed values.
    EXPECT_FALSE(form.FetchEngine1.FTPPassive);
    EXPECT_FALSE(form.FetchEngine1.ShowDialog);
    EXPECT_EQ(form.tgt->text(), DefaultTargetDir());
    EXPECT_EQ(form.ImageList1.size(), 7);
    EXPECT_EQ(form.ImageList2.size(), 5);
    for (const QPixmap &p : form.ImageList2)
        EXPECT_EQ(p.size(), QSize(16, 16));
}

TEST(MainWindowStart, ToolbarOrderHintsAndSeparators)
{
    XdgHome home;
    TDownloadForm form;
    QStringList seen;
    for (QAction *a : form.ToolBar1->actions())
        seen.append(a->isSeparator() ? QStringLiteral("|") : a->toolTip());
    EXPECT_EQ(seen, (QStringList{"|", "Open File Download List", "Save File Download List", "|",
                                 "Start All Downloads", "|", "Open Options Dialog", "|",
                                 "Add A URL (to download) to List", "|", "Empty URL List", "|",
                                 "Hide Application (Task Bar)"}));
    QStringList menu;
    for (QAction *a : form.ListPopUp->actions())
        menu.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, (QStringList{"DownLoad Selected Files", "DownLoad All Files", "-", "Delete This File"}));
}

TEST(MainWindowStart, ListDialogsCarryTheirFiltersAndDefaultExtensions)
{
    XdgHome home;
    TDownloadForm form;
    EXPECT_EQ(form.OpenDialog->nameFilters(),
              (QStringList{"Orv File Downloader (*.ufi)", "All Files *.* (*)"}));
    EXPECT_EQ(form.OpenDialog->defaultSuffix(), "ufl");
    EXPECT_EQ(form.SaveDialog->nameFilters(),
              (QStringList{"Ovr File Downloader (*.ufi)", "All Files *.* (*)"}));
    EXPECT_EQ(form.SaveDialog->defaultSuffix(), "ufi");
    EXPECT_TRUE(form.SaveDialog->testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(MainWindowLifecycle, EmptyListWritesAnEmptyFileAndComesBackEmpty)
{
    XdgHome home;
    {
        TDownloadForm form;
    }
    ASSERT_TRUE(std::filesystem::exists(test::SavedFilesPath()));
    EXPECT_EQ(test::readFile(test::SavedFilesPath()), "");
    TDownloadForm again;
    EXPECT_EQ(again.URLBox->count(), 0);
    EXPECT_EQ(again.StatusText(), "OK");
}

TEST(MainWindowLifecycle, ListSurvivesARestartWithItsShownLines)
{
    XdgHome home;
    {
        TDownloadForm form;
        form.AddUrl("http://h/a.jpg");
        form.AddUrl("http://h/b.zip");
        // Closed while this one downloads: its transfer never finished.
        form.FUrlList.SetValue("http://h/c.exe?v=1", StatusLine(2, "http://h/c.exe?v=1", "DownLoading",
                                                                "1kb of 9kb", "Rate: 1 KB/s"));
    }
    EXPECT_EQ(test::readFile(test::SavedFilesPath())
                  .find("http://h/a.jpg=" + ReadyLine("http://h/a.jpg") + "\r\nhttp://h/b.zip=" +
                        ReadyLine("http://h/b.zip") + "\r\nhttp://h/c.exe?v=1=<IMG src=\"idx:2\">"),
              0u);
    TDownloadForm again;
    EXPECT_EQ(boxLines(again.URLBox),
              (QStringList{ready("http://h/a.jpg"), ready("http://h/b.zip"), ready("http://h/c.exe?v=1")}));
    EXPECT_EQ(again.FUrlList.Key(2), "http://h/c.exe?v=1");
}

TEST(MainWindowLifecycle, TypedTargetDirectoryComesBackAndIsTheOneUsed)
{
    XdgHome home;
    const QString typed = QString::fromStdString((home.root() / "downloads here").string() + "/");
    {
        TDownloadForm form;
        form.tgt->lineEdit()->setText(typed);
        // Start All re-applies the options: the typed directory must stay.
        form.ApplyOptions();
        EXPECT_EQ(form.tgt->text(), typed);
    }
    TDownloadForm again;
    EXPECT_EQ(again.tgt->text(), typed);
    EXPECT_EQ(again.OptionsForm->diredit->text(), typed);
}

TEST(MainWindowLifecycle, AddedLinkTypesSurviveARestart)
{
    XdgHome home;
    {
        TDownloadForm form;
        form.OptionsForm->LinksList->addItem(".pdf");
        form.AddUrl("http://h/doc.pdf");
        EXPECT_EQ(form.FUrlList.Count(), 1);
    }
    TDownloadForm again;
    EXPECT_EQ(again.OptionsForm->LinksList->count(), 18);
    EXPECT_TRUE(again.IsAcceptedLink("http://h/other.PDF"));
}

TEST(MainWindowLifecycle, ListChangesAreWrittenSoonWithoutClosing)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/a.jpg");
    EXPECT_TRUE(test::WaitFor(
        [] { return test::readFile(test::SavedFilesPath()).find("http://h/a.jpg=") == 0; }, 4000));
}

TEST(MainWindowLifecycle, UnwritableListFileIsReportedInTheStatusBar)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/a.jpg");
    std::filesystem::remove(test::SavedFilesPath());
    std::filesystem::create_directories(test::SavedFilesPath() / "blocker");
    form.FormDestroy();
    EXPECT_TRUE(form.StatusText().startsWith("Error : ")) << form.StatusText().toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(test::SavedFilesPath() / "blocker"));
}

TEST(DownloadList, AddUrlAcceptsRenewsAndRejects)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/pic.JPG");
    form.AddUrl("http://h/other.zip");
    form.FUrlList.SetValue("http://h/pic.JPG", "<B>done</B>");
    form.AddUrl("HTTP://H/PIC.jpg");
    ASSERT_EQ(form.FUrlList.Count(), 2);
    EXPECT_EQ(form.FUrlList.Line(0), "HTTP://H/PIC.jpg=" + ReadyLine("HTTP://H/PIC.jpg"));
    EXPECT_EQ(form.URLBox->item(0)->text(), ready("HTTP://H/PIC.jpg"));

    form.AddUrl("http://h/file.zip?x=1");
    EXPECT_EQ(form.StatusText(), "URL Extension Does not match Accepted Types!");
    EXPECT_EQ(form.FUrlList.Count(), 2);
    form.SetStatusText("OK");
    form.AddUrl("");
    EXPECT_EQ(form.StatusText(), "OK");
    form.AddUrl("http://example.com");
    EXPECT_EQ(form.FUrlList.Count(), 3);
    form.AddUrl("http://h/a.jpg\r\nhttp://h/b.jpg");
    EXPECT_EQ(form.FUrlList.Count(), 3);
    EXPECT_NE(form.StatusText(), "OK");
}

TEST(DownloadList, AddUrlCommandUsesTheInputBoxAndCancelAddsNothing)
{
    XdgHome home;
    TDownloadForm form;
    test::OnNextModal([](QWidget *modal) {
        auto *box = qobject_cast<TInputBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Add URL");
        EXPECT_EQ(box->promptLabel()->text(), "URL :");
        EXPECT_EQ(box->edit()->text(), "");
        box->edit()->setText("http://h/typed.gif");
        box->accept();
    });
    form.ToolButton6Click();
    ASSERT_EQ(form.FUrlList.Count(), 1);
    EXPECT_EQ(form.FUrlList.Key(0), "http://h/typed.gif");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText("http://h/other.gif");
        qobject_cast<QDialog *>(modal)->reject();
    });
    form.ToolButton6Click();
    EXPECT_EQ(form.FUrlList.Count(), 1);
}

TEST(DownloadList, DeleteNeedsASelectionAndEmptyClearsEverything)
{
    XdgHome home;
    TDownloadForm form;
    for (const char *u : {"http://h/1.jpg", "http://h/2.jpg", "http://h/3.jpg"})
        form.AddUrl(u);
    form.URLBox->clearSelection();
    form.URLBox->setCurrentRow(-1);
    form.DeleteThisFile1Click();
    EXPECT_EQ(form.FUrlList.Count(), 3);
    form.URLBox->setCurrentRow(1);
    form.DeleteThisFile1Click();
    EXPECT_EQ(boxLines(form.URLBox), (QStringList{ready("http://h/1.jpg"), ready("http://h/3.jpg")}));
    form.ToolButton7Click();
    EXPECT_EQ(form.FUrlList.Count(), 0);
    EXPECT_EQ(form.URLBox->count(), 0);
}

TEST(DownloadList, ListCannotChangeShapeDuringARun)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/1.jpg");
    form.AddUrl("http://h/2.jpg");
    form.FBusy = true;
    form.URLBox->setCurrentRow(0);
    form.DeleteThisFile1Click();
    form.ToolButton7Click();
    EXPECT_EQ(form.FUrlList.Count(), 2);
    EXPECT_EQ(form.URLBox->count(), 2);
    EXPECT_NE(form.StatusText(), "OK");
    form.FBusy = false;
    form.ToolButton7Click();
    EXPECT_EQ(form.FUrlList.Count(), 0);
}

TEST(DownloadList, RefillKeepsSelectionAndScrollPosition)
{
    XdgHome home;
    TDownloadForm form;
    form.resize(738, 581);
    form.show();
    for (int i = 0; i < 300; ++i)
        form.AddUrl("http://h/" + std::to_string(i) + ".jpg");
    form.URLBox->setCurrentRow(150);
    form.URLBox->scrollToItem(form.URLBox->item(150));
    const int scroll = form.URLBox->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    form.FCurUrl = "http://h/10.jpg";
    form.FCurImage = 2;
    form.FCurStatus = "DownLoading";
    form.UpdateCurrentLine();
    form.AddUrl("http://h/new.jpg");
    EXPECT_EQ(form.URLBox->currentRow(), 150);
    EXPECT_EQ(form.URLBox->verticalScrollBar()->value(), scroll);
    EXPECT_EQ(form.URLBox->item(10)->text().toStdString(),
              StatusLine(2, "http://h/10.jpg", "DownLoading", "", form.RateText()));
}

TEST(DownloadList, OpenReplacesTheTableAndShowsLookedUpLines)
{
    XdgHome home;
    test::TempDir dir;
    const auto file =
        dir.write("list.ufi", "http://h/a.jpg=<B>one</B>\r\nHTTP://H/A.JPG=<B>two</B>\nplain\r=<i>eq</i>");
    TDownloadForm form;
    form.AddUrl("http://h/old.jpg");
    form.OpenListFile(QString::fromStdString(file.string()));
    EXPECT_EQ(form.FUrlList.Count(), 4);
    EXPECT_EQ(boxLines(form.URLBox), (QStringList{"<B>one</B>", "<B>one</B>", "<i>eq</i>", "<i>eq</i>"}));
    const auto saved = dir.path() / "saved.ufi";
    form.SaveListFile(QString::fromStdString(saved.string()));
    EXPECT_EQ(test::readFile(saved),
              "http://h/a.jpg=<B>one</B>\r\nHTTP://H/A.JPG=<B>two</B>\r\nplain\r\n=<i>eq</i>\r\n");
}

TEST(DownloadList, MissingListFileIsAnErrorAndTheTableStays)
{
    XdgHome home;
    test::TempDir dir;
    TDownloadForm form;
    form.AddUrl("http://h/keep.jpg");
    try {
        form.OpenListFile(QString::fromStdString((dir.path() / "none.ufi").string()));
        ADD_FAILURE() << "a missing list file was opened";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find("none.ufi"), std::string::npos) << e.what();
    }
    EXPECT_EQ(form.FUrlList.Count(), 1);
    EXPECT_EQ(form.URLBox->count(), 1);
}

TEST(MainWindowTray, HideAndShowLeaveTheListAlone)
{
    XdgHome home;
    TDownloadForm form;
    form.show();
    form.AddUrl("http://h/a.jpg");
    form.ToolButton11Click();
    if (TTrayIcon::Available())
        EXPECT_FALSE(form.isVisible());
    else
        EXPECT_TRUE(form.isMinimized()); // no tray: only minimizing keeps it reachable
    form.TrayIcon1DblClick();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(form.FUrlList.Count(), 1);
    EXPECT_EQ(form.TrayIcon1->Hint(), "Fetchly / Internet Downloader");
}

} // namespace
} // namespace fetchly

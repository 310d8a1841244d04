#include "app/core/download_lines.h"
#include "app/core/ini_file.h"
#include "app/core/list_file.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "tests/support/widget_helpers.h"
#include "ui/directory_edit.h"
#include "ui/input_box.h"
#include "ui/tray_icon.h"

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
#include <sys/stat.h>

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
    EXPECT_EQ(form.Board.Entries().Count(), 0);
    EXPECT_EQ(form.URLBox->count(), 0);
    EXPECT_EQ(form.StatusText(), "OK");
    EXPECT_FALSE(form.Board.Busy());
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
    EXPECT_EQ(form.ImageList1.size(), 8);
    EXPECT_EQ(form.ImageList2.size(), 5);
    for (const QPixmap &p : form.ImageList2)
        EXPECT_EQ(p.size(), QSize(16, 16));
}

// The designed buttons keep their places; their hints name their keys.
TEST(MainWindowStart, ToolbarOrderHintsAndSeparators)
{
    XdgHome home;
    TDownloadForm form;
    QStringList seen;
    for (QAction *a : form.ToolBar1->actions())
        seen.append(a->isSeparator() ? QStringLiteral("|") : a->toolTip());
    EXPECT_EQ(seen, (QStringList{"|", "Open File Download List (Ctrl+O)", "Save File Download List (Ctrl+S)",
                                 "|", "Start All Downloads (F5)", "|", "Open Options Dialog", "|",
                                 "Add A URL (to download) to List (Ins, Ctrl+N)", "|", "Empty URL List", "|",
                                 "Hide Application (Task Bar)", "|", "Stop Downloading (Esc)"}));
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
        form.Board.Entries().SetValue("http://h/c.exe?v=1", StatusLine(2, "http://h/c.exe?v=1", "DownLoading",
                                                                       "1kb of 9kb", "Rate: 1 KB/s"));
    }
    EXPECT_EQ(test::readFile(test::SavedFilesPath())
                  .find("http://h/a.jpg=" + ReadyLine("http://h/a.jpg") + "\r\nhttp://h/b.zip=" +
                        ReadyLine("http://h/b.zip") + "\r\nhttp://h/c.exe?v=1=<IMG src=\"idx:2\">"),
              0u);
    TDownloadForm again;
    EXPECT_EQ(boxLines(again.URLBox),
              (QStringList{ready("http://h/a.jpg"), ready("http://h/b.zip"), ready("http://h/c.exe?v=1")}));
    EXPECT_EQ(again.Board.Entries().Key(2), "http://h/c.exe?v=1");
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
    EXPECT_EQ(again.Options.TargetDir, typed.toStdString());
}

TEST(MainWindowLifecycle, AddedLinkTypesSurviveARestart)
{
    XdgHome home;
    {
        TDownloadForm form;
        form.Options.LinkTypes.Types.push_back(".pdf");
        form.AddUrl("http://h/doc.pdf");
        EXPECT_EQ(form.Board.Entries().Count(), 1);
    }
    TDownloadForm again;
    EXPECT_EQ(again.Options.LinkTypes.Types.size(), 18u);
    EXPECT_TRUE(again.IsAcceptedLink("http://h/other.PDF"));
}

TEST(MainWindowLifecycle, StoredOptionsRunTheWindowAndAreWrittenBackUnchanged)
{
    XdgHome home;
    const std::string stored =
        "[Values]\nCheckBox1=1\nProxEdit=proxy:3128\nPassEdit=\nUserEdit=\nCheckBox2=0\n"
        "CheckBox3=0\nCheckBox4=1\ndiredit=/srv/in/\nLinksList=0\n[Transfer]\nConnections=3\n"
        "Retries=1\n[LinksList]\nCount=1\nItem0=.pdf\n";
    test::writeFile(test::IniPath(), stored);
    {
        TDownloadForm form;
        EXPECT_TRUE(form.FetchEngine1.FTPPassive);
        EXPECT_EQ(form.FetchEngine1.Proxy, "proxy:3128");
        EXPECT_TRUE(form.FetchEngine1.ShowOpenFolder);
        EXPECT_EQ(form.FetchEngine1.Connections, 3);
        EXPECT_EQ(form.FetchEngine1.Retries, 1);
        EXPECT_EQ(form.tgt->text(), "/srv/in/");
        EXPECT_TRUE(form.AddUrl("http://h/a.pdf"));
        EXPECT_FALSE(form.AddUrl("http://h/a.jpg"));
    }
    EXPECT_EQ(test::readFile(test::IniPath()), stored);
}

TEST(MainWindowLifecycle, ListChangesAreWrittenSoonWithoutClosing)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/a.jpg");
    EXPECT_TRUE(test::PumpUntil(
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

// A list or settings file that cannot be read is moved aside whole before
// the first save, and the status bar names it.
struct UnreadableStartFile {
    const char *name;
    bool list;         // SavedFiles.ufi, else Fetchly.ini
    std::string bytes; // empty: a file too large to read
    const char *said;  // what the status bar says besides the kept name
};

class StartFileKeptAside : public testing::TestWithParam<UnreadableStartFile> {};

TEST_P(StartFileKeptAside, BeforeAnythingIsSavedOverIt)
{
    XdgHome home;
    const UnreadableStartFile &c = GetParam();
    const auto path = c.list ? test::SavedFilesPath() : test::IniPath();
    test::writeFile(path, c.bytes);
    if (c.bytes.empty())
        std::filesystem::resize_file(path, (c.list ? 256u : 16u) * 1024 * 1024 + 1);
    const auto size = std::filesystem::file_size(path);
    {
        TDownloadForm form;
        const auto kept = test::filesStartingWith(path.parent_path(), path.filename().string() + ".");
        ASSERT_EQ(kept.size(), 1u) << form.StatusText().toStdString();
        EXPECT_TRUE(form.StatusText().contains(QString::fromStdString(kept[0].filename().string())))
            << form.StatusText().toStdString();
        EXPECT_TRUE(form.StatusText().contains(QLatin1String(c.said))) << form.StatusText().toStdString();
        form.AddUrl("http://h/new.jpg");
    }
    const auto kept = test::filesStartingWith(path.parent_path(), path.filename().string() + ".");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(kept[0]), size);
    if (!c.bytes.empty()) {
        EXPECT_EQ(test::readFile(kept[0]), c.bytes);
    }
    // The program goes on with a fresh file of its own.
    EXPECT_NE(test::readFile(test::SavedFilesPath()).find("http://h/new.jpg="), std::string::npos);
    EXPECT_TRUE(TIniFile(test::IniPath()).ValueExists("Values", "diredit"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartFileKeptAside,
    testing::Values(UnreadableStartFile{"ListTooLarge", true, "", "too large"},
                    UnreadableStartFile{"ListWithNul", true,
                                        std::string("a.jpg=<B>1</B>\r\nb.jpg=<B>2\0</B>\r\nc", 30), "line 2"},
                    UnreadableStartFile{"IniTooLarge", false, "", "too large"},
                    UnreadableStartFile{"IniWithNul", false, std::string("[Values]\nCheckBox1=1\0\nX=2", 28),
                                        "line 2"}),
    [](const testing::TestParamInfo<UnreadableStartFile> &info) { return std::string(info.param.name); });

TEST(MainWindowLifecycle, AFailedStartStepSkipsNoOtherStep)
{
    XdgHome home;
    // The browser manifests cannot be written: a folder holds their place.
    std::filesystem::create_directories(home.root() /
                                        ".mozilla/native-messaging-hosts/orvfetchly.turladder.json");
    SaveListFile(test::SavedFilesPath(), {"http://h/a.jpg=<B>kept</B>"});
    TIniFile ini(test::IniPath());
    ini.WriteString("Values", "diredit", "/stored/dir/");
    ini.UpdateFile();
    for (const char *name : {".SavedFiles.ufi.Ab12Cd", ".Fetchly.ini.xY34zW"})
        test::writeFile(test::SavedFilesPath().parent_path() / name, "left by a crash");
    test::writeFile(test::IniPath().parent_path() / ".Fetchly.ini.xY34zW", "left by a crash");
    TDownloadForm form;
    EXPECT_TRUE(form.StatusText().startsWith("Error : cannot write")) << form.StatusText().toStdString();
    EXPECT_EQ(boxLines(form.URLBox), QStringList{"<B>kept</B>"});
    EXPECT_EQ(form.tgt->text(), "/stored/dir/");
    // Temporary files of an interrupted save are gone; only those.
    EXPECT_EQ(
        test::filesStartingWith(test::SavedFilesPath().parent_path(), "."),
        std::vector<std::filesystem::path>{test::SavedFilesPath().parent_path() / ".Fetchly.ini.xY34zW"});
    EXPECT_TRUE(test::filesStartingWith(test::IniPath().parent_path(), ".Fetchly.ini.").empty());
}

TEST(MainWindowLifecycle, ListKeysNeverHoldAngleBrackets)
{
    XdgHome home;
    const std::string encoded = "http://h/q?x=%3CB%3E5.zip";
    {
        TDownloadForm form;
        form.AddUrl("http://h/q?x=<B>5.zip");
        ASSERT_EQ(form.Board.Entries().Count(), 1);
        EXPECT_EQ(form.Board.Entries().Key(0), encoded);
    }
    TDownloadForm again;
    again.AddUrl("http://h/q?x=<B>5.zip");
    ASSERT_EQ(again.Board.Entries().Count(), 1);
    EXPECT_EQ(again.Board.Entries().Key(0), encoded);
}

TEST(MainWindowLifecycle, PasswordsInUrlsAreNeverShownAndTheListIsPrivate)
{
    XdgHome home;
    const std::string url = "http://user:pw@h/f.zip";
    TDownloadForm form;
    form.AddUrl(url);
    EXPECT_EQ(form.Board.Entries().Key(0), url);
    form.FetchEngine1FileStart(0);
    form.FetchEngine1CopyProgress(0, 2048, 4096);
    form.FetchEngine1URLNotFound(url);
    form.FetchEngine1FileDone(0, false);
    QStringList shown = boxLines(form.URLBox) + boxLines(form.DoBox);
    shown << form.StatusText() << form.TrayIcon1->Hint();
    for (const QString &text : shown)
        EXPECT_FALSE(text.contains(QLatin1String(":pw@"))) << text.toStdString();
    EXPECT_TRUE(shown.filter(QLatin1String("user:***@h")).size() >= 3) << shown.join('\n').toStdString();
    form.SaveState();
    struct stat st {};
    ASSERT_EQ(::stat(test::SavedFilesPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(test::readFile(test::SavedFilesPath()).rfind(url + "=", 0), 0u);
}

TEST(MainWindowLifecycle, ProgressChangesOnlyTheScreenAndTheEndIsWritten)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/a.zip");
    form.FetchEngine1FileStart(0);
    const std::string atStart = form.Board.Entries().Line(0);
    form.FetchEngine1CopyProgress(0, 2048, 4096);
    EXPECT_TRUE(form.URLBox->item(0)->text().contains("2kb of 4kb"));
    EXPECT_EQ(form.Board.Entries().Line(0), atStart);
    form.AddUrl("http://h/b.zip"); // a refill keeps the progress shown
    EXPECT_TRUE(form.URLBox->item(0)->text().contains("2kb of 4kb"));
    form.FetchEngine1FileDone(0, true);
    form.FetchEngine1CopyDone1(false);
    EXPECT_TRUE(test::PumpUntil(
        [] { return test::readFile(test::SavedFilesPath()).find("<B>Downloaded</B>") != std::string::npos; },
        7000));
}

TEST(DownloadList, AddUrlAcceptsRenewsAndRejects)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/pic.JPG");
    form.AddUrl("http://h/other.zip");
    form.Board.Entries().SetValue("http://h/pic.JPG", "<B>done</B>");
    form.AddUrl("HTTP://H/PIC.jpg");
    ASSERT_EQ(form.Board.Entries().Count(), 2);
    EXPECT_EQ(form.Board.Entries().Line(0), "HTTP://H/PIC.jpg=" + ReadyLine("HTTP://H/PIC.jpg"));
    EXPECT_EQ(form.URLBox->item(0)->text(), ready("HTTP://H/PIC.jpg"));

    form.AddUrl("http://h/page?file=a.zip");
    EXPECT_EQ(form.StatusText(), "URL Extension Does not match Accepted Types!");
    EXPECT_EQ(form.Board.Entries().Count(), 2);
    form.SetStatusText("OK");
    form.AddUrl("");
    EXPECT_EQ(form.StatusText(), "OK");
    form.AddUrl("http://example.com");
    EXPECT_EQ(form.Board.Entries().Count(), 3);
    // Blanks around a URL are neither refused nor kept.
    EXPECT_TRUE(form.AddUrl(" \thttp://h/spaced.gif \r\n"));
    EXPECT_EQ(form.Board.Entries().Key(3), "http://h/spaced.gif");
    form.AddUrl("http://h/a.jpg\r\nhttp://h/b.jpg");
    EXPECT_EQ(form.Board.Entries().Count(), 4);
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
        box->edit()->setText("http://h/typed.gif ");
        box->accept();
    });
    form.ToolButton6Click();
    ASSERT_EQ(form.Board.Entries().Count(), 1);
    EXPECT_EQ(form.Board.Entries().Key(0), "http://h/typed.gif");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText(" http://h/x.zip  http://h/x.pdf http://h/y.exe");
        qobject_cast<QDialog *>(modal)->accept();
    });
    form.ToolButton6Click();
    EXPECT_EQ(form.Board.Entries().Count(), 3);
    EXPECT_EQ(form.StatusText(), "2 URLs added, 1 refused (type not accepted)");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText("http://h/other.gif");
        qobject_cast<QDialog *>(modal)->reject();
    });
    form.ToolButton6Click();
    EXPECT_EQ(form.Board.Entries().Count(), 3);
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
    EXPECT_EQ(form.Board.Entries().Count(), 3);
    form.URLBox->setCurrentRow(1);
    form.DeleteThisFile1Click();
    EXPECT_EQ(boxLines(form.URLBox), (QStringList{ready("http://h/1.jpg"), ready("http://h/3.jpg")}));
    form.ToolButton7Click();
    EXPECT_EQ(form.Board.Entries().Count(), 0);
    EXPECT_EQ(form.URLBox->count(), 0);
}

TEST(DownloadList, ListCannotChangeShapeDuringARun)
{
    XdgHome home;
    TDownloadForm form;
    form.AddUrl("http://h/1.jpg");
    form.AddUrl("http://h/2.jpg");
    form.Board.SetBusy(true);
    form.URLBox->setCurrentRow(0);
    form.DeleteThisFile1Click();
    form.ToolButton7Click();
    EXPECT_EQ(form.Board.Entries().Count(), 2);
    EXPECT_EQ(form.URLBox->count(), 2);
    EXPECT_NE(form.StatusText(), "OK");
    form.Board.SetBusy(false);
    form.ToolButton7Click();
    EXPECT_EQ(form.Board.Entries().Count(), 0);
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
    form.Board.Focus().Url = "http://h/10.jpg";
    form.Board.Focus().Image = 2;
    form.Board.Focus().Status = "DownLoading";
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
    EXPECT_EQ(form.Board.Entries().Count(), 4);
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
    EXPECT_EQ(form.Board.Entries().Count(), 1);
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
    EXPECT_EQ(form.Board.Entries().Count(), 1);
    EXPECT_EQ(form.TrayIcon1->Hint(), "Fetchly / Internet Downloader");
}

} // namespace
} // namespace fetchly

#include "app/core/download_lines.h"
#include "app/core/ini_file.h"
#include "app/core/list_file.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "tests/support/main_form_test_view.h"
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

QString ready(const std::string &url)
{
    return QString::fromStdString(ReadyLine(url));
}

TEST(MainWindowStart, FirstStartShowsAnEmptyListAndOk)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    EXPECT_EQ(view.Board().Entries().Count(), 0);
    EXPECT_EQ(view.List().count(), 0);
    EXPECT_EQ(form.StatusText(), "OK");
    EXPECT_FALSE(view.Board().Busy());
    EXPECT_EQ(form.windowTitle(), "Brindlewick Fetchly");
    EXPECT_EQ(view.Design<QLabel>("titleBand").text(), "Brindlewick Fetchly / Internet File Downloader");
    EXPECT_EQ(view.Design<QLabel>("targetFolderLabel").text(), "Target directory :");
    EXPECT_EQ(view.Design<QGroupBox>("listGroup").title(), "URL Download List :");
    EXPECT_EQ(view.Tray().Hint(), "Fetchly / Internet Downloader");
    // No option stored yet: the engine gets the designed values.
    EXPECT_FALSE(view.Engine().FTPPassive);
    EXPECT_FALSE(view.Engine().ShowDialog);
    EXPECT_EQ(view.TargetFolder().text(), DefaultTargetDir());
    for (QAction *a : view.Design<QToolBar>("toolBar").actions())
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull()) << a->text().toStdString();
}

// The designed buttons keep their places; their hints name their keys.
TEST(MainWindowStart, ToolbarOrderHintsAndSeparators)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    QStringList seen;
    for (QAction *a : view.Design<QToolBar>("toolBar").actions())
        seen.append(a->isSeparator() ? QStringLiteral("|") : a->toolTip());
    EXPECT_EQ(seen, (QStringList{"|", "Open File Download List (Ctrl+O)", "Save File Download List (Ctrl+S)",
                                 "|", "Start All Downloads (F5)", "|", "Open Options Dialog", "|",
                                 "Add A URL (to download) to List (Ins, Ctrl+N)", "|", "Empty URL List", "|",
                                 "Hide Application (Task Bar)", "|", "Stop Downloading (Esc)"}));
    QStringList menu;
    for (QAction *a : view.Design<QMenu>("listMenu").actions())
        menu.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, (QStringList{"DownLoad Selected Files", "DownLoad All Files", "-", "Delete This File"}));
}

TEST(MainWindowStart, ListDialogsCarryTheirFiltersAndDefaultExtensions)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    EXPECT_EQ(view.Design<QFileDialog>("openListDialog").nameFilters(),
              (QStringList{"Orv File Downloader (*.ufi)", "All Files *.* (*)"}));
    EXPECT_EQ(view.Design<QFileDialog>("openListDialog").defaultSuffix(), "ufl");
    EXPECT_EQ(view.Design<QFileDialog>("saveListDialog").nameFilters(),
              (QStringList{"Ovr File Downloader (*.ufi)", "All Files *.* (*)"}));
    EXPECT_EQ(view.Design<QFileDialog>("saveListDialog").defaultSuffix(), "ufi");
    EXPECT_TRUE(view.Design<QFileDialog>("saveListDialog").testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(MainWindowLifecycle, EmptyListWritesAnEmptyFileAndComesBackEmpty)
{
    XdgHome home;
    {
        TDownloadForm form;
    }
    ASSERT_TRUE(std::filesystem::exists(home.dataHome() / "Brindlewick" / "Fetchly" / "SavedFiles.ufi"));
    EXPECT_EQ(test::readFile(test::SavedFilesPath()), "");
    TDownloadForm again;
    TDownloadFormTestView againView(again);
    EXPECT_EQ(againView.List().count(), 0);
    EXPECT_EQ(again.StatusText(), "OK");
}

TEST(MainWindowLifecycle, ListSurvivesARestartWithItsShownLines)
{
    XdgHome home;
    {
        TDownloadForm form;
        TDownloadFormTestView view(form);
        form.AddUrl("http://h/a.jpg");
        form.AddUrl("http://h/b.zip");
        // Closed while this one downloads: its transfer never finished.
        view.Board().Entries().SetValue(
            "http://h/c.exe?v=1",
            StatusLine(2, "http://h/c.exe?v=1", "DownLoading", "1kb of 9kb", "Rate: 1 KB/s"));
    }
    EXPECT_EQ(test::readFile(test::SavedFilesPath())
                  .find("http://h/a.jpg=" + ReadyLine("http://h/a.jpg") + "\r\nhttp://h/b.zip=" +
                        ReadyLine("http://h/b.zip") + "\r\nhttp://h/c.exe?v=1=<IMG src=\"idx:2\">"),
              0u);
    TDownloadForm again;
    TDownloadFormTestView againView(again);
    EXPECT_EQ(againView.ListLines(),
              (QStringList{ready("http://h/a.jpg"), ready("http://h/b.zip"), ready("http://h/c.exe?v=1")}));
    EXPECT_EQ(againView.Board().Entries().Key(2), "http://h/c.exe?v=1");
}

TEST(MainWindowLifecycle, TypedTargetDirectoryComesBackAndIsTheOneUsed)
{
    XdgHome home;
    const QString typed = QString::fromStdString((home.root() / "downloads here").string() + "/");
    {
        TDownloadForm form;
        TDownloadFormTestView view(form);
        view.TargetFolder().lineEdit()->setText(typed);
        // Start All re-applies the options: the typed directory must stay.
        view.Trigger("startAllButton");
        EXPECT_EQ(view.TargetFolder().text(), typed);
    }
    TDownloadForm again;
    TDownloadFormTestView againView(again);
    EXPECT_EQ(againView.TargetFolder().text(), typed);
    EXPECT_EQ(againView.Options().TargetDir, typed.toStdString());
}

TEST(MainWindowLifecycle, AddedLinkTypesSurviveARestart)
{
    XdgHome home;
    {
        TDownloadForm form;
        TDownloadFormTestView view(form);
        view.Options().LinkTypes.Types.push_back(".pdf");
        form.AddUrl("http://h/doc.pdf");
        EXPECT_EQ(view.Board().Entries().Count(), 1);
    }
    TDownloadForm again;
    TDownloadFormTestView againView(again);
    EXPECT_EQ(againView.Options().LinkTypes.Types.size(), 18u);
    EXPECT_TRUE(again.Options().IsAcceptedLink("http://h/other.PDF"));
}

TEST(MainWindowLifecycle, StoredOptionsRunTheWindowAndAreWrittenBackUnchanged)
{
    XdgHome home;
    const std::string stored =
        "[Values]\nCheckBox1=1\nProxEdit=proxy:3128\nPassEdit=\nUserEdit=\nCheckBox2=0\n"
        "CheckBox3=0\nCheckBox4=1\ndiredit=/srv/in/\nLinksList=0\n[Transfer]\nConnections=3\n"
        "Retries=1\nSimultaneous=4\nLimitRate=0\n[LinksList]\nCount=1\nItem0=.pdf\n";
    test::writeFile(test::IniPath(), stored);
    {
        TDownloadForm form;
        TDownloadFormTestView view(form);
        EXPECT_TRUE(view.Engine().FTPPassive);
        EXPECT_EQ(view.Engine().Proxy, "proxy:3128");
        EXPECT_TRUE(view.Engine().ShowOpenFolder);
        EXPECT_EQ(view.Engine().Connections, 3);
        EXPECT_EQ(view.Engine().Retries, 1);
        EXPECT_EQ(view.TargetFolder().text(), "/srv/in/");
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
    form.SaveState();
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
    TDownloadFormTestView view(form);
    EXPECT_TRUE(form.StatusText().startsWith("Error : cannot write")) << form.StatusText().toStdString();
    EXPECT_EQ(view.ListLines(), QStringList{"<B>kept</B>"});
    EXPECT_EQ(view.TargetFolder().text(), "/stored/dir/");
    // Temporary files of an interrupted save are gone; only those.
    EXPECT_EQ(
        test::filesStartingWith(test::SavedFilesPath().parent_path(), "."),
        std::vector<std::filesystem::path>{test::SavedFilesPath().parent_path() / ".Fetchly.ini.xY34zW"});
    EXPECT_TRUE(test::filesStartingWith(test::IniPath().parent_path(), ".Fetchly.ini.").empty());
}

TEST(MainWindowLifecycle, ListKeysNeverHoldAngleBrackets)
{
    XdgHome home;
    const std::string encoded = "http://h/q%3CB%3E5.zip?x=1";
    {
        TDownloadForm form;
        TDownloadFormTestView view(form);
        form.AddUrl("http://h/q<B>5.zip?x=1");
        ASSERT_EQ(view.Board().Entries().Count(), 1);
        EXPECT_EQ(view.Board().Entries().Key(0), encoded);
    }
    TDownloadForm again;
    TDownloadFormTestView againView(again);
    again.AddUrl("http://h/q<B>5.zip?x=1");
    ASSERT_EQ(againView.Board().Entries().Count(), 1);
    EXPECT_EQ(againView.Board().Entries().Key(0), encoded);
}

TEST(MainWindowLifecycle, PasswordsInUrlsAreNeverShownAndTheListIsPrivate)
{
    XdgHome home;
    const std::string url = "http://user:pw@h/f.zip";
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.AddUrl(url);
    EXPECT_EQ(view.Board().Entries().Key(0), url);
    view.Deliver(TFileStartEvent{0});
    view.Deliver(TProgressEvent{0, 2048, 4096});
    view.Deliver(TURLNotFoundEvent{url});
    view.Deliver(TFileDoneEvent{0, false});
    QStringList shown = view.ListLines() + view.LogLines();
    shown << form.StatusText() << view.Tray().Hint();
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
    TDownloadFormTestView view(form);
    form.AddUrl("http://h/a.zip");
    view.Deliver(TFileStartEvent{0});
    const std::string atStart = view.Board().Entries().Line(0);
    view.Deliver(TProgressEvent{0, 2048, 4096});
    EXPECT_TRUE(view.List().item(0)->text().contains("2kb of 4kb"));
    EXPECT_EQ(view.Board().Entries().Line(0), atStart);
    form.AddUrl("http://h/b.zip"); // a refill keeps the progress shown
    EXPECT_TRUE(view.List().item(0)->text().contains("2kb of 4kb"));
    view.Deliver(TFileDoneEvent{0, true});
    view.Deliver(TRunDoneEvent{false});
    EXPECT_TRUE(test::PumpUntil(
        [] { return test::readFile(test::SavedFilesPath()).find("<B>Downloaded</B>") != std::string::npos; },
        7000));
}

TEST(DownloadList, AddUrlAcceptsRenewsAndRejects)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.AddUrl("http://h/pic.JPG");
    form.AddUrl("http://h/other.zip");
    view.Board().Entries().SetValue("http://h/pic.JPG", "<B>done</B>");
    form.AddUrl("HTTP://H/PIC.jpg");
    ASSERT_EQ(view.Board().Entries().Count(), 2);
    EXPECT_EQ(view.Board().Entries().Line(0), "HTTP://H/PIC.jpg=" + ReadyLine("HTTP://H/PIC.jpg"));
    EXPECT_EQ(view.List().item(0)->text(), ready("HTTP://H/PIC.jpg"));

    form.AddUrl("http://h/page?file=a.zip");
    EXPECT_EQ(form.StatusText(), "URL Extension Does not match Accepted Types!");
    EXPECT_EQ(view.Board().Entries().Count(), 2);
    form.SetStatusText("OK");
    form.AddUrl("");
    EXPECT_EQ(form.StatusText(), "OK");
    form.AddUrl("http://example.com");
    EXPECT_EQ(view.Board().Entries().Count(), 3);
    // Blanks around a URL are neither refused nor kept.
    EXPECT_TRUE(form.AddUrl(" \thttp://h/spaced.gif \r\n"));
    EXPECT_EQ(view.Board().Entries().Key(3), "http://h/spaced.gif");
    form.AddUrl("http://h/a.jpg\r\nhttp://h/b.jpg");
    EXPECT_EQ(view.Board().Entries().Count(), 4);
    EXPECT_NE(form.StatusText(), "OK");
}

TEST(DownloadList, AddUrlCommandUsesTheInputBoxAndCancelAddsNothing)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    test::OnNextModal([](QWidget *modal) {
        auto *box = qobject_cast<TInputBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Add URL");
        EXPECT_EQ(box->promptLabel()->text(), "URL :");
        EXPECT_EQ(box->edit()->text(), "");
        box->edit()->setText("http://h/typed.gif ");
        box->accept();
    });
    view.Trigger("addUrlButton");
    ASSERT_EQ(view.Board().Entries().Count(), 1);
    EXPECT_EQ(view.Board().Entries().Key(0), "http://h/typed.gif");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText(
            " http://h/x.zip  http://h/x.pdf http://h/y.exe http://h/typed.gif");
        qobject_cast<QDialog *>(modal)->accept();
    });
    view.Trigger("addUrlButton");
    EXPECT_EQ(view.Board().Entries().Count(), 3);
    EXPECT_EQ(form.StatusText(), "2 URLs added, 1 already in the list, 1 refused (type not accepted)");
    test::OnNextModal([](QWidget *modal) {
        qobject_cast<TInputBox *>(modal)->edit()->setText("http://h/other.gif");
        qobject_cast<QDialog *>(modal)->reject();
    });
    view.Trigger("addUrlButton");
    EXPECT_EQ(view.Board().Entries().Count(), 3);
}

TEST(DownloadList, DeleteNeedsASelectionAndEmptyClearsEverything)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    for (const char *u : {"http://h/1.jpg", "http://h/2.jpg", "http://h/3.jpg"})
        form.AddUrl(u);
    view.List().clearSelection();
    view.List().setCurrentRow(-1);
    view.Trigger("deleteSelectedAction");
    EXPECT_EQ(view.Board().Entries().Count(), 3);
    view.List().setCurrentRow(1);
    view.Trigger("deleteSelectedAction");
    EXPECT_EQ(view.ListLines(), (QStringList{ready("http://h/1.jpg"), ready("http://h/3.jpg")}));
    view.Trigger("emptyListButton");
    EXPECT_EQ(view.Board().Entries().Count(), 0);
    EXPECT_EQ(view.List().count(), 0);
}

TEST(DownloadList, ListCannotChangeShapeDuringARun)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.AddUrl("http://h/1.jpg");
    form.AddUrl("http://h/2.jpg");
    view.Board().SetBusy(true);
    view.List().setCurrentRow(0);
    view.Trigger("deleteSelectedAction");
    view.Trigger("emptyListButton");
    EXPECT_EQ(view.Board().Entries().Count(), 2);
    EXPECT_EQ(view.List().count(), 2);
    EXPECT_NE(form.StatusText(), "OK");
    view.Board().SetBusy(false);
    view.Trigger("emptyListButton");
    EXPECT_EQ(view.Board().Entries().Count(), 0);
}

TEST(DownloadList, RefillKeepsSelectionAndScrollPosition)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.resize(738, 581);
    form.show();
    for (int i = 0; i < 300; ++i)
        form.AddUrl("http://h/" + std::to_string(i) + ".jpg");
    view.List().setCurrentRow(150);
    view.List().scrollToItem(view.List().item(150));
    const int scroll = view.List().verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    view.Board().Focus().Url = "http://h/10.jpg";
    view.Board().Focus().Image = 2;
    view.Board().Focus().Status = "DownLoading";
    view.StoreFocusLine();
    form.AddUrl("http://h/new.jpg");
    EXPECT_EQ(view.List().currentRow(), 150);
    EXPECT_EQ(view.List().verticalScrollBar()->value(), scroll);
    EXPECT_EQ(view.List().item(10)->text().toStdString(),
              StatusLine(2, "http://h/10.jpg", "DownLoading", "", view.RateText()));
}

TEST(DownloadList, OpenReplacesTheTableAndShowsLookedUpLines)
{
    XdgHome home;
    test::TempDir dir;
    const auto file =
        dir.write("list.ufi", "http://h/a.jpg=<B>one</B>\r\nHTTP://H/A.JPG=<B>two</B>\nplain\r=<i>eq</i>");
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.AddUrl("http://h/old.jpg");
    form.OpenListFile(QString::fromStdString(file.string()));
    EXPECT_EQ(view.Board().Entries().Count(), 4);
    EXPECT_EQ(view.ListLines(), (QStringList{"<B>one</B>", "<B>one</B>", "<i>eq</i>", "<i>eq</i>"}));
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
    TDownloadFormTestView view(form);
    form.AddUrl("http://h/keep.jpg");
    try {
        form.OpenListFile(QString::fromStdString((dir.path() / "none.ufi").string()));
        ADD_FAILURE() << "a missing list file was opened";
    } catch (const std::runtime_error &e) {
        EXPECT_NE(std::string(e.what()).find("none.ufi"), std::string::npos) << e.what();
    }
    EXPECT_EQ(view.Board().Entries().Count(), 1);
    EXPECT_EQ(view.List().count(), 1);
}

TEST(MainWindowTray, HideAndShowLeaveTheListAlone)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    form.AddUrl("http://h/a.jpg");
    view.Trigger("hideButton");
    if (TTrayIcon::Available())
        EXPECT_FALSE(form.isVisible());
    else
        EXPECT_TRUE(form.isMinimized()); // no tray: only minimizing keeps it reachable
    emit view.Tray().DoubleClicked();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_EQ(view.Board().Entries().Count(), 1);
    EXPECT_EQ(view.Tray().Hint(), "Fetchly / Internet Downloader");
}

} // namespace
} // namespace fetchly

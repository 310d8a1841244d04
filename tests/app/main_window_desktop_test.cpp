// The main window on the desktop: keys, URLs dropped and pasted, Stop, the
// tray icon's signals and menu, the notice at the end of a run.
#include "app/core/download_lines.h"
#include "app/main_form.h"
#include "tests/support/dbus_session.h"
#include "tests/support/http_server.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/notification_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/widget_helpers.h"
#include "ui/directory_edit.h"
#include "ui/tray_icon.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace fetchly {
namespace {

using test::XdgHome;

void showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

struct KeyCase {
    QKeySequence key;
    const char *dialog; // object name of the dialog it opens
};

void PrintTo(const KeyCase &c, std::ostream *out)
{
    *out << c.key.toString().toStdString();
}

class MainWindowKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(MainWindowKeys, OpenTheirCommandsDialog)
{
    XdgHome home;
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    TDownloadForm form;
    showActive(form);
    QString opened;
    test::OnNextModal([&](QWidget *modal) {
        opened = modal->objectName();
        qobject_cast<QDialog *>(modal)->reject();
    });
    QTest::keySequence(&form, GetParam().key);
    EXPECT_EQ(opened.toStdString(), GetParam().dialog);
}

INSTANTIATE_TEST_SUITE_P(Commands, MainWindowKeys,
                         testing::Values(KeyCase{QKeySequence(Qt::CTRL | Qt::Key_O), "openListDialog"},
                                         KeyCase{QKeySequence(Qt::CTRL | Qt::Key_S), "saveListDialog"},
                                         KeyCase{QKeySequence(Qt::Key_Insert), "InputBox"},
                                         KeyCase{QKeySequence(Qt::CTRL | Qt::Key_N), "InputBox"}),
                         [](const testing::TestParamInfo<KeyCase> &info) {
                             return info.param.key.toString().remove(QLatin1Char('+')).toStdString();
                         });

TEST(MainWindowKeysOnTheList, DeleteAndPasteLeaveTheTargetFieldItsOwnKeys)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    form.AddUrl("http://h/1.jpg");
    form.AddUrl("http://h/2.jpg");
    QGuiApplication::clipboard()->setText("http://h/3.jpg");
    view.TargetFolder().lineEdit()->setText("/tmp/");
    view.TargetFolder().lineEdit()->setFocus();
    view.List().setCurrentRow(0);
    QTest::keyClick(view.TargetFolder().lineEdit(), Qt::Key_Delete);
    QTest::keySequence(view.TargetFolder().lineEdit(), QKeySequence(Qt::CTRL | Qt::Key_V));
    EXPECT_EQ(view.Board().Entries().Count(), 2);
    EXPECT_EQ(view.TargetFolder().text(), "/tmp/http://h/3.jpg");
    view.List().setFocus();
    QTest::keyClick(&view.List(), Qt::Key_Delete);
    ASSERT_EQ(view.Board().Entries().Count(), 1);
    EXPECT_EQ(view.Board().Entries().Key(0), "http://h/2.jpg");
}

// Ctrl+Z takes back the last Delete, Empty list or Open list, one step,
// without a question, and says what came back; a field keeps its own Ctrl+Z.
TEST(MainWindowKeysOnTheList, CtrlZTakesBackTheLastDeleteEmptyOrOpen)
{
    XdgHome home;
    test::TempDir dir;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    for (const char *u : {"http://h/1.jpg", "http://h/2.jpg", "http://h/3.jpg"})
        form.AddUrl(u);
    const QStringList all = view.ListLines();
    const auto undo = [&] { QTest::keySequence(&view.List(), QKeySequence(Qt::CTRL | Qt::Key_Z)); };
    const std::string partsGone =
        "; downloads stopped before start again from zero (their part files were deleted)";
    view.Trigger("emptyListButton");
    form.AddUrl("http://h/new.jpg"); // added since: it stays
    view.List().setFocus();
    undo();
    EXPECT_EQ(view.ListLines().mid(0, 3), all);
    EXPECT_EQ(view.Board().Entries().Key(3), "http://h/new.jpg");
    EXPECT_EQ(form.StatusText().toStdString(), "3 entries back" + partsGone);
    undo();
    EXPECT_EQ(form.StatusText(), "Nothing to undo.");
    EXPECT_EQ(view.Board().Entries().Count(), 4);

    view.Select(1);
    QTest::keyClick(&view.List(), Qt::Key_Delete);
    ASSERT_EQ(view.Board().Entries().Count(), 3);
    undo();
    EXPECT_EQ(view.Board().Entries().Key(1), "http://h/2.jpg");
    EXPECT_EQ(form.StatusText().toStdString(), "1 entry back" + partsGone);

    form.OpenListFile(QString::fromStdString(dir.write("l.ufi", "http://h/x.jpg=<B>x</B>\n").string()));
    ASSERT_EQ(view.Board().Entries().Count(), 1);
    undo();
    EXPECT_EQ(view.ListLines().mid(0, 3), all);
    EXPECT_EQ(form.StatusText(), "The list before the one opened is back: 4 entries");

    view.Trigger("emptyListButton");
    view.TargetFolder().lineEdit()->setFocus();
    QTest::keySequence(view.TargetFolder().lineEdit(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(view.Board().Entries().Count(), 0);
}

TEST(MainWindowKeysOnTheList, TabReachesEveryToolbarButton)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    QSet<QWidget *> reached;
    view.TargetFolder().lineEdit()->setFocus();
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    for (QAction *action : view.Design<QToolBar>("toolBar").actions()) {
        if (action->isSeparator() || !action->isEnabled())
            continue;
        EXPECT_TRUE(reached.contains(view.Design<QToolBar>("toolBar").widgetForAction(action)))
            << action->text().toStdString();
    }
}

// Runs the application's event loop with `act` in it until the loop is told
// to end; -1 when that does not happen within 5 s.
int execWith(const std::function<void()> &act)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(-1); });
    guard.start(5000);
    QTimer::singleShot(0, &guard, act);
    return QApplication::exec();
}

TEST(MainWindowKeysOnTheList, CtrlQAndTheTrayMenuEndTheProgram)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    EXPECT_EQ(execWith([&] { QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_Q)); }), 0);
    EXPECT_FALSE(form.isVisible());
    // From the tray, with the window hidden: closing it would not end the program.
    EXPECT_EQ(execWith([&] { view.Trigger("quitAction"); }), 0);
}

// How URLs reach the list as text.
enum class Way { Drop, Paste };
struct TextCase {
    const char *type;
    QByteArray text;
    std::vector<std::string> keys;
    QString status;
};

void PrintTo(const TextCase &c, std::ostream *out)
{
    *out << c.type;
}

class UrlText : public testing::TestWithParam<std::tuple<Way, TextCase>> {};

TEST_P(UrlText, AddsEveryUrlAndCountsTheRefused)
{
    const auto &[way, c] = GetParam();
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(c.type), c.text);
    if (way == Way::Drop) {
        const QPoint at = view.List().viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.List().viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.List().viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        delete data;
    } else {
        QGuiApplication::clipboard()->setMimeData(data);
        view.List().setFocus();
        QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_V));
    }
    std::vector<std::string> keys;
    for (int i = 0; i < view.Board().Entries().Count(); ++i)
        keys.emplace_back(view.Board().Entries().Key(i));
    EXPECT_EQ(keys, c.keys);
    EXPECT_EQ(view.List().count(), static_cast<int>(c.keys.size()));
    EXPECT_EQ(form.StatusText(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    DropAndPaste, UrlText,
    testing::Combine(
        testing::Values(Way::Drop, Way::Paste),
        testing::Values(TextCase{"text/uri-list",
                                 "# from a browser\r\nhttp://h/a.jpg\r\nhttp://h/doc.pdf\r\n",
                                 {"http://h/a.jpg"},
                                 "1 URL added, 1 refused (type not accepted)"},
                        TextCase{"text/plain",
                                 "  http://h/b.zip\thttp://h/c.gif \n\n http://h/x.pdf  http://h/d.exe\n",
                                 {"http://h/b.zip", "http://h/c.gif", "http://h/d.exe"},
                                 "3 URLs added, 1 refused (type not accepted)"},
                        TextCase{"text/plain", " \n\t", {}, "No URL found to add"})),
    [](const testing::TestParamInfo<std::tuple<Way, TextCase>> &info) {
        return (std::get<0>(info.param) == Way::Drop ? "Drop" : "Paste") + std::to_string(info.index);
    });

// Waits for the end of the run that is going.
bool runEnds(TDownloadForm &form)
{
    return test::PumpUntil([&] { return !TDownloadFormTestView(form).Command("stopButton").isEnabled(); },
                           15000);
}

TEST(MainWindowStop, EnterOrF5StartAndStopOrEscCancelTheRun)
{
    XdgHome home;
    test::HttpPeer peer;
    test::TempDir target;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    showActive(form);
    view.TargetFolder().setText(QString::fromStdString(target.str() + "/"));
    const std::string silent = peer.url("/silent");
    view.Board().Entries().SetValue(silent, ReadyLine(silent));
    view.RefreshList();
    EXPECT_FALSE(view.Command("stopButton").isEnabled());
    QToolButton *stopButton = qobject_cast<QToolButton *>(
        view.Design<QToolBar>("toolBar").widgetForAction(&view.Command("stopButton")));
    ASSERT_NE(stopButton, nullptr);
    const std::function<void()> starts[] = {[&] {
                                                view.List().setCurrentRow(0);
                                                view.List().setFocus();
                                                QTest::keyClick(&view.List(), Qt::Key_Return);
                                            },
                                            [&] { QTest::keyClick(&form, Qt::Key_F5); }};
    const std::function<void()> stops[] = {[&] { QTest::keyClick(&form, Qt::Key_Escape); },
                                           [&] { QTest::mouseClick(stopButton, Qt::LeftButton); }};
    for (int i = 0; i < 2; ++i) {
        starts[i]();
        ASSERT_TRUE(test::PumpUntil(
            [&] { return view.Board().Busy() && view.Command("stopButton").isEnabled(); }, 5000))
            << i;
        stops[i]();
        EXPECT_TRUE(runEnds(form)) << i;
        EXPECT_TRUE(view.Engine().Cancelled()) << i;
        EXPECT_FALSE(view.Engine().Running()) << i;
    }
}

TEST(MainWindowTraySignals, ClickTogglesTheWindowAndTheMenuOffersTheRun)
{
    XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    QSystemTrayIcon *tray = view.Tray().Tray();
    const auto shown = [&] { return form.isVisible() && !form.isMinimized(); };
    emit tray->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(shown());
    emit tray->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(shown());
    emit tray->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(shown());
    // A double click arrives as a click and then the double click: the
    // window ends up shown, whether it was shown (round 0) or hidden.
    for (int round = 0; round < 2; ++round) {
        emit tray->activated(QSystemTrayIcon::Trigger);
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        EXPECT_TRUE(shown()) << round;
        emit tray->activated(QSystemTrayIcon::Trigger);
        EXPECT_FALSE(shown()) << round;
    }

    ASSERT_EQ(tray->contextMenu(), &view.Design<QMenu>("trayMenu"));
    QStringList menu;
    for (QAction *a : view.Design<QMenu>("trayMenu").actions())
        menu.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, (QStringList{"Show/Hide", "-", "Start All Downloads", "Stop Downloading", "-", "Quit"}));
    view.Trigger("showHideAction");
    EXPECT_TRUE(shown());
    EXPECT_FALSE(view.Command("stopButton").isEnabled());
}

TEST(MainWindowNotice, RunEndingOutOfSightIsNotifiedAndTheNoticeShowsTheWindow)
{
    XdgHome home;
    test::DbusSession bus;
    test::NotificationServer server;
    ASSERT_TRUE(server.published());
    test::HttpPeer peer;
    test::TempDir target;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    view.TargetFolder().setText(QString::fromStdString(target.str() + "/"));
    for (const std::string &url : {peer.url("/file/1000"), peer.url("/status/404")})
        view.Board().Entries().SetValue(url, ReadyLine(url));
    view.Trigger("startAllButton");
    ASSERT_TRUE(test::PumpUntil([&] { return !server.notices().empty(); }, 15000));
    const auto &notice = server.notices().front();
    EXPECT_EQ(notice.summary, "Fetchly has finished");
    EXPECT_EQ(notice.body, "1 downloaded, 1 failed");
    EXPECT_TRUE(notice.actions.contains("default"));
    EXPECT_FALSE(form.isVisible());
    server.invokeDefault(notice.id + 1); // another program's notice
    server.invokeDefault(notice.id);
    EXPECT_TRUE(test::PumpUntil([&] { return form.isVisible(); }));

    // In sight, the run's end needs no notice.
    view.Trigger("startAllButton");
    EXPECT_TRUE(runEnds(form));
    QTest::qWait(300);
    EXPECT_EQ(server.notices().size(), 1u);
}

} // namespace
} // namespace fetchly

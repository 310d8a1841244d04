// Download runs as a user meets them: the main window (offscreen) over a real
// local HTTP server, its lines, run log, status bar and tray hint.
#include "app/main_form.h"
#include "app/options_form.h"
#include "digest/sha256_stream.h"
#include "tests/support/event_wait.h"
#include "tests/support/http_server.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"
#include "ui/directory_edit.h"
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <QApplication>
#include <QListWidget>
#include <QToolTip>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace fetchly;
using namespace fetchly::test;

namespace {

std::string readyLine(const std::string &url)
{
    return "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> " + url + "     <B>Ready for Download</B></FONT>";
}

class DownloadRun : public ::testing::Test {
protected:
    DownloadRun()
    {
        form = std::make_unique<TDownloadForm>();
        view = std::make_unique<TDownloadFormTestView>(*form);
        connect();
        view->TargetFolder().setText(QString::fromStdString(target.str()));
        view->Engine().ShowDialog = false;
    }
    ~DownloadRun() override
    {
        view->Engine().Wait();
        form.reset();
    }
    void connect()
    {
        QObject::connect(form.get(), &TDownloadForm::StatusTextChanged, [this](const QString &text) {
            statuses << text;
            logSizes << view->RunLog().count();
        });
    }
    // Processes events until the run-done effect has run.
    void finishRun()
    {
        ASSERT_TRUE(PumpUntil([this] { return !view->Board().Busy(); }, 30000)) << "the run did not end";
        view->Engine().Wait();
        QCoreApplication::processEvents();
    }
    QStringList runLog() const { return view->LogLines(); }
    std::string line(int i) const { return view->List().item(i)->text().toStdString(); }

    XdgHome home;
    TempDir target;
    NginxServer server;
    std::unique_ptr<TDownloadForm> form;
    std::unique_ptr<TDownloadFormTestView> view;
    QStringList statuses;
    QList<int> logSizes; // the run log's length at each status text
};

} // namespace

TEST_F(DownloadRun, ThreeEntriesOneMissingShowPicturesLogAndStatusInOrder)
{
    std::ofstream(server.root() / "a.zip", std::ios::binary) << std::string(5000, 'a');
    std::ofstream(server.root() / "c.gif", std::ios::binary) << std::string(3000, 'c');
    const std::string a = server.url("/a.zip"), b = server.url("/b.zip"), c = server.url("/c.gif");
    for (const auto &url : {a, b, c})
        form->AddUrl(url);
    ASSERT_EQ(view->Board().Entries().Count(), 3);
    // One at a time, so the run's texts come in the list's order.
    view->Options().Simultaneous = 1;
    view->Trigger("startAllButton");
    finishRun();

    // The lines themselves are the board's; the list shows each of them.
    for (int i = 0; const std::string &url : {a, b, c})
        EXPECT_EQ(line(i++), view->Board().Entries().ValueOfKey(url)) << url;
    EXPECT_EQ(line(1).substr(0, 22), "<IMG src=\"idx:4\"><FONT"); // the failure stays
    EXPECT_EQ(readFile(target.path() / "a.zip"), std::string(5000, 'a'));
    EXPECT_EQ(readFile(target.path() / "c.gif"), std::string(3000, 'c'));

    EXPECT_EQ(runLog(), (QStringList{
                            QString::fromStdString("File Start : " + a),
                            QString::fromStdString("File Downloaded : " + a + "<hr>"),
                            QString::fromStdString("File Start : " + b),
                            QString::fromStdString("<i>File Not Downloaded : " + b + "</i><hr>"),
                            QString::fromStdString("File Start : " + c),
                            QString::fromStdString("File Downloaded : " + c + "<hr>"),
                            "<b>Fetchly has Finished All Downloads! </b>2 downloaded, 1 failed",
                        }));
    // The status bar's texts in order (progress texts may be coalesced).
    QStringList milestones;
    for (const QString &text : statuses)
        if (!text.contains(QStringLiteral("  Downloading : ")))
            milestones << text;
    ASSERT_GE(milestones.size(), 5) << milestones.join(" | ").toStdString();
    EXPECT_EQ(milestones.first(), "Downloading Started : No0");
    EXPECT_TRUE(milestones.contains("Downloading Started : No1"));
    const QString failure = QStringLiteral("Returned http error code 404");
    EXPECT_TRUE(milestones.contains(failure)) << milestones.join(" | ").toStdString();
    EXPECT_LT(milestones.indexOf("Downloading Started : No1"), milestones.indexOf(failure));
    EXPECT_LT(milestones.indexOf(failure), milestones.indexOf("Downloading Started : No2"));
    EXPECT_EQ(statuses.last(), "Downloading Completed ! 2 downloaded, 1 failed");
    EXPECT_EQ(logSizes.last(), runLog().size() - 1) << "the run log was written before the status bar";
    EXPECT_FALSE(view->Board().Busy());
}

// A Download Selected that lands as a run ends makes a follow-up run: Stop
// stays and the list stays locked until that run has ended too.
// What is here is not fetched again, and a name taken by the user's own
// file gives the download a name of its own, which the report then reads.
TEST_F(DownloadRun, SecondStartAllAsksOnlyAndATakenNameIsNumbered)
{
    std::ofstream(server.root() / "a.zip", std::ios::binary) << std::string(5000, 'a');
    std::ofstream(target.path() / "a.zip", std::ios::binary) << "the user's own";
    const std::string a = server.url("/a.zip");
    form->AddUrl(a);
    view->Trigger("startAllButton");
    finishRun();
    EXPECT_EQ(readFile(target.path() / "a.zip"), "the user's own");
    EXPECT_EQ(readFile(target.path() / "a (1).zip"), std::string(5000, 'a'));
    EXPECT_TRUE(runLog().contains(QString::fromStdString("File Downloaded : " + a + " as a (1).zip<hr>")))
        << runLog().join(" | ").toStdString();
    EXPECT_TRUE(PumpUntil([&] { return view->List().toolTip().contains("a (1).zip"); }, 10000))
        << view->List().toolTip().toStdString();

    view->Trigger("startAllButton");
    finishRun();
    EXPECT_EQ(runLog(), (QStringList{QString::fromStdString("File Start : " + a),
                                     QString::fromStdString("File Unchanged : " + a + " as a (1).zip<hr>"),
                                     "<b>Fetchly has Finished All Downloads! </b>"}))
        << runLog().join(" | ").toStdString();
    EXPECT_EQ(line(0).substr(0, 17), "<IMG src=\"idx:3\">");
    EXPECT_FALSE(std::filesystem::exists(target.path() / "a (2).zip"));
}

TEST_F(DownloadRun, StopStaysForAFollowUpRunAndAnEmptyListStartsNothing)
{
    view->Trigger("startAllButton");
    EXPECT_FALSE(view->Engine().Running());
    EXPECT_FALSE(view->Board().Busy());
    EXPECT_EQ(statuses.last(), "Nothing to download: the list holds no URL.");
    EXPECT_TRUE(runLog().isEmpty());

    HttpPeer peer;
    std::ofstream(server.root() / "s.zip", std::ios::binary) << "s";
    form->AddUrl(server.url("/s.zip"));
    form->AddUrl(peer.url("/slow/400000/big.zip"));
    view->Select(0);
    view->Trigger("downloadSelectedAction");
    view->Engine().Wait(); // over for the engine; its end has not reached the window
    view->Select(1);
    view->Trigger("downloadSelectedAction");
    EXPECT_EQ(view->Engine().Items.Count(), 1); // the ended run's file is not fetched again
    ASSERT_TRUE(PumpUntil([this] { return statuses.contains("Downloading Completed !"); }, 10000));
    ASSERT_TRUE(PumpUntil([this] { return statuses.last().contains("  Downloading : "); }, 10000));
    EXPECT_TRUE(view->Command("stopButton").isEnabled());
    view->Select(1);
    view->Trigger("deleteSelectedAction");
    EXPECT_EQ(view->Board().Entries().Count(), 2);
    view->Trigger("stopButton");
    finishRun();
    EXPECT_FALSE(view->Command("stopButton").isEnabled());
    EXPECT_EQ(readFile(target.path() / "s.zip"), "s");

    // The stopped entry's part goes with the entry.
    const std::filesystem::path part = target.path() / "big.zip.part";
    EXPECT_TRUE(std::filesystem::exists(part));
    view->Select(1);
    view->Trigger("deleteSelectedAction");
    EXPECT_EQ(view->Board().Entries().Count(), 1);
    EXPECT_TRUE(PumpUntil([&] { return !std::filesystem::exists(part); }, 5000));
}

// Start All runs the options' number at once: the status bar sums them up,
// and Stop cuts off every one under way, each line saying so and each part
// kept, while the one still waiting stays ready.
TEST_F(DownloadRun, StartAllRunsSeveralAtOnceAndStopCutsEachOff)
{
    HttpPeer peer;
    for (const char *name : {"a", "b", "c"})
        form->AddUrl(peer.url(std::string("/slow/400000/") + name + ".zip"));
    view->Options().Simultaneous = 2;
    view->Trigger("startAllButton");
    ASSERT_TRUE(PumpUntil(
        [this] {
            return !statuses.isEmpty() && statuses.last().startsWith("Downloading 2 files, 1 waiting : ");
        },
        10000))
        << statuses.join(" | ").toStdString();
    PumpUntil([] { return false; }, 300); // both have data in their parts
    view->Trigger("stopButton");
    finishRun();
    EXPECT_EQ(statuses.last(), "Downloading Cancelled ! 0 downloaded, 2 cancelled");
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(line(i).find("<B>Download Cancelled</B>"), std::string::npos) << line(i);
    EXPECT_EQ(line(2), readyLine(peer.url("/slow/400000/c.zip")));
    for (const char *part : {"a.zip.part", "b.zip.part"})
        EXPECT_TRUE(std::filesystem::exists(target.path() / part)) << part;
    EXPECT_FALSE(view->Command("stopButton").isEnabled());
}

TEST_F(DownloadRun, KeylessLineIsSkippedButPositionsStay)
{
    std::ofstream(server.root() / "x.zip", std::ios::binary) << "xx";
    std::ofstream(server.root() / "y.zip", std::ios::binary) << "yy";
    const std::string x = server.url("/x.zip"), y = server.url("/y.zip");
    const auto list = target.write("list.ufi", x + "=" + readyLine(x) + "\r\njust a note\r\n" + y + "=" +
                                                   readyLine(y) + "\r\n");
    form->OpenListFile(QString::fromStdString(list.string()));
    ASSERT_EQ(view->Board().Entries().Count(), 3);
    // In order, so the last line is the one the run's end marks.
    view->Options().Simultaneous = 1;
    view->Trigger("startAllButton");
    finishRun();
    EXPECT_EQ(runLog().filter(QStringLiteral("File Start : ")).size(), 2);
    EXPECT_NE(line(0).find("<B>File Downloaded!</B>"), std::string::npos) << line(0);
    EXPECT_EQ(view->Board().Entries().Line(1), "just a note");
    EXPECT_NE(line(2).find("<B>Downloaded</B>"), std::string::npos) << line(2);
    EXPECT_EQ(readFile(target.path() / "y.zip"), "yy");
    // The last file's report ends with the digest made as it was written.
    const QString digest = QString::fromStdString("SHA-256: " + digest::Sha256Hex("yy"));
    EXPECT_TRUE(PumpUntil([&] { return view->List().toolTip().contains(digest); }, 10000))
        << view->List().toolTip().toStdString();
}

TEST_F(DownloadRun, StartAllUsesTheTypedDirectoryAndTheListIsLockedDuringTheRun)
{
    std::ofstream(server.root() / "t.zip", std::ios::binary) << "typed";
    form->AddUrl(server.url("/t.zip"));
    TempDir typed;
    view->TargetFolder().setText(QString::fromStdString(typed.str()));
    view->Trigger("startAllButton");
    // The run is going until its end reaches the window.
    view->Trigger("emptyListButton");
    EXPECT_EQ(view->Board().Entries().Count(), 1);
    view->List().setCurrentRow(0);
    view->Trigger("deleteSelectedAction");
    EXPECT_EQ(view->Board().Entries().Count(), 1);
    EXPECT_NE(statuses.last().indexOf(QStringLiteral("cannot change")), -1) << statuses.last().toStdString();
    finishRun();
    EXPECT_EQ(readFile(typed.path() / "t.zip"), "typed");
    EXPECT_EQ(view->TargetFolder().text().toStdString(), typed.str());
}

TEST_F(DownloadRun, DownloadSelectedDuringARunJoinsIt)
{
    std::ofstream(server.root() / "p.zip", std::ios::binary) << std::string(200000, 'p');
    std::ofstream(server.root() / "q.zip", std::ios::binary) << "q";
    form->AddUrl(server.url("/p.zip"));
    form->AddUrl(server.url("/q.zip"));
    view->Trigger("startAllButton");
    view->List().setCurrentRow(1);
    view->Trigger("downloadSelectedAction");
    finishRun();
    EXPECT_EQ(readFile(target.path() / "q.zip"), "q");
    EXPECT_EQ(readFile(target.path() / "p.zip").size(), 200000u);
    EXPECT_EQ(statuses.last(), "Downloading Completed !");
    EXPECT_FALSE(view->Board().Busy());
}

TEST_F(DownloadRun, TheEnginesProgressDialogShowsTheWindowsTexts)
{
    std::ofstream(server.root() / "d.zip", std::ios::binary) << std::string(10000, 'd');
    const std::string url = server.url("/d.zip");
    form->AddUrl(url);
    // Show the dialog, and keep it open with "Open file".
    view->Engine().ShowDialog = view->Engine().ShowOpenFile = true;
    view->Select(0);
    view->Trigger("downloadSelectedAction");
    finishRun();
    PumpUntil([this] { return view->ProgressHost().dialog() && view->ProgressHost().dialog()->isVisible(); });
    ProgressDialog *dialog = view->ProgressHost().dialog();
    ASSERT_NE(dialog, nullptr) << "the run built no progress dialog";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(view->Engine().RateLabel().rfind("Transfer Rate :", 0), 0u) << view->Engine().RateLabel();
    // The window's status lines quote that same rate line.
    EXPECT_NE(line(0).find("  Transfer Rate :"), std::string::npos) << line(0);
    dialog->close();
}

// A run of several at once has one dialog: it follows the oldest item being
// transferred, its counter counts the run, and its Cancel stops every item.
TEST_F(DownloadRun, TheRunsDialogFollowsTheOldestItemAndItsCancelStopsThemAll)
{
    HttpPeer peer;
    std::ofstream(server.root() / "d.zip", std::ios::binary) << std::string(10000, 'd');
    form->AddUrl(server.url("/d.zip"));
    for (const char *name : {"a", "b"})
        form->AddUrl(peer.url(std::string("/slow/400000/") + name + ".zip"));
    view->Options().Simultaneous = 2;
    view->Options().ShowDialog = true;
    view->Options().ShowOpenFile = true;
    view->Trigger("startAllButton");
    ProgressDialog *dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            dialog = view->RunProgressHost().dialog();
            return dialog && dialog->isVisible() &&
                   dialog->fileLabel()->text().startsWith("File : 2 of 3 : a.zip from");
        },
        10000))
        << (dialog ? dialog->fileLabel()->text().toStdString() : "no dialog");
    EXPECT_TRUE(dialog->rateLabel()->text().startsWith("Transfer Rate : "))
        << dialog->rateLabel()->text().toStdString();
    EXPECT_EQ(view->ProgressHost().dialog(), nullptr) << "the window's own engine ran nothing";
    // Both slow ones under way, with data in their parts.
    ASSERT_TRUE(PumpUntil([this] { return statuses.last().startsWith("Downloading 2 files : "); }, 10000))
        << statuses.join(" | ").toStdString();
    PumpUntil([] { return false; }, 300);
    dialog->cancelButton()->click();
    finishRun();
    EXPECT_EQ(statuses.last().toStdString(), "Downloading Cancelled ! 1 downloaded, 2 cancelled");
    ASSERT_TRUE(PumpUntil([&] { return dialog->cancelButton()->text() == "Close"; }, 5000));
    EXPECT_FALSE(dialog->openFileButton()->isEnabled()) << "a cancelled run offers no file";
}

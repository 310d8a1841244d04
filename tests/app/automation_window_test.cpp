// Automation as a user meets it: calls into the main window with the window
// hidden, the program started by the bus from its activation file, and the
// browser extension's link arriving in the running program's list.
#include "app/main_form.h"
#include "app/main_form_automation.h"
#include "browser/manifests/menu_extensions.h"
#include "tests/support/dbus_session.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace fetchly;
using namespace fetchly::test;

namespace {

QString program(const char *name)
{
    return QString::fromStdString((binaryDir() / "app" / name).string());
}

int runServing(const QString &path, const QStringList &arguments, int timeoutMs = 30000,
               QByteArray *out = nullptr)
{
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForStarted(5000))
        return -2;
    process.closeWriteChannel();
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForFinished(10);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (out)
        *out = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::string readyLine(const std::string &url)
{
    return url + "=<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> " + url +
           "     <B>Ready for Download</B></FONT>";
}

class WindowAutomation : public ::testing::Test {
protected:
    XdgHome home;
    DbusSession bus{{"OrvFetchly.TUrlAdder"}};

    std::filesystem::path savedList() const { return home.dataHome() / "Brindlewick/Fetchly/SavedFiles.ufi"; }
    // Ends the program that owns the service the normal way (SIGTERM closes
    // its window), so it writes its list.
    std::string listOfRunningProgram()
    {
        bus.stopOwner("OrvFetchly.TUrlAdder");
        return readFile(savedList());
    }
};

} // namespace

TEST_F(WindowAutomation, CallsAddToTheHiddenWindowAndShowIt)
{
    const QString name = QStringLiteral("window-test");
    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), name);
    {
        TDownloadForm form;
        const auto server = MakeAutomationServer(connection, [&form] { return &form; });
        ASSERT_EQ(server->Publish(), automation::TAutomationServer::TPublishResult::Published);
        const auto call = [&](const QString &url) {
            return runServing(QStringLiteral("dbus-send"),
                              {"--session", "--print-reply", "--dest=OrvFetchly.TUrlAdder", "/TUrlAdder",
                               "OrvFetchly.FetchlyAdder.AddDownLoadUrl", "string:" + url});
        };

        form.hide();
        ASSERT_EQ(call(QStringLiteral("http://127.0.0.1/pics/photo.JPG")), 0);
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(form.Board.Entries().Count(), 1);
        EXPECT_EQ(form.Board.Entries().Line(0), readyLine("http://127.0.0.1/pics/photo.JPG"));

        form.hide();
        ASSERT_EQ(call(QStringLiteral("http://127.0.0.1/page.php")), 0); // rejected, still no D-Bus error
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.StatusText(), "URL Extension Does not match Accepted Types!");
        EXPECT_EQ(form.Board.Entries().Count(), 1);

        form.hide();
        form.SetStatusText(QStringLiteral("OK"));
        ASSERT_EQ(call(QString()), 0);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.Board.Entries().Count(), 1);
        EXPECT_EQ(form.StatusText(), "OK");
    }
    QDBusConnection::disconnectFromBus(name);
}

TEST_F(WindowAutomation, BusStartsTheProgramFromItsActivationFile)
{
    ASSERT_EQ(runServing(program("fetchly"), {QStringLiteral("-REGSERVER")}), 0);
    ASSERT_EQ(bus.ownerPid("OrvFetchly.TUrlAdder"), -1);
    QByteArray out;
    const std::string url = "http://127.0.0.1/files/archive.zip";
    ASSERT_EQ(runServing(program("fetchly"), {"add", QString::fromStdString(url)}, 30000, &out), 0)
        << out.toStdString();
    ASSERT_GT(bus.ownerPid("OrvFetchly.TUrlAdder"), 0); // started by the bus, still running
    // A second start hands over to it and ends.
    EXPECT_EQ(runServing(program("fetchly"), {}), 0);
    EXPECT_EQ(listOfRunningProgram(), readyLine(url) + "\r\n");
}

// The whole road from the browser: the extension's link entry in headless
// Chromium, the host found through the manifest the program wrote into the
// browser's folder, and the link in the running program's list.
TEST_F(WindowAutomation, ChromiumExtensionSendsALinkIntoTheRunningProgram)
{
    PeerProcess fetchlyProcess;
    fetchlyProcess.start({(binaryDir() / "app/fetchly").string(), "-AUTOMATION"},
                         (home.root() / "fetchly.log").string());
    ASSERT_TRUE(bus.waitForOwner("OrvFetchly.TUrlAdder")) << fetchlyProcess.logTail();
    const auto manifest = home.configHome() / "chromium/NativeMessagingHosts/orvfetchly.turladder.json";
    // Written at start-up, once the window is made.
    for (int i = 0; i < 500 && !std::filesystem::exists(manifest); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(std::filesystem::exists(manifest)) << fetchlyProcess.logTail();

    const std::string link = "http://127.0.0.1:9/pictures/holiday.jpg";
    QByteArray out;
    const int status = runServing(
        QString::fromStdString(systemPython().string()),
        {QString::fromStdString((sourceDir() / "tests/app/chromium_extension_driver.py").string()),
         QString::fromStdString((binaryDir() / "browser/chromium").string()),
         QString::fromStdString((home.configHome() / "chromium").string()), QString::fromStdString(link)},
        90000, &out);
    ASSERT_EQ(status, 0) << out.toStdString();
    EXPECT_NE(out.indexOf("\"ok\": true"), -1) << out.toStdString();
    // SIGTERM closes the window the normal way: the list is written.
    ::kill(fetchlyProcess.pid(), SIGTERM);
    for (int i = 0; i < 250 && fetchlyProcess.running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(readFile(savedList()), readyLine(link) + "\r\n");
}

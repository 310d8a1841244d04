// Automation as a user meets it: calls into the main window with the window
// hidden, the program started by the bus from its activation file, and the
// browser extension's link arriving in the running program's list.
#include "app/main_form.h"
#include "app/main_form_automation.h"
#include "browser/manifests/menu_extensions.h"
#include "tests/support/dbus_session.h"
#include "tests/support/event_wait.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <csignal>

using namespace fetchly;
using namespace fetchly::test;

namespace {

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
        TDownloadFormTestView view(form);
        const auto server = MakeAutomationServer(connection, [&form] { return &form; });
        ASSERT_EQ(server->Publish(), automation::TAutomationServer::TPublishResult::Published);
        const auto call = [&](const QString &url) {
            return RunServing("dbus-send",
                              {"--session", "--print-reply", "--dest=OrvFetchly.TUrlAdder", "/TUrlAdder",
                               "OrvFetchly.FetchlyAdder.AddDownLoadUrl", "string:" + url})
                .status;
        };

        form.hide();
        ASSERT_EQ(call(QStringLiteral("http://127.0.0.1/pics/photo.JPG")), 0);
        EXPECT_TRUE(form.isVisible());
        ASSERT_EQ(view.Board().Entries().Count(), 1);
        EXPECT_EQ(view.Board().Entries().Line(0), readyLine("http://127.0.0.1/pics/photo.JPG"));

        form.hide();
        ASSERT_EQ(call(QStringLiteral("http://127.0.0.1/page.php")), 0); // rejected, still no D-Bus error
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.StatusText(), "URL Extension Does not match Accepted Types!");
        EXPECT_EQ(view.Board().Entries().Count(), 1);

        form.hide();
        form.SetStatusText(QStringLiteral("OK"));
        ASSERT_EQ(call(QString()), 0);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(view.Board().Entries().Count(), 1);
        EXPECT_EQ(form.StatusText(), "OK");
    }
    QDBusConnection::disconnectFromBus(name);
}

TEST_F(WindowAutomation, BusStartsTheProgramFromItsActivationFile)
{
    ASSERT_EQ(RunServing(programPath("fetchly"), {QStringLiteral("-REGSERVER")}).status, 0);
    ASSERT_EQ(bus.ownerPid("OrvFetchly.TUrlAdder"), -1);
    const std::string url = "http://127.0.0.1/files/archive.zip";
    const ProgramResult add = RunServing(programPath("fetchly"), {"add", QString::fromStdString(url)});
    ASSERT_EQ(add.status, 0) << add.out << add.err;
    ASSERT_GT(bus.ownerPid("OrvFetchly.TUrlAdder"), 0); // started by the bus, still running
    // A second start hands over to it and ends.
    EXPECT_EQ(RunServing(programPath("fetchly"), {}).status, 0);
    EXPECT_EQ(listOfRunningProgram(), readyLine(url) + "\r\n");
}

// The whole road from the browser: the extension's link entry in headless
// Chromium, the host found through the manifest the program wrote into the
// browser's folder, and the link in the running program's list.
TEST_F(WindowAutomation, ChromiumExtensionSendsALinkIntoTheRunningProgram)
{
    // Chromium has run for this user: its folder is there for the manifest.
    std::filesystem::create_directories(home.configHome() / "chromium");
    PeerProcess fetchlyProcess;
    fetchlyProcess.start({programPath("fetchly"), "-AUTOMATION"}, (home.root() / "fetchly.log").string());
    ASSERT_TRUE(bus.waitForOwner("OrvFetchly.TUrlAdder")) << fetchlyProcess.logTail();
    const auto manifest = home.configHome() / "chromium/NativeMessagingHosts/orvfetchly.turladder.json";
    // Written at start-up, once the window is made.
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(manifest); }, std::chrono::seconds(10)))
        << fetchlyProcess.logTail();

    const std::string link = "http://127.0.0.1:9/pictures/holiday.jpg";
    const ProgramResult driver = RunServing(
        systemPython().string(),
        {QString::fromStdString((sourceDir() / "tests/browser/chromium_extension_driver.py").string()),
         QString::fromStdString((binaryDir() / "browser/chromium").string()),
         QString::fromStdString((home.configHome() / "chromium").string()), QString::fromStdString(link)},
        {}, 90);
    ASSERT_EQ(driver.status, 0) << driver.out << driver.err;
    EXPECT_NE(driver.out.find("\"ok\": true"), std::string::npos) << driver.out << driver.err;
    // SIGTERM closes the window the normal way: the list is written.
    fetchlyProcess.signal(SIGTERM);
    fetchlyProcess.waitForExit(std::chrono::seconds(5));
    EXPECT_EQ(readFile(savedList()), readyLine(link) + "\r\n");
}

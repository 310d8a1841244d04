// The whole road from a click in a real browser to Fetchly's D-Bus service:
// headless Firefox ESR (WebDriver BiDi) and Chromium (DevTools) with the
// unpacked extension, its take-over turned on in its options page, a page
// that sets a session cookie and links to a file only served with it, the
// native host found through its manifest, and on a private session bus the
// main window itself (offscreen, its own HOME and folders), which downloads
// the file; a recording service in its place where the program refuses.
#include "app/automation/automation_server.h"
#include "app/main_form.h"
#include "app/main_form_automation.h"
#include "browser/manifests/menu_extensions.h"
#include "tests/support/byte_pattern.h"
#include "tests/support/dbus_session.h"
#include "tests/support/event_wait.h"
#include "tests/support/http_server.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <QAbstractItemModel>
#include <QDBusConnection>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace fetchly::automation;
using namespace fetchly::test;

namespace {

struct BrowserCase {
    const char *name;
    const char *program;   // skipped when it is not installed
    const char *driver;    // in tests/browser/
    const char *extension; // below the build tree
    const char *userAgent; // a word the browser's user agent has
};

void PrintTo(const BrowserCase &browser, std::ostream *out)
{
    *out << browser.name;
}

void writeHostManifest(const std::filesystem::path &folder, TBrowserFamily family)
{
    std::filesystem::create_directories(folder);
    QFile file(QString::fromStdString((folder / "orvfetchly.turladder.json").string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    file.write(NativeHostManifest(family, QString::fromStdString(programPath("fetchly-native-host"))));
}

class BrowserHandover : public ::testing::TestWithParam<BrowserCase> {
protected:
    BrowserHandover()
        : m_connection(
              QDBusConnection::connectToBus(QString::fromStdString(m_bus.address()), GetParam().name))
    {
    }
    ~BrowserHandover() override
    {
        m_server.reset();
        QDBusConnection::disconnectFromBus(GetParam().name);
    }

    void SetUp() override
    {
        if (runProgram("which", {GetParam().program}, std::filesystem::current_path(), 10).status != 0)
            GTEST_SKIP() << GetParam().program << " is not installed (scripts/install-deps.sh installs it)";
    }

    // A service that records each request and answers `take`.
    void record(bool take)
    {
        m_server = std::make_unique<TAutomationServer>(
            m_connection, [](const QString &) {}, [] {},
            [this, take](const TDownloadRequest &request) {
                m_requests.push_back(request);
                return take;
            });
    }

    // Runs the browser's driver with the take-over on and the link clicked,
    // m_server serving the bus; the driver's report, or an empty object
    // when the test failed or was skipped.
    QJsonObject clickTheLink()
    {
        const BrowserCase &browser = GetParam();
        const auto published = m_server->Publish();
        EXPECT_EQ(published, TAutomationServer::TPublishResult::Published)
            << m_server->ErrorText().toStdString();
        writeHostManifest(m_home.root() / ".mozilla/native-messaging-hosts", TBrowserFamily::Firefox);
        writeHostManifest(m_profile.path() / "NativeMessagingHosts", TBrowserFamily::Chromium);
        const ProgramResult driver =
            RunServing(systemPython().string(),
                       {QString::fromStdString((sourceDir() / "tests/browser" / browser.driver).string()),
                        QStringLiteral("--take-over"),
                        QString::fromStdString((binaryDir() / browser.extension).string()),
                        QString::fromStdString(m_profile.str()), QString::fromStdString(m_page)},
                       {}, 150);
        EXPECT_EQ(driver.status, 0) << driver.out << driver.err;
        if (driver.status != 0 || published != TAutomationServer::TPublishResult::Published)
            return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(driver.out)).object();
    }

    XdgHome m_home; // HOME too: Firefox looks for the host below it
    DbusSession m_bus{{"OrvFetchly.TUrlAdder"}};
    HttpPeer m_http;
    TempDir m_profile;
    const std::string m_page = m_http.url("/cookiepage/pkg.zip");
    QDBusConnection m_connection;
    std::unique_ptr<TAutomationServer> m_server;
    std::vector<TDownloadRequest> m_requests;
};

} // namespace

// The program's own request for the file, as the server logged it: the one
// with Fetchly's no-cache headers, which the browser does not send.
std::string fetchlyRequest(const std::string &log, const std::string &path)
{
    for (auto at = log.find("GET " + path + " "); at != std::string::npos;
         at = log.find("GET " + path + " ", at + 1)) {
        const std::string request = log.substr(at, log.find("\n\n", at) - at);
        if (request.find("Pragma: no-cache\n") != std::string::npos)
            return request;
    }
    return "(none)";
}

TEST_P(BrowserHandover, ClickedDownloadArrivesInFetchlyWithCookieAndReferrer)
{
    TempDir downloads;
    auto form = std::make_unique<fetchly::TDownloadForm>();
    fetchly::TDownloadFormTestView view(*form);
    view.TargetFolder().setText(QString::fromStdString(downloads.str()));
    view.Engine().ShowDialog = false;
    std::chrono::system_clock::time_point listed{};
    QObject::connect(view.List().model(), &QAbstractItemModel::rowsInserted, [&] {
        if (listed == std::chrono::system_clock::time_point{})
            listed = std::chrono::system_clock::now();
    });
    m_server = fetchly::MakeAutomationServer(m_connection, [&form] { return form.get(); });
    const QJsonObject result = clickTheLink();
    if (result.isEmpty())
        return;
    EXPECT_TRUE(result.value("lastTakeOver").toObject().value("ok").toBool());
    // Cancelled in the browser, gone from its list and from its folder.
    const std::string url = m_http.url("/needscookie/pkg.zip");
    for (const QJsonValue &download : result.value("leftInBrowser").toArray())
        EXPECT_NE(download.toObject().value("url").toString().toStdString(), url);
    EXPECT_FALSE(std::filesystem::exists(m_profile.path() / "downloads/pkg.zip"));

    // Started at once, under the browser's name, with what the site needs.
    const auto file = downloads.path() / "pkg.zip";
    ASSERT_TRUE(PumpUntil([&] { return std::filesystem::exists(file) && !view.Board().Busy(); }, 30000))
        << view.LogLines().join('\n').toStdString();
    EXPECT_TRUE(readFile(file) == patternBytes(3 << 20)) << "the file differs";
    const std::string request = fetchlyRequest(m_http.requestsLog(), "/needscookie/pkg.zip");
    EXPECT_NE(request.find("Cookie: fetchly_session=S3cr3t-42\n"), std::string::npos) << request;
    EXPECT_NE(request.find("eferer: " + m_page + "\n"), std::string::npos) << request;
    EXPECT_NE(request.find(GetParam().userAgent), std::string::npos) << request;

    // The cookie lives in memory only: not in the list file, the options,
    // the run log or any line shown.
    form->SaveState();
    const std::string secret = "S3cr3t-42";
    const std::string list = readFile(m_home.dataHome() / "Brindlewick/Fetchly/SavedFiles.ufi");
    const std::string options = readFile(m_home.configHome() / "Fetchly.ini");
    EXPECT_NE(list.find(url + "="), std::string::npos) << list;
    EXPECT_NE(options.find(downloads.str()), std::string::npos) << options;
    EXPECT_EQ(list.find(secret), std::string::npos);
    EXPECT_EQ(options.find(secret), std::string::npos);
    EXPECT_FALSE(view.LogLines().join('\n').contains(QString::fromStdString(secret)));
    EXPECT_FALSE(view.ListLines().join('\n').contains(QString::fromStdString(secret)));
    EXPECT_FALSE(form->StatusText().contains(QString::fromStdString(secret)));

    ASSERT_NE(listed, std::chrono::system_clock::time_point{});
    const double clickedAt = result.value("clickedAt").toDouble();
    const double listedAt = std::chrono::duration<double>(listed.time_since_epoch()).count();
    RecordProperty("click_to_entry_ms", static_cast<int>((listedAt - clickedAt) * 1000));
    std::printf("%s: %.0f ms from the click to the entry in the window\n", GetParam().name,
                (listedAt - clickedAt) * 1000);
    m_server.reset();
}

TEST_P(BrowserHandover, ADownloadFetchlyRefusesStaysWithTheBrowser)
{
    record(false);
    const QJsonObject result = clickTheLink();
    if (result.isEmpty())
        return;
    EXPECT_EQ(m_requests.size(), 1u);
    const QJsonObject last = result.value("lastTakeOver").toObject();
    EXPECT_FALSE(last.value("ok").toBool());
    EXPECT_NE(last.value("error").toString().indexOf("does not accept"), -1);
    const QJsonArray kept = result.value("leftInBrowser").toArray();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_NE(kept[0].toObject().value("state").toString(), "interrupted");
}

INSTANTIATE_TEST_SUITE_P(
    Browsers, BrowserHandover,
    ::testing::Values(
        BrowserCase{"Firefox", "firefox-esr", "firefox_extension_driver.py", "browser/firefox", "Firefox"},
        BrowserCase{"Chromium", "chromium", "chromium_extension_driver.py", "browser/chromium", "Chrome"}),
    [](const ::testing::TestParamInfo<BrowserCase> &info) { return std::string(info.param.name); });

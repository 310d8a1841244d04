// The whole road from a click in a real browser to Fetchly's D-Bus service:
// headless Firefox ESR (WebDriver BiDi) and Chromium (DevTools) with the
// unpacked extension, its take-over turned on in its options page, a page
// that sets a session cookie and links to a file only served with it, the
// native host found through its manifest, and a recording service on a
// private session bus in place of the program.
#include "app/automation/automation_server.h"
#include "browser/manifests/menu_extensions.h"
#include "tests/support/dbus_session.h"
#include "tests/support/event_wait.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

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

std::string headerOf(const TDownloadRequest &request, const std::string &name)
{
    for (const TRequestHeader &header : request.Headers) {
        if (header.Name == name)
            return header.Value;
    }
    return "(none)";
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

    // Runs the browser's driver with the take-over on and the link clicked,
    // the service answering `take`; the driver's report, or an empty object
    // when the test failed or was skipped.
    QJsonObject clickTheLink(bool take)
    {
        const BrowserCase &browser = GetParam();
        m_server = std::make_unique<TAutomationServer>(
            m_connection, [](const QString &) {}, [] {},
            [this, take](const TDownloadRequest &request) {
                m_arrived = std::chrono::system_clock::now();
                m_requests.push_back(request);
                return take;
            });
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
    std::chrono::system_clock::time_point m_arrived;
};

} // namespace

TEST_P(BrowserHandover, ClickedDownloadReachesFetchlyWithCookieAndReferrer)
{
    const QJsonObject result = clickTheLink(true);
    if (result.isEmpty())
        return;
    EXPECT_TRUE(result.value("lastTakeOver").toObject().value("ok").toBool());
    ASSERT_EQ(m_requests.size(), 1u);
    const TDownloadRequest &request = m_requests.front();
    EXPECT_EQ(request.Url, m_http.url("/needscookie/pkg.zip"));
    EXPECT_EQ(request.FileName, "pkg.zip");
    EXPECT_TRUE(request.StartNow);
    EXPECT_EQ(headerOf(request, "Cookie"), "fetchly_session=S3cr3t-42");
    EXPECT_EQ(headerOf(request, "Referer"), m_page);
    EXPECT_NE(headerOf(request, "User-Agent").find(GetParam().userAgent), std::string::npos);
    // Cancelled in the browser, gone from its list and from its folder.
    for (const QJsonValue &download : result.value("leftInBrowser").toArray())
        EXPECT_NE(download.toObject().value("url").toString().toStdString(), request.Url);
    EXPECT_FALSE(std::filesystem::exists(m_profile.path() / "downloads/pkg.zip"));

    const double clickedAt = result.value("clickedAt").toDouble();
    const double arrivedAt = std::chrono::duration<double>(m_arrived.time_since_epoch()).count();
    RecordProperty("click_to_dbus_ms", static_cast<int>((arrivedAt - clickedAt) * 1000));
    std::printf("%s: %.0f ms from the click to the D-Bus service\n", GetParam().name,
                (arrivedAt - clickedAt) * 1000);
}

TEST_P(BrowserHandover, ADownloadFetchlyRefusesStaysWithTheBrowser)
{
    const QJsonObject result = clickTheLink(false);
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

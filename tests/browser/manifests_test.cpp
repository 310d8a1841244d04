// The native messaging host manifests, this platform's browser context-menu
// registration: every common browser's folder, our host's path, our ids only.
#include "browser/extension_ids.h"
#include "browser/manifests/menu_extensions.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <fstream>
#include <set>

using namespace fetchly::automation;
using fetchly::test::readFile;
using fetchly::test::XdgHome;

namespace {

QJsonObject manifestAt(const std::filesystem::path &path)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(path))).object();
}

const char kHost[] = "/opt/Fetchly Apps/bin/fetchly-native-host";

// Every browser's own folder, as it is there once the browser has run.
void installEveryBrowser()
{
    for (const TNativeHostFolder &target : NativeHostFolders())
        std::filesystem::create_directories(target.browserHome.toStdString());
}

} // namespace

TEST(MenuExtensions, WritesOneManifestPerInstalledBrowser)
{
    XdgHome home;
    installEveryBrowser();
    const QStringList written = RegisterMenuExtensions(QString::fromLatin1(kHost));

    const auto h = home.root();
    const auto c = home.configHome();
    const std::string file = "orvfetchly.turladder.json";
    const std::set<std::string> firefoxLike = {
        (h / ".mozilla/native-messaging-hosts" / file).string(),
        (h / "snap/firefox/common/.mozilla/native-messaging-hosts" / file).string(),
        (h / ".var/app/org.mozilla.firefox/.mozilla/native-messaging-hosts" / file).string(),
        (h / ".librewolf/native-messaging-hosts" / file).string(),
        (h / ".var/app/io.gitlab.librewolf-community/.librewolf/native-messaging-hosts" / file).string(),
    };
    const std::set<std::string> chromiumLike = {
        (c / "chromium/NativeMessagingHosts" / file).string(),
        (c / "google-chrome/NativeMessagingHosts" / file).string(),
        (c / "google-chrome-beta/NativeMessagingHosts" / file).string(),
        (c / "google-chrome-unstable/NativeMessagingHosts" / file).string(),
        (c / "BraveSoftware/Brave-Browser/NativeMessagingHosts" / file).string(),
        (c / "vivaldi/NativeMessagingHosts" / file).string(),
        (c / "microsoft-edge/NativeMessagingHosts" / file).string(),
    };
    std::set<std::string> got;
    for (const QString &path : written)
        got.insert(path.toStdString());
    std::set<std::string> all = firefoxLike;
    all.insert(chromiumLike.begin(), chromiumLike.end());
    EXPECT_EQ(got, all);

    for (const auto &path : firefoxLike) {
        SCOPED_TRACE(path);
        const QJsonObject m = manifestAt(path);
        EXPECT_EQ(m.value("name").toString().toStdString(), "orvfetchly.turladder");
        EXPECT_EQ(m.value("type").toString().toStdString(), "stdio");
        EXPECT_EQ(m.value("path").toString().toStdString(), kHost); // spaces kept as they are
        EXPECT_EQ(m.value("allowed_extensions").toArray(),
                  QJsonArray{QStringLiteral("fetchly@fetchly.brindlewick")});
        EXPECT_FALSE(m.contains("allowed_origins"));
    }
    for (const auto &path : chromiumLike) {
        SCOPED_TRACE(path);
        const QJsonObject m = manifestAt(path);
        EXPECT_EQ(m.value("path").toString().toStdString(), kHost);
        EXPECT_EQ(m.value("allowed_origins").toArray(),
                  QJsonArray{QStringLiteral("chrome-extension://ilgmkbdnjkcmjfmiocmdnnedeaimocob/")});
        EXPECT_FALSE(m.contains("allowed_extensions"));
    }
}

// A browser that is not there gets no folder; once it has run, the next
// start writes its manifest.
TEST(MenuExtensions, LeavesBrowsersThatAreNotInstalledAlone)
{
    XdgHome home;
    EXPECT_TRUE(RegisterMenuExtensions(QString::fromLatin1(kHost)).isEmpty());
    for (const char *absent : {".mozilla", "snap", ".var", ".librewolf"})
        EXPECT_FALSE(std::filesystem::exists(home.root() / absent)) << absent;
    EXPECT_FALSE(std::filesystem::exists(home.configHome() / "chromium"));

    std::filesystem::create_directories(home.root() / "snap/firefox");
    std::filesystem::create_directories(home.configHome() / "vivaldi");
    const QStringList written = RegisterMenuExtensions(QString::fromLatin1(kHost));
    const auto file = "orvfetchly.turladder.json";
    EXPECT_EQ(
        written,
        (QStringList{
            QString::fromStdString(
                (home.root() / "snap/firefox/common/.mozilla/native-messaging-hosts" / file).string()),
            QString::fromStdString((home.configHome() / "vivaldi/NativeMessagingHosts" / file).string())}));
    EXPECT_FALSE(std::filesystem::exists(home.configHome() / "google-chrome"));
}

TEST(MenuExtensions, EveryStartRewritesAManifestThatPointsElsewhere)
{
    XdgHome home;
    installEveryBrowser();
    RegisterMenuExtensions(QStringLiteral("/old/place/fetchly-native-host"));
    RegisterMenuExtensions(QString::fromLatin1(kHost));
    const auto path = home.configHome() / "chromium/NativeMessagingHosts/orvfetchly.turladder.json";
    EXPECT_EQ(manifestAt(path).value("path").toString().toStdString(), kHost);
}

TEST(MenuExtensions, SkipsAFolderThatCannotBeMadeButReportsAFailedWrite)
{
    XdgHome home;
    installEveryBrowser();
    // A plain file where LibreWolf's hosts folder would go: that browser is skipped.
    std::ofstream(home.root() / ".librewolf/native-messaging-hosts") << "not a folder";
    const QStringList written = RegisterMenuExtensions(QString::fromLatin1(kHost));
    EXPECT_EQ(written.size(), 11);
    const QString skipped = QString::fromStdString((home.root() / ".librewolf").string()) + QLatin1Char('/');
    for (const QString &path : written)
        EXPECT_FALSE(path.startsWith(skipped)) << path.toStdString();

    // A folder where Vivaldi's manifest file would go: the write fails.
    const auto vivaldi = home.configHome() / "vivaldi/NativeMessagingHosts/orvfetchly.turladder.json";
    std::filesystem::remove(vivaldi);
    std::filesystem::create_directories(vivaldi);
    EXPECT_THROW(RegisterMenuExtensions(QString::fromLatin1(kHost)), std::runtime_error);
}

TEST(MenuExtensions, HostLivesBesideTheProgram)
{
    EXPECT_EQ(NativeHostPath(QStringLiteral("/usr/bin")).toStdString(), "/usr/bin/fetchly-native-host");
    EXPECT_EQ(NativeHostPath(QStringLiteral("/usr/bin/")).toStdString(), "/usr/bin/fetchly-native-host");
}

// The extension's fixed Chromium id is derived from the public key committed
// in its manifest; a changed key would silently lock the extension out.
TEST(MenuExtensions, ChromiumIdMatchesTheKeyInTheExtensionManifest)
{
    const std::string text =
        readFile(fetchly::test::sourceDir() / "browser/extension/chromium/manifest.json");
    const QJsonObject manifest = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
    const QByteArray der = QByteArray::fromBase64(manifest.value("key").toString().toLatin1());
    ASSERT_FALSE(der.isEmpty());
    const QByteArray digest = QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex().left(32);
    std::string id;
    for (char hex : digest)
        id += static_cast<char>('a' + (hex <= '9' ? hex - '0' : hex - 'a' + 10));
    EXPECT_EQ(id, kChromiumExtensionId);

    const std::string firefox =
        readFile(fetchly::test::sourceDir() / "browser/extension/firefox/manifest.json");
    const QJsonObject gecko = QJsonDocument::fromJson(QByteArray::fromStdString(firefox))
                                  .object()
                                  .value("browser_specific_settings")
                                  .toObject()
                                  .value("gecko")
                                  .toObject();
    EXPECT_EQ(gecko.value("id").toString().toStdString(), kFirefoxExtensionId);
}

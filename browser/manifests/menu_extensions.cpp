#include "browser/manifests/menu_extensions.h"

#include "browser/extension_ids.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <stdexcept>

namespace fetchly::automation {

std::vector<TNativeHostFolder> NativeHostFolders()
{
    const QString home = QDir::homePath();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString chromiumHosts = QStringLiteral("/NativeMessagingHosts");
    const QString mozillaHosts = QStringLiteral("/native-messaging-hosts");
    const auto firefox = [](const QString &browser, const QString &browserHome, const QString &hosts) {
        return TNativeHostFolder{browser, TBrowserFamily::Firefox, hosts, browserHome};
    };
    const auto chromium = [&](const QString &browser, const QString &configFolder) {
        const QString browserHome = config + QLatin1Char('/') + configFolder;
        return TNativeHostFolder{browser, TBrowserFamily::Chromium, browserHome + chromiumHosts, browserHome};
    };
    const QString snap = home + "/snap/firefox";
    const QString flatpak = home + "/.var/app/org.mozilla.firefox";
    const QString libreFlatpak = home + "/.var/app/io.gitlab.librewolf-community";
    return {
        firefox(QStringLiteral("Firefox"), home + "/.mozilla", home + "/.mozilla" + mozillaHosts),
        firefox(QStringLiteral("Firefox (Snap)"), snap, snap + "/common/.mozilla" + mozillaHosts),
        firefox(QStringLiteral("Firefox (Flatpak)"), flatpak, flatpak + "/.mozilla" + mozillaHosts),
        firefox(QStringLiteral("LibreWolf"), home + "/.librewolf", home + "/.librewolf" + mozillaHosts),
        firefox(QStringLiteral("LibreWolf (Flatpak)"), libreFlatpak,
                libreFlatpak + "/.librewolf" + mozillaHosts),
        chromium(QStringLiteral("Chromium"), QStringLiteral("chromium")),
        chromium(QStringLiteral("Google Chrome"), QStringLiteral("google-chrome")),
        chromium(QStringLiteral("Google Chrome Beta"), QStringLiteral("google-chrome-beta")),
        chromium(QStringLiteral("Google Chrome Unstable"), QStringLiteral("google-chrome-unstable")),
        chromium(QStringLiteral("Brave"), QStringLiteral("BraveSoftware/Brave-Browser")),
        chromium(QStringLiteral("Vivaldi"), QStringLiteral("vivaldi")),
        chromium(QStringLiteral("Microsoft Edge"), QStringLiteral("microsoft-edge")),
    };
}

bool TNativeHostFolder::BrowserInstalled() const
{
    return QFileInfo(browserHome).isDir();
}

std::vector<TNativeHostFolder> SystemNativeHostFolders()
{
    const QString hosts = QStringLiteral("/native-messaging-hosts");
    return {
        {QStringLiteral("Firefox (system-wide)"), TBrowserFamily::Firefox, "/usr/lib/mozilla" + hosts,
         QStringLiteral("/usr/lib/mozilla")},
        {QStringLiteral("Chromium (system-wide)"), TBrowserFamily::Chromium, "/etc/chromium" + hosts,
         QStringLiteral("/etc/chromium")},
    };
}

QByteArray NativeHostManifest(TBrowserFamily family, const QString &hostPath)
{
    QJsonObject manifest;
    manifest.insert(QStringLiteral("name"), QLatin1String(kNativeHostName));
    manifest.insert(QStringLiteral("description"),
                    QStringLiteral("Brindlewick Fetchly: adds links to the download list"));
    manifest.insert(QStringLiteral("path"), hostPath);
    manifest.insert(QStringLiteral("type"), QStringLiteral("stdio"));
    if (family == TBrowserFamily::Firefox)
        manifest.insert(QStringLiteral("allowed_extensions"), QJsonArray{QLatin1String(kFirefoxExtensionId)});
    else
        manifest.insert(QStringLiteral("allowed_origins"), QJsonArray{QLatin1String(kChromiumOrigin)});
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

QStringList RegisterMenuExtensions(const QString &hostPath)
{
    QStringList written;
    const QString fileName = QLatin1String(kNativeHostName) + QStringLiteral(".json");
    for (const TNativeHostFolder &target : NativeHostFolders()) {
        if (!target.BrowserInstalled() || !QDir().mkpath(target.folder))
            continue;
        const QString path = target.folder + QLatin1Char('/') + fileName;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(NativeHostManifest(target.family, hostPath)) < 0 ||
            !file.commit())
            throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                     file.errorString().toStdString());
        written << path;
    }
    return written;
}

QString NativeHostPath(const QString &programDir)
{
    return QDir(programDir).absoluteFilePath(QLatin1String(kNativeHostExecutable));
}

} // namespace fetchly::automation

#include "browser/manifests/menu_extensions.h"

#include "browser/extension_ids.h"

#include <QDir>
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
    const QString mozillaHosts = QStringLiteral("/.mozilla/native-messaging-hosts");
    return {
        {QStringLiteral("Firefox"), TBrowserFamily::Firefox, home + mozillaHosts},
        {QStringLiteral("Firefox (Snap)"), TBrowserFamily::Firefox,
         home + "/snap/firefox/common" + mozillaHosts},
        {QStringLiteral("Firefox (Flatpak)"), TBrowserFamily::Firefox,
         home + "/.var/app/org.mozilla.firefox" + mozillaHosts},
        {QStringLiteral("LibreWolf"), TBrowserFamily::Firefox, home + "/.librewolf/native-messaging-hosts"},
        {QStringLiteral("LibreWolf (Flatpak)"), TBrowserFamily::Firefox,
         home + "/.var/app/io.gitlab.librewolf-community/.librewolf/native-messaging-hosts"},
        {QStringLiteral("Chromium"), TBrowserFamily::Chromium, config + "/chromium" + chromiumHosts},
        {QStringLiteral("Google Chrome"), TBrowserFamily::Chromium,
         config + "/google-chrome" + chromiumHosts},
        {QStringLiteral("Google Chrome Beta"), TBrowserFamily::Chromium,
         config + "/google-chrome-beta" + chromiumHosts},
        {QStringLiteral("Google Chrome Unstable"), TBrowserFamily::Chromium,
         config + "/google-chrome-unstable" + chromiumHosts},
        {QStringLiteral("Brave"), TBrowserFamily::Chromium,
         config + "/BraveSoftware/Brave-Browser" + chromiumHosts},
        {QStringLiteral("Vivaldi"), TBrowserFamily::Chromium, config + "/vivaldi" + chromiumHosts},
        {QStringLiteral("Microsoft Edge"), TBrowserFamily::Chromium,
         config + "/microsoft-edge" + chromiumHosts},
    };
}

std::vector<TNativeHostFolder> SystemNativeHostFolders()
{
    const QString hosts = QStringLiteral("/native-messaging-hosts");
    return {
        {QStringLiteral("Firefox (system-wide)"), TBrowserFamily::Firefox, "/usr/lib/mozilla" + hosts},
        {QStringLiteral("Chromium (system-wide)"), TBrowserFamily::Chromium, "/etc/chromium" + hosts},
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
        if (!QDir().mkpath(target.folder))
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

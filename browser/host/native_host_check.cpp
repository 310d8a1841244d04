#include "browser/host/native_host_check.h"

#include "app/automation/activation_file.h"
#include "app/automation/bus_names.h"
#include "browser/extension_ids.h"
#include "browser/manifests/menu_extensions.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <utility>
#include <vector>

namespace fetchly::host {

namespace {

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
}

} // namespace

int RunHostCheck(const QString &hostPath)
{
    const QString fileName = QLatin1String(automation::kNativeHostName) + QStringLiteral(".json");
    const QString self = QFileInfo(hostPath).canonicalFilePath();
    int found = 0;
    std::vector<automation::TNativeHostFolder> folders = automation::NativeHostFolders();
    for (automation::TNativeHostFolder &system : automation::SystemNativeHostFolders())
        folders.push_back(std::move(system));
    for (const automation::TNativeHostFolder &target : folders) {
        const QString path = target.folder + QLatin1Char('/') + fileName;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (target.BrowserInstalled())
                say(QStringLiteral("%1: no manifest (%2)").arg(target.browser, path));
            else
                say(QStringLiteral("%1: not installed (no %2)").arg(target.browser, target.browserHome));
            continue;
        }
        const QString named =
            QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("path")).toString();
        const QFileInfo namedInfo(named);
        if (named.isEmpty()) {
            say(QStringLiteral("%1: the manifest %2 names no host").arg(target.browser, path));
        } else if (!namedInfo.isExecutable()) {
            say(QStringLiteral("%1: the manifest names %2, which is missing or not executable; start Fetchly "
                               "once to rewrite it")
                    .arg(target.browser, named));
        } else {
            ++found;
            say(QStringLiteral("%1: found (%2 -> %3)%4")
                    .arg(target.browser, path, named,
                         namedInfo.canonicalFilePath() == self ? QString()
                                                               : QStringLiteral(", another copy")));
        }
    }

    bool reachable = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        say(QStringLiteral("Session bus: not reachable (%1)").arg(bus.lastError().message()));
    } else if (bus.interface()->isServiceRegistered(QLatin1String(automation::kServiceName))) {
        reachable = true;
        say(QStringLiteral("Fetchly: running"));
    } else if (QFile::exists(automation::ActivationFilePath())) {
        reachable = true;
        say(QStringLiteral("Fetchly: not running; the bus starts it from %1")
                .arg(automation::ActivationFilePath()));
    } else if (bus.interface()->activatableServiceNames().value().contains(
                   QLatin1String(automation::kServiceName))) {
        // An installed package's service file, in the bus's system-wide folders.
        reachable = true;
        say(QStringLiteral("Fetchly: not running; the bus starts it"));
    } else {
        say(QStringLiteral("Fetchly: not running and not known to the bus; start it once (or run "
                           "`fetchly -REGSERVER`)"));
    }
    return found > 0 && reachable ? 0 : 1;
}

} // namespace fetchly::host

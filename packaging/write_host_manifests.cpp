// fetchly-host-manifests HOSTPATH ROOT LIST CONFFILES: writes the native
// host's manifest for HOSTPATH into every system-wide browser folder below
// ROOT (ROOT/etc/chromium/native-messaging-hosts/...), for a system install
// to copy to /. LIST names every manifest's place, CONFFILES those under
// /etc, which the Debian package declares as configuration files. The folders and the
// manifest's text come from the program's own tables, so the package and
// `fetchly-native-host --check` cannot disagree about them.
#include "browser/extension_ids.h"
#include "browser/manifests/menu_extensions.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    std::fprintf(stderr, "fetchly-host-manifests: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(file.errorString()));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: fetchly-host-manifests HOSTPATH ROOT LIST CONFFILES\n");
        return 2;
    }
    const QString hostPath = QString::fromLocal8Bit(argv[1]);
    const QString root = QString::fromLocal8Bit(argv[2]);
    const QString fileName = QLatin1String(fetchly::automation::kNativeHostName) + QStringLiteral(".json");
    QByteArray list;
    QByteArray conffiles;
    for (const auto &target : fetchly::automation::SystemNativeHostFolders()) {
        const QString path = target.folder + QLatin1Char('/') + fileName;
        if (!QDir().mkpath(root + target.folder) ||
            !writeFile(root + path, fetchly::automation::NativeHostManifest(target.family, hostPath)))
            return 1;
        list += path.toLocal8Bit() + '\n';
        if (path.startsWith(QLatin1String("/etc/")))
            conffiles += path.toLocal8Bit() + '\n';
    }
    return writeFile(QString::fromLocal8Bit(argv[3]), list) &&
                   writeFile(QString::fromLocal8Bit(argv[4]), conffiles)
               ? 0
               : 1;
}

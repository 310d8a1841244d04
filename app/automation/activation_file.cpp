#include "app/automation/activation_file.h"

#include "app/automation/bus_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <stdexcept>

namespace fetchly::automation {

namespace {

// The bus daemon splits Exec like a shell does, so a path with spaces or
// quotes must be quoted; single quotes keep everything but a single quote,
// which is written as '\''.
QString shellQuoted(const QString &path)
{
    bool plain = !path.isEmpty();
    for (QChar c : path) {
        if (!(c.isLetterOrNumber() || QStringLiteral("/._+-,:@").contains(c))) {
            plain = false;
            break;
        }
    }
    if (plain)
        return path;
    QString quoted = path;
    quoted.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString ActivationFilePath()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return dataHome + QStringLiteral("/dbus-1/services/") + QLatin1String(kServiceName) +
           QStringLiteral(".service");
}

QString ActivationFileText(const QString &programPath)
{
    return QStringLiteral("[D-BUS Service]\nName=") + QLatin1String(kServiceName) +
           QStringLiteral("\nExec=") + shellQuoted(programPath) + QStringLiteral(" -AUTOMATION\n");
}

void WriteActivationFile(const QString &programPath)
{
    if (programPath.isEmpty() || QFileInfo(programPath).isRelative())
        throw std::runtime_error("the program path for the activation file is not absolute");
    const QString path = ActivationFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw std::runtime_error("cannot create the folder " + folder.toStdString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
    file.write(ActivationFileText(programPath).toUtf8());
    if (!file.commit())
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
}

void RemoveActivationFile()
{
    QFile file(ActivationFilePath());
    if (file.exists() && !file.remove())
        throw std::runtime_error("cannot remove " + file.fileName().toStdString() + ": " +
                                 file.errorString().toStdString());
}

} // namespace fetchly::automation

#include "app/program_path.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace fetchly {

QString ProgramPath()
{
    const QString launcher = QCoreApplication::applicationDirPath() + QStringLiteral("/fetchly");
    if (QFileInfo(launcher).isExecutable())
        return launcher;
    return QCoreApplication::applicationFilePath();
}

} // namespace fetchly

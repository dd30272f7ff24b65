#include "platform/system/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString ProgramDir()
{
    QString dir = qEnvironmentVariable("QUILLPOST_HOME");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    dir = QDir::cleanPath(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

}  // namespace platform

#include "platform/system/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString ProgramDir()
{
    QString dir = qEnvironmentVariable("QUILLPOST_HOME");
    if (dir.isEmpty()) {
        dir = QCoreApplication::applicationDirPath();
        // An installed copy cannot write beside itself: its data lives in
        // the user's data folder instead.
        if (!QFileInfo(dir).isWritable()) {
            dir = QDir::homePath() + QStringLiteral("/.local/share/quillpost");
            QDir().mkpath(dir);
        }
    }
    dir = QDir::cleanPath(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

}  // namespace platform

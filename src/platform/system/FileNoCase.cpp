#include "platform/system/FileNoCase.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

// The entry of `dir` named `name` regardless of case; empty when none.
QString FindEntryNoCase(const QString& dir, const QString& name)
{
    const QDir folder(dir.isEmpty() ? QStringLiteral(".") : dir);
    if (QFileInfo::exists(folder.filePath(name)))
        return name;
    const QStringList entries =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

}  // namespace

QString FindFileNoCase(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path))
        return path;

    // Walk the path one part at a time, keeping the parts that already exist
    // as written and looking the others up in their parent folder.
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString found = absolute ? QStringLiteral("/") : QString();
    for (const QString& part : parts) {
        QString entry;
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            entry = part;
        else
            entry = FindEntryNoCase(found, part);
        if (entry.isEmpty())
            return {};
        if (!found.isEmpty() && !found.endsWith(QLatin1Char('/')))
            found += QLatin1Char('/');
        found += entry;
    }
    return QFileInfo::exists(found) ? found : QString();
}

QString CompanionFileName(const QString& path, const QString& extension)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    // A dot that opens the name (".profile") does not start an extension.
    if (dot < 0 || dot <= slash + 1)
        return path + QLatin1Char('.') + extension;
    const QString oldExtension = path.mid(dot + 1);
    const bool upper = oldExtension.toUpper() == oldExtension;
    return path.left(dot + 1) + (upper ? extension.toUpper() : extension.toLower());
}

QString FindCompanionFile(const QString& path, const QString& extension)
{
    return FindFileNoCase(CompanionFileName(path, extension));
}

}  // namespace platform

#include "platform/ui/FileFilter.h"

namespace platform {

namespace {

// The description without a trailing "(patterns)" that repeats `patterns`.
QString WithoutShownPatterns(const QString& description, const QStringList& patterns)
{
    for (const QChar separator : {QLatin1Char(' '), QLatin1Char(';')}) {
        const QString shown = QLatin1Char('(') + patterns.join(separator) + QLatin1Char(')');
        if (description.endsWith(shown, Qt::CaseInsensitive))
            return description.left(description.size() - shown.size()).trimmed();
    }
    return description;
}

}  // namespace

QStringList FileDialogNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i < parts.size(); i += 2) {
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'))) {
                if (!pattern.trimmed().isEmpty())
                    patterns << pattern.trimmed();
            }
        }
        const QString description = parts[i].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        // QFileDialog takes the patterns from the last parentheses, so they
        // are always added, and a copy already in the description dropped.
        const QString shown = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        const QString text = WithoutShownPatterns(description, patterns);
        result << (text.isEmpty() ? shown : text + QLatin1Char(' ') + shown);
    }
    return result;
}

}  // namespace platform

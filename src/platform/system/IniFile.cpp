#include "platform/system/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <utility>

namespace platform {

namespace {

// The name of a "[section]" line, or a null string when the line is not one.
QString SectionName(const QString& line)
{
    const QString text = line.trimmed();
    if (!text.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    const QString name = text.mid(1, close - 1).trimmed();
    return name.isNull() ? QStringLiteral("") : name;
}

// Splits a "key=value" line; false for comments, blanks and other lines.
bool SplitKeyLine(const QString& line, QString* key, QString* value)
{
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return false;
    const QString name = text.left(equals).trimmed();
    if (name.isEmpty())
        return false;
    if (key)
        *key = name;
    if (value)
        *value = text.mid(equals + 1).trimmed();
    return true;
}

bool ValidSection(const QString& section)
{
    return !section.contains(QLatin1Char(']')) && !section.contains(QLatin1Char('\n')) &&
           !section.contains(QLatin1Char('\r'));
}

bool ValidKey(const QString& key)
{
    const QString name = key.trimmed();
    return !name.isEmpty() && !name.contains(QLatin1Char('=')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QLatin1Char('\r')) && !name.startsWith(QLatin1Char(';')) &&
           !name.startsWith(QLatin1Char('['));
}

QString OneLine(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

// Files written by this program are UTF-8; a file that is not valid UTF-8
// came from a Windows tool and is read as Windows-1252.
QString Decode(const QByteArray& bytes, bool* byteOrderMark)
{
    *byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    *byteOrderMark = false;
    QStringDecoder windows1252("windows-1252");
    if (windows1252.isValid()) {
        text = windows1252.decode(bytes);
        if (!windows1252.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

IniFile::Content IniFile::load() const
{
    Content content;
    QFile file(path_);
    if (!file.exists())
        return content;
    if (!file.open(QIODevice::ReadOnly)) {
        content.readable = false;
        return content;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        content.readable = false;
        return content;
    }
    const QString text = Decode(bytes, &content.byteOrderMark);
    if (text.contains(QLatin1String("\r\n")))
        content.newline = QStringLiteral("\r\n");
    content.lines = text.split(QLatin1Char('\n'));
    if (!content.lines.isEmpty() && content.lines.last().isEmpty())
        content.lines.removeLast();
    for (QString& line : content.lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return content;
}

bool IniFile::save(const Content& content) const
{
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QString text;
    for (const QString& line : content.lines) {
        text += line;
        text += content.newline;
    }
    QByteArray bytes = text.toUtf8();
    if (content.byteOrderMark)
        bytes.prepend("\xEF\xBB\xBF");
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

IniFile::Section IniFile::findSection(const QStringList& lines, const QString& section)
{
    Section at;
    const QString wanted = section.trimmed();
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = SectionName(lines[i]);
        if (name.isNull())
            continue;
        if (at.header >= 0) {
            at.end = i;
            return at;
        }
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            at.header = i;
    }
    if (at.header >= 0)
        at.end = int(lines.size());
    return at;
}

int IniFile::findKey(const QStringList& lines, const Section& at, const QString& key)
{
    const QString wanted = key.trimmed();
    for (int i = at.header + 1; at.header >= 0 && i < at.end; ++i) {
        QString name;
        if (SplitKeyLine(lines[i], &name, nullptr) && name.compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Content content = load();
    const int line = findKey(content.lines, findSection(content.lines, section), key);
    QString value;
    if (line < 0 || !SplitKeyLine(content.lines[line], nullptr, &value))
        return defaultValue;
    return value;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    bool ok = false;
    const int value = readString(section, key).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    bool ok = false;
    const qlonglong value = readString(section, key).toLongLong(&ok, 10);
    return ok ? value != 0 : defaultValue;
}

bool IniFile::valueExists(const QString& section, const QString& key) const
{
    const Content content = load();
    return findKey(content.lines, findSection(content.lines, section), key) >= 0;
}

bool IniFile::sectionExists(const QString& section) const
{
    return findSection(load().lines, section).header >= 0;
}

QStringList IniFile::readSection(const QString& section) const
{
    const Content content = load();
    const Section at = findSection(content.lines, section);
    QStringList keys;
    for (int i = at.header + 1; at.header >= 0 && i < at.end; ++i) {
        QString name;
        if (SplitKeyLine(content.lines[i], &name, nullptr) && !keys.contains(name, Qt::CaseInsensitive))
            keys << name;
    }
    return keys;
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    if (!ValidSection(section) || !ValidKey(key))
        return false;
    Content content = load();
    if (!content.readable)
        return false;
    const QString line = key.trimmed() + QLatin1Char('=') + OneLine(value).trimmed();
    const Section at = findSection(content.lines, section);
    if (at.header < 0) {
        if (!content.lines.isEmpty() && !content.lines.last().trimmed().isEmpty())
            content.lines << QString();
        content.lines << QLatin1Char('[') + section.trimmed() + QLatin1Char(']') << line;
        return save(content);
    }
    const int existing = findKey(content.lines, at, key);
    if (existing >= 0) {
        // The key keeps the spelling it has in the file.
        QString name;
        SplitKeyLine(content.lines[existing], &name, nullptr);
        content.lines[existing] = name + QLatin1Char('=') + OneLine(value).trimmed();
        return save(content);
    }
    // A new key goes after the section's last line, before the blank lines
    // that separate it from the next section.
    int lastUsed = at.header;
    for (int i = at.header + 1; i < at.end; ++i) {
        if (!content.lines[i].trimmed().isEmpty())
            lastUsed = i;
    }
    content.lines.insert(lastUsed + 1, line);
    return save(content);
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::deleteKey(const QString& section, const QString& key)
{
    Content content = load();
    if (!content.readable)
        return false;
    const int line = findKey(content.lines, findSection(content.lines, section), key);
    if (line < 0)
        return true;
    content.lines.removeAt(line);
    return save(content);
}

bool IniFile::eraseSection(const QString& section)
{
    Content content = load();
    if (!content.readable)
        return false;
    const Section at = findSection(content.lines, section);
    if (at.header < 0)
        return true;
    content.lines.erase(content.lines.begin() + at.header, content.lines.begin() + at.end);
    return save(content);
}

}  // namespace platform

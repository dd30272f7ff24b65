#pragma once
// IniFile: a settings file in the Windows INI format, read and written the
// way Windows does it: "[section]" lines and "key=value" lines; section and
// key names compare without regard to case; names and values are trimmed of
// surrounding blanks; when a section or key occurs twice the first one
// counts. Flags are written 1 or 0 and read as true for any non-zero number;
// integers are decimal. A missing file reads as empty and the first write
// creates it (with its folder). Lines this class does not understand —
// comments, blank lines, keys outside any section — are kept on rewrite.
//
// Every call reads the file again, so two IniFile objects (two windows) on
// one file always see each other's writes. Every write reads, changes one
// line and replaces the whole file through a temporary file renamed into
// place, so a crash leaves the old file or the new one, never half of one.
// A write returns false and leaves the file alone when it could not read the
// existing file, could not write, or when a name cannot be stored (a section
// with ']' or a line break, a key that is empty or has '=' or a line break).
// Line breaks inside a value become blanks: an INI value is one line.
#include <QString>
#include <QStringList>

namespace platform {

class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return path_; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // The decimal integer stored under key, or defaultValue when the key is
    // missing or its value is not a whole number that fits in an int.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // True for any non-zero whole number, false for zero, defaultValue when
    // the key is missing or its value is not a whole number.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    bool valueExists(const QString& section, const QString& key) const;
    bool sectionExists(const QString& section) const;
    // The key names of a section in file order (duplicates once).
    QStringList readSection(const QString& section) const;

    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    // Writes 1 or 0.
    bool writeBool(const QString& section, const QString& key, bool value);
    // Removes the first occurrence of the key; true also when there was none.
    bool deleteKey(const QString& section, const QString& key);
    // Removes the first occurrence of the section, its header and its lines.
    bool eraseSection(const QString& section);

private:
    struct Content {
        QStringList lines;                       // without line ends
        QString newline = QStringLiteral("\n");  // the file's own line end
        bool byteOrderMark = false;
        bool readable = true;
    };
    struct Section {
        int header = -1;  // line of "[section]", -1 when absent
        int end = -1;     // first line after the section
    };

    Content load() const;
    bool save(const Content& content) const;
    static Section findSection(const QStringList& lines, const QString& section);
    // The line of the key in the section, -1 when absent.
    static int findKey(const QStringList& lines, const Section& at, const QString& key);

    QString path_;
};

}  // namespace platform

#include "platform/system/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/system/ProgramDir.h"
#include "platform/system/SettingsFile.h"
#include "TempProgramDir.h"

using platform::IniFile;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class IniFileTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("QUILLP.ini")) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

struct ReadCase {
    const char* name;
    QByteArray content;
    const char* section;
    const char* key;
    const char* expected;  // nullptr: the default comes back
};

TEST_F(IniFileTest, ReadsTheWindowsWay)
{
    const ReadCase cases[] = {
        {"exact", "[Misc]\nGettingStarted=1\n", "Misc", "GettingStarted", "1"},
        {"section and key ignore case", "[Misc]\nGettingStarted=1\n", "mISC", "GETTINGSTARTED", "1"},
        {"blanks around = and value trimmed", "[A]\n  Key \t=  two  words  \n", "A", "key", "two  words"},
        {"blanks inside the header", "[ Adding ]\nPlugDate=1\n", "Adding", "PlugDate", "1"},
        {"first of duplicate keys", "[A]\nk=first\nK=second\n", "A", "k", "first"},
        {"first of duplicate sections", "[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nj=4\n", "A", "k", "1"},
        {"later duplicate section not searched", "[A]\nk=1\n[B]\nk=2\n[a]\nj=4\n", "A", "j", nullptr},
        {"key of another section", "[A]\nk=1\n[B]\nj=2\n", "B", "k", nullptr},
        {"comment is no key", "[A]\n;k=1\nk=2\n", "A", "k", "2"},
        {"key before any section", "k=0\n[A]\nj=1\n", "A", "k", nullptr},
        {"CR LF lines", "[A]\r\nk=v\r\n", "A", "k", "v"},
        {"no newline at end", "[A]\nk=v", "A", "k", "v"},
        {"empty value is a value", "[A]\nk=\n", "A", "k", ""},
        {"value keeps = and ;", "[A]\nk=a=b;c\n", "A", "k", "a=b;c"},
        {"missing key", "[A]\nk=1\n", "A", "other", nullptr},
        {"missing section", "[A]\nk=1\n", "B", "k", nullptr},
        {"line without = is no key", "[A]\nk\nk=2\n", "A", "k", "2"},
        {"UTF-8 value", "[A]\nk=Caf\xC3\xA9\n", "A", "k", "Caf\xC3\xA9"},
        {"Windows-1252 file", "[A]\nk=Caf\xE9\n", "A", "k", "Caf\xC3\xA9"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(path(), c.content);
        const IniFile ini(path());
        const QString expected = c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("<default>");
        EXPECT_EQ(ini.readString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("<default>")),
                  expected);
        EXPECT_EQ(ini.valueExists(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.expected != nullptr);
    }
}

TEST_F(IniFileTest, NumbersAndFlags)
{
    struct Case {
        const char* value;  // nullptr: no key at all
        int integer;        // with default 7
        bool flag;          // with default true
    };
    const Case cases[] = {
        {"0", 0, false},       {"1", 1, true},          {"2", 2, true},         {"-1", -1, true},
        {" 12 ", 12, true},    {"+5", 5, true},         {"abc", 7, true},       {"12abc", 7, true},
        {"", 7, true},         {"1.5", 7, true},        {"0x10", 7, true},      {"99999999999", 7, true},
        {nullptr, 7, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "<missing>");
        WriteAll(path(), c.value ? QByteArray("[A]\nk=") + c.value + "\n" : QByteArray("[A]\n"));
        const IniFile ini(path());
        EXPECT_EQ(ini.readInteger(QStringLiteral("A"), QStringLiteral("k"), 7), c.integer);
        EXPECT_EQ(ini.readBool(QStringLiteral("A"), QStringLiteral("k"), true), c.flag);
    }
    // A zero read with a false default must still come from the file.
    WriteAll(path(), "[A]\nk=0\nj=3\n");
    const IniFile ini(path());
    EXPECT_FALSE(ini.readBool(QStringLiteral("A"), QStringLiteral("k"), true));
    EXPECT_TRUE(ini.readBool(QStringLiteral("A"), QStringLiteral("j"), false));
    EXPECT_FALSE(ini.readBool(QStringLiteral("A"), QStringLiteral("missing"), false));
}

TEST_F(IniFileTest, MissingFileReadsAsEmptyAndFirstWriteCreatesIt)
{
    const QString file = dir_.filePath(QStringLiteral("sub/folder/QUILLP.ini"));
    IniFile ini(file);
    EXPECT_EQ(ini.readString(QStringLiteral("Misc"), QStringLiteral("GlobalTagId"), QStringLiteral("x")),
              QStringLiteral("x"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Adding"), QStringLiteral("PlugDate"), 0), 0);
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("Misc")));
    EXPECT_TRUE(ini.readSection(QStringLiteral("Misc")).isEmpty());
    EXPECT_FALSE(QFile::exists(file)) << "reading must not create the file";

    ASSERT_TRUE(ini.writeBool(QStringLiteral("Misc"), QStringLiteral("GettingStarted"), true));
    EXPECT_EQ(ReadAll(file), QByteArray("[Misc]\nGettingStarted=1\n"));
    ASSERT_TRUE(ini.writeBool(QStringLiteral("misc"), QStringLiteral("gettingstarted"), false));
    EXPECT_EQ(ReadAll(file), QByteArray("[Misc]\nGettingStarted=0\n"));
}

TEST_F(IniFileTest, RewriteChangesOnlyTheLineItMust)
{
    const QByteArray original =
        "; written by hand\n"
        "stray=global\n"
        "\n"
        "[Adding]\n"
        "PlugDate = 0\n"
        "garbage line\n"
        "; a comment inside\n"
        "DefaultCountry=USA\n"
        "\n"
        "[MRU]\n"
        "Item1=/data/ADD0001.DBF\n";
    WriteAll(path(), original);
    IniFile ini(path());

    ASSERT_TRUE(ini.writeInteger(QStringLiteral("ADDING"), QStringLiteral("plugdate"), 1));
    QByteArray expected = original;
    expected.replace("PlugDate = 0\n", "PlugDate=1\n");
    EXPECT_EQ(ReadAll(path()), expected);

    // A new key of an existing section goes after its last line, before the
    // blank line that separates it from the next section.
    ASSERT_TRUE(ini.writeString(QStringLiteral("Adding"), QStringLiteral("CarryOrg"), QStringLiteral("1")));
    expected.replace("DefaultCountry=USA\n", "DefaultCountry=USA\nCarryOrg=1\n");
    EXPECT_EQ(ReadAll(path()), expected);

    // A new section goes at the end, after a blank line.
    ASSERT_TRUE(ini.writeString(QStringLiteral("Dialing"), QStringLiteral("Port"), QStringLiteral("COM2")));
    expected += "\n[Dialing]\nPort=COM2\n";
    EXPECT_EQ(ReadAll(path()), expected);

    EXPECT_EQ(ini.readSection(QStringLiteral("adding")),
              QStringList({QStringLiteral("PlugDate"), QStringLiteral("DefaultCountry"), QStringLiteral("CarryOrg")}));

    // Nothing but the settings file is left in the folder: the temporary
    // file was renamed into place.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("QUILLP.ini")});
}

TEST_F(IniFileTest, KeepsCrLfLineEndsAndOnlyTheFirstDuplicateChanges)
{
    WriteAll(path(), "[A]\r\nk=1\r\nk=2\r\n");
    IniFile ini(path());
    ASSERT_TRUE(ini.writeString(QStringLiteral("a"), QStringLiteral("K"), QStringLiteral("9")));
    EXPECT_EQ(ReadAll(path()), QByteArray("[A]\r\nk=9\r\nk=2\r\n"));
}

TEST_F(IniFileTest, ValuesStayOnOneLineAndBadNamesAreRefused)
{
    IniFile ini(path());
    ASSERT_TRUE(ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("one\r\ntwo")));
    EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("one two"));
    // A value cannot smuggle in a section or a key of its own.
    ASSERT_TRUE(ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v\n[Evil]\nz=1")));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("Evil")));
    EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("v [Evil] z=1"));

    const QByteArray before = ReadAll(path());
    EXPECT_FALSE(ini.writeString(QStringLiteral("A"), QStringLiteral("a=b"), QStringLiteral("1")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("A"), QStringLiteral(""), QStringLiteral("1")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("A"), QStringLiteral(";k"), QStringLiteral("1")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("A]x"), QStringLiteral("k"), QStringLiteral("1")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("A\nB"), QStringLiteral("k"), QStringLiteral("1")));
    EXPECT_EQ(ReadAll(path()), before);
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNotOverwritten)
{
    // A folder where the file should be: it can be neither read nor replaced.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("QUILLP.ini")));
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger(QStringLiteral("A"), QStringLiteral("k"), 4), 4);
    EXPECT_FALSE(ini.writeInteger(QStringLiteral("A"), QStringLiteral("k"), 1));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(IniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites)
{
    IniFile first(path());
    IniFile second(path());
    ASSERT_TRUE(first.writeString(QStringLiteral("A"), QStringLiteral("one"), QStringLiteral("1")));
    ASSERT_TRUE(second.writeString(QStringLiteral("A"), QStringLiteral("two"), QStringLiteral("2")));
    EXPECT_EQ(first.readString(QStringLiteral("A"), QStringLiteral("two")), QStringLiteral("2"));
    EXPECT_EQ(second.readString(QStringLiteral("A"), QStringLiteral("one")), QStringLiteral("1"));
}

TEST_F(IniFileTest, DeleteKeyAndEraseSection)
{
    WriteAll(path(), "[A]\nk=1\nj=2\n[B]\nk=3\n");
    IniFile ini(path());
    ASSERT_TRUE(ini.deleteKey(QStringLiteral("a"), QStringLiteral("K")));
    EXPECT_EQ(ReadAll(path()), QByteArray("[A]\nj=2\n[B]\nk=3\n"));
    ASSERT_TRUE(ini.deleteKey(QStringLiteral("A"), QStringLiteral("absent")));
    ASSERT_TRUE(ini.eraseSection(QStringLiteral("a")));
    EXPECT_EQ(ReadAll(path()), QByteArray("[B]\nk=3\n"));
    EXPECT_FALSE(ini.sectionExists(QStringLiteral("A")));
}

TEST(SettingsFileTest, IsQuillpIniInTheProgramFolder)
{
    TempProgramDir home;
    ASSERT_TRUE(home.isValid());
    EXPECT_EQ(platform::ProgramDir(), home.path());
    EXPECT_EQ(platform::SettingsFile(), home.path() + QStringLiteral("QUILLP.ini"));
}

}  // namespace

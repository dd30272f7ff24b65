// The settings of the program: every section and key with its default, the
// writers that store them, and the tagging identifier that is made and
// stored at once when it is missing.
#include <gtest/gtest.h>

#include <QDir>

#include <functional>

#include "data/Preferences.h"
#include "platform/TempProgramDir.h"
#include "platform/system/Clock.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

using namespace data;

namespace {

QString Flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// One key: how the program reads it, what it reads without a settings file,
// and what it reads after `stored` was written under the key.
struct KeyCase {
    const char* section;
    const char* key;
    std::function<QString()> read;
    QString defaultValue;
    QString stored;
    QString readBack;
};

std::function<QString()> FlagReader(bool AddingPreferences::*member)
{
    return [member] { return Flag(ReadAddingPreferences().*member); };
}

std::vector<KeyCase> AllKeys()
{
    using A = AddingPreferences;
    const QString no = QStringLiteral("0");
    const QString yes = QStringLiteral("1");
    std::vector<KeyCase> keys;
    // "Adding": the stored value is any non-zero number.
    const std::pair<const char*, bool A::*> flags[] = {
        {"PlugDate", &A::plugDate},
        {"PlugCityState", &A::plugCityState},
        {"AutoDupCheck", &A::autoDupCheck},
        {"CarryOrg", &A::carryOrg},
        {"CarrySA1", &A::carrySA1},
        {"CarrySA2", &A::carrySA2},
        {"CarryCity", &A::carryCity},
        {"CarryState", &A::carryState},
        {"CarryZip", &A::carryZip},
        {"CarryCountry", &A::carryCountry},
        {"SkipOrganization", &A::skipOrganization},
        {"SkipPhone1", &A::skipPhone1},
        {"SkipEmail", &A::skipEmail},
        {"SkipState", &A::skipState},
        {"SkipZip", &A::skipZip},
        {"SkipCountry", &A::skipCountry},
        {"SkipAddress2", &A::skipAddress2},
        {"SkipLastName", &A::skipLastName},
        {"SkipMiddleInitial", &A::skipMiddleInitial},
        {"SkipfirstName", &A::skipFirstName},
        {"Skiptitle", &A::skipTitle},
        {"SkipPhone2", &A::skipPhone2},
        {"SkipFax", &A::skipFax},
        {"SkipCodes", &A::skipCodes},
        {"SkipPrefix", &A::skipPrefix},
        {"SkipComments1", &A::skipComments1},
        {"SkipDate", &A::skipDate},
        {"Skipcomments2", &A::skipComments2},
    };
    for (const auto& [key, member] : flags)
        keys.push_back({"Adding", key, FlagReader(member), no, QStringLiteral("7"), yes});
    keys.push_back({"Adding", "DefaultCountry", [] { return ReadAddingPreferences().defaultCountry; }, QString(),
                    QStringLiteral("Canada"), QStringLiteral("Canada")});

    keys.push_back({"Misc", "GettingStarted", [] { return Flag(ReadGettingStarted()); }, no, yes, yes});

    for (const char* section : {"Letter", "Label"}) {
        const QString s = QLatin1String(section);
        keys.push_back({section, "DefaultFontName", [s] { return ReadDefaultFont(s).name; },
                        QStringLiteral("Arial"), QStringLiteral("Courier New"), QStringLiteral("Courier New")});
        keys.push_back({section, "DefaultFontSize", [s] { return QString::number(ReadDefaultFont(s).pointSize); },
                        QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("14")});
        keys.push_back({section, "DefaultFontBold", [s] { return Flag(ReadDefaultFont(s).bold); }, no, yes, yes});
        keys.push_back({section, "DefaultFontItalic", [s] { return Flag(ReadDefaultFont(s).italic); }, no, yes, yes});
    }

    keys.push_back({"Envelope Feed", "Orientation", [] { return QString::number(ReadEnvelopeFeed().orientation); },
                    yes, no, no});
    keys.push_back({"Envelope Feed", "Facing", [] { return QString::number(ReadEnvelopeFeed().facing); }, yes, no,
                    no});
    keys.push_back({"Envelope Feed", "Position", [] { return QString::number(ReadEnvelopeFeed().position); },
                    QStringLiteral("2"), no, no});
    keys.push_back({"Envelope Feed", "ClockWiseRotation",
                    [] { return Flag(ReadEnvelopeFeed().clockwiseRotation); }, no, yes, yes});

    keys.push_back({"Envelope Printer", "Printer", [] { return ReadEnvelopePrinter(1).printer; }, QString(),
                    QStringLiteral("PDF file"), QStringLiteral("PDF file")});
    keys.push_back({"Envelope Printer", "Bin", [] { return ReadEnvelopePrinter(1).bin; }, QString(),
                    QStringLiteral("Manual feed"), QStringLiteral("Manual feed")});
    keys.push_back({"Envelope Printer", "Paper", [] { return ReadEnvelopePrinter(1).paper; }, QString(),
                    QStringLiteral("Envelope #10"), QStringLiteral("Envelope #10")});
    // The default is the printer's current orientation, given by the caller.
    keys.push_back({"Envelope Printer", "Orientation",
                    [] { return QString::number(ReadEnvelopePrinter(1).orientation); }, yes, no, no});

    keys.push_back({"Dialing", "Prefix", [] { return ReadDialing().prefix; }, QString(), QStringLiteral("9,"),
                    QStringLiteral("9,")});
    keys.push_back({"Dialing", "Init", [] { return ReadDialing().init; }, QString(), QStringLiteral("ATZ"),
                    QStringLiteral("ATZ")});
    keys.push_back({"Dialing", "Port", [] { return QString::number(ReadDialing().port); }, no,
                    QStringLiteral("3"), QStringLiteral("3")});
    keys.push_back({"Dialing", "Method", [] { return QString::number(ReadDialing().method); }, no, yes, yes});
    return keys;
}

class PreferencesTest : public ::testing::Test {
protected:
    void TearDown() override { platform::Clock::useSystemTime(); }
    platform::IniFile settings() const { return platform::IniFile(platform::SettingsFile()); }
    QString stored(const char* section, const char* key) const
    {
        return settings().readString(QLatin1String(section), QLatin1String(key), QStringLiteral("<missing>"));
    }
    TempProgramDir home_;
};

TEST_F(PreferencesTest, EveryKeyHasItsDefaultAndReadsItsStoredValue)
{
    for (const KeyCase& c : AllKeys()) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(c.read(), c.defaultValue);
        // Keys compare without regard to case, as in any INI file.
        ASSERT_TRUE(settings().writeString(QLatin1String(c.section), QString::fromLatin1(c.key).toUpper(), c.stored));
        EXPECT_EQ(c.read(), c.readBack);
        ASSERT_TRUE(settings().eraseSection(QLatin1String(c.section)));
    }
}

TEST_F(PreferencesTest, TheAddingPreferencesAreWrittenAsAWhole)
{
    AddingPreferences preferences;
    preferences.plugDate = true;
    preferences.skipComments2 = true;
    preferences.carrySA2 = true;
    preferences.defaultCountry = QStringLiteral("USA");
    ASSERT_TRUE(WriteAddingPreferences(preferences));

    const QStringList keys = settings().readSection(QStringLiteral("Adding"));
    EXPECT_EQ(keys.size(), 29);
    for (const AddingFlag& flag : kAddingFlags) {
        const bool on = preferences.*flag.member;
        EXPECT_EQ(stored("Adding", flag.key), Flag(on)) << flag.key;
    }
    EXPECT_EQ(stored("Adding", "Skipcomments2"), "1");
    EXPECT_EQ(stored("Adding", "DefaultCountry"), "USA");

    const AddingPreferences read = ReadAddingPreferences();
    for (const AddingFlag& flag : kAddingFlags)
        EXPECT_EQ(read.*flag.member, preferences.*flag.member) << flag.key;
    EXPECT_EQ(read.defaultCountry, "USA");
}

TEST_F(PreferencesTest, AMissingTagIdIsMadeFromTheClockAndStoredAtOnce)
{
    platform::Clock::setFixed(QDateTime(QDate(1997, 4, 28), QTime(14, 5, 9)));
    EXPECT_EQ(ReadGlobalTagId(), QString());
    const Preferences preferences = LoadPreferences();
    EXPECT_EQ(preferences.globalTagId, "272WJBX");
    EXPECT_EQ(stored("Misc", "GlobalTagId"), "272WJBX");
    EXPECT_FALSE(preferences.gettingStarted);

    // A stored identifier is kept, however much later the program starts.
    platform::Clock::advance(3600 * 1000);
    EXPECT_EQ(LoadPreferences().globalTagId, "272WJBX");
    EXPECT_EQ(stored("Misc", "GlobalTagId"), "272WJBX");
}

TEST_F(PreferencesTest, AnUnusableTagIdIsReplaced)
{
    platform::Clock::setFixed(QDateTime(QDate(1997, 4, 28), QTime(14, 5, 9)));
    // Empty would match every untagged record; nine characters fit no TAG field.
    for (const char* bad : {"", "123456789"}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(settings().writeString(QStringLiteral("Misc"), QStringLiteral("GlobalTagId"), QLatin1String(bad)));
        EXPECT_EQ(LoadPreferences().globalTagId, "272WJBX");
        EXPECT_EQ(stored("Misc", "GlobalTagId"), "272WJBX");
    }
    ASSERT_TRUE(SaveTagPref(QStringLiteral("12345678")));
    EXPECT_EQ(LoadPreferences().globalTagId, "12345678");
}

TEST_F(PreferencesTest, ChoicesOutOfRangeReadAsTheirDefaults)
{
    struct Case {
        const char* section;
        const char* key;
        const char* stored;
        std::function<int()> read;
        int expected;
    } cases[] = {
        {"Dialing", "Port", "4", [] { return ReadDialing().port; }, 0},
        {"Dialing", "Port", "-1", [] { return ReadDialing().port; }, 0},
        {"Dialing", "Method", "2", [] { return ReadDialing().method; }, 0},
        {"Envelope Feed", "Orientation", "2", [] { return ReadEnvelopeFeed().orientation; }, 1},
        {"Envelope Feed", "Facing", "-1", [] { return ReadEnvelopeFeed().facing; }, 1},
        {"Envelope Feed", "Position", "3", [] { return ReadEnvelopeFeed().position; }, 2},
        {"Letter", "DefaultFontSize", "0", [] { return ReadDefaultFont(kLetterSection).pointSize; }, 10},
        {"Label", "DefaultFontSize", "-8", [] { return ReadDefaultFont(kLabelSection).pointSize; }, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + "=" + c.stored);
        ASSERT_TRUE(settings().writeString(QLatin1String(c.section), QLatin1String(c.key), QLatin1String(c.stored)));
        EXPECT_EQ(c.read(), c.expected);
    }
}

TEST_F(PreferencesTest, TheOtherGroupsAreWrittenWhole)
{
    DefaultFontPreference font;
    font.name = QStringLiteral("Times New Roman");
    font.pointSize = 12;
    font.italic = true;
    ASSERT_TRUE(WriteDefaultFont(kLabelSection, font));
    EXPECT_EQ(stored("Label", "DefaultFontName"), "Times New Roman");
    EXPECT_EQ(stored("Label", "DefaultFontSize"), "12");
    EXPECT_EQ(stored("Label", "DefaultFontBold"), "0");
    EXPECT_EQ(stored("Label", "DefaultFontItalic"), "1");
    EXPECT_EQ(stored("Letter", "DefaultFontName"), "<missing>");

    EnvelopeFeedPreference feed;
    feed.position = 0;
    feed.clockwiseRotation = true;
    ASSERT_TRUE(WriteEnvelopeFeed(feed));
    EXPECT_EQ(stored("Envelope Feed", "Orientation"), "1");
    EXPECT_EQ(stored("Envelope Feed", "Facing"), "1");
    EXPECT_EQ(stored("Envelope Feed", "Position"), "0");
    EXPECT_EQ(stored("Envelope Feed", "ClockWiseRotation"), "1");

    EnvelopePrinterPreference printer;
    printer.printer = QStringLiteral("PDF file");
    printer.orientation = 1;
    ASSERT_TRUE(WriteEnvelopePrinter(printer));
    EXPECT_EQ(stored("Envelope Printer", "Printer"), "PDF file");
    EXPECT_EQ(stored("Envelope Printer", "Bin"), "");
    EXPECT_EQ(stored("Envelope Printer", "Paper"), "");
    EXPECT_EQ(stored("Envelope Printer", "Orientation"), "1");
    EXPECT_EQ(ReadEnvelopePrinter(0).orientation, 1);

    DialingPreference dialing;
    dialing.prefix = QStringLiteral("1-");
    dialing.port = 2;
    ASSERT_TRUE(WriteDialing(dialing));
    EXPECT_EQ(stored("Dialing", "Prefix"), "1-");
    EXPECT_EQ(stored("Dialing", "Init"), "");
    EXPECT_EQ(stored("Dialing", "Port"), "2");
    EXPECT_EQ(stored("Dialing", "Method"), "0");

    EXPECT_TRUE(WriteGettingStarted(true));
    EXPECT_EQ(stored("Misc", "GettingStarted"), "1");
    EXPECT_TRUE(ReadGettingStarted());
}

TEST_F(PreferencesTest, WritersReportAnUnwritableSettingsFile)
{
    ASSERT_TRUE(QDir().mkpath(platform::SettingsFile()));
    EXPECT_FALSE(WriteAddingPreferences(AddingPreferences()));
    EXPECT_FALSE(SaveTagPref(QStringLiteral("ABC")));
    EXPECT_FALSE(WriteGettingStarted(true));
    EXPECT_FALSE(WriteDialing(DialingPreference()));
    // Reading still gives the defaults.
    EXPECT_FALSE(ReadAddingPreferences().plugDate);
    EXPECT_EQ(ReadDefaultFont(kLetterSection).name, "Arial");
}

}  // namespace

#include "data/Preferences.h"

#include "data/TagId.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

namespace data {

namespace {

const QString kAdding = QStringLiteral("Adding");
const QString kMisc = QStringLiteral("Misc");
const QString kEnvelopeFeed = QStringLiteral("Envelope Feed");
const QString kEnvelopePrinter = QStringLiteral("Envelope Printer");
const QString kDialing = QStringLiteral("Dialing");

// The width of an address record's TAG field: an identifier that does not
// fit could never be written into a record.
constexpr int kTagIdMaxLength = 8;

platform::IniFile Settings()
{
    return platform::IniFile(platform::SettingsFile());
}

// The integer under key when it lies in first..last, else the default.
int ReadChoice(const platform::IniFile& settings, const QString& section, const QString& key,
               int defaultValue, int first, int last)
{
    const int value = settings.readInteger(section, key, defaultValue);
    return value < first || value > last ? defaultValue : value;
}

}  // namespace

const std::array<AddingFlag, kAddingFlagCount> kAddingFlags = {{
    {"PlugDate", &AddingPreferences::plugDate},
    {"PlugCityState", &AddingPreferences::plugCityState},
    {"AutoDupCheck", &AddingPreferences::autoDupCheck},
    {"CarryOrg", &AddingPreferences::carryOrg},
    {"CarrySA1", &AddingPreferences::carrySA1},
    {"CarrySA2", &AddingPreferences::carrySA2},
    {"CarryCity", &AddingPreferences::carryCity},
    {"CarryState", &AddingPreferences::carryState},
    {"CarryZip", &AddingPreferences::carryZip},
    {"CarryCountry", &AddingPreferences::carryCountry},
    {"SkipOrganization", &AddingPreferences::skipOrganization},
    {"SkipPhone1", &AddingPreferences::skipPhone1},
    {"SkipEmail", &AddingPreferences::skipEmail},
    {"SkipState", &AddingPreferences::skipState},
    {"SkipZip", &AddingPreferences::skipZip},
    {"SkipCountry", &AddingPreferences::skipCountry},
    {"SkipAddress2", &AddingPreferences::skipAddress2},
    {"SkipLastName", &AddingPreferences::skipLastName},
    {"SkipMiddleInitial", &AddingPreferences::skipMiddleInitial},
    {"SkipfirstName", &AddingPreferences::skipFirstName},
    {"Skiptitle", &AddingPreferences::skipTitle},
    {"SkipPhone2", &AddingPreferences::skipPhone2},
    {"SkipFax", &AddingPreferences::skipFax},
    {"SkipCodes", &AddingPreferences::skipCodes},
    {"SkipPrefix", &AddingPreferences::skipPrefix},
    {"SkipComments1", &AddingPreferences::skipComments1},
    {"SkipDate", &AddingPreferences::skipDate},
    {"Skipcomments2", &AddingPreferences::skipComments2},
}};

const QString kLetterSection = QStringLiteral("Letter");
const QString kLabelSection = QStringLiteral("Label");

AddingPreferences ReadAddingPreferences()
{
    const platform::IniFile settings = Settings();
    AddingPreferences preferences;
    for (const AddingFlag& flag : kAddingFlags)
        preferences.*flag.member = settings.readBool(kAdding, QLatin1String(flag.key), false);
    preferences.defaultCountry = settings.readString(kAdding, QStringLiteral("DefaultCountry"));
    return preferences;
}

bool WriteAddingPreferences(const AddingPreferences& preferences)
{
    platform::IniFile settings = Settings();
    bool written = true;
    for (const AddingFlag& flag : kAddingFlags)
        written = settings.writeBool(kAdding, QLatin1String(flag.key), preferences.*flag.member) && written;
    written = settings.writeString(kAdding, QStringLiteral("DefaultCountry"), preferences.defaultCountry) && written;
    return written;
}

bool ReadGettingStarted()
{
    return Settings().readBool(kMisc, QStringLiteral("GettingStarted"), false);
}

bool WriteGettingStarted(bool doNotShow)
{
    return Settings().writeBool(kMisc, QStringLiteral("GettingStarted"), doNotShow);
}

QString ReadGlobalTagId()
{
    const QString id = Settings().readString(kMisc, QStringLiteral("GlobalTagId"));
    // An empty identifier would count every untagged record (empty TAG) as
    // tagged; a longer one could never be stored in a record.
    if (id.isEmpty() || id.size() > kTagIdMaxLength)
        return QString();
    return id;
}

bool SaveTagPref(const QString& tagId)
{
    return Settings().writeString(kMisc, QStringLiteral("GlobalTagId"), tagId);
}

Preferences LoadPreferences()
{
    Preferences preferences;
    preferences.adding = ReadAddingPreferences();
    preferences.gettingStarted = ReadGettingStarted();
    preferences.globalTagId = ReadGlobalTagId();
    if (preferences.globalTagId.isEmpty())
        preferences.globalTagId = NewTagId();
    // A failed write changes nothing for this run: the identifier holds in
    // memory, and the next start makes a new one as after Clear Tags.
    SaveTagPref(preferences.globalTagId);
    return preferences;
}

DefaultFontPreference ReadDefaultFont(const QString& section)
{
    const platform::IniFile settings = Settings();
    DefaultFontPreference font;
    font.name = settings.readString(section, QStringLiteral("DefaultFontName"), font.name);
    font.pointSize = settings.readInteger(section, QStringLiteral("DefaultFontSize"), font.pointSize);
    if (font.pointSize < 1)
        font.pointSize = DefaultFontPreference().pointSize;
    font.bold = settings.readBool(section, QStringLiteral("DefaultFontBold"), font.bold);
    font.italic = settings.readBool(section, QStringLiteral("DefaultFontItalic"), font.italic);
    return font;
}

bool WriteDefaultFont(const QString& section, const DefaultFontPreference& font)
{
    platform::IniFile settings = Settings();
    bool written = settings.writeString(section, QStringLiteral("DefaultFontName"), font.name);
    written = settings.writeInteger(section, QStringLiteral("DefaultFontSize"), font.pointSize) && written;
    written = settings.writeBool(section, QStringLiteral("DefaultFontBold"), font.bold) && written;
    written = settings.writeBool(section, QStringLiteral("DefaultFontItalic"), font.italic) && written;
    return written;
}

EnvelopeFeedPreference ReadEnvelopeFeed()
{
    const platform::IniFile settings = Settings();
    const EnvelopeFeedPreference defaults;
    EnvelopeFeedPreference feed;
    feed.orientation = ReadChoice(settings, kEnvelopeFeed, QStringLiteral("Orientation"), defaults.orientation, 0, 1);
    feed.facing = ReadChoice(settings, kEnvelopeFeed, QStringLiteral("Facing"), defaults.facing, 0, 1);
    feed.position = ReadChoice(settings, kEnvelopeFeed, QStringLiteral("Position"), defaults.position, 0, 2);
    feed.clockwiseRotation =
        settings.readBool(kEnvelopeFeed, QStringLiteral("ClockWiseRotation"), defaults.clockwiseRotation);
    return feed;
}

bool WriteEnvelopeFeed(const EnvelopeFeedPreference& feed)
{
    platform::IniFile settings = Settings();
    bool written = settings.writeInteger(kEnvelopeFeed, QStringLiteral("Orientation"), feed.orientation);
    written = settings.writeInteger(kEnvelopeFeed, QStringLiteral("Facing"), feed.facing) && written;
    written = settings.writeInteger(kEnvelopeFeed, QStringLiteral("Position"), feed.position) && written;
    written = settings.writeBool(kEnvelopeFeed, QStringLiteral("ClockWiseRotation"), feed.clockwiseRotation)
              && written;
    return written;
}

EnvelopePrinterPreference ReadEnvelopePrinter(int currentOrientation)
{
    const platform::IniFile settings = Settings();
    EnvelopePrinterPreference printer;
    printer.printer = settings.readString(kEnvelopePrinter, QStringLiteral("Printer"));
    printer.bin = settings.readString(kEnvelopePrinter, QStringLiteral("Bin"));
    printer.paper = settings.readString(kEnvelopePrinter, QStringLiteral("Paper"));
    printer.orientation = settings.readInteger(kEnvelopePrinter, QStringLiteral("Orientation"), currentOrientation);
    return printer;
}

bool WriteEnvelopePrinter(const EnvelopePrinterPreference& printer)
{
    platform::IniFile settings = Settings();
    bool written = settings.writeString(kEnvelopePrinter, QStringLiteral("Printer"), printer.printer);
    written = settings.writeString(kEnvelopePrinter, QStringLiteral("Bin"), printer.bin) && written;
    written = settings.writeString(kEnvelopePrinter, QStringLiteral("Paper"), printer.paper) && written;
    written = settings.writeInteger(kEnvelopePrinter, QStringLiteral("Orientation"), printer.orientation) && written;
    return written;
}

DialingPreference ReadDialing()
{
    const platform::IniFile settings = Settings();
    DialingPreference dialing;
    dialing.prefix = settings.readString(kDialing, QStringLiteral("Prefix"));
    dialing.init = settings.readString(kDialing, QStringLiteral("Init"));
    dialing.port = ReadChoice(settings, kDialing, QStringLiteral("Port"), 0, 0, 3);
    dialing.method = ReadChoice(settings, kDialing, QStringLiteral("Method"), 0, 0, 1);
    return dialing;
}

bool WriteDialing(const DialingPreference& dialing)
{
    platform::IniFile settings = Settings();
    bool written = settings.writeString(kDialing, QStringLiteral("Prefix"), dialing.prefix);
    written = settings.writeString(kDialing, QStringLiteral("Init"), dialing.init) && written;
    written = settings.writeInteger(kDialing, QStringLiteral("Port"), dialing.port) && written;
    written = settings.writeInteger(kDialing, QStringLiteral("Method"), dialing.method) && written;
    return written;
}

}  // namespace data

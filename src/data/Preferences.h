#pragma once
// Preferences: the program's remembered choices in the settings file
// (platform::SettingsFile(), read and written through platform::IniFile),
// as typed values with their defaults. Every read goes to the file again,
// so two windows always see each other's writes; a missing file or key
// gives the default. Writers return false when the settings file could not
// be written; they write every key of their group.
//
// Owned elsewhere and not here: the recent-files list ("MRU", the main
// window), window placement (platform FormPlacement) and the widths of new
// files (NewFieldLengths.h).
#include <QString>

#include <array>

namespace data {

// --- "Adding": how the main window adds new records --------------------------

struct AddingPreferences {
    bool plugDate = false;       // enter today's date in the date field
    bool plugCityState = false;  // fill city and state from the ZIP code
    bool autoDupCheck = false;   // check for duplicate names
    QString defaultCountry;      // at most kDefaultCountryLength characters

    // Carry these fields forward from the previous record.
    bool carryOrg = false;
    bool carrySA1 = false;
    bool carrySA2 = false;
    bool carryCity = false;
    bool carryState = false;
    bool carryZip = false;
    bool carryCountry = false;

    // Skip these fields when tabbing through a new record.
    bool skipOrganization = false;
    bool skipPhone1 = false;
    bool skipEmail = false;
    bool skipState = false;
    bool skipZip = false;
    bool skipCountry = false;
    bool skipAddress2 = false;
    bool skipLastName = false;
    bool skipMiddleInitial = false;
    bool skipFirstName = false;
    bool skipTitle = false;
    bool skipPhone2 = false;
    bool skipFax = false;
    bool skipCodes = false;
    bool skipPrefix = false;
    bool skipComments1 = false;
    bool skipDate = false;
    bool skipComments2 = false;
};

constexpr int kDefaultCountryLength = 30;

// One flag of section "Adding": its key as stored (letter case included)
// and the member that holds it.
struct AddingFlag {
    const char* key;
    bool AddingPreferences::*member;
};
constexpr int kAddingFlagCount = 28;
// The flags in the order of the settings table: the three adding options,
// the seven carry flags, the eighteen skip flags.
extern const std::array<AddingFlag, kAddingFlagCount> kAddingFlags;

AddingPreferences ReadAddingPreferences();
bool WriteAddingPreferences(const AddingPreferences& preferences);

// --- "Misc" ---------------------------------------------------------------

// "GettingStarted": true when the getting-started window is not to be shown
// at start.
bool ReadGettingStarted();
bool WriteGettingStarted(bool doNotShow);

// "GlobalTagId" as stored, or empty when it is missing or cannot be a tag
// identifier (empty or longer than the TAG field).
QString ReadGlobalTagId();
// Stores the tagging identifier.
bool SaveTagPref(const QString& tagId);

// What the main window reads at its first activation and after the
// preferences dialog.
struct Preferences {
    AddingPreferences adding;
    bool gettingStarted = false;
    QString globalTagId;
};
// Reads "Adding", "Misc"/"GettingStarted" and "Misc"/"GlobalTagId"; a
// missing identifier is replaced by a new one (NewTagId). The identifier is
// written back at once, so that it survives the run even when the program
// ends without writing settings again.
Preferences LoadPreferences();

// --- "Letter", "Label": the default font of the designers ------------------

struct DefaultFontPreference {
    QString name = QStringLiteral("Arial");
    int pointSize = 10;
    bool bold = false;
    bool italic = false;
};

extern const QString kLetterSection;  // "Letter"
extern const QString kLabelSection;   // "Label"

// A size below one point reads as the default.
DefaultFontPreference ReadDefaultFont(const QString& section);
bool WriteDefaultFont(const QString& section, const DefaultFontPreference& font);

// --- "Envelope Feed", "Envelope Printer" -----------------------------------

struct EnvelopeFeedPreference {
    int orientation = 1;  // 0 portrait, 1 landscape
    int facing = 1;       // 0 up, 1 down
    int position = 2;     // 0 left, 1 right, 2 center
    bool clockwiseRotation = false;
};

// A value outside its range reads as its default (it picks a radio button).
EnvelopeFeedPreference ReadEnvelopeFeed();
bool WriteEnvelopeFeed(const EnvelopeFeedPreference& feed);

struct EnvelopePrinterPreference {
    QString printer;  // empty: the current printer
    QString bin;      // empty: the current bin
    QString paper;    // empty: the current paper
    int orientation = 0;  // 0 portrait, anything else landscape
};

// `currentOrientation` is the printer's, the default of "Orientation".
EnvelopePrinterPreference ReadEnvelopePrinter(int currentOrientation);
bool WriteEnvelopePrinter(const EnvelopePrinterPreference& printer);

// --- "Dialing" ----------------------------------------------------------------

struct DialingPreference {
    QString prefix;
    QString init;    // the modem's initialization string
    int port = 0;    // 0 = COM 1 ... 3 = COM 4
    int method = 0;  // 0 tone, 1 pulse
};

// A port or method outside its range reads as 0.
DialingPreference ReadDialing();
bool WriteDialing(const DialingPreference& dialing);

}  // namespace data

#include "data/NewFieldLengths.h"

#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

namespace data {

namespace {

const QString kSection = QStringLiteral("NewFileFieldLengths");

// The width range a stored setting may hold; anything else is not trusted.
constexpr int kClampMinimum = 5;
constexpr int kClampMaximum = 80;
// The Defaults button gives a narrower fax number than a missing key does.
constexpr int kResetFaxWidth = 30;

QString KeyOf(size_t field)
{
    return QStringLiteral("Field") + QLatin1String(kLengthFieldNames[field]);
}

}  // namespace

const std::array<const char*, kAdjustableFieldCount> kLengthFieldNames = {
    "LNAME", "FNAME", "PREFIX", "TITLE", "ORG",   "STREET", "STREET2", "CITY",  "STATE",
    "ZIP",   "COUNTRY", "PHONE", "PHONE2", "FAX", "EMAIL",  "CODES",   "USER1", "USER2",
};

const std::array<int, kAdjustableFieldCount> kDefaultFieldLengths = {
    30, 30, 12, 30, 30, 40, 40, 30, 20, 10, 30, 30, 30, 40, 40, 30, 40, 40,
};

NewFieldLengths::NewFieldLengths() : widths(kDefaultFieldLengths) {}

NewFieldLengths& CurrentNewFieldLengths()
{
    static NewFieldLengths lengths;
    return lengths;
}

QString NewFieldLengthKey(int field)
{
    return KeyOf(static_cast<size_t>(field));
}

void ReadNewFieldLengths(NewFieldLengths& lengths)
{
    const platform::IniFile settings(platform::SettingsFile());
    for (size_t i = 0; i < lengths.widths.size(); ++i)
        lengths.widths[i] = settings.readInteger(kSection, KeyOf(i), kDefaultFieldLengths[i]);
    ClampNewFieldLengths(lengths);
}

bool WriteNewFieldLengths(NewFieldLengths& lengths)
{
    ClampNewFieldLengths(lengths);
    platform::IniFile settings(platform::SettingsFile());
    bool written = true;
    for (size_t i = 0; i < lengths.widths.size(); ++i)
        written = settings.writeInteger(kSection, KeyOf(i), lengths.widths[i]) && written;
    return written;
}

void ResetNewFieldLengths(NewFieldLengths& lengths)
{
    lengths.widths = kDefaultFieldLengths;
    lengths[lfFAX] = kResetFaxWidth;
}

void ClampNewFieldLengths(NewFieldLengths& lengths)
{
    for (size_t i = 0; i < lengths.widths.size(); ++i) {
        if (lengths.widths[i] < kClampMinimum || lengths.widths[i] > kClampMaximum)
            lengths.widths[i] = kDefaultFieldLengths[i];
    }
}

}  // namespace data

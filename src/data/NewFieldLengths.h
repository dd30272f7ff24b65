#pragma once
// NewFieldLengths: the widths given to the 18 adjustable character fields of
// a new address file, kept for the process and in the settings file section
// "NewFileFieldLengths".
#include <array>

#include <QString>

namespace data {

constexpr int kAdjustableFieldCount = 18;

// The adjustable fields in the order of the settings keys.
enum LengthField {
    lfLNAME, lfFNAME, lfPREFIX, lfTITLE, lfORG, lfSTREET, lfSTREET2, lfCITY, lfSTATE,
    lfZIP, lfCOUNTRY, lfPHONE, lfPHONE2, lfFAX, lfEMAIL, lfCODES, lfUSER1, lfUSER2,
};

struct NewFieldLengths {
    std::array<int, kAdjustableFieldCount> widths;
    NewFieldLengths();  // the defaults

    int& operator[](int field) { return widths[static_cast<size_t>(field)]; }
    int operator[](int field) const { return widths[static_cast<size_t>(field)]; }
};

// Field names without the "Field" prefix of their keys, in LengthField order.
extern const std::array<const char*, kAdjustableFieldCount> kLengthFieldNames;
// Defaults of the settings (a missing or out-of-range key).
extern const std::array<int, kAdjustableFieldCount> kDefaultFieldLengths;

// The settings key of a field: "Field" + its name ("FieldLNAME").
QString NewFieldLengthKey(int field);

// The widths of this process (the dialogs read and change them).
NewFieldLengths& CurrentNewFieldLengths();
// Reads the 18 keys with their defaults, then clamps.
void ReadNewFieldLengths(NewFieldLengths& lengths);
// Clamps, then writes all 18 keys. False when the settings file could not
// be written (the widths in `lengths` are still the clamped ones).
bool WriteNewFieldLengths(NewFieldLengths& lengths);
// The Defaults button: the defaults, except FAX 30.
void ResetNewFieldLengths(NewFieldLengths& lengths);
// Any width below 5 or above 80 becomes the field's default.
void ClampNewFieldLengths(NewFieldLengths& lengths);

}  // namespace data

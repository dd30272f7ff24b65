// The widths of new address files: their defaults, the settings keys they
// are kept under, the clamp on reading and writing, and the Defaults values.
#include <gtest/gtest.h>

#include <QDir>

#include "data/NewFieldLengths.h"
#include "platform/TempProgramDir.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"

using namespace data;

namespace {

const QString kSection = QStringLiteral("NewFileFieldLengths");

struct KeyCase {
    LengthField field;
    const char* key;
    int defaultWidth;
};

const KeyCase kKeys[] = {
    {lfLNAME, "FieldLNAME", 30},   {lfFNAME, "FieldFNAME", 30},     {lfPREFIX, "FieldPREFIX", 12},
    {lfTITLE, "FieldTITLE", 30},   {lfORG, "FieldORG", 30},         {lfSTREET, "FieldSTREET", 40},
    {lfSTREET2, "FieldSTREET2", 40}, {lfCITY, "FieldCITY", 30},     {lfSTATE, "FieldSTATE", 20},
    {lfZIP, "FieldZIP", 10},       {lfCOUNTRY, "FieldCOUNTRY", 30}, {lfPHONE, "FieldPHONE", 30},
    {lfPHONE2, "FieldPHONE2", 30}, {lfFAX, "FieldFAX", 40},         {lfEMAIL, "FieldEMAIL", 40},
    {lfCODES, "FieldCODES", 30},   {lfUSER1, "FieldUSER1", 40},     {lfUSER2, "FieldUSER2", 40},
};

class NewFieldLengthsTest : public ::testing::Test {
protected:
    platform::IniFile settings() const { return platform::IniFile(platform::SettingsFile()); }
    TempProgramDir home_;
};

TEST_F(NewFieldLengthsTest, EveryKeyReadsItsDefaultWithoutASettingsFile)
{
    NewFieldLengths lengths;
    lengths.widths.fill(77);
    ReadNewFieldLengths(lengths);
    for (const KeyCase& c : kKeys) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(NewFieldLengthKey(c.field), QLatin1String(c.key));
        EXPECT_EQ(lengths[c.field], c.defaultWidth);
        EXPECT_EQ(NewFieldLengths()[c.field], c.defaultWidth);
    }
}

TEST_F(NewFieldLengthsTest, WritesAndReadsBackEveryKey)
{
    NewFieldLengths written;
    for (const KeyCase& c : kKeys)
        written[c.field] = 10 + c.field * 3;  // all different, all in range
    ASSERT_TRUE(WriteNewFieldLengths(written));
    for (const KeyCase& c : kKeys)
        EXPECT_EQ(settings().readInteger(kSection, QLatin1String(c.key), -1), 10 + c.field * 3) << c.key;

    NewFieldLengths read;
    ReadNewFieldLengths(read);
    EXPECT_EQ(read.widths, written.widths);
}

TEST_F(NewFieldLengthsTest, OutOfRangeWidthsBecomeTheirDefaults)
{
    struct Case {
        const char* stored;
        int expected;  // as the LNAME width, default 30
    } cases[] = {
        {"4", 30}, {"5", 5}, {"80", 80}, {"81", 30}, {"-1", 30}, {"0", 30}, {"abc", 30}, {"", 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(settings().writeString(kSection, QStringLiteral("FieldLNAME"), QLatin1String(c.stored)));
        NewFieldLengths lengths;
        ReadNewFieldLengths(lengths);
        EXPECT_EQ(lengths[lfLNAME], c.expected);
    }
}

TEST_F(NewFieldLengthsTest, WritingClampsFirst)
{
    NewFieldLengths lengths;
    lengths[lfZIP] = 4;
    lengths[lfFAX] = 99;
    lengths[lfCITY] = 80;
    ASSERT_TRUE(WriteNewFieldLengths(lengths));
    EXPECT_EQ(lengths[lfZIP], 10);
    EXPECT_EQ(lengths[lfFAX], 40);
    EXPECT_EQ(settings().readInteger(kSection, QStringLiteral("FieldZIP"), -1), 10);
    EXPECT_EQ(settings().readInteger(kSection, QStringLiteral("FieldFAX"), -1), 40);
    EXPECT_EQ(settings().readInteger(kSection, QStringLiteral("FieldCITY"), -1), 80);
}

TEST_F(NewFieldLengthsTest, DefaultsGiveFax30ButDeletedKeysGiveFax40)
{
    NewFieldLengths lengths;
    lengths.widths.fill(50);
    ResetNewFieldLengths(lengths);
    for (const KeyCase& c : kKeys)
        EXPECT_EQ(lengths[c.field], c.field == lfFAX ? 30 : c.defaultWidth) << c.key;

    ASSERT_TRUE(WriteNewFieldLengths(lengths));
    ReadNewFieldLengths(lengths);
    EXPECT_EQ(lengths[lfFAX], 30);
    ASSERT_TRUE(settings().eraseSection(kSection));
    ReadNewFieldLengths(lengths);
    EXPECT_EQ(lengths[lfFAX], 40);
}

TEST_F(NewFieldLengthsTest, AnUnwritableSettingsFileIsReported)
{
    // A folder where the settings file should be: nothing can be written.
    ASSERT_TRUE(QDir().mkpath(platform::SettingsFile()));
    NewFieldLengths lengths;
    EXPECT_FALSE(WriteNewFieldLengths(lengths));
}

}  // namespace

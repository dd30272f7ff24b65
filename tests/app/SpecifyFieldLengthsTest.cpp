// The dialog "Specify Field Lengths": its boxes and labels, the rule applied
// when a box is left, Defaults, and what Ok stores and writes.
#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/TSpecifyFieldLengths.h"
#include "data/NewFieldLengths.h"
#include "platform/TempProgramDir.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/ScriptedUserInterface.h"

using app::TSpecifyFieldLengths;
using namespace data;

namespace {

class SpecifyFieldLengthsTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentNewFieldLengths() = NewFieldLengths(); }
    void TearDown() override { CurrentNewFieldLengths() = NewFieldLengths(); }

    static QPushButton* button(const QWidget& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }
    // Shows the dialog as the active window, so that focus moves for real.
    static void showActive(TSpecifyFieldLengths& dialog)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface user_;
};

TEST_F(SpecifyFieldLengthsTest, ShowsABoxForEachFieldWithItsLabel)
{
    const std::pair<LengthField, const char*> labels[] = {
        {lfFNAME, "First Name"}, {lfLNAME, "Last Name"},     {lfPREFIX, "Prefix"},     {lfTITLE, "Title"},
        {lfORG, "Organization"}, {lfSTREET, "Address #1"},   {lfSTREET2, "Address #2"}, {lfCITY, "City"},
        {lfSTATE, "State"},      {lfZIP, "Zip/Postal"},      {lfCOUNTRY, "Country"},   {lfPHONE, "Phone #1"},
        {lfPHONE2, "Phone #2"},  {lfFAX, "Fax"},             {lfEMAIL, "E-Mail"},      {lfCODES, "Codes"},
        {lfUSER1, "Comments #1"}, {lfUSER2, "Comments #2"},
    };
    CurrentNewFieldLengths()[lfCITY] = 66;
    TSpecifyFieldLengths dialog;
    EXPECT_EQ(dialog.windowTitle(), "Specify Field Lengths");
    for (const auto& [field, text] : labels) {
        SCOPED_TRACE(text);
        QLineEdit* box = dialog.findChild<QLineEdit*>(NewFieldLengthKey(field));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box, dialog.box(field));
        EXPECT_EQ(box->text().toInt(), CurrentNewFieldLengths()[field]);
        const auto labelsOfBox = dialog.findChildren<QLabel*>();
        const auto label = std::find_if(labelsOfBox.begin(), labelsOfBox.end(),
                                        [box](const QLabel* l) { return l->buddy() == box; });
        ASSERT_NE(label, labelsOfBox.end());
        EXPECT_EQ((*label)->text(), text);
    }
    EXPECT_EQ(dialog.box(lfCITY)->text(), "66");
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("NoteLabel"))->text(),
              "NOTE: Minimum size = 10 characters                  Maximum size = 80 characters");
    EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("UseForAllCheckBox"))->text(),
              "Use these settings for all new databases");
    EXPECT_FALSE(dialog.findChild<QCheckBox*>(QStringLiteral("UseForAllCheckBox"))->isChecked());
    for (const auto& [name, caption] : {std::pair{"OkButton", "Ok"}, std::pair{"HelpButton", "Help"},
                                        std::pair{"CancelButton", "Cancel"}, std::pair{"DefaultsButton", "Defaults"}})
        EXPECT_EQ(button(dialog, name)->text(), caption) << name;
}

TEST_F(SpecifyFieldLengthsTest, LeavingABoxKeepsOnlyAWidthFrom10To80)
{
    struct Case {
        const char* typed;
        const char* after;
    } cases[] = {
        {"9", "30"}, {"81", "30"}, {"abc", "30"}, {"", "30"}, {"-20", "30"},
        {"10", "10"}, {"80", "80"}, {"55", "55"},
    };
    TSpecifyFieldLengths dialog;
    showActive(dialog);
    QLineEdit* title = dialog.box(lfTITLE);  // shows 30
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        title->setFocus();
        ASSERT_TRUE(title->hasFocus());
        title->selectAll();
        QTest::keyClicks(title, QLatin1String(c.typed));
        if (!*c.typed)
            title->clear();
        QTest::keyClick(title, Qt::Key_Tab);
        EXPECT_FALSE(title->hasFocus());
        EXPECT_EQ(title->text(), c.after);
        title->setText(QStringLiteral("30"));
    }
}

TEST_F(SpecifyFieldLengthsTest, EnterMovesToTheNextBoxAndAppliesTheRule)
{
    TSpecifyFieldLengths dialog;
    showActive(dialog);
    dialog.box(lfFNAME)->setFocus();
    dialog.box(lfFNAME)->setText(QStringLiteral("99"));
    QTest::keyClick(dialog.box(lfFNAME), Qt::Key_Return);
    EXPECT_TRUE(dialog.box(lfLNAME)->hasFocus());
    EXPECT_EQ(dialog.box(lfFNAME)->text(), "30");
    EXPECT_TRUE(dialog.isVisible());  // Enter did not press Ok
}

TEST_F(SpecifyFieldLengthsTest, OkStoresTheWidthsAndWritesThemOnlyWhenTicked)
{
    {
        TSpecifyFieldLengths dialog;
        dialog.box(lfZIP)->setText(QStringLiteral("15"));
        dialog.box(lfORG)->setText(QStringLiteral("200"));  // never left: Ok applies the rule
        button(dialog, "OkButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(CurrentNewFieldLengths()[lfZIP], 15);
    EXPECT_EQ(CurrentNewFieldLengths()[lfORG], 30);
    EXPECT_FALSE(QFile::exists(platform::SettingsFile()));

    {
        TSpecifyFieldLengths dialog;
        EXPECT_EQ(dialog.box(lfZIP)->text(), "15");
        dialog.box(lfUSER2)->setText(QStringLiteral("80"));
        dialog.findChild<QCheckBox*>(QStringLiteral("UseForAllCheckBox"))->setChecked(true);
        button(dialog, "OkButton")->click();
    }
    const platform::IniFile settings(platform::SettingsFile());
    const QString section = QStringLiteral("NewFileFieldLengths");
    EXPECT_EQ(settings.readSection(section).size(), kAdjustableFieldCount);
    EXPECT_EQ(settings.readInteger(section, QStringLiteral("FieldZIP"), -1), 15);
    EXPECT_EQ(settings.readInteger(section, QStringLiteral("FieldUSER2"), -1), 80);
    EXPECT_EQ(settings.readInteger(section, QStringLiteral("FieldLNAME"), -1), 30);
    EXPECT_TRUE(user_.shown().empty());
}

TEST_F(SpecifyFieldLengthsTest, DefaultsShowsTheStandardWidthsWithFax30)
{
    CurrentNewFieldLengths().widths.fill(70);
    TSpecifyFieldLengths dialog;
    showActive(dialog);
    button(dialog, "DefaultsButton")->click();
    for (int field = 0; field < kAdjustableFieldCount; ++field) {
        const int expected = field == lfFAX ? 30 : kDefaultFieldLengths[size_t(field)];
        EXPECT_EQ(dialog.box(LengthField(field))->text().toInt(), expected) << kLengthFieldNames[size_t(field)];
    }
    // The defaults are now what a box falls back to.
    QLineEdit* fax = dialog.box(lfFAX);
    fax->setFocus();
    fax->setText(QStringLiteral("abc"));
    QTest::keyClick(fax, Qt::Key_Tab);
    EXPECT_EQ(fax->text(), "30");

    // Cancel keeps the widths as they were.
    button(dialog, "CancelButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(CurrentNewFieldLengths()[lfFAX], 70);
    EXPECT_FALSE(QFile::exists(platform::SettingsFile()));
}

TEST_F(SpecifyFieldLengthsTest, AFailedWriteIsReported)
{
    ASSERT_TRUE(QDir().mkpath(platform::SettingsFile()));
    TSpecifyFieldLengths dialog;
    dialog.findChild<QCheckBox*>(QStringLiteral("UseForAllCheckBox"))->setChecked(true);
    dialog.box(lfZIP)->setText(QStringLiteral("12"));
    button(dialog, "OkButton")->click();
    EXPECT_EQ(user_.messageTexts(),
              QStringList{QStringLiteral("Unable to save the field lengths in ") + platform::SettingsFile()});
    EXPECT_EQ(CurrentNewFieldLengths()[lfZIP], 12);  // still used for the files created now
}

}  // namespace

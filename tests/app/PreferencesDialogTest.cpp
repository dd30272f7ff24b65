// The dialog "Preferences": its captions, and that it reads every key on
// opening, writes every key on Ok and nothing on Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/TPreferences.h"
#include "data/Preferences.h"
#include "platform/TempProgramDir.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/ScriptedUserInterface.h"

using app::TPreferences;

namespace {

struct FlagCase {
    const char* key;
    const char* caption;
    const char* group;  // objectName of its group box, "" for none
};

const FlagCase kFlags[] = {
    {"PlugDate", "Enter today's date in the date field", ""},
    {"PlugCityState", "Automatically insert city and state/province", ""},
    {"AutoDupCheck", "Automatically check for duplicate names", ""},
    {"CarryOrg", "Organization", "CarryGroup"},
    {"CarrySA1", "Address 1", "CarryGroup"},
    {"CarrySA2", "Address 2", "CarryGroup"},
    {"CarryCity", "City", "CarryGroup"},
    {"CarryState", "State/Province", "CarryGroup"},
    {"CarryZip", "Zip/Postal Code", "CarryGroup"},
    {"CarryCountry", "Country", "CarryGroup"},
    {"SkipOrganization", "Organization", "SkipGroup"},
    {"SkipPhone1", "Phone #1", "SkipGroup"},
    {"SkipEmail", "E-Mail", "SkipGroup"},
    {"SkipState", "State/Province", "SkipGroup"},
    {"SkipZip", "Zip/Postal Code", "SkipGroup"},
    {"SkipCountry", "Country", "SkipGroup"},
    {"SkipAddress2", "Address 2", "SkipGroup"},
    {"SkipLastName", "Last Name", "SkipGroup"},
    {"SkipMiddleInitial", "Middle Initial", "SkipGroup"},
    {"SkipfirstName", "First Name", "SkipGroup"},
    {"Skiptitle", "Title", "SkipGroup"},
    {"SkipPhone2", "Phone #2", "SkipGroup"},
    {"SkipFax", "Fax", "SkipGroup"},
    {"SkipCodes", "Codes", "SkipGroup"},
    {"SkipPrefix", "Prefix", "SkipGroup"},
    {"SkipComments1", "Comments #1", "SkipGroup"},
    {"SkipDate", "Date", "SkipGroup"},
    {"Skipcomments2", "Comments #2", "SkipGroup"},
};

class PreferencesDialogTest : public ::testing::Test {
protected:
    platform::IniFile settings() const { return platform::IniFile(platform::SettingsFile()); }
    static QPushButton* button(const QWidget& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }
    static QCheckBox* flag(const QWidget& dialog, const char* key)
    {
        return dialog.findChild<QCheckBox*>(QLatin1String(key));
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface user_;
};

TEST_F(PreferencesDialogTest, ShowsEveryPreferenceWithItsCaption)
{
    TPreferences dialog;
    EXPECT_EQ(dialog.windowTitle(), "Preferences");
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("HeadingLabel"))->text(), " When adding new records");
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("DefaultCountryLabel"))->text(), "Default Country Name");
    auto* country = dialog.findChild<QLineEdit*>(QStringLiteral("DefaultCountry"));
    EXPECT_EQ(country->maxLength(), 30);
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("CarryGroup"))->title(),
              "Carry forward the following fields:");
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("SkipGroup"))->title(),
              "Skip through the following fields:");
    for (const FlagCase& c : kFlags) {
        SCOPED_TRACE(c.key);
        QCheckBox* box = flag(dialog, c.key);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box, dialog.flagBox(c.key));
        EXPECT_EQ(box->text(), c.caption);
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(box->parentWidget()->objectName(), *c.group ? QLatin1String(c.group) : dialog.objectName());
    }
    for (const auto& [name, caption] : {std::pair{"OkButton", "Ok"}, std::pair{"CancelButton", "Cancel"},
                                        std::pair{"HelpButton", "Help"}})
        EXPECT_EQ(button(dialog, name)->text(), caption) << name;
}

TEST_F(PreferencesDialogTest, OpeningReadsEveryKey)
{
    for (const FlagCase& c : kFlags) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(settings().writeString(QStringLiteral("Adding"), QLatin1String(c.key), QStringLiteral("1")));
        TPreferences dialog;
        for (const FlagCase& other : kFlags)
            EXPECT_EQ(flag(dialog, other.key)->isChecked(), &other == &c) << other.key;
        ASSERT_TRUE(settings().deleteKey(QStringLiteral("Adding"), QLatin1String(c.key)));
    }
    ASSERT_TRUE(settings().writeString(QStringLiteral("Adding"), QStringLiteral("DefaultCountry"),
                                       QStringLiteral("New Zealand")));
    TPreferences dialog;
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("DefaultCountry"))->text(), "New Zealand");
}

TEST_F(PreferencesDialogTest, OkWritesEveryKey)
{
    ASSERT_TRUE(settings().writeBool(QStringLiteral("Adding"), QStringLiteral("SkipFax"), true));
    TPreferences dialog;
    flag(dialog, "SkipFax")->setChecked(false);
    flag(dialog, "CarryCity")->setChecked(true);
    QTest::mouseClick(flag(dialog, "Skipcomments2"), Qt::LeftButton);
    auto* country = dialog.findChild<QLineEdit*>(QStringLiteral("DefaultCountry"));
    QTest::keyClicks(country, QStringLiteral("A country name longer than thirty characters"));
    button(dialog, "OkButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    EXPECT_EQ(settings().readSection(QStringLiteral("Adding")).size(), 29);
    for (const FlagCase& c : kFlags) {
        const bool on = qstrcmp(c.key, "CarryCity") == 0 || qstrcmp(c.key, "Skipcomments2") == 0;
        EXPECT_EQ(settings().readString(QStringLiteral("Adding"), QLatin1String(c.key)), on ? "1" : "0") << c.key;
    }
    EXPECT_EQ(settings().readString(QStringLiteral("Adding"), QStringLiteral("DefaultCountry")),
              "A country name longer than thi");
    EXPECT_TRUE(user_.shown().empty());
}

TEST_F(PreferencesDialogTest, CancelWritesNothing)
{
    ASSERT_TRUE(settings().writeBool(QStringLiteral("Adding"), QStringLiteral("PlugDate"), true));
    QFile file(platform::SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    TPreferences dialog;
    dialog.show();
    flag(dialog, "PlugDate")->setChecked(false);
    flag(dialog, "SkipZip")->setChecked(true);
    button(dialog, "CancelButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(PreferencesDialogTest, AFailedWriteKeepsTheDialogOpen)
{
    ASSERT_TRUE(QDir().mkpath(platform::SettingsFile()));
    TPreferences dialog;
    dialog.show();
    flag(dialog, "PlugDate")->setChecked(true);
    button(dialog, "OkButton")->click();
    EXPECT_EQ(user_.messageTexts(),
              QStringList{QStringLiteral("Unable to save the preferences in ") + platform::SettingsFile()});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(flag(dialog, "PlugDate")->isChecked());
    button(dialog, "CancelButton")->click();
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace

// Creating a new address file: the proposed name, the dialog "Create new
// database" with its name rule, and the creation with the widths of new files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "app/NewDatabase.h"
#include "app/TNewDataBaseName.h"
#include "app/TSpecifyFieldLengths.h"
#include "data/AddressFile.h"
#include "data/NewFieldLengths.h"
#include "platform/TempProgramDir.h"
#include "platform/system/IniFile.h"
#include "platform/system/SettingsFile.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

using app::TNewDataBaseName;

namespace {

class NewDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data::CurrentNewFieldLengths() = data::NewFieldLengths();
        ASSERT_TRUE(QDir().mkpath(home_.path() + "DATA"));
    }
    void TearDown() override { data::CurrentNewFieldLengths() = data::NewFieldLengths(); }

    void touch(const QString& name)
    {
        QFile file(home_.path() + "DATA/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    static QLineEdit* nameEdit(const TNewDataBaseName& dialog)
    {
        return dialog.findChild<QLineEdit*>(QStringLiteral("NameEdit"));
    }
    static QPushButton* button(const QWidget& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface user_;
};

TEST_F(NewDatabaseTest, ProposesTheFirstFreeName)
{
    EXPECT_EQ(app::ProposeNewDatabaseName(), "ADD0001");
    touch("ADD0001.DBF");
    touch("add0002.dbf");  // found in any letter case
    touch("ADD0003.DBF");
    touch("ADD0005.DBF");
    touch("ADD0004.FPT");  // only the DBF counts
    EXPECT_EQ(app::ProposeNewDatabaseName(), "ADD0004");
    EXPECT_EQ(app::NewDatabasePath("ADD0004"), home_.path() + "DATA/ADD0004.DBF");
}

TEST_F(NewDatabaseTest, ProposesADD0001WhenEveryNameIsTaken)
{
    for (int n = 1; n <= 9999; ++n)
        touch(QStringLiteral("ADD%1.DBF").arg(n, 4, 10, QLatin1Char('0')));
    EXPECT_EQ(app::ProposeNewDatabaseName(), "ADD0001");
}

TEST_F(NewDatabaseTest, TheDialogShowsTheProposalAndReadsTheWidthsOfNewFiles)
{
    platform::IniFile(platform::SettingsFile())
        .writeInteger(QStringLiteral("NewFileFieldLengths"), QStringLiteral("FieldFAX"), 55);
    data::CurrentNewFieldLengths()[data::lfFAX] = 12;

    TNewDataBaseName dialog(QStringLiteral("ADD0004"));
    EXPECT_EQ(dialog.windowTitle(), "Create new database");
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("NameLabel"))->text(), "Enter the database name (no extension)");
    EXPECT_EQ(nameEdit(dialog)->text(), "ADD0004");
    EXPECT_EQ(nameEdit(dialog)->maxLength(), 8);
    EXPECT_EQ(button(dialog, "OkButton")->text(), "Ok [PgDn]");
    EXPECT_TRUE(button(dialog, "OkButton")->isEnabled());
    EXPECT_EQ(button(dialog, "FieldLengthsButton")->text(), "Specify Field Lengths");
    EXPECT_EQ(button(dialog, "CancelButton")->text(), "Cancel");
    EXPECT_EQ(button(dialog, "HelpButton")->text(), "Help");
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("InvalidNameLabel"))->isHidden());
    EXPECT_EQ(data::CurrentNewFieldLengths()[data::lfFAX], 55);
}

TEST_F(NewDatabaseTest, OkIsEnabledOnlyForAValidName)
{
    struct Case {
        const char* typed;
        const char* shown;
        bool valid;
    } cases[] = {
        {"_A", "_A", true},          {"A", "A", true},
        {"ab_9", "ab_9", true},      {"ADDRESSES1", "ADDRESSE", true},  // 8 characters at most
        {"1ABC", "1ABC", false},     {"", "", false},
        {"A-B", "A-B", false},       {"A B", "A B", false},
        {"A.DBF", "A.DBF", false},   {"\xc3\x84rger", "\xc3\x84rger", false},  // letters A..Z only
    };
    TNewDataBaseName dialog(QStringLiteral("ADD0001"));
    auto* ok = button(dialog, "OkButton");
    auto* note = dialog.findChild<QLabel*>(QStringLiteral("InvalidNameLabel"));
    EXPECT_EQ(note->text(), "Invalid name. Must start with A..Z, followed by A..Z,0..9 or \"_\" (underscore)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        nameEdit(dialog)->clear();
        QTest::keyClicks(nameEdit(dialog), QString::fromUtf8(c.typed));
        EXPECT_EQ(nameEdit(dialog)->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(ok->isEnabled(), c.valid);
        EXPECT_EQ(note->isHidden(), c.valid);
        EXPECT_EQ(TNewDataBaseName::IsValidName(QString::fromUtf8(c.shown)), c.valid);
    }
}

TEST_F(NewDatabaseTest, PageDownAcceptsOnlyAValidName)
{
    TNewDataBaseName dialog(QStringLiteral("ADD0001"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    nameEdit(dialog)->setText(QStringLiteral("1ABC"));
    QTest::keyClick(nameEdit(dialog), Qt::Key_PageDown);
    EXPECT_TRUE(dialog.isVisible());
    nameEdit(dialog)->setText(QStringLiteral("MINE"));
    QTest::keyClick(nameEdit(dialog), Qt::Key_PageDown);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), "MINE");
}

TEST_F(NewDatabaseTest, CreatesTheFileWithTheWidthsOfNewFiles)
{
    platform::IniFile(platform::SettingsFile())
        .writeInteger(QStringLiteral("NewFileFieldLengths"), QStringLiteral("FieldCITY"), 80);
    WhenModal<TNewDataBaseName>([](TNewDataBaseName* dialog) {
        auto* edit = nameEdit(*dialog);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Clients"));
        button(*dialog, "OkButton")->click();
    });
    const QString path = app::CreateNewDatabase(nullptr);
    EXPECT_EQ(path, home_.path() + "DATA/Clients.DBF");
    EXPECT_TRUE(user_.messageTexts().isEmpty()) << user_.messageTexts().join('|').toStdString();

    auto table = xbase::Table::open(path.toStdString());
    EXPECT_EQ(table->fields().at(size_t(table->fieldIndex("CITY"))).length, 80);
    EXPECT_EQ(table->fields().at(size_t(table->fieldIndex("FAX"))).length, 40);
    EXPECT_TRUE(data::CheckValidIndex(*table));
}

TEST_F(NewDatabaseTest, AnExistingFileIsNotTouched)
{
    touch("Clients.dbf");
    WhenModal<TNewDataBaseName>([](TNewDataBaseName* dialog) {
        nameEdit(*dialog)->setText(QStringLiteral("CLIENTS"));
        button(*dialog, "OkButton")->click();
    });
    EXPECT_EQ(app::CreateNewDatabase(nullptr), QString());
    EXPECT_EQ(user_.messageTexts(), QStringList{"That file already exists.Please select another name"});
    EXPECT_EQ(QFileInfo(home_.path() + "DATA/Clients.dbf").size(), 0);
    EXPECT_FALSE(QFile::exists(home_.path() + "DATA/CLIENTS.DBF"));
}

TEST_F(NewDatabaseTest, CancelCreatesNothing)
{
    WhenModal<TNewDataBaseName>([](TNewDataBaseName* dialog) { button(*dialog, "CancelButton")->click(); });
    EXPECT_EQ(app::CreateNewDatabase(nullptr), QString());
    EXPECT_TRUE(user_.shown().empty());
    EXPECT_TRUE(QDir(home_.path() + "DATA").entryList(QDir::Files).isEmpty());
}

TEST_F(NewDatabaseTest, FieldLengthsChosenInTheDialogShapeTheNewFile)
{
    WhenModal<TNewDataBaseName>([](TNewDataBaseName* dialog) {
        WhenModal<app::TSpecifyFieldLengths>([dialog](app::TSpecifyFieldLengths* lengths) {
            lengths->box(data::lfLNAME)->setText(QStringLiteral("75"));
            lengths->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
            button(*dialog, "OkButton")->click();
        });
        button(*dialog, "FieldLengthsButton")->click();
    });
    const QString path = app::CreateNewDatabase(nullptr);
    ASSERT_EQ(path, home_.path() + "DATA/ADD0001.DBF");
    auto table = xbase::Table::open(path.toStdString());
    EXPECT_EQ(table->fields().at(size_t(table->fieldIndex("LNAME"))).length, 75);
    // Not ticked "Use these settings for all new databases": nothing stored.
    EXPECT_FALSE(QFile::exists(platform::SettingsFile()));
}

}  // namespace

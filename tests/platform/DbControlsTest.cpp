// Data-aware controls on a real table: they show the current record, follow
// moves and states, write what the user types and refuse what cannot be stored.
#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "platform/db/DataSource.h"
#include "platform/db/DbCheckBox.h"
#include "platform/db/DbEdit.h"
#include "platform/db/DbMemo.h"
#include "platform/db/DbNavigator.h"
#include "platform/db/DbText.h"
#include "platform/ui/ScriptedUserInterface.h"

using namespace platform;

namespace {

// Types text as key presses carrying characters (QTest's key clicks know ASCII only).
void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

class DbControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        table_.addCalculatedField("Tagged", FieldDataType::Boolean, 1);
        table_.setCalcFieldsHandler([](DataTable& t) {
            t.fieldByName("Tagged")->setAsBoolean(t.fieldByName("TAG")->asString() == "T1");
        });
        table_.open(QString::fromStdString(dbtest::createAddressTable(dir_, 5)));
        source_.setDataSet(&table_);
        city_ = new DbEdit(&window_);
        city_->setObjectName("City");
        city_->setDataSource(&source_);
        city_->setDataField("CITY");
        middle_ = new DbEdit(&window_);
        middle_->setDataSource(&source_);
        middle_->setDataField("MIDDLE");
        middle_->setForceUpperCase(true);
        memo_ = new DbMemo(&window_);
        memo_->setDataSource(&source_);
        memo_->setDataField("MEMO");
        deleted_ = new DbCheckBox("Deleted", &window_);
        deleted_->setDataSource(&source_);
        deleted_->setDataField("ISDEL");
        tagged_ = new DbCheckBox("Tagged", &window_);
        tagged_->setDataSource(&source_);
        tagged_->setDataField("Tagged");
        zip_ = new DbText(&window_);
        zip_->setDataSource(&source_);
        zip_->setDataField("ZIP");
        navigator_ = new DbNavigator(&window_);
        navigator_->setDataSource(&source_);
    }
    QToolButton* nav(const char* name) { return navigator_->findChild<QToolButton*>(QLatin1String(name)); }
    QString enabledButtons()
    {
        QStringList on;
        for (const char* name : {"NavFirst", "NavPrior", "NavNext", "NavLast", "NavInsert", "NavDelete", "NavEdit",
                                 "NavPost", "NavCancel", "NavRefresh"}) {
            if (nav(name)->isEnabled())
                on << QString::fromLatin1(name + 3);
        }
        return on.join(' ');
    }

    QTemporaryDir dir_;
    DataTable table_;
    DataSource source_;
    QWidget window_;
    DbEdit* city_ = nullptr;
    DbEdit* middle_ = nullptr;
    DbMemo* memo_ = nullptr;
    DbCheckBox* deleted_ = nullptr;
    DbCheckBox* tagged_ = nullptr;
    DbText* zip_ = nullptr;
    DbNavigator* navigator_ = nullptr;
    ScriptedUserInterface user_;
};

}  // namespace

TEST_F(DbControls, ShowTheCurrentRecordAndFollowMoves)
{
    EXPECT_EQ(city_->text(), dbtest::cityOf(1));
    EXPECT_EQ(city_->maxLength(), 20);
    EXPECT_EQ(zip_->text(), "00001");
    EXPECT_EQ(memo_->toPlainText(), "Memo 1\nline 2");  // CR LF shown as one break
    EXPECT_FALSE(deleted_->isChecked());
    table_.next();
    EXPECT_EQ(city_->text(), dbtest::cityOf(2));
    EXPECT_EQ(zip_->text(), "00002");
    EXPECT_EQ(memo_->toPlainText(), "");
    table_.last();
    EXPECT_EQ(zip_->text(), "00005");
    // Without a table the controls are empty.
    table_.close();
    EXPECT_EQ(city_->text(), "");
    EXPECT_EQ(zip_->text(), "");
    EXPECT_TRUE(city_->isReadOnly());
}

TEST_F(DbControls, TypingStartsTheEditAndWritesIntoTheRecord)
{
    window_.show();
    city_->setFocus();
    city_->selectAll();
    QTest::keyClicks(city_, "Bern");
    EXPECT_EQ(table_.state(), DataState::Edit);
    EXPECT_EQ(table_.fieldByName("CITY")->asString(), "Bern");
    EXPECT_EQ(city_->text(), "Bern");
    QTest::keyClicks(middle_, "q");
    EXPECT_EQ(table_.fieldByName("MIDDLE")->asString(), "Q");
    memo_->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo_, "!");
    QTest::keyClick(memo_, Qt::Key_Return);
    QTest::keyClicks(memo_, "3");
    EXPECT_EQ(table_.fieldByName("MEMO")->asString(), "Memo 1\r\nline 2!\r\n3");
    table_.post();
    table_.first();
    EXPECT_EQ(table_.fieldByName("CITY")->asString(), "Bern");
    EXPECT_EQ(table_.fieldByName("MEMO")->asString(), "Memo 1\r\nline 2!\r\n3");  // stored with CR LF
}

TEST_F(DbControls, CharactersTheFileCannotHoldAreNotTaken)
{
    window_.show();
    city_->setFocus();
    city_->selectAll();
    QTest::keyClicks(city_, "Z");
    typeText(city_, QString::fromUtf8("Ł"));
    typeText(city_, QString::fromUtf8("ü"));
    EXPECT_EQ(city_->text(), QString::fromUtf8("Zü"));
    EXPECT_EQ(table_.fieldByName("CITY")->asString(), QString::fromUtf8("Zü"));
    typeText(memo_, QString::fromUtf8("東"));
    EXPECT_FALSE(memo_->toPlainText().contains(QString::fromUtf8("東")));
    EXPECT_TRUE(user_.problems().isEmpty());
}

TEST_F(DbControls, WithoutAutoEditTheControlsWaitForEdit)
{
    source_.setAutoEdit(false);
    EXPECT_TRUE(city_->isReadOnly());
    EXPECT_TRUE(memo_->isReadOnly());
    QTest::keyClicks(city_, "x");
    EXPECT_EQ(table_.state(), DataState::Browse);
    EXPECT_EQ(city_->text(), dbtest::cityOf(1));
    deleted_->click();
    EXPECT_FALSE(deleted_->isChecked());
    EXPECT_EQ(table_.state(), DataState::Browse);
    table_.edit();
    EXPECT_FALSE(city_->isReadOnly());
    table_.cancel();
    EXPECT_TRUE(city_->isReadOnly());
}

TEST_F(DbControls, CheckBoxesWriteLogicalsAndCalculatedOnesStayPut)
{
    deleted_->click();
    EXPECT_EQ(table_.state(), DataState::Edit);
    EXPECT_TRUE(deleted_->isChecked());
    EXPECT_TRUE(table_.fieldByName("ISDEL")->asBoolean());
    table_.post();
    EXPECT_TRUE(deleted_->isChecked());

    // A calculated field shows its value but a click does not change it.
    EXPECT_FALSE(tagged_->isChecked());
    QSignalSpy clicks(tagged_, &QAbstractButton::clicked);
    tagged_->click();
    EXPECT_EQ(clicks.count(), 1);  // the owner still hears the click
    EXPECT_FALSE(tagged_->isChecked());
    // It follows the stored field it is calculated from.
    table_.edit();
    table_.fieldByName("TAG")->setAsString("T1");
    EXPECT_TRUE(tagged_->isChecked());
    table_.cancel();
    EXPECT_FALSE(tagged_->isChecked());
}

TEST_F(DbControls, NavigatorButtonsFollowStateAndPosition)
{
    EXPECT_EQ(enabledButtons(), "Next Last Insert Delete Edit Refresh");  // on the first record
    nav("NavNext")->click();
    EXPECT_EQ(table_.recNo(), 2u);
    EXPECT_EQ(enabledButtons(), "First Prior Next Last Insert Delete Edit Refresh");
    nav("NavLast")->click();
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_EQ(enabledButtons(), "First Prior Insert Delete Edit Refresh");
    nav("NavEdit")->click();
    EXPECT_EQ(table_.state(), DataState::Edit);
    EXPECT_EQ(enabledButtons(), "Post Cancel");
    nav("NavCancel")->click();
    nav("NavInsert")->click();
    EXPECT_EQ(table_.state(), DataState::Insert);
    EXPECT_EQ(city_->text(), "");
    EXPECT_EQ(enabledButtons(), "Post Cancel");
    city_->setText("");
    QTest::keyClicks(city_, "Lyon");
    nav("NavPost")->click();
    EXPECT_EQ(table_.recordCount(), 6u);
    EXPECT_EQ(table_.recNo(), 6u);
    nav("NavFirst")->click();
    EXPECT_EQ(table_.recNo(), 1u);

    // Delete asks first; No keeps the record.
    user_.answerNo();
    nav("NavDelete")->click();
    EXPECT_EQ(table_.recNo(), 1u);
    user_.answerYes();
    nav("NavDelete")->click();
    EXPECT_EQ(table_.recNo(), 2u);
    ASSERT_EQ(user_.shown().size(), 2);
    EXPECT_EQ(user_.shown().at(0).message.text, "Delete record?");

    table_.close();
    EXPECT_EQ(enabledButtons(), "");
}

TEST_F(DbControls, AReadOnlyTableOffersNoChanges)
{
    QString path = table_.path();
    table_.close();
    table_.open(path, xbase::OpenMode::ReadOnly);
    EXPECT_EQ(enabledButtons(), "Next Last Refresh");
    EXPECT_TRUE(city_->isReadOnly());
    EXPECT_TRUE(memo_->isReadOnly());
    deleted_->click();
    EXPECT_EQ(table_.state(), DataState::Browse);
    EXPECT_FALSE(deleted_->isChecked());
}

TEST_F(DbControls, SuspendedControlsKeepStillAndCatchUpOnce)
{
    QSignalSpy changes(&source_, &DataSource::dataChanged);
    table_.disableControls();
    table_.next();
    table_.next();
    table_.edit();
    table_.fieldByName("CITY")->setAsString("Quiet");
    table_.post();
    EXPECT_EQ(city_->text(), dbtest::cityOf(1));  // still showing record 1
    EXPECT_EQ(zip_->text(), "00001");
    EXPECT_EQ(changes.count(), 0);
    table_.enableControls();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(city_->text(), "Quiet");
    EXPECT_EQ(zip_->text(), "00003");
}

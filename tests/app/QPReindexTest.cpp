// The dialog "Rebuild indexes for": a rebuild of a real address file with
// the progress it shows, and rebuilds that fail, leaving a dialog that can
// be closed and a caller that knows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <vector>

#include "AppTestSupport.h"
#include "app/TQPReindex.h"
#include "data/AddressFile.h"
#include "data/NewFieldLengths.h"
#include "platform/TempProgramDir.h"
#include "platform/db/DataTable.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

using app::TQPReindex;

namespace {

constexpr int kRecords = 60;
constexpr int kDeleted = 12;

class QPReindexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = home_.path() + "ADD0001.DBF";
        ASSERT_TRUE(data::CreateAddressFile(path_, data::NewFieldLengths()));
        ASSERT_TRUE(data::OpenDBFTable(path_, table_));
        xbase::Table& engine = *table_.engine();
        const int lname = engine.fieldIndex("LNAME");
        for (int i = 0; i < kRecords; ++i) {
            engine.append();
            engine.setString(lname, "NAME" + std::to_string(i));
            engine.post();
        }
        // Every fifth record is marked deleted.
        for (uint32_t recno = 1; recno <= kRecords; recno += 5) {
            engine.go(recno);
            engine.deleteRecord();
        }
        table_.resync();
        ASSERT_TRUE(data::CheckValidIndex(engine));
    }

    template <class T>
    static T* child(const QWidget& dialog, const char* name)
    {
        return dialog.findChild<T*>(QLatin1String(name));
    }

    TempProgramDir home_;
    platform::ScriptedUserInterface user_;
    QString path_;
    platform::DataTable table_;
};

TEST_F(QPReindexTest, OpensWithItsButtonsAndNoProgress)
{
    TQPReindex dialog(table_);
    EXPECT_EQ(dialog.windowTitle(), "Rebuild indexes for ADD0001.DBF");
    EXPECT_TRUE(child<QProgressBar>(dialog, "ProgressBar")->isHidden());
    EXPECT_TRUE(child<QLabel>(dialog, "StatusLabel")->isHidden());
    EXPECT_EQ(child<QPushButton>(dialog, "ReindexButton")->text(), "Reindex");
    EXPECT_EQ(child<QPushButton>(dialog, "HelpButton")->text(), "Help");
    EXPECT_EQ(child<QPushButton>(dialog, "CancelButton")->text(), "Cancel");
    EXPECT_FALSE(child<QToolButton>(dialog, "MouseHelpButton")->isHidden());

    dialog.show();
    child<QPushButton>(dialog, "CancelButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.rebuilt());
    EXPECT_EQ(table_.engine()->recordCount(), uint32_t(kRecords));  // nothing done
}

TEST_F(QPReindexTest, PacksAndRebuildsShowingEachStage)
{
    TQPReindex dialog(table_);
    auto* bar = child<QProgressBar>(dialog, "ProgressBar");
    auto* status = child<QLabel>(dialog, "StatusLabel");
    struct Step {
        QString status;
        int value;
    };
    std::vector<Step> steps;
    bool lockedWhileRunning = true;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (!dialog.running())
            return;
        steps.push_back({status->text(), value});
        // Nothing may close the dialog or start a second run meanwhile.
        dialog.reject();
        dialog.close();
        lockedWhileRunning = lockedWhileRunning && dialog.isVisible() && !bar->isHidden() && !status->isHidden()
                             && !child<QPushButton>(dialog, "ReindexButton")->isEnabled()
                             && child<QPushButton>(dialog, "CancelButton")->isHidden()
                             && child<QPushButton>(dialog, "HelpButton")->isHidden()
                             && child<QToolButton>(dialog, "MouseHelpButton")->isHidden()
                             && QApplication::overrideCursor() != nullptr;
    });
    dialog.show();
    child<QPushButton>(dialog, "ReindexButton")->click();

    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(user_.shown().empty()) << user_.messageTexts().join('|').toStdString();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.rebuilt());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The pack shows the engine's percentages, then the tags their running total.
    const auto tagsStart = std::find_if(steps.begin(), steps.end(),
                                        [](const Step& s) { return s.status == "Rebuilding indexes"; });
    ASSERT_NE(tagsStart, steps.begin());
    ASSERT_NE(tagsStart, steps.end());
    for (auto it = steps.begin(); it != tagsStart; ++it)
        EXPECT_EQ(it->status, "Cleaning out old deleted records");
    EXPECT_EQ((tagsStart - 1)->value, 100);
    for (auto it = tagsStart; it != steps.end(); ++it)
        EXPECT_EQ(it->status, "Rebuilding indexes");
    EXPECT_TRUE(std::is_sorted(tagsStart, steps.end(), [](const Step& a, const Step& b) { return a.value < b.value; }));
    EXPECT_EQ(steps.back().value, 100);  // 26 tags of 100 each: the bar stops at 100

    // Back to the first state for the next use.
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(child<QPushButton>(dialog, "ReindexButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog, "CancelButton")->isHidden());

    xbase::Table& engine = *table_.engine();
    EXPECT_EQ(engine.recordCount(), uint32_t(kRecords - kDeleted));
    EXPECT_TRUE(data::CheckValidIndex(engine));
    EXPECT_TRUE(engine.checkIndexes().empty());
    EXPECT_TRUE(table_.isActive());
}

TEST_F(QPReindexTest, AFailedPackLeavesADialogThatCanBeClosed)
{
    // A folder where the packed copy is written: the pack cannot create it.
    ASSERT_TRUE(QDir().mkpath(path_ + ".pack-dbf"));
    TQPReindex dialog(table_);
    dialog.show();
    child<QPushButton>(dialog, "ReindexButton")->click();

    ASSERT_EQ(user_.messageTexts().size(), 1);
    EXPECT_TRUE(user_.messageTexts().at(0).startsWith("Unable to rebuild the indexes for ADD0001.DBF\r\n\r\n"))
        << user_.messageTexts().at(0).toStdString();
    EXPECT_FALSE(dialog.rebuilt());
    EXPECT_FALSE(dialog.running());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(child<QProgressBar>(dialog, "ProgressBar")->isHidden());
    EXPECT_TRUE(child<QLabel>(dialog, "StatusLabel")->isHidden());
    EXPECT_TRUE(child<QPushButton>(dialog, "ReindexButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog, "HelpButton")->isHidden());
    EXPECT_FALSE(child<QToolButton>(dialog, "MouseHelpButton")->isHidden());

    // The index went before the pack failed: the caller finds the file invalid.
    EXPECT_FALSE(data::CheckValidIndex(*table_.engine()));
    EXPECT_EQ(table_.engine()->recordCount(), uint32_t(kRecords));

    child<QPushButton>(dialog, "CancelButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // Once the cause is gone, the same dialog can rebuild.
    ASSERT_TRUE(QDir().rmdir(path_ + ".pack-dbf"));
    TQPReindex again(table_);
    again.show();
    child<QPushButton>(again, "ReindexButton")->click();
    EXPECT_TRUE(again.rebuilt());
    EXPECT_TRUE(data::CheckValidIndex(*table_.engine()));
}

TEST_F(QPReindexTest, AFileOpenedReadOnlyIsRefusedBeforeItsIndexIsDeleted)
{
    table_.close();
    table_.open(path_, xbase::OpenMode::ReadOnly);
    TQPReindex dialog(table_);
    dialog.show();
    child<QPushButton>(dialog, "ReindexButton")->click();
    EXPECT_EQ(user_.messageTexts(),
              QStringList{"Unable to rebuild the indexes for ADD0001.DBF\r\n\r\nThe file is open read-only"});
    EXPECT_FALSE(dialog.rebuilt());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(data::CheckValidIndex(*table_.engine()));
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace

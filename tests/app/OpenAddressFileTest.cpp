// The open sequence: refused files, the rebuild question and its answers.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/OpenAddressFile.h"
#include "data/AddressFile.h"
#include "platform/db/DataTable.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

namespace {

class OpenAddressFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = dir_.filePath(QStringLiteral("ADD0001.DBF"));
        ASSERT_TRUE(data::CreateAddressFile(path_, data::NewFieldLengths()));
        data::ConfigureAddressFields(table_);
    }
    void dropIndex() { ASSERT_TRUE(QFile::remove(dir_.filePath(QStringLiteral("ADD0001.CDX")))); }
    app::RebuildFn rebuildCounted()
    {
        return [this](platform::DataTable& table) {
            ++rebuilds_;
            data::RebuildAddressFile(*table.engine(), {}, {});
            return true;
        };
    }

    QTemporaryDir dir_;
    QString path_;
    platform::DataTable table_;
    platform::ScriptedUserInterface user_;
    int rebuilds_ = 0;
};

TEST_F(OpenAddressFileTest, AValidFileOpensWithoutAQuestion)
{
    EXPECT_TRUE(app::OpenQPWDBF(path_, table_, rebuildCounted()));
    EXPECT_TRUE(table_.isActive());
    EXPECT_TRUE(user_.shown().empty());
    EXPECT_FALSE(app::OpenQPWDBF(QString(), table_, rebuildCounted()));
}

TEST_F(OpenAddressFileTest, AMissingIndexIsRebuiltOnYes)
{
    dropIndex();
    user_.answerYes();
    EXPECT_TRUE(app::OpenQPWDBF(path_, table_, rebuildCounted()));
    EXPECT_EQ(rebuilds_, 1);
    EXPECT_TRUE(data::CheckValidIndex(*table_.engine()));
    ASSERT_EQ(user_.shown().size(), 1u);
    EXPECT_EQ(user_.shown()[0].message.text, "The index file for " + path_ + "\r\nis missing or invalid. Rebuild now?");
    EXPECT_EQ(user_.shown()[0].message.title, "Warning");
    EXPECT_TRUE(user_.problems().isEmpty());
}

TEST_F(OpenAddressFileTest, DecliningTheRebuildLeavesNoFileOpen)
{
    dropIndex();
    user_.answerNo();
    EXPECT_FALSE(app::OpenQPWDBF(path_, table_, rebuildCounted()));
    EXPECT_EQ(rebuilds_, 0);
    EXPECT_FALSE(table_.isActive());
    EXPECT_TRUE(user_.problems().isEmpty());
}

TEST_F(OpenAddressFileTest, AFileInUseOrNotAnAddressFileIsRefused)
{
    auto holder = xbase::Table::open(path_.toStdString());  // in use elsewhere
    EXPECT_FALSE(app::OpenQPWDBF(path_, table_, rebuildCounted()));
    EXPECT_EQ(user_.messageTexts(),
              QStringList{"Unable to open " + path_ + "\r\n\r\n * May not be a Quillpost file.\r\n * May be in use by another program or user"});
    EXPECT_FALSE(table_.isActive());
}

}  // namespace

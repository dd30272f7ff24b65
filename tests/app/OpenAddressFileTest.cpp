// The open sequence: refused files, the rebuild question and its answers.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <utility>

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

// Whatever is wrong with the index (gone, unreadable, or left behind the
// records by a crash) the user is asked once and it is rebuilt.
TEST_F(OpenAddressFileTest, ABadIndexIsRebuiltOnYes)
{
    const QString cdx = dir_.filePath(QStringLiteral("ADD0001.CDX"));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    const std::pair<const char*, std::function<void()>> damages[] = {
        {"missing", [&] { dropIndex(); }},
        {"unreadable", [&] { write(cdx, QByteArray(2048, '\xEE')); }},
        {"left behind by a crash", [&] { write(cdx + QStringLiteral(".pending"), {}); }},
    };
    for (const auto& [what, damage] : damages) {
        SCOPED_TRACE(what);
        table_.close();
        damage();
        user_.answerYes();
        const size_t asked = user_.shown().size();
        EXPECT_TRUE(app::OpenQPWDBF(path_, table_, rebuildCounted()));
        EXPECT_TRUE(data::CheckValidIndex(*table_.engine()));
        EXPECT_FALSE(QFile::exists(cdx + QStringLiteral(".pending")));
        ASSERT_EQ(user_.shown().size(), asked + 1);
        EXPECT_EQ(user_.shown().back().message.text,
                  "The index file for " + path_ + "\r\nis missing or invalid. Rebuild now?");
        EXPECT_EQ(user_.shown().back().message.title, "Warning");
    }
    EXPECT_EQ(rebuilds_, 3);
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

#include "platform/system/FileNoCase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::CompanionFileName;
using platform::FindCompanionFile;
using platform::FindFileNoCase;

namespace {

class FileNoCaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("DATA")));
        for (const char* name : {"DATA/add0001.DBF", "DATA/add0001.fpt", "DATA/ADD0001.CDX", "DATA/both.dbf",
                                 "DATA/BOTH.DBF"}) {
            QFile file(at(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }
    QString at(const QString& relative) const { return dir_.path() + QLatin1Char('/') + relative; }

    QTemporaryDir dir_;
};

TEST_F(FileNoCaseTest, FindsEveryPartOfThePathWithoutRegardToCase)
{
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("data/ADD0001.dbf"))), at(QStringLiteral("DATA/add0001.DBF")));
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("DATA/add0001.DBF"))), at(QStringLiteral("DATA/add0001.DBF")));
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("Data"))), at(QStringLiteral("DATA")));
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("DATA/add0002.dbf"))), QString());
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("nothere/add0001.dbf"))), QString());
    EXPECT_EQ(FindFileNoCase(QString()), QString());
}

TEST_F(FileNoCaseTest, PrefersTheExactNameAmongCaseVariants)
{
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("DATA/both.dbf"))), at(QStringLiteral("DATA/both.dbf")));
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("DATA/BOTH.DBF"))), at(QStringLiteral("DATA/BOTH.DBF")));
    // Neither matches exactly: the first in name order, every time.
    EXPECT_EQ(FindFileNoCase(at(QStringLiteral("data/Both.Dbf"))), at(QStringLiteral("DATA/BOTH.DBF")));
}

TEST_F(FileNoCaseTest, FindsCompanionsWhateverTheirCase)
{
    const QString table = at(QStringLiteral("DATA/add0001.DBF"));
    EXPECT_EQ(FindCompanionFile(table, QStringLiteral("FPT")), at(QStringLiteral("DATA/add0001.fpt")));
    EXPECT_EQ(FindCompanionFile(table, QStringLiteral("cdx")), at(QStringLiteral("DATA/ADD0001.CDX")));
    EXPECT_EQ(FindCompanionFile(at(QStringLiteral("data/ADD0001.DBF")), QStringLiteral("fpt")),
              at(QStringLiteral("DATA/add0001.fpt")));
    EXPECT_EQ(FindCompanionFile(table, QStringLiteral("IDX")), QString());
}

TEST(CompanionFileNameTest, FollowsTheCaseOfTheExtension)
{
    const struct {
        const char* path;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"DATA/add0001.DBF", "fpt", "DATA/add0001.FPT"},
        {"data/add0001.dbf", "CDX", "data/add0001.cdx"},
        {"data/Add0001.Dbf", "CDX", "data/Add0001.cdx"},
        {"x.y/name", "fpt", "x.y/name.fpt"},
        {"dir/.hidden", "fpt", "dir/.hidden.fpt"},
        {"a.b.DBF", "fpt", "a.b.FPT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CompanionFileName(QString::fromLatin1(c.path), QString::fromLatin1(c.extension)),
                  QString::fromLatin1(c.expected));
    }
}

}  // namespace

// Address files: creation with the 26 tags, opening with the record layout,
// the index check, and the rebuild with its progress.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>

#include "data/AddressFile.h"
#include "platform/db/DataTable.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

using namespace data;

namespace {

class AddressFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    void copyFixture(const QString& name)
    {
        for (const char* ext : {".DBF", ".FPT", ".CDX"}) {
            const QString target = path(name + ext);
            ASSERT_TRUE(QFile::copy(QStringLiteral(QP_FIXTURES_DIR "/xbase/") + name + ext, target));
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    QTemporaryDir dir_;
    platform::ScriptedUserInterface ui_;
};

TEST_F(AddressFileTest, CreatesTheFileWithItsTagsAndOpensIt)
{
    NewFieldLengths widths;
    widths[lfLNAME] = 80;
    ASSERT_TRUE(CreateAddressFile(path("add0001.DBF"), widths));
    for (const char* file : {"add0001.DBF", "add0001.FPT", "add0001.CDX"})
        EXPECT_TRUE(QFile::exists(path(file))) << file;

    platform::DataTable table;
    ASSERT_TRUE(OpenDBFTable(path("add0001.DBF"), table));
    EXPECT_EQ(table.fieldByName("LNAME")->size(), 80);
    EXPECT_EQ(table.fieldByName("FNAME")->size(), 30);
    EXPECT_EQ(table.fieldByName("LNAME")->displayLabel(), "Last Name");
    EXPECT_EQ(table.fieldByName("LNAME")->displayWidth(), 20);
    EXPECT_FALSE(table.fieldByName("MEMO")->isVisible());
    EXPECT_EQ(table.field(0)->fieldName(), "Tagged");
    EXPECT_EQ(table.field(table.fieldCount() - 1)->fieldName(), "TAG");
    EXPECT_TRUE(CheckValidIndex(*table.engine()));
    const xbase::Table& engine = *table.engine();
    for (size_t i = 0; i < kAddressTags.size(); ++i) {
        EXPECT_EQ(engine.tagInfo(static_cast<int>(i) + 1).name, kAddressTags[i].name);
        EXPECT_EQ(engine.tagInfo(static_cast<int>(i) + 1).keyExpression, kAddressTags[i].expression);
    }
    EXPECT_EQ(engine.tagInfo(engine.tagOrdinal("NAME")).keyLength, 110);  // LNAME 80 + FNAME 30
    EXPECT_TRUE(ui_.problems().isEmpty());
}

TEST_F(AddressFileTest, RefusesFilesThatAreNotAddressFiles)
{
    platform::DataTable table;
    EXPECT_FALSE(OpenDBFTable(path("NOFILE.DBF"), table));
    EXPECT_EQ(ui_.messageTexts(), QStringList{"File " + path("NOFILE.DBF") + " not found"});

    auto fieldsWithout = [](const char* skip, char changeType = 0) {
        std::vector<xbase::FieldSpec> specs;
        for (const auto& f : kAddressFields) {
            if (qstrcmp(f.name, skip) == 0 && !changeType)
                continue;
            char type = qstrcmp(f.name, skip) == 0 ? changeType : f.type;
            int width = type == 'L' ? 1 : type == 'M' ? 10 : f.fixedWidth ? f.fixedWidth : 20;
            specs.push_back({f.name, type, width, 0});
        }
        return specs;
    };
    xbase::Table::create(path("NOTAG.DBF").toStdString(), fieldsWithout("TAG"));
    EXPECT_FALSE(OpenDBFTable(path("NOTAG.DBF"), table));
    EXPECT_FALSE(table.isActive());
    xbase::Table::create(path("BADTYPE.DBF").toStdString(), fieldsWithout("ISDEL", 'C'));
    EXPECT_FALSE(OpenDBFTable(path("BADTYPE.DBF"), table));
    EXPECT_FALSE(table.isActive());

    auto extra = fieldsWithout("");
    extra.push_back({"EXTRA", 'C', 5, 0});
    xbase::Table::create(path("EXTRA.DBF").toStdString(), extra);
    EXPECT_TRUE(OpenDBFTable(path("EXTRA.DBF"), table));
    EXPECT_EQ(table.findField("EXTRA"), nullptr);
    EXPECT_FALSE(CheckValidIndex(*table.engine()));  // no index at all
}

TEST_F(AddressFileTest, TheReferenceFileIsValidAndADamagedIndexIsRebuilt)
{
    copyFixture("ADDRREF");
    platform::DataTable table;
    ASSERT_TRUE(OpenDBFTable(path("ADDRREF.DBF"), table));
    EXPECT_TRUE(CheckValidIndex(*table.engine()));
    table.close();

    QFile cdx(path("ADDRREF.CDX"));
    ASSERT_TRUE(cdx.open(QIODevice::ReadWrite));
    cdx.seek(0);
    cdx.write(QByteArray(16, '\xFF'));  // the tag directory's root pointer
    cdx.close();
    ASSERT_TRUE(OpenDBFTable(path("ADDRREF.DBF"), table));
    EXPECT_FALSE(CheckValidIndex(*table.engine()));

    std::vector<int> packSteps;
    std::vector<int> bar;
    TagProgress tagMode;
    RebuildAddressFile(*table.engine(), [&](int p) { packSteps.push_back(p); },
                       [&](int p) { bar.push_back(tagMode.notify(p)); });
    EXPECT_TRUE(CheckValidIndex(*table.engine()));
    EXPECT_EQ(table.engine()->recordCount(), 273u);  // 300 less the 27 marked ones
    EXPECT_TRUE(table.engine()->checkIndexes().empty());
    ASSERT_FALSE(packSteps.empty());
    EXPECT_EQ(packSteps.back(), 100);
    ASSERT_FALSE(bar.empty());
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
    EXPECT_EQ(bar.back(), 100);  // 26 tags: 2600 / 21 is capped at 100
}

// Another xBase reader finds the tags of a file we made, in our order.
TEST_F(AddressFileTest, AnIndependentReaderReadsTheTags)
{
    if (QProcess::execute(QStringLiteral("perl"), {QStringLiteral("-MXBase::Index"), QStringLiteral("-e1")}) != 0)
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    ASSERT_TRUE(CreateAddressFile(path("ADD0001.DBF"), NewFieldLengths()));
    auto table = xbase::Table::open(path("ADD0001.DBF").toStdString());
    const char* names[][2] = {{"Smith", "Zoe"}, {"adams", "Al"}, {"Smith", "Al"}, {"", "Cher"}, {"Brown", ""}};
    for (const auto& name : names) {
        table->append();
        table->setString(table->fieldIndex("LNAME"), name[0]);
        table->setString(table->fieldIndex("FNAME"), name[1]);
        table->post();
    }
    table->flush();  // the reader reads the file while the table is open
    for (const char* tag : {"LNAME", "NAME", "FNAME", "NOTISDEL"}) {
        SCOPED_TRACE(tag);
        table->setOrder(tag);
        QStringList ours;
        for (bool more = table->first(); more; more = table->next())
            ours << QString::number(table->recno());
        QProcess perl;
        perl.start(QStringLiteral("perl"), {QStringLiteral(QP_FIXTURES_DIR "/../xbase/cdx_dump.pl"), path("ADD0001.CDX"),
                                            QLatin1String(tag), QLatin1String(table->tagInfo(table->order()).keyType == 'L' ? "L" : "C")});
        ASSERT_TRUE(perl.waitForFinished());
        QStringList theirs;
        for (const QString& line : QString::fromLatin1(perl.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
            theirs << line.section('\t', 0, 0);
        EXPECT_EQ(theirs, ours) << perl.readAllStandardError().toStdString();
    }
}

TEST(TagProgressTest, AddsTheRisesAndDividesBy21)
{
    TagProgress progress;
    EXPECT_EQ(progress.notify(0), 0);
    EXPECT_EQ(progress.notify(50), 2);    // 50 / 21 = 2.38
    EXPECT_EQ(progress.notify(100), 5);   // 100 / 21 = 4.76
    EXPECT_EQ(progress.notify(0), 5);     // the next tag starts again: no rise
    EXPECT_EQ(progress.notify(21), 6);    // 121 / 21 = 5.76
    for (int tag = 0; tag < 25; ++tag) {
        progress.notify(0);
        progress.notify(100);
    }
    EXPECT_EQ(progress.notify(100), 100);
}

}  // namespace

// Index orders through the table: the production CDX opened with the table,
// ordered navigation, seek, maintenance as records change, standalone IDX
// orders, pack and zap — always checked against a fresh build of the keys.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "TestSupport.h"
#include "xbase/Error.h"
#include "xbase/Table.h"

using namespace testsupport;
using xbase::Error;
using xbase::ErrorKind;
using xbase::FieldSpec;
using xbase::OpenMode;
using xbase::Table;

namespace {

std::vector<uint32_t> walk(Table& table)
{
    std::vector<uint32_t> recnos;
    for (bool more = table.first(); more; more = table.next())
        recnos.push_back(table.recno());
    return recnos;
}

std::vector<uint32_t> walkBack(Table& table)
{
    std::vector<uint32_t> recnos;
    for (bool more = table.last(); more; more = table.prior())
        recnos.push_back(table.recno());
    std::reverse(recnos.begin(), recnos.end());
    return recnos;
}

class FixtureTags : public ::testing::TestWithParam<const char*> {};

// Every tag walks in the reference order, forwards and backwards, with
// delete-marked records shown; and stays right after changes made here.
TEST_P(FixtureTags, WalkInTheReferenceOrderAndStaySoundAfterChanges)
{
    const std::string name = GetParam();
    QJsonObject expected = readJson(fixturePath("xbase/" + name + ".expected.json")).object();
    TempDir dir;
    auto table = Table::open(copyFixtureTable(name, dir));
    ASSERT_EQ(table->indexProblem(), "");
    table->setShowDeleted(true);
    QJsonArray tags = expected["tags"].toArray();
    ASSERT_EQ(table->tagCount(), tags.size());
    for (const auto& value : tags) {
        QJsonObject tag = value.toObject();
        const std::string tagName = tag["name"].toString().toStdString();
        SCOPED_TRACE(tagName);
        int ordinal = table->tagOrdinal(tagName);
        ASSERT_EQ(ordinal, tag["ordinal"].toInt());
        EXPECT_EQ(table->tagInfo(ordinal).keyExpression, tag["expr"].toString().toStdString());
        EXPECT_EQ(table->tagInfo(ordinal).keyLength, tag["keylen"].toInt());
        std::vector<uint32_t> order;
        for (const auto& r : tag["recnos"].toArray())
            order.push_back(static_cast<uint32_t>(r.toInt()));
        table->setOrder(ordinal);
        EXPECT_EQ(walk(*table), order);
        EXPECT_EQ(walkBack(*table), order);
    }
    EXPECT_EQ(table->tagOrdinal("nosuch"), 0);
    EXPECT_TRUE(table->checkIndexes().empty());

    // Changes through the engine keep every tag equal to a fresh build.
    table->setOrder("LNAME");
    table->go(5);
    table->edit();
    table->setString(table->fieldIndex("LNAME"), "Aardvark");
    table->setString(table->fieldIndex("STATE"), "ZZ");
    table->post();
    table->go(7);
    table->deleteRecord();
    table->go(8);
    table->edit();
    table->setLogical(table->fieldIndex("ISDEL"), true);
    table->post();
    table->append();
    table->setString(table->fieldIndex("LNAME"), "Zimmer");
    table->post();
    EXPECT_EQ(table->checkIndexes(), std::vector<std::string>{});
    EXPECT_TRUE(table->seek("AARDVARK"));
    EXPECT_EQ(table->recno(), 5u);
    EXPECT_TRUE(table->seek("ZIMMER"));
    EXPECT_EQ(table->recno(), 301u);
}

INSTANTIATE_TEST_SUITE_P(Reference, FixtureTags, ::testing::Values("ADDRREF", "ADDRBULK", "ADDRVFP"));

const std::vector<FieldSpec> kFields = {{"LNAME", 'C', 10, 0}, {"CITY", 'C', 8, 0}, {"ISDEL", 'L', 1, 0}, {"NOTES", 'M', 10, 0}};

std::unique_ptr<Table> makeTable(const TempDir& dir, const std::vector<std::pair<std::string, std::string>>& rows)
{
    const std::string path = dir.file("T.DBF");
    Table::create(path, kFields);
    auto table = Table::open(path);
    EXPECT_GT(table->createTag("LNAME", "UPPER(LNAME)"), 0);
    EXPECT_GT(table->createTag("CITY", "UPPER(CITY+LNAME)"), 0);
    EXPECT_GT(table->createTag("DELETED", "DELETED()"), 0);
    EXPECT_GT(table->createTag("NOTISDEL", "!ISDEL"), 0);
    for (const auto& [lname, city] : rows) {
        table->append();
        table->setString(0, lname);
        table->setString(1, city);
        table->post();
    }
    table->setOrder(0);
    return table;
}

TEST(TableSeek, ExactSoftAndHiddenRecords)
{
    TempDir dir;
    auto table = makeTable(dir, {{"Smith", "Boston"}, {"Smithers", "Austin"}, {"Adams", "Denver"},
                                 {"smith", "Chicago"}, {"Young", "Austin"}});
    table->setOrder("LNAME");  // ADAMS 3, SMITH 1, SMITH 4, SMITHERS 2, YOUNG 5
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{3, 1, 4, 2, 5}));

    struct Case {
        std::string key;
        bool exact, soft;
        bool found;
        uint32_t recno;  // 0: at the end
    };
    const std::vector<Case> cases = {
        {"SMI", false, false, true, 1},
        {"SMITHE", false, false, true, 2},
        {"SMITH", true, false, true, 1},
        {"SMITHE", true, false, false, 0},
        {"SMITHE", true, true, false, 2},   // next greater key: SMITHERS (blank sorts low)
        {"SMITHS", true, true, false, 5},   // next greater key: YOUNG
        {"B", false, false, false, 0},
        {"B", false, true, false, 1},
        {"ZZZ", false, true, false, 0},     // nothing greater: the end
        {"", false, false, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + (c.exact ? " exact" : "") + (c.soft ? " soft" : ""));
        table->setExact(c.exact);
        table->setSoftSeek(c.soft);
        EXPECT_EQ(table->seek(c.key), c.found);
        if (c.recno) {
            EXPECT_EQ(table->recno(), c.recno);
        } else {
            EXPECT_TRUE(table->eof());
            EXPECT_EQ(table->recno(), 6u);
        }
    }
    table->setExact(false);
    table->setSoftSeek(false);

    // A seek never lands on a hidden record: it moves on in key order.
    table->go(1);
    table->deleteRecord();
    EXPECT_TRUE(table->seek("SMITH"));
    EXPECT_EQ(table->recno(), 4u);
    table->setQuery("UPPER(CITY) <> 'CHICAGO'");
    EXPECT_TRUE(table->seek("SMITH"));
    EXPECT_EQ(table->recno(), 2u);  // SMITHERS still begins with SMITH
    table->setQuery("");

    table->setOrder(0);
    EXPECT_THROW(table->seek("X"), Error);
}

TEST(TableOrder, GoPositionsInTheOrderAndChangedKeysMove)
{
    TempDir dir;
    auto table = makeTable(dir, {{"Cole", "Reno"}, {"Able", "Waco"}, {"Baker", "Erie"}, {"Dunn", "Ames"}});
    table->setOrder("LNAME");  // ABLE 2, BAKER 3, COLE 1, DUNN 4
    EXPECT_TRUE(table->go(3));
    EXPECT_TRUE(table->next());
    EXPECT_EQ(table->recno(), 1u);
    EXPECT_TRUE(table->prior());
    EXPECT_EQ(table->recno(), 3u);

    // The current record's key changes: it moves, and navigation goes on from its new place.
    table->edit();
    table->setString(0, "Zeta");
    table->post();
    EXPECT_EQ(table->recno(), 3u);
    EXPECT_FALSE(table->next());
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{2, 1, 4, 3}));

    // A record hidden by the query while current: next goes on from its place in key order.
    table->setQuery("!ISDEL");
    table->go(1);
    table->edit();
    table->setLogical(2, true);
    table->post();
    EXPECT_TRUE(table->next());
    EXPECT_EQ(table->recno(), 4u);
    EXPECT_FALSE(table->go(1));  // hidden: moves on in key order
    EXPECT_EQ(table->recno(), 4u);

    // The order survives the delete mark: the DELETED() tag follows it.
    table->setQuery("");
    table->go(2);
    table->deleteRecord();
    table->setShowDeleted(true);
    table->setOrder("DELETED");
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 3, 4, 2}));
    table->go(2);
    table->recall();
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(table->checkIndexes().empty());
}

// Random appends, edits, deletes, recalls and packs, with the tags checked
// against a fresh build of their keys after every step.
TEST(TableOrder, ModelOfRandomChangesStaysSound)
{
    TempDir dir;
    auto table = makeTable(dir, {});
    std::mt19937 random(7);
    const char* names[] = {"Ann", "Bob", "Cy", "Dee", "Eve", "Fay", "Gus"};
    for (int step = 0; step < 600; ++step) {
        const int action = static_cast<int>(random() % 10);
        const uint32_t count = table->recordCount();
        if (action < 5 || count == 0) {
            table->append();
            table->setString(0, names[random() % 7]);
            table->setString(1, names[random() % 7]);
            table->post();
        } else if (action < 8) {
            table->setShowDeleted(true);
            table->go(1 + static_cast<uint32_t>(random() % count));
            table->edit();
            table->setString(random() % 2 ? 0 : 1, names[random() % 7]);
            table->setLogical(2, random() % 2 == 0);
            table->post();
        } else if (action == 8) {
            table->setShowDeleted(true);
            table->go(1 + static_cast<uint32_t>(random() % count));
            table->deleted() ? table->recall() : table->deleteRecord();
        } else if (step % 50 == 9) {
            table->pack();
        }
        table->setShowDeleted(false);
        if (step % 25 == 0 || action == 9) {
            auto faults = table->checkIndexes();
            ASSERT_TRUE(faults.empty()) << "step " << step << ": " << faults.front();
        }
    }
    EXPECT_TRUE(table->checkIndexes().empty());
}

TEST(TableIndexFiles, MissingOrDamagedCdxLeavesTheTableUsable)
{
    TempDir dir;
    {
        auto table = makeTable(dir, {{"Able", "Waco"}});
        EXPECT_EQ(table->indexFileName(1), dir.file("T.CDX"));
        EXPECT_EQ(table->indexFileName(0), "");
        table->closeIndexes();
        EXPECT_EQ(table->tagCount(), 0);
        std::filesystem::remove(dir.file("T.CDX"));
        EXPECT_EQ(table->tagOrdinal("LNAME"), 0);
        EXPECT_GT(table->createTag("LNAME", "UPPER(LNAME)"), 0);
    }
    // Found regardless of letter case.
    std::filesystem::rename(dir.file("T.CDX"), dir.file("t.cdx"));
    EXPECT_EQ(Table::open(dir.file("T.DBF"))->tagOrdinal("lname"), 1);
    std::filesystem::remove(dir.file("t.cdx"));
    EXPECT_EQ(Table::open(dir.file("T.DBF"))->tagCount(), 0);

    writeFile(dir.file("T.CDX"), std::string(1024, '\xEE'));
    auto table = Table::open(dir.file("T.DBF"));
    EXPECT_EQ(table->tagCount(), 0);
    EXPECT_NE(table->indexProblem(), "");
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1}));

    EXPECT_THROW(table->createTag("BAD", "NOSUCH"), Error);
    EXPECT_THROW(table->createTag("BAD", "UPPER(LNAME"), Error);
}

TEST(TableIndexFiles, StandaloneIndexShowsOnlyTheRecordsPutInIt)
{
    TempDir dir;
    auto table = makeTable(dir, {{"Cole", "Reno"}, {"Able", "Waco"}, {"Baker", "Erie"}, {"Dunn", "Ames"}});
    int found = table->createStandaloneIndex(dir.file("_chkdup.idx"), "UPPER(LNAME)");
    EXPECT_EQ(found, table->tagCount());
    for (uint32_t r : {4u, 1u}) {
        table->go(r);
        table->addKey(found);
        table->addKey(found);  // a second time does not duplicate it
    }
    table->setOrder(found);
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 4}));
    table->go(4);
    table->edit();
    table->setString(0, "Adams");  // the key moves inside the index
    table->post();
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{4, 1}));
    EXPECT_EQ(table->indexFileName(found), dir.file("_chkdup.idx"));
    table->closeStandaloneIndex(found);
    EXPECT_EQ(table->order(), 0);
    std::filesystem::remove(dir.file("_chkdup.idx"));
    EXPECT_TRUE(table->checkIndexes().empty());
}

TEST(TableIndexFiles, PackAndZapKeepTheIndexInStep)
{
    TempDir dir;
    auto table = makeTable(dir, {{"Cole", "Reno"}, {"Able", "Waco"}, {"Baker", "Erie"}, {"Dunn", "Ames"}});
    table->setOrder("LNAME");
    table->go(2);
    table->deleteRecord();
    table->pack();
    EXPECT_EQ(table->order(), table->tagOrdinal("LNAME"));
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{2, 1, 3}));  // BAKER COLE DUNN
    EXPECT_TRUE(table->checkIndexes().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("T.DBF.pack-cdx")));
    table->zap();
    EXPECT_TRUE(walk(*table).empty());
    EXPECT_TRUE(table->checkIndexes().empty());
    table->append();
    table->setString(0, "New");
    table->post();
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1}));
}

// Index changes made in quick succession are held and written together; a
// marker beside the CDX says so, and a crash while they are held leaves the
// index reported for a rebuild instead of silently behind the records.
TEST(TableIndexFiles, HeldChangesAreMarkedAndACrashAsksForARebuild)
{
    TempDir dir;
    const std::string marker = dir.file("T.CDX.pending");
    auto table = makeTable(dir, {});
    auto post = [&table](const std::string& name) {
        table->append();
        table->setString(0, name);
        table->post();
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    post("Cole");
    EXPECT_FALSE(std::filesystem::exists(marker)) << "a change after a pause is written at once";
    size_t posts = 1;
    for (; posts < 1000 && !std::filesystem::exists(marker); ++posts)
        post("Able" + std::to_string(posts));
    EXPECT_TRUE(std::filesystem::exists(marker)) << "changes right after a write are held";
    table->setOrder("LNAME");
    EXPECT_EQ(walk(*table).size(), posts);  // held changes are seen all the same
    table->flush();
    EXPECT_FALSE(std::filesystem::exists(marker));
    table.reset();

    pid_t child = fork();
    if (child == 0) {
        auto t = Table::open(dir.file("T.DBF"));
        for (int i = 0; i < 1000 && !std::filesystem::exists(marker); ++i) {
            t->append();
            t->setString(0, "Lost" + std::to_string(i));
            t->post();
        }
        _exit(std::filesystem::exists(marker) ? 0 : 1);  // a crash, changes held
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    table = Table::open(dir.file("T.DBF"));
    EXPECT_NE(table->indexProblem().find("rebuilt"), std::string::npos) << table->indexProblem();
    EXPECT_EQ(table->tagCount(), 0);
    EXPECT_GE(table->recordCount(), 3u);  // the records are all there
    table->closeIndexes();
    std::filesystem::remove(dir.file("T.CDX"));
    table->createTag("LNAME", "UPPER(LNAME)");
    EXPECT_FALSE(std::filesystem::exists(marker));
    const uint32_t count = table->recordCount();
    table.reset();
    table = Table::open(dir.file("T.DBF"));
    EXPECT_EQ(table->indexProblem(), "");
    table->setOrder("LNAME");
    EXPECT_EQ(walk(*table).size(), count);
    EXPECT_TRUE(table->checkIndexes().empty());
}

}  // namespace

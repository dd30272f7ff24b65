// Compound index files this engine writes: tags built in bulk and kept by
// single inserts read back after reopening; descending, unique, FOR and
// numeric tags; seeks; tag replacement and removal; zap; bad requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/Error.h"
#include "xbase/IndexKey.h"

namespace {

using indextest::Entry;
using indextest::padded;
using indextest::VectorSource;

xbase::IndexTagInfo tagInfo(const std::string& name, int keyLength, char keyType = 'C')
{
    xbase::IndexTagInfo info;
    info.name = name;
    info.keyExpression = "UPPER(" + name + ")";
    info.keyLength = keyLength;
    info.keyType = keyType;
    return info;
}

// Names like an address file has: many equal ones, some with blanks.
std::vector<Entry> names(size_t count, int keyLength, uint32_t seed)
{
    static const char* const last[] = {"SMITH", "JONES", "VAN DER BERG", "O'BRIEN", "", "NGUYEN", "SMITHSON", "A"};
    std::mt19937 random(seed);
    std::vector<Entry> entries;
    for (size_t i = 0; i < count; ++i) {
        std::string text = last[random() % 8];
        text += std::to_string(random() % 97);
        entries.push_back({padded(text, keyLength), static_cast<uint32_t>(i + 1)});
    }
    return entries;
}

std::vector<Entry> walk(xbase::IndexCursor& cursor)
{
    std::vector<Entry> out;
    for (bool on = cursor.first(); on; on = cursor.next())
        out.emplace_back(std::string(cursor.key()), cursor.recno());
    return out;
}

std::vector<Entry> walkBackwards(xbase::IndexCursor& cursor)
{
    std::vector<Entry> out;
    for (bool on = cursor.last(); on; on = cursor.prev())
        out.emplace_back(std::string(cursor.key()), cursor.recno());
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<Entry> sorted(std::vector<Entry> entries)
{
    std::sort(entries.begin(), entries.end());
    return entries;
}

void expectError(xbase::ErrorKind kind, const std::function<void()>& action, const std::string& text = {})
{
    try {
        action();
        ADD_FAILURE() << "no error";
    } catch (const xbase::Error& e) {
        EXPECT_EQ(e.kind(), kind) << e.what();
        if (!text.empty()) {
            EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
        }
    }
}

TEST(CdxFileTest, TagsWrittenInBulkAndByInsertsReadBackAfterReopen)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("BOOK.CDX");
    const std::vector<Entry> entries = names(5000, 30, 1);
    std::vector<Entry> reversed(entries.rbegin(), entries.rend());

    xbase::IndexTagInfo desc = tagInfo("byname", 30);
    desc.descending = true;
    xbase::IndexTagInfo uniq = tagInfo("FIRSTS", 30);
    uniq.unique = true;
    xbase::IndexTagInfo cond = tagInfo("NAMEFOR", 30);
    cond.forExpression = "!DELETED() .AND. ISDEL = .F.";
    {
        auto cdx = xbase::CdxFile::create(path);
        VectorSource unsortedSource(reversed);
        cdx->addTag(tagInfo("NAME", 30), unsortedSource);
        VectorSource sortedSource(sorted(entries), true);
        cdx->addTag(desc, sortedSource);
        VectorSource uniqueSource(entries);
        cdx->addTag(uniq, uniqueSource);
        VectorSource none({});
        cdx->addTag(cond, none);
        for (const Entry& e : reversed)
            ASSERT_TRUE(cdx->insert(3, e.first, e.second));
        cdx->flush();
    }
    auto cdx = xbase::CdxFile::open(path, false);
    ASSERT_EQ(cdx->tagCount(), 4);
    const char* names[] = {"NAME", "BYNAME", "FIRSTS", "NAMEFOR"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cdx->tagInfo(i).name, names[i]);
        EXPECT_EQ(cdx->tagInfo(i).keyLength, 30);
        EXPECT_EQ(cdx->tagInfo(i).keyType, 0);
        EXPECT_EQ(cdx->findTag(std::string(names[i]) == "BYNAME" ? "ByName" : names[i]), i);
        cdx->setKeyType(i, 'C');
    }
    EXPECT_EQ(cdx->findTag("MISSING"), -1);
    EXPECT_EQ(cdx->tagInfo(0).keyExpression, "UPPER(NAME)");
    EXPECT_FALSE(cdx->tagInfo(0).descending);
    EXPECT_TRUE(cdx->tagInfo(1).descending);
    EXPECT_TRUE(cdx->tagInfo(2).unique);
    EXPECT_EQ(cdx->tagInfo(3).forExpression, cond.forExpression);

    const std::vector<Entry> ascending = sorted(entries);
    EXPECT_EQ(walk(*cdx->cursor(0)), ascending);
    EXPECT_EQ(walkBackwards(*cdx->cursor(0)), ascending);
    EXPECT_EQ(walk(*cdx->cursor(3)), ascending) << "single inserts give the same order as a bulk build";

    const std::vector<Entry> descending(ascending.rbegin(), ascending.rend());
    EXPECT_EQ(walk(*cdx->cursor(1)), descending);
    EXPECT_EQ(walkBackwards(*cdx->cursor(1)), descending);

    // Unique: the first record of each key only.
    std::vector<Entry> firsts;
    for (const Entry& e : ascending)
        if (firsts.empty() || firsts.back().first != e.first)
            firsts.push_back(e);
    EXPECT_EQ(walk(*cdx->cursor(2)), firsts);

    const xbase::IndexVerifyReport report = cdx->verify();
    EXPECT_EQ(report.lostPages, 0u);
    EXPECT_EQ(report.orders[2].entries, firsts.size());
}

TEST(CdxFileTest, BulkBuildSortsKeysThatDifferAnywhere)
{
    // The build sorts on sixteen key bytes at a time: keys that differ only
    // around those boundaries, or not at all, in shuffled record order.
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("SORT.CDX"));
    std::mt19937 random(9);
    for (int keyLength : {1, 8, 16, 17, 33, 240}) {
        SCOPED_TRACE(keyLength);
        std::vector<Entry> entries;
        for (uint32_t recno = 1; recno <= 6000; ++recno) {
            std::string key(static_cast<size_t>(keyLength), 'M');
            for (size_t at : {size_t{0}, size_t{15}, size_t{16}, size_t{31}, size_t{32}, key.size() - 1})
                if (at < key.size() && random() % 3 == 0)
                    key[at] = static_cast<char>("A Z\xe9"[random() % 4]);
            entries.push_back({key, recno});
        }
        std::shuffle(entries.begin(), entries.end(), random);
        for (bool unique : {false, true}) {
            xbase::IndexTagInfo info = tagInfo(unique ? "U" + std::to_string(keyLength) : "S" + std::to_string(keyLength),
                                               keyLength);
            info.unique = unique;
            VectorSource source(entries);
            cdx->addTag(info, source);
            std::vector<Entry> expected = sorted(entries);
            if (unique)
                expected.erase(std::unique(expected.begin(), expected.end(),
                                           [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                               expected.end());
            EXPECT_EQ(walk(*cdx->cursor(cdx->tagCount() - 1)), expected) << (unique ? "unique" : "all");
        }
    }
    EXPECT_EQ(cdx->verify().lostPages, 0u);
}

TEST(CdxFileTest, BulkBuildLeavesRoomInLeavesAndAppendsKeepThemFull)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("FILL.CDX"));
    std::vector<Entry> entries;
    for (uint32_t i = 1; i <= 20000; ++i)
        entries.push_back({padded("KEY" + std::to_string(i * 7919 % 20011), 40), i});
    VectorSource source(entries);
    cdx->addTag(tagInfo("BULK", 40), source);
    VectorSource none({});
    cdx->addTag(tagInfo("APPEND", 1, 'L'), none);
    cdx->addTag(tagInfo("RANDOM", 40), none);
    // Records appended in order: ISDEL-like keys, all "F" and then some "T".
    for (uint32_t i = 1; i <= 20000; ++i)
        cdx->insert(1, i % 1000 == 0 ? "T" : "F", i);
    for (const Entry& e : entries)
        cdx->insert(2, e.first, e.second);
    const xbase::IndexVerifyReport report = cdx->verify();
    auto fill = [](const xbase::IndexTreeStats& s) {
        return static_cast<double>(s.leafBytesUsed) / (488.0 * s.leafPages);
    };
    EXPECT_GT(fill(report.orders[0]), 0.85) << "bulk-built leaves are nearly full";
    EXPECT_LT(fill(report.orders[0]), 0.91) << "bulk-built leaves keep a tenth free";
    EXPECT_GT(fill(report.orders[1]), 0.90) << "appending in key order leaves full pages behind";
    EXPECT_GT(fill(report.orders[2]), 0.55) << "random inserts split pages half and half";
    EXPECT_GE(report.orders[0].depth, 3);
    EXPECT_EQ(report.lostPages, 0u);

    // One more record under every hundredth key of the built tag: each lands
    // in a different leaf and fits in its free room, so no leaf splits.
    for (size_t i = 0; i < entries.size(); i += 100)
        cdx->insert(0, entries[i].first, 20001 + static_cast<uint32_t>(i));
    const xbase::IndexVerifyReport after = cdx->verify();
    EXPECT_EQ(after.orders[0].leafPages, report.orders[0].leafPages);
    EXPECT_EQ(after.orders[0].entries, report.orders[0].entries + 200);
}

TEST(CdxFileTest, NumericAndLogicalKeysOrderByValue)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("NUM.CDX");
    const std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 1e-300, -1e300, 3.25, 2.0, 1e15, -2.5, 100.0, 0.5};
    {
        auto cdx = xbase::CdxFile::create(path);
        std::vector<Entry> entries;
        for (size_t i = 0; i < values.size(); ++i)
            entries.push_back({xbase::indexNumberKey(values[i]), static_cast<uint32_t>(i + 1)});
        VectorSource source(entries);
        cdx->addTag(tagInfo("AMOUNT", 8, 'N'), source);
        VectorSource flags({{"T", 1}, {"F", 2}, {"T", 3}});
        cdx->addTag(tagInfo("FLAG", 1, 'L'), flags);
    }
    auto cdx = xbase::CdxFile::open(path, true);
    cdx->setKeyType(0, 'N');
    cdx->setKeyType(1, 'L');
    std::vector<std::pair<double, uint32_t>> expected;
    for (size_t i = 0; i < values.size(); ++i)
        expected.push_back({values[i] == 0.0 ? 0.0 : values[i], static_cast<uint32_t>(i + 1)});
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<double, uint32_t>> got;
    for (const Entry& e : walk(*cdx->cursor(0)))
        got.push_back({xbase::indexNumberFromKey(e.first), e.second});
    EXPECT_EQ(got, expected);
    // Trailing NUL bytes of numbers are stored trimmed and come back.
    auto cursor = cdx->cursor(0);
    ASSERT_TRUE(cursor->seek(xbase::indexNumberKey(2.0)));
    EXPECT_EQ(xbase::indexNumberFromKey(cursor->key()), 2.0);
    EXPECT_EQ(cursor->key(), xbase::indexNumberKey(2.0));
    EXPECT_EQ(walk(*cdx->cursor(1)), (std::vector<Entry>{{"F", 2}, {"T", 1}, {"T", 3}}));
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->setKeyType(0, 'C'); }, "already");
}

TEST(CdxFileTest, SeekWithExactOffExactOnAndSoftSeek)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("SEEK.CDX"));
    const std::vector<Entry> entries = {{padded("SMITH", 10), 4},  {padded("SMITH", 10), 2}, {padded("SMITHSON", 10), 1},
                                        {padded("SMYTHE", 10), 3}, {padded("JONES", 10), 5}, {padded("", 10), 6}};
    VectorSource source(entries);
    cdx->addTag(tagInfo("NAME", 10), source);
    xbase::IndexTagInfo desc = tagInfo("DNAME", 10);
    desc.descending = true;
    VectorSource again(entries);
    cdx->addTag(desc, again);

    auto up = cdx->cursor(0);
    struct Case {
        std::string key;
        uint32_t recno;
        bool positioned;
        uint32_t at;
        bool match;
    };
    const std::vector<Case> ascending = {
        {"SMITH", 0, true, 2, true},                 // exact off: prefix, first record of the run
        {padded("SMITH", 10), 0, true, 2, true},     // exact on: the whole padded key
        {padded("SMITH", 10), 3, true, 4, true},     // (key, recno): the first record >= 3
        {padded("SMITHS", 10), 0, true, 1, false},   // soft seek: the next greater key
        {"SMZ", 0, false, 0, false},                 // past the last key
        {"", 0, true, 6, true},                      // the empty prefix matches the first
        {padded("", 10), 0, true, 6, true},          // a blank key is a key too
        {"JONES ", 0, true, 5, true},
    };
    for (const Case& c : ascending) {
        SCOPED_TRACE(c.key);
        ASSERT_EQ(up->seek(c.key, c.recno), c.positioned);
        if (c.positioned) {
            EXPECT_EQ(up->recno(), c.at);
            EXPECT_EQ(up->keyStartsWith(c.key), c.match);
        }
    }

    // Descending: the first entry in walking order that is not before the key.
    auto down = cdx->cursor(1);
    const std::vector<Case> descending = {
        {"SMITH", 0, true, 1, true},                // SMITHSON is the first "SMITH..." walking down
        {padded("SMITH", 10), 0, true, 4, true},    // the greatest record of the key first
        {padded("SMITH", 10), 3, true, 2, true},
        {"SMJ", 0, true, 1, false},                 // soft: the next smaller key
        {" ", 0, true, 6, true},
        {"A", 0, true, 6, false},
        {std::string(1, '\x01'), 0, false, 0, false},  // before every key
    };
    for (const Case& c : descending) {
        SCOPED_TRACE("descending " + c.key);
        ASSERT_EQ(down->seek(c.key, c.recno), c.positioned);
        if (c.positioned) {
            EXPECT_EQ(down->recno(), c.at);
            EXPECT_EQ(down->keyStartsWith(c.key), c.match);
        }
    }
    ASSERT_TRUE(down->seek("SMITH"));
    ASSERT_TRUE(down->next());
    EXPECT_EQ(down->recno(), 4u);

    expectError(xbase::ErrorKind::InvalidArgument, [&] { up->seek(std::string(11, 'A')); }, "longer");
    expectError(xbase::ErrorKind::InvalidArgument, [&] { up->seek("SMI", 3); });
}

TEST(CdxFileTest, CursorKeepsItsPlaceWhenEntriesChangeAroundIt)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("MOVE.CDX"));
    VectorSource none({});
    cdx->addTag(tagInfo("K", 4), none);
    for (uint32_t i = 1; i <= 3000; ++i)
        cdx->insert(0, padded(std::to_string(i % 1000), 4), i);
    auto cursor = cdx->cursor(0);
    ASSERT_TRUE(cursor->seek(padded("500", 4), 1500));
    // Thousands of inserts split the pages around the cursor.
    for (uint32_t i = 3001; i <= 6000; ++i)
        cdx->insert(0, padded(std::to_string(i % 1000), 4), i);
    EXPECT_EQ(cursor->recno(), 1500u);
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->recno(), 2500u);
    // Its own entry removed: next goes to what followed it, prev to what preceded it.
    cdx->remove(0, padded("500", 4), 2500);
    EXPECT_EQ(cursor->recno(), 2500u);
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->recno(), 3500u);
    cdx->remove(0, padded("500", 4), 3500);
    ASSERT_TRUE(cursor->prev());
    EXPECT_EQ(cursor->recno(), 1500u);
}

TEST(CdxFileTest, RemovingAnEntryCanGrowItsPage)
{
    // "AB" + blanks sits between "AA" + blanks + "!x" and "AB" + blanks +
    // "!x": each stores two bytes, but without it the long key after it
    // shares one byte with the one before and stores 59. In packed pages
    // such a remove must split the page, not overflow it.
    testsupport::TempDir dir;
    const std::string path = dir.file("GROW.CDX");
    auto cdx = xbase::CdxFile::create(path);
    std::vector<Entry> entries;
    uint32_t recno = 0;
    for (char a = 'A'; a <= 'Z'; ++a) {
        for (char b = 'A'; b <= 'Z'; ++b) {
            const std::string base{a, b};
            entries.push_back({padded(base, 60), ++recno});
            entries.push_back({padded(base + std::string(56, ' ') + "!x", 60), ++recno});
        }
    }
    VectorSource source(entries);
    cdx->addTag(tagInfo("GROW", 60), source);
    std::vector<Entry> expected = sorted(entries);
    for (size_t i = 10; i < entries.size(); i += 37) {
        ASSERT_TRUE(cdx->remove(0, entries[i].first, entries[i].second));
        expected.erase(std::find(expected.begin(), expected.end(), entries[i]));
        ASSERT_NO_THROW(cdx->verify()) << "after removing entry " << i;
    }
    cdx.reset();
    cdx = xbase::CdxFile::open(path, false);
    cdx->setKeyType(0, 'C');
    EXPECT_EQ(walk(*cdx->cursor(0)), expected);
}

TEST(CdxFileTest, InsertAndRemoveReportWhatChanged)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("DUP.CDX"));
    VectorSource none({});
    cdx->addTag(tagInfo("PLAIN", 5), none);
    xbase::IndexTagInfo uniq = tagInfo("ONCE", 5);
    uniq.unique = true;
    cdx->addTag(uniq, none);
    EXPECT_TRUE(cdx->insert(0, "ABC  ", 7));
    EXPECT_FALSE(cdx->insert(0, "ABC  ", 7)) << "the same entry twice";
    EXPECT_TRUE(cdx->insert(0, "ABC  ", 8));
    EXPECT_TRUE(cdx->insert(1, "ABC  ", 8));
    EXPECT_FALSE(cdx->insert(1, "ABC  ", 7)) << "unique: the key is there for another record";
    EXPECT_TRUE(cdx->remove(0, "ABC  ", 7));
    EXPECT_FALSE(cdx->remove(0, "ABC  ", 7));
    EXPECT_FALSE(cdx->remove(0, "ABD  ", 8));
    EXPECT_EQ(walk(*cdx->cursor(0)), (std::vector<Entry>{{"ABC  ", 8}}));
}

TEST(CdxFileTest, ReplacingAndRemovingTagsReusesTheirPages)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("TAGS.CDX");
    auto cdx = xbase::CdxFile::create(path);
    const std::vector<Entry> entries = names(8000, 30, 2);
    for (const char* name : {"A", "B", "C"}) {
        VectorSource source(entries);
        cdx->addTag(tagInfo(name, 30), source);
    }
    cdx->flush();
    const auto sizeWithThree = std::filesystem::file_size(path);
    auto cursorB = cdx->cursor(1);
    ASSERT_TRUE(cursorB->first());

    // Same name again: the tag is built anew and becomes the newest.
    xbase::IndexTagInfo newB = tagInfo("b", 30);
    newB.keyExpression = "UPPER(OTHER)";
    VectorSource source(entries);
    cdx->addTag(newB, source);
    ASSERT_EQ(cdx->tagCount(), 3);
    EXPECT_EQ(cdx->tagInfo(2).name, "B");
    EXPECT_EQ(cdx->tagInfo(2).keyExpression, "UPPER(OTHER)");
    EXPECT_EQ(cdx->findTag("C"), 1);
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cursorB->next(); }, "removed");

    cdx->removeTag(cdx->findTag("A"));
    EXPECT_EQ(cdx->tagCount(), 2);
    VectorSource again(entries);
    cdx->addTag(tagInfo("D", 30), again);
    cdx->flush();
    EXPECT_LE(std::filesystem::file_size(path), sizeWithThree + 2048 + 4 * 512)
        << "the new tags live in the freed pages";
    EXPECT_EQ(cdx->verify().lostPages, 0u);

    cdx.reset();
    cdx = xbase::CdxFile::open(path, false);
    ASSERT_EQ(cdx->tagCount(), 3);
    EXPECT_EQ(cdx->tagInfo(0).name, "C");
    EXPECT_EQ(cdx->tagInfo(1).name, "B");
    EXPECT_EQ(cdx->tagInfo(2).name, "D");
    cdx->setKeyType(2, 'C');
    EXPECT_EQ(walk(*cdx->cursor(2)), sorted(entries));
}

TEST(CdxFileTest, ClearEmptiesEveryTagAndShrinksTheFile)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("ZAP.CDX");
    auto cdx = xbase::CdxFile::create(path);
    const std::vector<Entry> entries = names(3000, 20, 3);
    for (const char* name : {"ONE", "TWO"}) {
        VectorSource source(entries);
        cdx->addTag(tagInfo(name, 20), source);
    }
    auto cursor = cdx->cursor(1);
    ASSERT_TRUE(cursor->first());
    cdx->clear();
    EXPECT_FALSE(cursor->next());
    EXPECT_FALSE(cdx->cursor(0)->first());
    // Directory header and root, then per tag a header and an empty root.
    EXPECT_EQ(std::filesystem::file_size(path), 1024u + 512u + 2 * (1024u + 512u));
    EXPECT_TRUE(cdx->insert(1, padded("X", 20), 9));
    cdx.reset();
    cdx = xbase::CdxFile::open(path, true);
    ASSERT_EQ(cdx->tagCount(), 2);
    EXPECT_EQ(cdx->tagInfo(1).name, "TWO");
    cdx->setKeyType(1, 'C');
    EXPECT_EQ(walk(*cdx->cursor(1)), (std::vector<Entry>{{padded("X", 20), 9}}));
}

TEST(CdxFileTest, AFailingBuildLeavesNoTagAndNoLostPages)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("FAIL.CDX");
    auto cdx = xbase::CdxFile::create(path);
    VectorSource good(names(100, 10, 4));
    cdx->addTag(tagInfo("GOOD", 10), good);
    for (bool sortedSource : {true, false}) {
        VectorSource failing(sorted(names(5000, 10, 5)), sortedSource, 4000);
        EXPECT_THROW(cdx->addTag(tagInfo("BAD", 10), failing), std::runtime_error);
        EXPECT_EQ(cdx->tagCount(), 1);
        EXPECT_EQ(cdx->findTag("BAD"), -1);
        const xbase::IndexVerifyReport report = cdx->verify();
        EXPECT_EQ(report.lostPages, 0u);
        EXPECT_GT(report.freePages, 5u);
    }
    // Entries claimed sorted but not.
    VectorSource liar({{padded("B", 10), 1}, {padded("A", 10), 2}}, true);
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("LIAR", 10), liar); }, "out of order");
    EXPECT_EQ(cdx->tagCount(), 1);
}

TEST(CdxFileTest, ProgressRunsFromZeroToOneHundred)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("PROG.CDX"));
    VectorSource source(names(50000, 12, 6));
    std::vector<int> seen;
    cdx->addTag(tagInfo("P", 12), source, [&](int percent) { seen.push_back(percent); });
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(CdxFileTest, BadRequestsAreRefused)
{
    testsupport::TempDir dir;
    auto cdx = xbase::CdxFile::create(dir.file("BAD.CDX"));
    VectorSource none({});
    for (const char* name : {"", "1ABC", "ELEVENCHARS", "A-B", "A B"})
        expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo(name, 10), none); }, "tag name");
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("K0", 0), none); });
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("K241", 241), none); });
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("KX", 10, 'X'), none); });
    xbase::IndexTagInfo longExpr = tagInfo("LONG", 10);
    longExpr.keyExpression = std::string(600, 'A');
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(longExpr, none); }, "longer");
    VectorSource wrongLength({{"SHORT", 1}});
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("WL", 10), wrongLength); });
    VectorSource recnoZero({{padded("A", 10), 0}});
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->addTag(tagInfo("RZ", 10), recnoZero); });
    EXPECT_EQ(cdx->tagCount(), 0);

    cdx->addTag(tagInfo("OK_1", 10), none);
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->insert(0, "SHORT", 1); });
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->insert(0, padded("A", 10), 0); });
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->insert(1, padded("A", 10), 1); }, "no tag");
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->setKeyType(0, 'Q'); });
}

TEST(CdxFileTest, KeyTypeMustBeKnownBeforeKeysAreRead)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("TYPE.CDX");
    {
        auto cdx = xbase::CdxFile::create(path);
        VectorSource source({{xbase::indexNumberKey(1.0), 1}});
        cdx->addTag(tagInfo("N", 8, 'N'), source);
    }
    auto cdx = xbase::CdxFile::open(path, true);
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->cursor(0); }, "key type");
    expectError(xbase::ErrorKind::InvalidArgument, [&] { cdx->insert(0, xbase::indexNumberKey(2.0), 2); }, "key type");
    cdx->setKeyType(0, 'N');
    auto cursor = cdx->cursor(0);
    ASSERT_TRUE(cursor->first());
    EXPECT_EQ(cursor->key(), xbase::indexNumberKey(1.0));
}

}  // namespace

// Compact single-order index files (.IDX): created empty, filled key by
// key, read back; rebuilt; the header as other readers expect it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/Error.h"
#include "xbase/IdxFile.h"

namespace {

using indextest::Entry;
using indextest::padded;
using indextest::VectorSource;

std::vector<Entry> walk(xbase::IndexCursor& cursor)
{
    std::vector<Entry> out;
    for (bool on = cursor.first(); on; on = cursor.next())
        out.emplace_back(std::string(cursor.key()), cursor.recno());
    return out;
}

TEST(IdxFileTest, KeysAddedOneByOneReadBackInOrder)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("_chkdup.idx");
    std::vector<Entry> expected;
    {
        auto idx = xbase::IdxFile::create(path, "UPPER(LNAME)+UPPER(FNAME)", 60, 'C');
        std::mt19937 random(7);
        for (uint32_t recno = 1; recno <= 4000; ++recno) {
            const Entry e{padded("NAME" + std::to_string(random() % 500), 60), recno};
            ASSERT_TRUE(idx->insert(e.first, e.second));
            expected.push_back(e);
        }
        EXPECT_FALSE(idx->insert(expected[10].first, expected[10].second)) << "added twice, kept once";
        ASSERT_TRUE(idx->remove(expected[20].first, expected[20].second));
        EXPECT_FALSE(idx->remove(expected[20].first, expected[20].second));
        expected.erase(expected.begin() + 20);
        idx->flush();
    }
    std::sort(expected.begin(), expected.end());
    auto idx = xbase::IdxFile::open(path, false);
    EXPECT_EQ(idx->info().name, "_chkdup");
    EXPECT_EQ(idx->info().keyExpression, "UPPER(LNAME)+UPPER(FNAME)");
    EXPECT_EQ(idx->info().keyLength, 60);
    EXPECT_EQ(idx->info().keyType, 0);
    idx->setKeyType('C');
    EXPECT_EQ(walk(*idx->cursor()), expected);
    const xbase::IndexVerifyReport report = idx->verify();
    EXPECT_EQ(report.orders.at(0).entries, expected.size());
    EXPECT_GE(report.orders.at(0).depth, 2);
    EXPECT_EQ(report.lostPages, 0u);
}

TEST(IdxFileTest, RebuildAndClearReplaceEveryEntry)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("ORDER.IDX");
    xbase::IndexTagInfo info;
    info.keyExpression = "ZIP";
    info.forExpression = "!ISDEL";
    info.keyLength = 10;
    info.keyType = 'C';
    info.descending = true;
    auto idx = xbase::IdxFile::create(path, info);
    for (uint32_t i = 1; i <= 500; ++i)
        idx->insert(padded(std::to_string(i), 10), i);
    std::vector<Entry> entries;
    for (uint32_t i = 1; i <= 3000; ++i)
        entries.push_back({padded(std::to_string(i * 37 % 1009), 10), i});
    VectorSource source(entries);
    idx->rebuild(source);
    std::sort(entries.begin(), entries.end());
    std::reverse(entries.begin(), entries.end());
    EXPECT_EQ(walk(*idx->cursor()), entries) << "descending: greatest first";
    EXPECT_EQ(idx->verify().lostPages, 0u);

    VectorSource failing(entries, false, 100);
    EXPECT_THROW(idx->rebuild(failing), std::runtime_error);
    EXPECT_FALSE(idx->cursor()->first()) << "a failed rebuild leaves an empty index";

    idx->insert(padded("X", 10), 1);
    idx->clear();
    EXPECT_FALSE(idx->cursor()->first());
    idx.reset();
    EXPECT_EQ(std::filesystem::file_size(path), 1024u + 512u);
    idx = xbase::IdxFile::open(path, true);
    EXPECT_EQ(idx->info().forExpression, "!ISDEL");
    EXPECT_TRUE(idx->info().descending);
}

TEST(IdxFileTest, HeaderHoldsTheFieldsOtherReadersLookFor)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("HDR.IDX");
    xbase::IndexTagInfo info;
    info.keyExpression = "UPPER(CITY)";
    info.forExpression = "STATE = \"TX\"";
    info.keyLength = 30;
    info.keyType = 'C';
    info.unique = true;
    xbase::IdxFile::create(path, info).reset();
    const std::string bytes = testsupport::readFile(path);
    ASSERT_EQ(bytes.size(), 1536u);
    auto le16 = [&](size_t at) { return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8; };
    uint32_t root;
    std::memcpy(&root, bytes.data(), 4);
    EXPECT_EQ(root, 1024u);
    EXPECT_EQ(le16(12), 30);
    EXPECT_EQ(static_cast<uint8_t>(bytes[14]), 0x20 | 0x08 | 0x01) << "compact, FOR clause, unique";
    EXPECT_EQ(le16(502), 0) << "ascending";
    EXPECT_EQ(le16(510), 12) << "key expression pool length with its NUL";
    EXPECT_EQ(le16(506), 13);
    EXPECT_EQ(std::string(bytes.data() + 512), "UPPER(CITY)");
    EXPECT_EQ(std::string(bytes.data() + 512 + 12), "STATE = \"TX\"");
    EXPECT_EQ(le16(1024), 3) << "the empty root is a root leaf";
}

TEST(IdxFileTest, CompoundAndSingleIndexesAreNotMistakenForEachOther)
{
    testsupport::TempDir dir;
    xbase::CdxFile::create(dir.file("BOTH.CDX")).reset();
    xbase::IdxFile::create(dir.file("BOTH.IDX"), "K", 4, 'C').reset();
    try {
        xbase::IdxFile::open(dir.file("BOTH.CDX"), false);
        FAIL() << "a CDX opened as IDX";
    } catch (const xbase::Error& e) {
        EXPECT_EQ(e.kind(), xbase::ErrorKind::NotSupported);
    }
    try {
        xbase::CdxFile::open(dir.file("BOTH.IDX"), false);
        FAIL() << "an IDX opened as CDX";
    } catch (const xbase::Error& e) {
        EXPECT_EQ(e.kind(), xbase::ErrorKind::Corrupt);
        EXPECT_NE(std::string(e.what()).find("not a compound index"), std::string::npos) << e.what();
    }
}

}  // namespace

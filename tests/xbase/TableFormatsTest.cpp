// DBF flavours written by other programs, and damaged or hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "xbase/Error.h"
#include "xbase/Table.h"

using namespace testsupport;
using xbase::Error;
using xbase::ErrorKind;
using xbase::OpenMode;
using xbase::Table;

namespace {

struct RawField {
    const char* name;
    char type;
    int length;
    int decimals = 0;
    int flags = 0;
};

void put16(std::string& s, size_t at, uint32_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}

void put32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = char((v >> (8 * i)) & 0xFF);
}

// A DBF as another program would write it: header, descriptors, the end
// mark, `extra` bytes of header area, then the records as given.
std::string makeDbf(uint8_t version, const std::vector<RawField>& fields, const std::vector<std::string>& records,
                    size_t extra = 1)
{
    size_t headerLength = 32 + 32 * fields.size() + 1 + extra;
    size_t recordLength = 1;
    for (const auto& f : fields)
        recordLength += f.length;
    std::string s(headerLength, '\0');
    s[0] = char(version);
    put32(s, 4, uint32_t(records.size()));
    put16(s, 8, uint32_t(headerLength));
    put16(s, 10, uint32_t(recordLength));
    for (size_t i = 0; i < fields.size(); ++i) {
        size_t d = 32 + 32 * i;
        std::memcpy(&s[d], fields[i].name, std::strlen(fields[i].name));
        s[d + 11] = fields[i].type;
        s[d + 16] = char(fields[i].length);
        s[d + 17] = char(fields[i].decimals);
        s[d + 18] = char(fields[i].flags);
    }
    s[32 + 32 * fields.size()] = 0x0D;
    for (const auto& r : records) {
        EXPECT_EQ(r.size(), recordLength);
        s += r;
    }
    return s + "\x1A";
}

std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    put32(s, 0, v);
    return s;
}

std::string bytesOf(double v)
{
    std::string s(8, '\0');
    std::memcpy(s.data(), &v, 8);
    return s;
}

TEST(TableFlavours, DBase3WithDbtMemo)
{
    TempDir dir;
    writeFile(dir.file("D3.DBF"), makeDbf(0x83, {{"NAME", 'C', 5}, {"NOTES", 'M', 10}},
                                          {" Ann           1", "*Bob            "}));
    std::string dbt(512, '\0');
    put32(dbt, 0, 3);
    dbt += "first memo\r\nline" + std::string("\x1A\x1A");
    dbt.resize(1024, '\0');
    writeFile(dir.file("d3.dbt"), dbt);  // companion found whatever its letter case
    auto table = Table::open(dir.file("D3.DBF"), OpenMode::ReadOnly);
    table->setShowDeleted(true);
    ASSERT_TRUE(table->first());
    EXPECT_EQ(table->getString(0), "Ann");
    EXPECT_EQ(table->memo(1), "first memo\r\nline");
    ASSERT_TRUE(table->next());
    EXPECT_TRUE(table->deleted());
    EXPECT_TRUE(table->memoEmpty(1));
}

TEST(TableFlavours, DBase4WithDbtMemo)
{
    TempDir dir;
    writeFile(dir.file("D4.DBF"), makeDbf(0x8B, {{"NOTES", 'M', 10}, {"OK", 'L', 1}}, {"          1T"}));
    std::string dbt(512, '\0');
    put16(dbt, 20, 512);
    dbt += std::string("\xFF\xFF\x08\x00", 4) + le32(8 + 5) + "hello";
    dbt.resize(1024, '\0');
    writeFile(dir.file("D4.DBT"), dbt);
    auto table = Table::open(dir.file("D4.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(table->memo(0), "hello");
    EXPECT_TRUE(table->getLogical(1));
}

TEST(TableFlavours, VisualFoxProBinaryFieldsAndNulls)
{
    TempDir dir;
    const std::vector<RawField> fields = {
        {"N", 'I', 4}, {"B", 'B', 8, 2}, {"Y", 'Y', 8}, {"T", 'T', 8}, {"C", 'C', 4, 0, 0x02}, {"_NullFlags", '0', 1, 0, 0x05},
    };
    std::string r1 = " " + le32(uint32_t(-12)) + bytesOf(3.25) + std::string("\x10\x27\0\0\0\0\0\0", 8) +
                     le32(2450567) + le32((14 * 3600 + 5 * 60 + 9) * 1000) + "abcd" + std::string(1, '\0');
    std::string r2 = " " + le32(0) + bytesOf(0) + std::string(8, '\0') + le32(0) + le32(0) + "    " + std::string(1, '\x01');
    writeFile(dir.file("VFP.DBF"), makeDbf(0x30, fields, {r1, r2}, 1 + 263));
    auto table = Table::open(dir.file("VFP.DBF"), OpenMode::ReadOnly);
    EXPECT_TRUE(table->fields()[5].isSystem());
    EXPECT_EQ(table->getString(0), "-12");
    EXPECT_DOUBLE_EQ(table->getNumber(1), 3.25);
    EXPECT_EQ(table->getString(1), "3.25");
    EXPECT_DOUBLE_EQ(table->getNumber(2), 1.0);
    EXPECT_EQ(table->getString(3), "19970428140509");
    EXPECT_EQ(table->getString(4), "abcd");
    EXPECT_FALSE(table->fieldIsNull(4));
    table->next();
    EXPECT_TRUE(table->fieldIsNull(4));
    EXPECT_EQ(table->getString(4), "");
}

TEST(TableFlavours, DBase7IsRefusedClearly)
{
    TempDir dir;
    std::string file = makeDbf(0x04, {{"A", 'C', 1}}, {});
    writeFile(dir.file("D7.DBF"), file);
    try {
        Table::open(dir.file("D7.DBF"), OpenMode::ReadOnly);
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::NotSupported);
        EXPECT_NE(std::string(error.what()).find("dBase 7"), std::string::npos);
    }
}

// Damaged files: each gives a clear error of the right kind, never a crash.
TEST(TableDamage, EveryFaultIsAClearError)
{
    const std::string good = makeDbf(0xF5, {{"NAME", 'C', 5}, {"NOTES", 'M', 10}},
                                     {" Ann          16", " Bob            "});
    std::string fpt(1024, '\0');
    fpt[3] = 16;  // next free block
    fpt[7] = 64;  // block size
    std::string memo = std::string("\0\0\0\x01", 4) + std::string("\0\0\0\x05", 4) + "hello";
    memo.resize(64, '\0');
    fpt += memo;  // block 16, right after the header

    struct Case {
        const char* what;
        std::function<void(std::string& dbf, std::string& fpt)> damage;
        ErrorKind kind;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty file", [](std::string& d, std::string&) { d.clear(); }, ErrorKind::Corrupt, "too short"},
        {"truncated header", [](std::string& d, std::string&) { d.resize(40); }, ErrorKind::Corrupt, "Header length"},
        {"header length too small", [](std::string& d, std::string&) { put16(d, 8, 33); }, ErrorKind::Corrupt, "too small"},
        {"no field end mark", [](std::string& d, std::string&) { d[96] = 'X'; }, ErrorKind::Corrupt, "header"},
        {"field count overruns the file", [](std::string& d, std::string&) { put16(d, 8, 60000); }, ErrorKind::Corrupt, "past the end"},
        {"fields longer than record", [](std::string& d, std::string&) { d[32 + 16] = char(200); }, ErrorKind::Corrupt, "longer than the record"},
        {"record count past the end", [](std::string& d, std::string&) { put32(d, 4, 1000000); }, ErrorKind::Corrupt, "holds only"},
        {"negative record count", [](std::string& d, std::string&) { put32(d, 4, 0xFFFFFFFF); }, ErrorKind::Corrupt, "holds only"},
        {"record length zero", [](std::string& d, std::string&) { put16(d, 10, 0); }, ErrorKind::Corrupt, "Record length"},
        {"unknown field type", [](std::string& d, std::string&) { d[32 + 11] = 'Z'; }, ErrorKind::NotSupported, "unknown type"},
        {"unknown version", [](std::string& d, std::string&) { d[0] = 0x7F; }, ErrorKind::NotSupported, "version byte"},
        {"memo pointer past the end", [](std::string& d, std::string&) { d.replace(d.size() - 5, 4, "9999"); }, ErrorKind::Corrupt, "past the end of the memo"},
        {"memo length past the end", [](std::string&, std::string& f) { f[1024 + 4] = '\x7F'; }, ErrorKind::Corrupt, "runs past"},
        {"negative memo length", [](std::string&, std::string& f) { f.replace(1028, 4, "\xFF\xFF\xFF\xFF"); }, ErrorKind::Corrupt, "runs past"},
        {"memo pointer garbage", [](std::string& d, std::string&) { d.replace(d.size() - 5, 4, "12x4"); }, ErrorKind::Corrupt, "not a number"},
        {"memo block size zero", [](std::string&, std::string& f) { f[7] = 0; }, ErrorKind::Corrupt, "block size"},
        {"memo pointer into the header", [](std::string& d, std::string&) { d.replace(d.size() - 5, 4, "   3"); }, ErrorKind::Corrupt, "header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string dbf = good;
        std::string memoFile = fpt;
        c.damage(dbf, memoFile);
        writeFile(dir.file("T.DBF"), dbf);
        writeFile(dir.file("T.FPT"), memoFile);
        try {
            auto table = Table::open(dir.file("T.DBF"), OpenMode::ReadOnly);
            // Reading every record and memo must meet the fault.
            for (bool more = table->first(); more; more = table->next())
                table->memo(1);
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), c.kind) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(dir.path()), std::string::npos) << "names the file: " << error.what();
        }
    }
}

}  // namespace

// The table engine on files it writes: creation, editing, memos, the cursor
// under the query and the delete mark, locks, and whole-table operations.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "TestSupport.h"
#include "xbase/Error.h"
#include "xbase/FileReplacement.h"
#include "xbase/Table.h"

using namespace testsupport;
using xbase::EditState;
using xbase::Error;
using xbase::ErrorKind;
using xbase::FieldSpec;
using xbase::OpenMode;
using xbase::Table;

namespace {

const std::vector<FieldSpec> kPeople = {
    {"NAME", 'C', 20, 0}, {"CITY", 'C', 15, 0}, {"AGE", 'N', 5, 1}, {"ISDEL", 'L', 1, 0},
    {"SINCE", 'D', 8, 0}, {"NOTES", 'M', 10, 0},
};

// A table of `names`, record i+1 holding names[i].
std::unique_ptr<Table> makePeople(const TempDir& dir, const std::vector<std::string>& names)
{
    std::string path = dir.file("PEOPLE.DBF");
    Table::create(path, kPeople);
    auto table = Table::open(path);
    for (const auto& name : names) {
        table->append();
        table->setString(0, name);
        table->post();
    }
    table->first();
    return table;
}

std::vector<uint32_t> walk(Table& table, bool forward = true)
{
    std::vector<uint32_t> recnos;
    for (bool more = forward ? table.first() : table.last(); more; more = forward ? table.next() : table.prior()) {
        if (!forward && table.bof())
            break;
        recnos.push_back(table.recno());
    }
    return recnos;
}

ErrorKind kindOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no error";
    return ErrorKind::Io;
}

TEST(TableCreate, WritesFoxProHeaderAndReadsBackEveryType)
{
    TempDir dir;
    auto table = makePeople(dir, {});
    EXPECT_EQ(table->dbf().version(), 0xF5);  // FoxPro 2 with memo
    EXPECT_EQ(table->dbf().headerLength(), 32u + 32u * 6u + 2u);
    EXPECT_EQ(table->memoFile()->blockSize(), 64u);
    EXPECT_TRUE(table->eof());
    EXPECT_TRUE(table->bof());
    EXPECT_EQ(table->recno(), 1u);

    table->append();
    table->setString(0, "Smith   ");
    table->setString(1, "");
    table->setNumber(2, 42.25);
    table->setLogical(3, true);
    table->setString(4, "19970428");
    table->setMemo(5, "line one\r\nline two");
    table->post();
    table.reset();

    auto again = Table::open(dir.file("PEOPLE.DBF"));
    ASSERT_FALSE(again->eof());
    EXPECT_EQ(again->getString(0), "Smith");
    EXPECT_EQ(again->fieldBytes(0), "Smith               ");  // full width inside
    EXPECT_EQ(again->getString(1), "");
    EXPECT_EQ(again->getString(2), "42.3");
    EXPECT_DOUBLE_EQ(again->getNumber(2), 42.3);
    EXPECT_EQ(again->getString(3), "T");
    EXPECT_EQ(again->getString(4), "19970428");
    EXPECT_EQ(again->memo(5), "line one\r\nline two");
    std::string bytes = readFile(dir.file("PEOPLE.DBF"));
    EXPECT_EQ(bytes[29], '\x03');  // Windows-1252
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(TableCreate, WithoutMemoIsDBase3AndRefusesBadDefinitions)
{
    TempDir dir;
    Table::create(dir.file("PLAIN.DBF"), {{"A", 'C', 3, 0}});
    EXPECT_EQ(readFile(dir.file("PLAIN.DBF"))[0], '\x03');
    EXPECT_FALSE(std::filesystem::exists(dir.file("PLAIN.FPT")));

    const std::vector<std::vector<FieldSpec>> bad = {
        {},
        {{"1ABC", 'C', 3, 0}},
        {{"TOOLONGNAME", 'C', 3, 0}},
        {{"A", 'C', 0, 0}},
        {{"A", 'C', 255, 0}},
        {{"A", 'N', 5, 4}},
        {{"A", 'L', 2, 0}},
        {{"A", 'X', 2, 0}},
        {{"A", 'C', 3, 0}, {"a", 'C', 3, 0}},
    };
    for (const auto& fields : bad)
        EXPECT_EQ(kindOf([&] { Table::create(dir.file("BAD.DBF"), fields); }), ErrorKind::InvalidArgument);
}

TEST(TableEdit, RefusesValuesThatDoNotFitAndCancelRestores)
{
    TempDir dir;
    auto table = makePeople(dir, {"Jones"});
    table->edit();
    EXPECT_EQ(kindOf([&] { table->setString(0, std::string(21, 'x')); }), ErrorKind::InvalidArgument);
    table->setString(0, std::string(20, 'x') + "   ");  // trailing blanks may go
    EXPECT_EQ(kindOf([&] { table->setNumber(2, 123456.0); }), ErrorKind::InvalidArgument);
    EXPECT_EQ(kindOf([&] { table->setString(2, "12a"); }), ErrorKind::InvalidArgument);
    EXPECT_EQ(kindOf([&] { table->setString(4, "1997-04-28"); }), ErrorKind::InvalidArgument);
    EXPECT_EQ(kindOf([&] { table->next(); }), ErrorKind::InvalidArgument);  // post or cancel first
    table->setMemo(5, "draft");
    table->cancel();
    EXPECT_EQ(table->getString(0), "Jones");
    EXPECT_TRUE(table->memoEmpty(5));
    EXPECT_EQ(table->state(), EditState::Browse);

    table->append();
    table->setString(0, "Dropped");
    table->cancel();
    EXPECT_EQ(table->recordCount(), 1u);
    EXPECT_EQ(table->recno(), 1u);
    EXPECT_EQ(table->getString(0), "Jones");
}

TEST(TableMemo, ReusesBlocksWhenTheTextFitsElseAppends)
{
    TempDir dir;
    auto table = makePeople(dir, {"A", "B"});
    auto memoSize = [&] { return std::filesystem::file_size(dir.file("PEOPLE.FPT")); };
    table->edit();
    table->setMemo(5, std::string(100, 'a'));  // 108 bytes: two 64-byte blocks
    table->post();
    const auto sizeAfterFirst = memoSize();
    EXPECT_EQ(sizeAfterFirst, 1024u + 128u);

    table->edit();
    table->setMemo(5, std::string(56, 'b'));  // fits the old blocks
    table->post();
    EXPECT_EQ(memoSize(), sizeAfterFirst);
    EXPECT_EQ(table->memo(5), std::string(56, 'b'));

    table->edit();
    table->setMemo(5, std::string(200, 'c'));  // needs four blocks: appended
    table->post();
    EXPECT_EQ(memoSize(), sizeAfterFirst + 256u);
    EXPECT_EQ(table->memo(5), std::string(200, 'c'));

    table->edit();
    table->setMemo(5, "");
    table->post();
    EXPECT_TRUE(table->memoEmpty(5));
    EXPECT_EQ(table->fieldBytes(5), "          ");
}

TEST(TableCursor, EndsAndRecordNumbers)
{
    TempDir dir;
    auto table = makePeople(dir, {"A", "B", "C"});
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->recno(), 4u);
    EXPECT_EQ(table->getString(0), "");
    EXPECT_TRUE(table->prior());  // from the end back to the last record
    EXPECT_EQ(table->recno(), 3u);
    table->first();
    EXPECT_FALSE(table->prior());
    EXPECT_TRUE(table->bof());
    EXPECT_EQ(table->recno(), 1u);
    EXPECT_TRUE(table->skip(2));
    EXPECT_EQ(table->recno(), 3u);
    EXPECT_FALSE(table->skip(1));
    EXPECT_TRUE(table->eof());
    EXPECT_TRUE(table->go(2));
    EXPECT_TRUE(table->skip(-1));
    EXPECT_EQ(table->recno(), 1u);
    EXPECT_FALSE(table->go(9));
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(walk(*table, false), (std::vector<uint32_t>{3, 2, 1}));
}

TEST(TableCursor, HiddenRecordsAreSkippedAndLeftFromTheirPlace)
{
    TempDir dir;
    auto table = makePeople(dir, {"Ann", "Bob", "Cy", "Dee", "Eve"});
    table->go(2);
    table->deleteRecord();
    EXPECT_TRUE(table->deleted());
    table->go(4);
    table->edit();
    table->setLogical(3, true);  // ISDEL
    table->post();

    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 3, 4, 5}));
    table->setQuery("!ISDEL");
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 3, 5}));
    EXPECT_EQ(table->queryCount(), 3u);
    table->setShowDeleted(true);
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 2, 3, 5}));
    EXPECT_EQ(table->queryCount(), 4u);
    table->setShowDeleted(false);

    // go() to a hidden record moves on to the next visible one.
    EXPECT_FALSE(table->go(2));
    EXPECT_EQ(table->recno(), 3u);
    EXPECT_FALSE(table->go(4));
    EXPECT_EQ(table->recno(), 5u);

    // The current record becomes hidden: next and prior go on from its place.
    table->go(3);
    table->edit();
    table->setLogical(3, true);
    table->post();
    EXPECT_EQ(table->recno(), 3u);
    EXPECT_TRUE(table->next());
    EXPECT_EQ(table->recno(), 5u);
    table->go(5);
    table->deleteRecord();
    EXPECT_TRUE(table->prior());
    EXPECT_EQ(table->recno(), 1u);

    table->recall();
    EXPECT_FALSE(table->deleted());
    table->setQuery("NAME = 'Nobody'");
    EXPECT_FALSE(table->first());
    EXPECT_TRUE(table->eof());
    EXPECT_TRUE(table->bof());
    EXPECT_EQ(table->queryCount(), 0u);
}

// Moving reads only delete marks (remembered from the windows read); the
// record itself is read when a value is asked for. Changes made right after
// a move must act on the record in the file, and the remembered marks must
// follow deletes, recalls, appends still being gathered, and zap.
TEST(TableCursor, MovesReadMarksAndChangesActOnTheRecordInTheFile)
{
    TempDir dir;
    auto table = makePeople(dir, {});
    constexpr uint32_t kCount = 12'000;  // several large windows
    std::vector<bool> deleted(kCount + 1, false);
    table->setBulkAppend(true);
    for (uint32_t r = 1; r <= kCount; ++r) {
        table->append();
        table->setString(0, "P" + std::to_string(r));
        table->setString(1, std::to_string(r * 7919 % 1000));  // scatters the CITY order
        table->post();
    }
    // Delete marks set right after a move, without reading the record, on
    // records the bulk run has not written yet and on ones it has.
    for (uint32_t r = 3; r <= kCount; r += 5) {
        ASSERT_TRUE(table->go(r));
        table->deleteRecord();
        deleted[r] = true;
    }
    table->setBulkAppend(false);
    for (uint32_t r = 3; r <= kCount; r += 50) {
        table->setShowDeleted(true);
        ASSERT_TRUE(table->go(r));
        table->setShowDeleted(false);
        table->recall();
        deleted[r] = false;
    }
    auto expectVisibleInOrder = [&](int order) {
        table->setOrder(order);
        std::vector<std::pair<std::string, uint32_t>> expected;
        for (uint32_t r = 1; r <= kCount; ++r)
            if (!deleted[r])
                expected.emplace_back(order == 0 ? std::string() : std::to_string(r * 7919 % 1000), r);
        std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            std::string ka = a.first, kb = b.first;
            ka.resize(15, ' ');
            kb.resize(15, ' ');
            return std::tie(ka, a.second) < std::tie(kb, b.second);
        });
        size_t i = 0;
        for (bool more = table->first(); more; more = table->next(), ++i) {
            ASSERT_LT(i, expected.size());
            ASSERT_EQ(table->recno(), expected[i].second);
            if (i % 97 == 0) {
                EXPECT_EQ(table->getString(0), "P" + std::to_string(table->recno()));
                EXPECT_FALSE(table->deleted());
            }
        }
        EXPECT_EQ(i, expected.size());
    };
    expectVisibleInOrder(0);
    table->createTag("CITY", "CITY");
    expectVisibleInOrder(1);

    // A reopened table agrees, and every record kept its values.
    table.reset();
    table = Table::open(dir.file("PEOPLE.DBF"));
    table->setShowDeleted(true);
    for (uint32_t r = 1; r <= kCount; r += 37) {
        ASSERT_TRUE(table->go(r));
        EXPECT_EQ(table->getString(0), "P" + std::to_string(r));
        EXPECT_EQ(table->deleted(), deleted[r]) << r;
    }
    table->setShowDeleted(false);
    expectVisibleInOrder(1);

    table->zap();
    EXPECT_FALSE(table->first());
    table->append();
    table->setString(0, "New");
    table->post();
    table->setOrder(0);
    EXPECT_TRUE(table->first());
    EXPECT_EQ(table->getString(0), "New");
}

TEST(TableQuery, BadExpressionsAreClearErrors)
{
    TempDir dir;
    auto table = makePeople(dir, {"Ann"});
    for (const char* text : {"NAME = ", "NOSUCH = 'x'", "NAME", "UPPER(NAME", "\"abc"})
        EXPECT_EQ(kindOf([&] { table->setQuery(text); }), ErrorKind::InvalidArgument) << text;
    EXPECT_TRUE(table->query().empty());
    EXPECT_TRUE(table->evalLogical("UPPER(NAME) = 'AN'"));
    EXPECT_FALSE(table->evalLogical("RECNO() > 1"));
}

TEST(TableLocks, ASecondOpenFailsInThisProcessAndInAnother)
{
    TempDir dir;
    auto table = makePeople(dir, {"Ann"});
    const std::string path = dir.file("PEOPLE.DBF");
    std::filesystem::create_hard_link(path, dir.file("ALIAS.DBF"));
    EXPECT_EQ(kindOf([&] { Table::open(path); }), ErrorKind::Locked);
    EXPECT_EQ(kindOf([&] { Table::open(dir.file("ALIAS.DBF"), OpenMode::ReadOnly); }), ErrorKind::Locked);
    EXPECT_EQ(kindOf([&] { Table::open(dir.path() + "/./PEOPLE.DBF"); }), ErrorKind::Locked);

    pid_t child = fork();
    if (child == 0) {
        int code = 0;
        try {
            Table::open(path, OpenMode::ReadOnly);
        } catch (const Error& error) {
            code = error.kind() == ErrorKind::Locked ? 7 : 1;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 7);

    table.reset();
    auto reader1 = Table::open(path, OpenMode::ReadOnly);
    auto reader2 = Table::open(path, OpenMode::ReadOnly);
    EXPECT_EQ(kindOf([&] { Table::open(path); }), ErrorKind::Locked);
    EXPECT_EQ(kindOf([&] { reader1->append(); }), ErrorKind::InvalidArgument);
}

TEST(TableWhole, ZapCopyStructureAndPack)
{
    TempDir dir;
    auto table = makePeople(dir, {"Ann", "Bob", "Cy", "Dee"});
    for (uint32_t r : {1u, 2u, 3u, 4u}) {
        table->go(r);
        table->edit();
        table->setMemo(5, "memo of " + table->getString(0));
        table->post();
    }
    table->go(2);
    table->deleteRecord();
    table->go(4);
    table->deleteRecord();

    std::vector<int> progress;
    table->setProgress([&](int p) { progress.push_back(p); });
    table->pack();
    EXPECT_EQ(table->recordCount(), 2u);
    EXPECT_EQ(table->path(), dir.file("PEOPLE.DBF"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(walk(*table), (std::vector<uint32_t>{1, 2}));
    table->go(2);
    EXPECT_EQ(table->getString(0), "Cy");
    EXPECT_EQ(table->memo(5), "memo of Cy");
    // Still exclusive after the files were replaced.
    EXPECT_EQ(kindOf([&] { Table::open(dir.file("PEOPLE.DBF"), OpenMode::ReadOnly); }), ErrorKind::Locked);
    EXPECT_FALSE(std::filesystem::exists(dir.file("PEOPLE.DBF.pack")));

    table->copyStructure(dir.file("COPY.DBF"));
    {
        auto copy = Table::open(dir.file("COPY.DBF"));
        EXPECT_EQ(copy->recordCount(), 0u);
        EXPECT_EQ(copy->fields().size(), kPeople.size());
        EXPECT_NE(copy->memoFile(), nullptr);
    }

    table->zap();
    EXPECT_EQ(table->recordCount(), 0u);
    EXPECT_TRUE(table->eof());
    table.reset();
    EXPECT_EQ(std::filesystem::file_size(dir.file("PEOPLE.FPT")), 1024u);
    EXPECT_EQ(Table::open(dir.file("PEOPLE.DBF"))->recordCount(), 0u);
}

// A pack that stops at any step of its commit, as a crash would, leaves a
// table that opens with all its live records.
TEST(TablePack, InterruptedAtAnyStepLosesNothing)
{
    const char* steps[] = {"before marker", "marker written", "renamed 1", "renamed 2", nullptr};
    for (const char** step = steps;; ++step) {
        SCOPED_TRACE(*step ? *step : "completed");
        TempDir dir;
        {
            auto table = makePeople(dir, {"Ann", "Bob", "Cy"});
            for (uint32_t r : {1u, 2u, 3u}) {
                table->go(r);
                table->edit();
                table->setMemo(5, std::string(70, char('a' + r)));
                table->post();
            }
            table->go(2);
            table->deleteRecord();
        }
        static const char* stopAt;
        stopAt = *step;
        pid_t child = fork();
        if (child == 0) {
            xbase::testing::commitStepHook = [](const char* name) {
                if (stopAt && std::string(name) == stopAt)
                    _exit(0);  // dies like a crash: no unwinding, no cleanup
            };
            try {
                Table::open(dir.file("PEOPLE.DBF"))->pack();
            } catch (...) {
                _exit(3);
            }
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_EQ(WEXITSTATUS(status), 0);

        auto table = Table::open(dir.file("PEOPLE.DBF"));
        table->setShowDeleted(true);
        std::vector<std::string> names;
        for (bool more = table->first(); more; more = table->next()) {
            names.push_back(table->getString(0));
            const int nth = table->getString(0) == "Ann" ? 1 : table->getString(0) == "Bob" ? 2 : 3;
            EXPECT_EQ(table->memo(5), std::string(70, char('a' + nth)));
        }
        // Before the marker the old table stands; from the marker on, the packed one.
        const bool committed = !*step || std::string(*step) != "before marker";
        const std::vector<std::string> packed = {"Ann", "Cy"}, old = {"Ann", "Bob", "Cy"};
        EXPECT_EQ(names, committed ? packed : old);
        for (const char* leftover : {"PEOPLE.DBF.pack", "PEOPLE.DBF.pack-dbf", "PEOPLE.DBF.pack-memo", "PEOPLE.DBF.pack.tmp"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(leftover))) << leftover;
        if (!*step)
            break;
    }
}

TEST(TableIndependentReader, PerlXBaseReadsWhatWeWrite)
{
    if (runCommand("perl -MXBase -e1 2>/dev/null") != 0)
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    TempDir dir;
    {
        auto table = makePeople(dir, {"Ann", "Bob \"the\" Builder", "Cy"});
        table->go(2);
        table->edit();
        table->setNumber(2, -7.5);
        table->setMemo(5, "two\r\nlines");
        table->post();
        table->go(3);
        table->deleteRecord();
    }
    const std::string script =
        "perl -MXBase -e '$t = XBase->new(shift) or die XBase->errstr; "
        "for $i (0 .. $t->last_record) { @r = $t->get_record($i, qw(NAME AGE NOTES)); "
        "$r[3] =~ s/\\r\\n/|/g; print join(\"/\", map { defined $_ ? $_ : \"\" } @r), \"\\n\" }' ";
    std::string out;
    ASSERT_EQ(runCommand(script + dir.file("PEOPLE.DBF"), &out), 0);
    EXPECT_EQ(out, "0/Ann//\n0/Bob \"the\" Builder/-7.5/two|lines\n1/Cy//\n");

    if (runCommand("command -v pgdbf >/dev/null") == 0) {
        ASSERT_EQ(runCommand("pgdbf -C -D -m " + dir.file("PEOPLE.FPT") + " " + dir.file("PEOPLE.DBF") + " 2>&1", &out), 0);
        EXPECT_NE(out.find("Bob \"the\" Builder"), std::string::npos) << out;
        EXPECT_EQ(out.find("Cy"), std::string::npos) << "pgdbf skips deleted records";
    }
}

}  // namespace

namespace {

uint32_t headerCount(const std::string& path)
{
    std::string bytes = readFile(path);
    return uint32_t(uint8_t(bytes[4])) | uint32_t(uint8_t(bytes[5])) << 8 | uint32_t(uint8_t(bytes[6])) << 16 |
           uint32_t(uint8_t(bytes[7])) << 24;
}

// Bulk appends write the count when they end; a crash in the middle loses
// only the records of the bulk run, never what was there before.
TEST(TableBulkAppend, CountWrittenAtTheEndAndACrashLosesOnlyTheRun)
{
    TempDir dir;
    const std::string path = dir.file("PEOPLE.DBF");
    {
        auto table = makePeople(dir, {"Ann", "Bob"});
        table->setBulkAppend(true);
        for (int i = 0; i < 3000; ++i) {
            table->append();
            table->setString(0, "Bulk " + std::to_string(i));
            if (i % 7 == 0)
                table->setMemo(5, "memo " + std::to_string(i));
            table->post();
        }
        EXPECT_EQ(headerCount(path), 2u);
        EXPECT_TRUE(table->go(1500));  // reading a record still being gathered
        EXPECT_EQ(table->getString(0), "Bulk 1497");
        table->setBulkAppend(false);
        EXPECT_EQ(headerCount(path), 3002u);
    }
    auto table = Table::open(path);
    EXPECT_EQ(table->recordCount(), 3002u);
    table->go(3002);
    EXPECT_EQ(table->getString(0), "Bulk 2999");
    table->go(3);
    EXPECT_EQ(table->memo(5), "memo 0");
    table.reset();

    pid_t child = fork();
    if (child == 0) {
        auto t = Table::open(path);
        t->setBulkAppend(true);
        for (int i = 0; i < 500; ++i) {
            t->append();
            t->setMemo(5, "lost");
            t->post();
        }
        _exit(0);  // a crash: no close
    }
    int status = 0;
    waitpid(child, &status, 0);
    table = Table::open(path);
    EXPECT_EQ(table->recordCount(), 3002u);
    table->go(3);
    EXPECT_EQ(table->memo(5), "memo 0");
    table->go(3002);
    table->edit();
    table->setMemo(5, "after the crash");  // a new memo must not land on an old one
    table->post();
    table->go(3);
    EXPECT_EQ(table->memo(5), "memo 0");
    table->go(3002);
    EXPECT_EQ(table->memo(5), "after the crash");
}

}  // namespace

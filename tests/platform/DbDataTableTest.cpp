// DataTable over real tables in a temporary folder: fields, cursor, states,
// events, values written through to the file, the display switch.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "platform/db/DataTable.h"
#include "xbase/Error.h"
#include "xbase/Table.h"

using platform::DataField;
using platform::DataState;
using platform::DataTable;
using platform::FieldDataType;

namespace {

class DbDataTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = QString::fromStdString(dbtest::createAddressTable(dir_, 5));
    }
    void open() { table_.open(path_); }
    QString value(const char* field) { return table_.fieldByName(QLatin1String(field))->asString(); }
    void set(const char* field, const QString& text) { table_.fieldByName(QLatin1String(field))->setAsString(text); }
    // Reads a field of a record straight from the file with a fresh engine table.
    std::string fileValue(uint32_t recno, const char* field)
    {
        table_.close();
        auto engine = xbase::Table::open(path_.toStdString());
        engine->setShowDeleted(true);
        engine->go(recno);
        return engine->getString(engine->fieldIndex(field));
    }
    QStringList fieldNames()
    {
        QStringList names;
        for (int i = 0; i < table_.fieldCount(); ++i)
            names << table_.field(i)->fieldName();
        return names;
    }

    QTemporaryDir dir_;
    QString path_;
    DataTable table_;
};

}  // namespace

// --- Fields -------------------------------------------------------------

TEST_F(DbDataTable, OpenMakesTheFileFieldsInFileOrder)
{
    open();
    EXPECT_EQ(fieldNames(), QStringList({"LNAME", "FNAME", "MIDDLE", "CITY", "STATE", "ZIP", "DATE", "ISDEL", "TAG", "MEMO"}));
    DataField* lname = table_.fieldByName("lname");  // any letter case
    EXPECT_EQ(lname->size(), 20);
    EXPECT_EQ(lname->dataType(), FieldDataType::String);
    EXPECT_EQ(table_.fieldByName("ISDEL")->dataType(), FieldDataType::Boolean);
    EXPECT_EQ(table_.fieldByName("MEMO")->dataType(), FieldDataType::Memo);
    EXPECT_EQ(table_.findField("NOPE"), nullptr);
    EXPECT_THROW(table_.fieldByName("NOPE"), xbase::Error);
    // Defaults a grid uses.
    EXPECT_EQ(lname->displayLabel(), "LNAME");
    EXPECT_TRUE(lname->isVisible());
    EXPECT_EQ(lname->displayWidth(), 20);
    EXPECT_EQ(table_.fieldByName("ISDEL")->displayWidth(), 5);
    EXPECT_EQ(table_.fieldByName("MEMO")->displayWidth(), 10);
    // Fields made from the file go with it.
    table_.close();
    EXPECT_EQ(table_.fieldCount(), 0);
}

TEST_F(DbDataTable, MovingAFieldShiftsTheOthers)
{
    struct Case {
        const char* field;
        int to;
        const char* expected;
    };
    const Case cases[] = {
        {"CITY", 0, "CITY LNAME FNAME MIDDLE STATE ZIP DATE ISDEL TAG MEMO"},
        {"LNAME", 9, "FNAME MIDDLE CITY STATE ZIP DATE ISDEL TAG MEMO LNAME"},
        {"FNAME", 4, "LNAME MIDDLE CITY STATE FNAME ZIP DATE ISDEL TAG MEMO"},
        {"ZIP", 2, "LNAME FNAME ZIP MIDDLE CITY STATE DATE ISDEL TAG MEMO"},
        {"MEMO", 99, "LNAME FNAME MIDDLE CITY STATE ZIP DATE ISDEL TAG MEMO"},  // past the end: last
        {"TAG", -3, "TAG LNAME FNAME MIDDLE CITY STATE ZIP DATE ISDEL MEMO"},   // before the start: first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        open();
        dbtest::SignalLog log(table_);
        table_.moveField(table_.fieldByName(c.field), c.to);
        EXPECT_EQ(fieldNames().join(' '), QLatin1String(c.expected));
        EXPECT_EQ(table_.fieldByName(c.field)->index(), fieldNames().indexOf(QLatin1String(c.field)));
        EXPECT_EQ(log.seen().count("fieldsChanged"), c.to == 99 ? 0 : 1);
        table_.close();
    }
}

TEST_F(DbDataTable, DeclaredFieldsKeepTheirSettingsAcrossFilesAndTakeWidthsFromEachFile)
{
    DataField* city = table_.addStoredField("CITY");
    DataField* last = table_.addStoredField("LNAME");
    city->setDisplayLabel("City");
    city->setDisplayWidth(15);
    last->setDisplayLabel("Last Name");
    last->setVisible(false);
    last->setTag(7);
    open();
    // Only the declared fields, in the declared order; widths from the file.
    EXPECT_EQ(fieldNames(), QStringList({"CITY", "LNAME"}));
    EXPECT_EQ(city->size(), 20);
    EXPECT_EQ(value("CITY"), dbtest::cityOf(1));
    table_.close();
    ASSERT_EQ(table_.fieldCount(), 2);

    // Another file with wider fields and an extra one.
    std::string other = dir_.filePath("WIDE.DBF").toStdString();
    xbase::Table::create(other, {{"EXTRA", 'C', 5, 0}, {"LNAME", 'C', 80, 0}, {"CITY", 'C', 40, 0}});
    table_.open(QString::fromStdString(other));
    EXPECT_EQ(fieldNames(), QStringList({"CITY", "LNAME"}));
    EXPECT_EQ(table_.fieldByName("CITY"), city);  // the same field objects
    EXPECT_EQ(city->size(), 40);
    EXPECT_EQ(last->size(), 80);
    EXPECT_EQ(city->displayLabel(), "City");
    EXPECT_EQ(city->displayWidth(), 15);
    EXPECT_FALSE(last->isVisible());
    EXPECT_EQ(last->tag(), 7);
}

TEST_F(DbDataTable, AFileWithoutADeclaredFieldDoesNotOpen)
{
    table_.addStoredField("LNAME");
    table_.addStoredField("COUNTRY");
    try {
        open();
        FAIL() << "opened";
    } catch (const xbase::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Field \"COUNTRY\" not found in dataset"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(table_.isActive());
    EXPECT_EQ(table_.state(), DataState::Inactive);
    // The file was let go: it opens again once the field list fits.
    table_.clearFields();
    open();
    EXPECT_TRUE(table_.isActive());
}

TEST_F(DbDataTable, CalculatedFieldsAreComputedForTheRecordWhenRead)
{
    DataField* full = table_.addCalculatedField("FullName", FieldDataType::String, 12);
    DataField* tagged = table_.addCalculatedField("Tagged", FieldDataType::Boolean, 1);
    int runs = 0;
    table_.setCalcFieldsHandler([&](DataTable& t) {
        ++runs;
        t.fieldByName("FullName")->setAsString(t.fieldByName("FNAME")->asString() + " " + t.fieldByName("LNAME")->asString());
        t.fieldByName("Tagged")->setAsBoolean(t.fieldByName("TAG")->asString() == "ABC");
    });
    open();
    // Calculated fields stay where they were added; stored ones follow.
    EXPECT_EQ(fieldNames().mid(0, 3), QStringList({"FullName", "Tagged", "LNAME"}));
    EXPECT_EQ(runs, 0);  // nothing read yet: nothing computed
    EXPECT_EQ(full->asString(), "First1 Name0");  // cut to the field's size
    EXPECT_FALSE(tagged->asBoolean());
    EXPECT_EQ(runs, 1);  // once per record, however many fields are read
    table_.next();
    table_.next();
    EXPECT_EQ(full->asString(), "First3 Name0");
    EXPECT_EQ(runs, 2);
    // Only the handler sets them.
    EXPECT_THROW(full->setAsString("x"), xbase::Error);
    // A change of a stored field during an edit is seen at once.
    table_.edit();
    set("TAG", "ABC");
    EXPECT_TRUE(tagged->asBoolean());
    EXPECT_EQ(tagged->displayText(), "True");
    tagged->setBooleanTexts("Yes", "No");
    EXPECT_EQ(tagged->displayText(), "Yes");
    table_.cancel();
    EXPECT_FALSE(tagged->asBoolean());
    // The definitions outlive the file.
    table_.close();
    EXPECT_EQ(fieldNames(), QStringList({"FullName", "Tagged"}));
}

// --- Cursor -------------------------------------------------------------

TEST_F(DbDataTable, NavigationStaysOnARecordAtTheEnds)
{
    open();
    EXPECT_TRUE(table_.bof());
    EXPECT_EQ(table_.recNo(), 1u);
    EXPECT_FALSE(table_.prior());
    EXPECT_EQ(table_.recNo(), 1u);
    EXPECT_TRUE(table_.next());
    EXPECT_FALSE(table_.bof());
    EXPECT_TRUE(table_.last());
    EXPECT_TRUE(table_.eof());
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_FALSE(table_.next());  // stays on the last record, still readable
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_EQ(value("LNAME"), dbtest::lastNameOf(5));
    EXPECT_TRUE(table_.prior());
    EXPECT_FALSE(table_.eof());
    EXPECT_EQ(table_.recNo(), 4u);

    table_.first();
    EXPECT_EQ(table_.moveBy(3), 3);
    EXPECT_EQ(table_.recNo(), 4u);
    EXPECT_EQ(table_.moveBy(10), 1);
    EXPECT_TRUE(table_.eof());
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_EQ(table_.moveBy(-10), -4);
    EXPECT_TRUE(table_.bof());
    EXPECT_EQ(table_.recNo(), 1u);
}

TEST_F(DbDataTable, GoToIsABookmarkAndFallsOnTheNextVisibleRecord)
{
    path_ = QString::fromStdString(dbtest::createAddressTable(dir_, 6, {3, 6}, "HOLES.DBF"));
    open();
    EXPECT_TRUE(table_.goTo(4));
    EXPECT_EQ(value("LNAME"), dbtest::lastNameOf(4));
    EXPECT_FALSE(table_.goTo(3));  // deleted: the next visible one
    EXPECT_EQ(table_.recNo(), 4u);
    EXPECT_FALSE(table_.goTo(6));  // deleted and nothing after it: the last visible one
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_FALSE(table_.goTo(99));
    EXPECT_EQ(table_.recNo(), 5u);
    EXPECT_FALSE(table_.isEmpty());
}

TEST_F(DbDataTable, AnEmptyViewHasNoCurrentRecord)
{
    path_ = QString::fromStdString(dbtest::createAddressTable(dir_, 0, {}, "EMPTY.DBF"));
    open();
    EXPECT_TRUE(table_.isEmpty());
    EXPECT_TRUE(table_.bof());
    EXPECT_TRUE(table_.eof());
    EXPECT_EQ(table_.recNo(), 1u);  // record count + 1
    EXPECT_FALSE(table_.next());
    EXPECT_FALSE(table_.first());
    EXPECT_EQ(value("LNAME"), "");
    EXPECT_THROW(table_.edit(), xbase::Error);
    EXPECT_THROW(table_.deleteRecord(), xbase::Error);
}

TEST_F(DbDataTable, TheQueryLimitsTheView)
{
    open();
    table_.next();
    table_.setQuery("CITY = \"Ottawa\"");
    EXPECT_EQ(table_.recNo(), 2u);  // back to the first match
    EXPECT_TRUE(table_.bof());
    EXPECT_FALSE(table_.next());
    EXPECT_EQ(table_.queryCount(), 1u);
    EXPECT_EQ(table_.query(), "CITY = \"Ottawa\"");
    EXPECT_THROW(table_.setQuery(QString::fromUtf8("CITY = \"Łódź\"")), xbase::Error);
    EXPECT_EQ(table_.query(), "CITY = \"Ottawa\"");
    table_.setQuery(QString::fromUtf8("CITY = \"Zürich\""));
    EXPECT_EQ(table_.recNo(), 1u);
    table_.setQuery("");
    EXPECT_EQ(table_.queryCount(), 5u);
}

// --- States and events --------------------------------------------------

TEST_F(DbDataTable, EachTransitionSendsItsSignalsInOrder)
{
    open();
    dbtest::SignalLog log(table_);
    struct Step {
        const char* name;
        std::function<void()> action;
        DataState state;
        QStringList expected;
    };
    const std::vector<Step> steps = {
        {"next", [&] { table_.next(); }, DataState::Browse, {"recordChanged", "afterScroll"}},
        {"edit", [&] { table_.edit(); }, DataState::Edit, {"stateChanged", "recordChanged", "afterEdit"}},
        {"edit again", [&] { table_.edit(); }, DataState::Edit, {}},
        {"set", [&] { set("CITY", "Paris"); }, DataState::Edit, {"fieldChanged"}},
        {"post", [&] { table_.post(); }, DataState::Browse, {"stateChanged", "dataSetChanged", "afterPost"}},
        {"post again", [&] { table_.post(); }, DataState::Browse, {}},
        {"edit", [&] { table_.edit(); }, DataState::Edit, {"stateChanged", "recordChanged", "afterEdit"}},
        {"cancel", [&] { table_.cancel(); }, DataState::Browse, {"stateChanged", "recordChanged", "afterCancel"}},
        {"append", [&] { table_.append(); }, DataState::Insert,
         {"stateChanged", "recordChanged", "afterInsert", "afterScroll"}},
        {"cancel insert", [&] { table_.cancel(); }, DataState::Browse,
         {"stateChanged", "dataSetChanged", "afterCancel", "afterScroll"}},
        {"insert", [&] { table_.insert(); }, DataState::Insert,
         {"stateChanged", "recordChanged", "afterInsert", "afterScroll"}},
        {"post insert", [&] { table_.post(); }, DataState::Browse, {"stateChanged", "dataSetChanged", "afterPost"}},
        {"delete", [&] { table_.deleteRecord(); }, DataState::Browse, {"dataSetChanged", "afterScroll"}},
        {"close", [&] { table_.close(); }, DataState::Inactive, {"fieldsChanged", "stateChanged", "dataSetChanged"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(table_.state(), step.state);
        EXPECT_EQ(log.take(), step.expected);
    }
}

TEST_F(DbDataTable, PostWritesThroughToTheFile)
{
    open();
    table_.goTo(3);
    table_.edit();
    set("CITY", QString::fromUtf8("Zürich €"));
    set("ISDEL", "T");
    set("MEMO", "one\r\ntwo");
    table_.post();
    EXPECT_EQ(table_.recNo(), 3u);
    EXPECT_EQ(value("CITY"), QString::fromUtf8("Zürich €"));
    table_.append();
    set("LNAME", "Newman");
    table_.post();
    EXPECT_EQ(table_.recNo(), 6u);
    EXPECT_EQ(table_.recordCount(), 6u);

    EXPECT_EQ(fileValue(3, "CITY"), "Z\xFCrich \x80");
    EXPECT_EQ(fileValue(3, "ISDEL"), "T");
    EXPECT_EQ(fileValue(3, "MEMO"), "one\r\ntwo");
    EXPECT_EQ(fileValue(6, "LNAME"), "Newman");
    // And back through a DataTable, decoded.
    open();
    table_.goTo(3);
    EXPECT_EQ(value("CITY"), QString::fromUtf8("Zürich €"));
    EXPECT_TRUE(table_.fieldByName("ISDEL")->asBoolean());
}

// The engine holds the index changes of posts in quick succession; the
// table writes them once the posts pause, without waiting for the close.
TEST_F(DbDataTable, IndexChangesHeldByQuickPostsAreWrittenWhenThePostsPause)
{
    open();
    table_.engine()->createTag("LNAME", "UPPER(LNAME)");
    const QString marker = dir_.filePath(QStringLiteral("ADDR.CDX.pending"));
    for (int i = 0; i < 1000 && !QFile::exists(marker); ++i) {
        table_.append();
        set("LNAME", QStringLiteral("Quick%1").arg(i));
        table_.post();
    }
    ASSERT_TRUE(QFile::exists(marker));
    QElapsedTimer waited;
    waited.start();
    while (QFile::exists(marker) && waited.elapsed() < 10'000)
        QTest::qWait(20);
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_TRUE(table_.isActive());
}

TEST_F(DbDataTable, CancelRestoresTheRecordAndWritesNothing)
{
    open();
    table_.goTo(2);
    table_.edit();
    set("LNAME", "Changed");
    EXPECT_EQ(value("LNAME"), "Changed");
    table_.cancel();
    EXPECT_EQ(value("LNAME"), dbtest::lastNameOf(2));
    EXPECT_EQ(table_.recNo(), 2u);

    table_.append();
    set("LNAME", "Never");
    table_.cancel();
    EXPECT_EQ(table_.recNo(), 2u);  // back where it was
    EXPECT_EQ(table_.recordCount(), 5u);
    EXPECT_EQ(fileValue(2, "LNAME"), dbtest::lastNameOf(2).toStdString());
}

TEST_F(DbDataTable, TextTheFileCannotHoldIsRefusedAndNothingChanges)
{
    open();
    table_.edit();
    for (const char* bad : {"Łódź", "東京"}) {
        SCOPED_TRACE(bad);
        try {
            set("CITY", QString::fromUtf8(bad));
            FAIL() << "accepted";
        } catch (const xbase::Error& e) {
            EXPECT_EQ(e.kind(), xbase::ErrorKind::InvalidArgument);
            EXPECT_NE(std::string(e.what()).find("field CITY"), std::string::npos) << e.what();
        }
        EXPECT_EQ(value("CITY"), dbtest::cityOf(1));
    }
    EXPECT_THROW(set("MEMO", QString::fromUtf8("note ✓")), xbase::Error);
    EXPECT_THROW(set("LNAME", QString(21, u'x')), xbase::Error);  // wider than the field
    table_.post();
    EXPECT_EQ(fileValue(1, "CITY"), dbtest::cityOf(1).toLatin1().toStdString());
}

TEST_F(DbDataTable, EditingBlocksMovingAndValuesNeedAnEdit)
{
    open();
    EXPECT_THROW(set("CITY", "X"), xbase::Error);  // browsing
    table_.edit();
    EXPECT_THROW(table_.next(), xbase::Error);
    EXPECT_THROW(table_.append(), xbase::Error);
    EXPECT_THROW(table_.deleteRecord(), xbase::Error);
    EXPECT_EQ(table_.state(), DataState::Edit);
    table_.cancel();
    EXPECT_TRUE(table_.next());
}

TEST_F(DbDataTable, DeleteHidesTheRecordAndShowsItsNeighbour)
{
    open();
    table_.goTo(2);
    table_.deleteRecord();
    EXPECT_EQ(table_.recNo(), 3u);
    table_.last();
    table_.deleteRecord();
    EXPECT_EQ(table_.recNo(), 4u);  // no successor: the new last one
    EXPECT_TRUE(table_.eof());
    EXPECT_EQ(table_.queryCount(), 3u);
    // With deleted records shown, the record stays current and marked.
    table_.engine()->setShowDeleted(true);
    table_.deleteRecord();
    EXPECT_EQ(table_.recNo(), 4u);
    EXPECT_TRUE(table_.engine()->deleted());
}

TEST_F(DbDataTable, CloseDiscardsAnEditThatWasNotPosted)
{
    open();
    table_.edit();
    set("LNAME", "Lost");
    table_.close();
    EXPECT_EQ(fileValue(1, "LNAME"), dbtest::lastNameOf(1).toStdString());
}

// --- Display switch -----------------------------------------------------

TEST_F(DbDataTable, DisabledControlsHearNothingUntilOneRefreshAtTheEnd)
{
    open();
    dbtest::SignalLog log(table_);
    table_.disableControls();
    table_.disableControls();  // nested
    table_.next();
    table_.edit();
    set("CITY", "Rome");
    table_.post();
    table_.fieldByName("CITY")->setDisplayLabel("City");
    // The events still come; the display signals do not.
    EXPECT_EQ(log.take(), QStringList({"afterScroll", "afterEdit", "afterPost"}));
    table_.enableControls();
    EXPECT_TRUE(log.take().isEmpty());  // still disabled once
    EXPECT_TRUE(table_.controlsDisabled());
    table_.enableControls();
    EXPECT_EQ(log.take(), QStringList({"fieldsChanged", "stateChanged", "dataSetChanged"}));
    table_.enableControls();  // one too many changes nothing
    EXPECT_TRUE(log.take().isEmpty());

    table_.disableControls();
    table_.enableControls();  // nothing happened: nothing to refresh
    EXPECT_TRUE(log.take().isEmpty());
}

TEST_F(DbDataTable, AWalkLeavesTheCurrentRecordAndTellsNoOne)
{
    open();
    table_.goTo(3);
    dbtest::SignalLog log(table_);
    QStringList walked;
    {
        DataTable::Walk walk(table_);
        for (bool more = walk.first(); more; more = walk.next())
            walked << value("LNAME");
    }
    EXPECT_EQ(walked.size(), 5);
    EXPECT_EQ(walked.last(), dbtest::lastNameOf(5));
    EXPECT_EQ(table_.recNo(), 3u);
    EXPECT_EQ(value("LNAME"), dbtest::lastNameOf(3));
    EXPECT_FALSE(table_.bof());
    EXPECT_FALSE(table_.eof());
    EXPECT_TRUE(log.seen().isEmpty());
    table_.edit();
    EXPECT_THROW(DataTable::Walk{table_}, xbase::Error);
}

TEST_F(DbDataTable, AWalkFromARecordThatLeftTheViewSettlesOnItsSuccessorAndSaysSoLater)
{
    open();
    table_.setQuery("CITY <> \"Chicago\"");  // records 1, 2, 4, 5
    table_.goTo(2);
    table_.edit();
    set("CITY", "Chicago");
    table_.post();
    EXPECT_EQ(table_.recNo(), 2u);  // posted, no longer in the view, still shown
    dbtest::SignalLog log(table_);
    {
        DataTable::Walk walk(table_);
        walk.first();
    }
    EXPECT_EQ(table_.recNo(), 4u);
    EXPECT_EQ(value("LNAME"), dbtest::lastNameOf(4));
    EXPECT_TRUE(log.seen().isEmpty());  // not from inside the reader
    QCoreApplication::processEvents();
    EXPECT_EQ(log.take(), QStringList({"recordChanged"}));
}

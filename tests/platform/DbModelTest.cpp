// The table model and the grid on a generated table of a few thousand rows,
// checked against the list of visible records the engine walks itself.
#include <QCoreApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "DbTestSupport.h"
#include "platform/db/DataSource.h"
#include "platform/db/DataTableModel.h"
#include "platform/db/DbGrid.h"
#include "platform/db/EditableTableModel.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "xbase/Table.h"

using namespace platform;

namespace {

constexpr uint32_t kRecords = 3000;
constexpr int kBlock = DataTableModel::kBlockRows;

class DbModel : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        std::vector<uint32_t> deleted;
        for (uint32_t n = 7; n <= kRecords; n += 10)
            deleted.push_back(n);  // every tenth record is hidden
        deleted.push_back(kRecords);
        path_ = QString::fromStdString(dbtest::createAddressTable(*dir_, kRecords, deleted));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        // Each test works on its own copy: some write.
        copy_ = work_.filePath("ADDR.DBF");
        QFile::copy(path_, copy_);
        QFile::copy(dir_->filePath("ADDR.FPT"), work_.filePath("ADDR.FPT"));
        table_.open(copy_);
        source_.setDataSet(&table_);
        truth_ = visibleRecords();
    }
    // The records of the view in order, as the engine walks them.
    std::vector<uint32_t> visibleRecords()
    {
        std::vector<uint32_t> records;
        DataTable::Walk walk(table_);
        for (bool more = walk.first(); more; more = walk.next())
            records.push_back(walk.recno());
        return records;
    }
    int column(const char* field) { return model().columnOf(table_.fieldByName(QLatin1String(field))); }
    QString cell(int row, const char* field) { return model().index(row, column(field)).data().toString(); }
    DataTableModel& model()
    {
        if (!model_)
            model_ = std::make_unique<DataTableModel>(&source_);
        return *model_;
    }

    static QTemporaryDir* dir_;
    static QString path_;
    QTemporaryDir work_;
    QString copy_;
    DataTable table_;
    DataSource source_;
    std::unique_ptr<DataTableModel> model_;
    std::vector<uint32_t> truth_;
    ScriptedUserInterface user_;
};

QTemporaryDir* DbModel::dir_ = nullptr;
QString DbModel::path_;

}  // namespace

TEST_F(DbModel, TheFirstScreenReadsOneBlockNotTheTable)
{
    ASSERT_EQ(truth_.size(), 2699u);
    const uint64_t before = table_.cursorMoves();
    DataTableModel& m = model();
    for (int row = 0; row < 40; ++row) {
        for (int c = 0; c < m.columnCount(); ++c)
            m.index(row, c).data();
    }
    // One block's walk and the returns to the current record, nowhere near the 3000 records.
    EXPECT_LE(table_.cursorMoves() - before, uint64_t(kBlock + 8));
    // The count is the file's record count until a walk reaches the end.
    EXPECT_EQ(m.rowCount(), int(kRecords));
    EXPECT_FALSE(m.rowCountIsExact());
    EXPECT_EQ(cell(0, "LNAME"), dbtest::lastNameOf(1));
    EXPECT_EQ(cell(6, "LNAME"), dbtest::lastNameOf(8));  // record 7 is hidden
    EXPECT_EQ(table_.recNo(), 1u);                        // the current record did not move
}

TEST_F(DbModel, RowsMatchTheViewWhereverTheyAreRead)
{
    DataTableModel& m = model();
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    // Far jumps, back and forth, then the end of the view.
    for (int row : {0, 63, 64, 1500, 1499, 700, 2000, 2698, 1000, 5}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(m.recordAt(row), truth_[size_t(row)]);
        EXPECT_EQ(cell(row, "LNAME"), dbtest::lastNameOf(truth_[size_t(row)]));
        EXPECT_EQ(cell(row, "CITY"), dbtest::cityOf(truth_[size_t(row)]));
    }
    // Rows past the view's end read as nothing; the count is corrected
    // once the event loop runs, never inside a read.
    EXPECT_EQ(m.recordAt(2800), 0u);
    EXPECT_TRUE(m.rowCountIsExact());
    EXPECT_EQ(removed.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(m.rowCount(), 2699);
    EXPECT_EQ(removed.count(), 1);
    // A read next to a known row walks only the gap.
    m.recordAt(1500);
    const uint64_t before = table_.cursorMoves();
    EXPECT_EQ(m.recordAt(1500 + 3 * kBlock), truth_[1500 + 3 * kBlock]);
    EXPECT_LE(table_.cursorMoves() - before, uint64_t(4 * kBlock + 8));
}

TEST_F(DbModel, TheCurrentRecordHasARowAndARowCanBeMadeCurrent)
{
    DataTableModel& m = model();
    EXPECT_EQ(m.currentRow(), 0);
    table_.goTo(truth_[1234]);
    EXPECT_EQ(m.currentRow(), 1234);
    table_.last();
    EXPECT_EQ(m.currentRow(), 2698);
    ASSERT_TRUE(m.goToRow(42));
    EXPECT_EQ(table_.recNo(), truth_[42]);
    EXPECT_EQ(m.currentRow(), 42);
    // The current record's row shows what is being typed.
    table_.edit();
    table_.fieldByName("LNAME")->setAsString("Typing");
    EXPECT_EQ(cell(42, "LNAME"), "Typing");
    EXPECT_EQ(cell(43, "LNAME"), dbtest::lastNameOf(truth_[43]));  // cached before: still shown
    table_.cancel();
    EXPECT_EQ(cell(42, "LNAME"), dbtest::lastNameOf(truth_[42]));
}

TEST_F(DbModel, ColumnsAreTheVisibleFieldsAndMovingOneMovesTheField)
{
    table_.fieldByName("LNAME")->setDisplayLabel("Last Name");
    table_.fieldByName("MEMO")->setVisible(false);
    table_.fieldByName("TAG")->setVisible(false);
    DataTableModel& m = model();
    ASSERT_EQ(m.columnCount(), 8);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), "Last Name");
    EXPECT_EQ(m.headerData(3, Qt::Horizontal).toString(), "CITY");
    EXPECT_EQ(m.fieldAt(7)->fieldName(), "ISDEL");

    struct Case {
        int from;
        int destination;  // as moveColumns takes it: the column to insert before
        const char* fields;
    };
    const Case cases[] = {
        {3, 0, "CITY LNAME FNAME MIDDLE STATE ZIP DATE ISDEL TAG MEMO"},
        {0, 8, "LNAME FNAME MIDDLE STATE ZIP DATE ISDEL CITY TAG MEMO"},  // after the last visible column
        {1, 3, "LNAME MIDDLE FNAME STATE ZIP DATE ISDEL CITY TAG MEMO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        m.index(0, 0).data();  // something cached, to be moved along
        ASSERT_TRUE(m.moveColumn(QModelIndex(), c.from, QModelIndex(), c.destination));
        QStringList names;
        for (int i = 0; i < table_.fieldCount(); ++i)
            names << table_.field(i)->fieldName();
        EXPECT_EQ(names.join(' '), QLatin1String(c.fields));
        for (int col = 0; col < m.columnCount(); ++col)
            EXPECT_EQ(m.index(0, col).data().toString(), m.fieldAt(col)->displayText()) << col;
    }
    EXPECT_FALSE(m.moveColumn(QModelIndex(), 2, QModelIndex(), 3));  // onto itself
    // A field hidden later leaves the columns.
    table_.fieldByName("ZIP")->setVisible(false);
    EXPECT_EQ(m.columnCount(), 7);
    EXPECT_EQ(m.columnOf(table_.fieldByName("ZIP")), -1);
}

TEST_F(DbModel, NothingIsReadWhileTheTableEditsOrTheDisplayIsSuspended)
{
    DataTableModel& m = model();
    QSignalSpy resets(&m, &QAbstractItemModel::modelReset);
    table_.disableControls();
    const uint64_t before = table_.cursorMoves();
    EXPECT_FALSE(m.index(900, 0).data().isValid());
    EXPECT_EQ(m.currentRow(), 0);  // cached: no walk needed
    table_.goTo(truth_[900]);
    EXPECT_EQ(m.currentRow(), -1);
    EXPECT_EQ(table_.cursorMoves() - before, 1u);  // only the table's own move
    table_.enableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(m.currentRow(), 900);

    table_.edit();
    EXPECT_FALSE(m.index(2000, 0).data().isValid());
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    table_.cancel();
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(cell(2000, "LNAME"), dbtest::lastNameOf(truth_[2000]));
}

TEST_F(DbModel, AQueryOrAPostShowsTheNewRows)
{
    DataTableModel& m = model();
    m.index(100, 0).data();
    table_.setQuery("CITY = \"Ottawa\"");
    truth_ = visibleRecords();
    ASSERT_EQ(truth_.size(), 750u);
    EXPECT_EQ(cell(0, "LNAME"), dbtest::lastNameOf(truth_[0]));
    EXPECT_EQ(cell(100, "LNAME"), dbtest::lastNameOf(truth_[100]));
    table_.setQuery("CITY = \"Nowhere\"");
    EXPECT_EQ(m.rowCount(), 0);  // an empty view is known at once
    table_.setQuery("");
    table_.append();
    table_.fieldByName("LNAME")->setAsString("Appended");
    table_.post();
    EXPECT_EQ(m.rowCount(), int(kRecords) + 1);
    EXPECT_EQ(m.currentRow(), 2699);
    EXPECT_EQ(cell(2699, "LNAME"), "Appended");
}

TEST_F(DbModel, EditedCellsArePostedOrRefused)
{
    EditableTableModel m(&source_);
    const int lname = m.columnOf(table_.fieldByName("LNAME"));
    const int memo = m.columnOf(table_.fieldByName("MEMO"));
    EXPECT_TRUE(m.flags(m.index(5, lname)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m.flags(m.index(5, memo)) & Qt::ItemIsEditable);
    ASSERT_TRUE(m.setData(m.index(5, lname), QString::fromUtf8("Müller")));
    EXPECT_EQ(table_.state(), DataState::Browse);
    EXPECT_EQ(table_.recNo(), truth_[5]);
    EXPECT_EQ(m.index(5, lname).data().toString(), QString::fromUtf8("Müller"));

    QSignalSpy refused(&m, &EditableTableModel::editRefused);
    EXPECT_FALSE(m.setData(m.index(6, lname), QString::fromUtf8("Łódź")));
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(m.lastError().contains(QString::fromUtf8("Ł")));
    EXPECT_EQ(table_.state(), DataState::Browse);  // the edit was cancelled
    EXPECT_FALSE(m.setData(m.index(6, lname), QString(21, u'x')));  // wider than the field

    table_.close();
    auto engine = xbase::Table::open(copy_.toStdString());
    engine->go(truth_[5]);
    EXPECT_EQ(engine->getString(0), "M\xFCller");
    engine->go(truth_[6]);
    EXPECT_EQ(QString::fromStdString(engine->getString(0)), dbtest::lastNameOf(truth_[6]));
}

TEST_F(DbModel, TheGridFollowsTheRecordAndItsHeaderMovesFields)
{
    DbGrid grid;
    table_.fieldByName("CITY")->setDisplayWidth(15);
    grid.setDataSource(&source_);
    grid.resize(600, 400);
    grid.show();
    DataTableModel* m = grid.tableModel();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    const int digit = grid.fontMetrics().horizontalAdvance(QLatin1Char('0'));
    EXPECT_GE(grid.columnWidth(m->columnOf(table_.fieldByName("CITY"))), 15 * digit);
    EXPECT_LT(grid.columnWidth(m->columnOf(table_.fieldByName("CITY"))), 20 * digit);

    table_.goTo(truth_[300]);
    EXPECT_EQ(grid.currentIndex().row(), 300);
    grid.setCurrentIndex(m->index(310, 1));  // the user picks a row
    EXPECT_EQ(table_.recNo(), truth_[310]);

    // Dragging the CITY title to the front moves the field to the front.
    QHeaderView* header = grid.horizontalHeader();
    header->moveSection(m->columnOf(table_.fieldByName("CITY")), 0);
    EXPECT_EQ(table_.field(0)->fieldName(), "CITY");
    EXPECT_EQ(m->fieldAt(0)->fieldName(), "CITY");
    EXPECT_EQ(header->visualIndex(0), 0);  // the header shows the model's order as it is
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "CITY");
    EXPECT_GE(grid.columnWidth(0), 15 * digit);  // the width went with the column

    // A refused edit in an editable grid is told to the user.
    grid.setReadOnly(false);
    auto* editable = qobject_cast<EditableTableModel*>(grid.tableModel());
    ASSERT_NE(editable, nullptr);
    editable->setData(editable->index(0, 0), QString::fromUtf8("東京"));
    ASSERT_EQ(user_.shown().size(), 1u);
    EXPECT_TRUE(user_.shown().at(0).message.text.contains(QString::fromUtf8("東")));
}

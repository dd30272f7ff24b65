#pragma once
// DataTableModel: a read-only table model over a data source's table. Rows
// are the records the table's cursor visits — its current order under its
// query and delete mark — and columns its visible fields in field-list order,
// titled with their display labels. Moving a column (moveColumns, which a
// DbGrid calls when a header section is dragged) moves the field in the
// table's field list.
//
// Nothing is copied up front: rows are read on demand, kBlockRows at a time,
// by walking the cursor (DataTable::Walk, which leaves the current record
// where it was) from the nearest row whose record is known — the first or
// last row, or an anchor kept from earlier walks — never from the start for
// each row. At most kMaxBlocks blocks are kept.
//
// The row count is first an estimate: the file's record count, an upper
// bound (deleted and filtered records are in it), exact when every record is
// visible. It becomes exact as soon as a walk reaches the end of the view;
// the rows past it are then removed (from the event loop, not from inside
// data()). So the first screen costs one block's walk, never a scan of the
// file; scrolling to the far end costs one walk through the rows between.
//
// While the table is editing or its controls are disabled, the model reads
// nothing new: cached rows are shown, others are empty until the table is
// back in browse state. The current record's row always shows the record's
// live values. The model does not own the data source.
#include <QAbstractTableModel>
#include <QPointer>

#include <map>
#include <unordered_map>
#include <vector>

#include "platform/db/DataSource.h"

namespace platform {

class DataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kBlockRows = 64;
    static constexpr int kMaxBlocks = 64;

    explicit DataTableModel(DataSource* source, QObject* parent = nullptr);

    DataSource* dataSource() const { return source_; }
    DataTable* table() const { return source_ ? source_->dataSet() : nullptr; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // One column at a time; moves the field in the table's field list.
    bool moveColumns(const QModelIndex& sourceParent, int sourceColumn, int count,
                     const QModelIndex& destinationParent, int destinationChild) override;

    DataField* fieldAt(int column) const;
    int columnOf(const DataField* field) const;
    bool rowCountIsExact() const { return exact_; }
    // The record number shown in row, read on demand; 0 when there is none
    // or it cannot be read now.
    uint32_t recordAt(int row) const;
    // The row of the table's current record, or -1 (no record, not in the
    // view, or not readable now). Walks back to the nearest known row.
    int currentRow() const;
    // Makes the record of row current. False when the row cannot be read.
    // Throws xbase::Error when the table refuses to move (editing).
    bool goToRow(int row);

private:
    struct Block {
        std::vector<uint32_t> recnos;
        std::vector<QStringList> cells;  // display texts of the columns
    };

    void reload();
    void fieldsChanged();
    void recordDataChanged(DataField* field);
    void stateChanged();
    bool canWalk() const;
    const Block* block(int index) const;
    QStringList readCells() const;
    int effectiveCount() const;
    void learnCount(int count) const;
    void applyCount();
    void addKnown(int row, uint32_t recno, bool anchor) const;
    void forgetWalks() const;
    void pruneKnown() const;

    QPointer<DataSource> source_;
    std::vector<DataField*> columns_;
    int rowCount_ = 0;       // what the views were told
    mutable bool exact_ = true;
    mutable int learnedCount_ = -1;  // exact count found by a walk, not yet applied
    mutable bool missed_ = false;    // a row could not be read (editing, suspended)
    bool resetting_ = false;
    bool movingColumns_ = false;
    mutable std::map<int, Block> blocks_;
    mutable std::map<int, uint32_t> anchors_;              // row -> record
    mutable std::unordered_map<uint32_t, int> knownRows_;  // record -> row (anchors and cached rows)
};

}  // namespace platform

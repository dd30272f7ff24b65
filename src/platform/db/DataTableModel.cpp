#include "platform/db/DataTableModel.h"

#include <QMetaObject>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <exception>

namespace platform {

namespace {

// knownRows_ is rebuilt from the cache when it grows past this.
constexpr size_t kMaxKnownRows = 200'000;

}  // namespace

DataTableModel::DataTableModel(DataSource* source, QObject* parent) : QAbstractTableModel(parent), source_(source)
{
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &DataTableModel::reload);
        connect(source, &DataSource::fieldsChanged, this, &DataTableModel::fieldsChanged);
        connect(source, &DataSource::dataChanged, this, &DataTableModel::recordDataChanged);
        connect(source, &DataSource::stateChanged, this, &DataTableModel::stateChanged);
        connect(source, &QObject::destroyed, this, &DataTableModel::reload);
    }
    reload();
}

// ---------------------------------------------------------------------------
// Reacting to the table

void DataTableModel::reload()
{
    beginResetModel();
    resetting_ = true;
    blocks_.clear();
    anchors_.clear();
    knownRows_.clear();
    learnedCount_ = -1;
    missed_ = false;
    columns_.clear();
    DataTable* t = table();
    if (t) {
        for (int i = 0; i < t->fieldCount(); ++i) {
            if (t->field(i)->isVisible())
                columns_.push_back(t->field(i));
        }
    }
    if (!t || !t->isActive() || t->isEmpty()) {
        rowCount_ = 0;
        exact_ = true;
    } else {
        rowCount_ = static_cast<int>(std::min<uint32_t>(t->recordCount(), INT_MAX));
        exact_ = false;
        block(0);  // the first screen; finds the exact count of a short view
    }
    resetting_ = false;
    endResetModel();
}

void DataTableModel::fieldsChanged()
{
    if (!movingColumns_)
        reload();
}

void DataTableModel::recordDataChanged(DataField*)
{
    // The current record's values were read again or changed: refresh its
    // row if it is cached. The current record is read in place, no walk.
    DataTable* t = table();
    if (!t || !t->isActive() || t->isEmpty() || columns_.empty())
        return;
    auto known = knownRows_.find(t->recNo());
    if (known == knownRows_.end())
        return;
    int row = known->second;
    auto it = blocks_.find(row / kBlockRows);
    if (it == blocks_.end())
        return;
    size_t i = static_cast<size_t>(row % kBlockRows);
    if (i >= it->second.recnos.size() || it->second.recnos[i] != t->recNo())
        return;
    it->second.cells[i] = readCells();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DataTableModel::stateChanged()
{
    if (missed_ && canWalk() && rowCount_ > 0 && !columns_.empty()) {
        missed_ = false;
        emit dataChanged(index(0, 0), index(rowCount_ - 1, columnCount() - 1));
    }
}

// ---------------------------------------------------------------------------
// Reading rows

bool DataTableModel::canWalk() const
{
    DataTable* t = table();
    return t && t->isActive() && t->state() == DataState::Browse && !t->controlsDisabled();
}

int DataTableModel::effectiveCount() const
{
    return learnedCount_ >= 0 ? learnedCount_ : rowCount_;
}

void DataTableModel::learnCount(int count) const
{
    exact_ = true;
    auto* self = const_cast<DataTableModel*>(this);
    if (resetting_) {
        self->rowCount_ = count;
        return;
    }
    if (count == rowCount_)
        return;
    bool queued = learnedCount_ >= 0;
    learnedCount_ = count;
    // Views must not see rows vanish while they paint: apply it later.
    if (!queued)
        QMetaObject::invokeMethod(self, [self] { self->applyCount(); }, Qt::QueuedConnection);
}

void DataTableModel::applyCount()
{
    int count = std::exchange(learnedCount_, -1);
    if (count < 0 || count == rowCount_)
        return;
    if (count < rowCount_) {
        beginRemoveRows(QModelIndex(), count, rowCount_ - 1);
        rowCount_ = count;
        endRemoveRows();
    } else {
        beginInsertRows(QModelIndex(), rowCount_, count - 1);
        rowCount_ = count;
        endInsertRows();
    }
}

void DataTableModel::addKnown(int row, uint32_t recno, bool anchor) const
{
    if (anchor)
        anchors_[row] = recno;
    knownRows_[recno] = row;
}

void DataTableModel::forgetWalks() const
{
    // The rows moved under the cache (a walk did not find what it knew):
    // nothing learned so far can be trusted.
    anchors_.clear();
    blocks_.clear();
    knownRows_.clear();
}

void DataTableModel::pruneKnown() const
{
    knownRows_.clear();
    for (const auto& [row, recno] : anchors_)
        knownRows_[recno] = row;
    for (const auto& [b, blk] : blocks_) {
        for (size_t i = 0; i < blk.recnos.size(); ++i)
            knownRows_[blk.recnos[i]] = b * kBlockRows + static_cast<int>(i);
    }
}

QStringList DataTableModel::readCells() const
{
    QStringList cells;
    cells.reserve(static_cast<qsizetype>(columns_.size()));
    for (DataField* f : columns_) {
        try {
            cells.append(f->displayText());
        } catch (const std::exception&) {
            cells.append(QString());  // one unreadable value (a damaged memo) leaves its cell empty
        }
    }
    return cells;
}

const DataTableModel::Block* DataTableModel::block(int index) const
{
    auto found = blocks_.find(index);
    if (found != blocks_.end())
        return &found->second;
    if (!canWalk()) {
        missed_ = true;
        return nullptr;
    }
    const int target = index * kBlockRows;
    const int count = effectiveCount();
    if (target >= count)
        return nullptr;
    try {
        DataTable::Walk walk(*table());
        // Start from the nearest row whose record is known.
        enum class From { First, Anchor, Last } from = From::First;
        int startRow = 0;
        uint32_t startRecno = 0;
        int best = target;
        auto consider = [&](From kind, int row, uint32_t recno) {
            int distance = std::abs(target - row);
            if (distance < best) {
                best = distance;
                from = kind;
                startRow = row;
                startRecno = recno;
            }
        };
        auto above = anchors_.lower_bound(target);
        if (above != anchors_.end())
            consider(From::Anchor, above->first, above->second);
        if (above != anchors_.begin()) {
            auto below = std::prev(above);
            consider(From::Anchor, below->first, below->second);
        }
        if (exact_)
            consider(From::Last, count - 1, 0);

        int row = 0;
        bool placed = false;
        if (from == From::Anchor) {
            placed = walk.go(startRecno);
            row = startRow;
            if (!placed)
                forgetWalks();  // the view changed under the anchors
        } else if (from == From::Last) {
            placed = walk.last();
            row = count - 1;
        }
        if (!placed) {
            row = 0;
            if (!walk.first()) {
                learnCount(0);
                return nullptr;
            }
        }
        while (row < target) {
            if (!walk.next()) {
                learnCount(row + 1);
                return nullptr;
            }
            ++row;
            if (row % kBlockRows == 0)
                addKnown(row, walk.recno(), true);
        }
        while (row > target) {
            if (!walk.prior()) {
                forgetWalks();
                return nullptr;
            }
            --row;
            if (row % kBlockRows == 0)
                addKnown(row, walk.recno(), true);
        }
        Block blk;
        for (int i = 0; i < kBlockRows; ++i) {
            blk.recnos.push_back(walk.recno());
            blk.cells.push_back(readCells());
            addKnown(target + i, walk.recno(), i == 0);
            if (exact_ && target + i + 1 >= effectiveCount())
                break;
            if (!walk.next()) {
                learnCount(target + i + 1);
                break;
            }
        }
        while (blocks_.size() >= static_cast<size_t>(kMaxBlocks)) {
            auto far = std::max_element(blocks_.begin(), blocks_.end(), [index](const auto& a, const auto& b) {
                return std::abs(a.first - index) < std::abs(b.first - index);
            });
            blocks_.erase(far);
        }
        if (knownRows_.size() > kMaxKnownRows)
            pruneKnown();
        return &blocks_.emplace(index, std::move(blk)).first->second;
    } catch (const std::exception&) {
        missed_ = true;  // a failed read shows empty cells; the walk put the cursor back
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// The model interface

int DataTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rowCount_;
}

int DataTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

DataField* DataTableModel::fieldAt(int column) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    return columns_[static_cast<size_t>(column)];
}

int DataTableModel::columnOf(const DataField* field) const
{
    auto it = std::find(columns_.begin(), columns_.end(), field);
    return it == columns_.end() ? -1 : static_cast<int>(it - columns_.begin());
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount_ || index.column() >= columnCount())
        return {};
    DataField* f = fieldAt(index.column());
    if (role == Qt::TextAlignmentRole) {
        if (f->dataType() == FieldDataType::Number)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    try {
        const Block* blk = block(index.row() / kBlockRows);
        size_t i = static_cast<size_t>(index.row() % kBlockRows);
        if (!blk || i >= blk->recnos.size())
            return {};
        DataTable* t = table();
        // The record being edited shows what is typed, not what was read.
        if (t->isEditing() && t->recNo() == blk->recnos[i])
            return role == Qt::EditRole ? f->asString() : f->displayText();
        return blk->cells[i].at(index.column());
    } catch (const std::exception&) {
        return {};  // nothing may leave data(); an unreadable cell is empty
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (DataField* f = fieldAt(section))
            return f->displayLabel();
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool DataTableModel::moveColumns(const QModelIndex& sourceParent, int sourceColumn, int count,
                                 const QModelIndex& destinationParent, int destinationChild)
{
    const int columns = columnCount();
    if (sourceParent.isValid() || destinationParent.isValid() || count != 1 || sourceColumn < 0 ||
        sourceColumn >= columns || destinationChild < 0 || destinationChild > columns ||
        destinationChild == sourceColumn || destinationChild == sourceColumn + 1)
        return false;
    DataTable* t = table();
    if (!t)
        return false;
    const int targetColumn = destinationChild > sourceColumn ? destinationChild - 1 : destinationChild;
    DataField* moved = columns_[static_cast<size_t>(sourceColumn)];
    DataField* target = columns_[static_cast<size_t>(targetColumn)];
    if (!beginMoveColumns(QModelIndex(), sourceColumn, sourceColumn, QModelIndex(), destinationChild))
        return false;
    movingColumns_ = true;
    try {
        t->moveField(moved, target->index());
    } catch (const std::exception&) {
        movingColumns_ = false;
        endMoveColumns();
        reload();  // cannot happen for the table's own fields; start over if it does
        return false;
    }
    movingColumns_ = false;
    auto move = [&](auto& list) {
        auto item = std::move(list[sourceColumn]);
        list.erase(list.begin() + sourceColumn);
        list.insert(list.begin() + targetColumn, std::move(item));
    };
    move(columns_);
    for (auto& [b, blk] : blocks_) {
        for (QStringList& cells : blk.cells)
            cells.move(sourceColumn, targetColumn);
    }
    endMoveColumns();
    return true;
}

uint32_t DataTableModel::recordAt(int row) const
{
    if (row < 0 || row >= rowCount_)
        return 0;
    const Block* blk = block(row / kBlockRows);
    size_t i = static_cast<size_t>(row % kBlockRows);
    return blk && i < blk->recnos.size() ? blk->recnos[i] : 0;
}

int DataTableModel::currentRow() const
{
    DataTable* t = table();
    if (!t || !t->isActive() || t->isEmpty())
        return -1;
    const uint32_t recno = t->recNo();
    auto known = knownRows_.find(recno);
    if (known != knownRows_.end())
        return known->second;
    if (!canWalk())
        return -1;
    try {
        DataTable::Walk walk(*t);
        if (!walk.go(recno))
            return -1;  // the current record is not in the view
        // Back to a row whose record is known, or to the first row.
        std::vector<uint32_t> passed;
        int row = -1;
        int steps = 0;
        while (row < 0) {
            if (!walk.prior()) {
                row = steps;
                break;
            }
            ++steps;
            auto k = knownRows_.find(walk.recno());
            if (k != knownRows_.end())
                row = k->second + steps;
            else if (steps % kBlockRows == 0)
                passed.push_back(walk.recno());
        }
        for (size_t i = 0; i < passed.size(); ++i)
            addKnown(row - static_cast<int>(i + 1) * kBlockRows, passed[i], true);
        addKnown(row, recno, true);
        return row;
    } catch (const std::exception&) {
        return -1;
    }
}

bool DataTableModel::goToRow(int row)
{
    uint32_t recno = recordAt(row);
    DataTable* t = table();
    if (recno == 0 || !t)
        return false;
    if (t->recNo() == recno && !t->isEmpty())
        return true;
    return t->goTo(recno);
}

}  // namespace platform

#include "platform/db/DbGrid.h"

#include <QApplication>
#include <QHeaderView>

#include <algorithm>
#include <exception>

#include "platform/db/DataTableModel.h"
#include "platform/db/EditableTableModel.h"
#include "platform/ui/Messages.h"

namespace platform {

DbGrid::DbGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Fixed row heights: a view of a million rows must never measure them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &DbGrid::userMovedSection);
}

DbGrid::~DbGrid()
{
    // The view must let go of the model before the model goes.
    setModel(nullptr);
}

void DbGrid::setDataSource(DataSource* source)
{
    if (source_ == source)
        return;
    disconnect(sourceConnection_);
    source_ = source;
    if (source)
        sourceConnection_ = connect(source, &DataSource::dataChanged, this, &DbGrid::recordChanged);
    rebuildModel();
}

void DbGrid::setReadOnly(bool readOnly)
{
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    rebuildModel();
}

void DbGrid::rebuildModel()
{
    std::unique_ptr<DataTableModel> model;
    if (source_) {
        if (readOnly_) {
            model = std::make_unique<DataTableModel>(source_);
        } else {
            auto editable = std::make_unique<EditableTableModel>(source_);
            connect(editable.get(), &EditableTableModel::editRefused, this, &DbGrid::showRefusal);
            model = std::move(editable);
        }
    }
    setModel(model.get());
    model_ = std::move(model);
    setEditTriggers(readOnly_ ? QAbstractItemView::NoEditTriggers
                              : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                    QAbstractItemView::AnyKeyPressed);
    if (!model_)
        return;
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        followCurrentRecord();
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &DbGrid::userMovedToRow);
    applyColumnWidths();
    followCurrentRecord();
}

void DbGrid::applyColumnWidths()
{
    if (!model_)
        return;
    const QFontMetrics metrics = fontMetrics();
    const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    const int margin = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 6;
    for (int c = 0; c < model_->columnCount(); ++c) {
        DataField* f = model_->fieldAt(c);
        int width = f->displayWidth() * digit + margin;
        int title = titleMetrics.horizontalAdvance(f->displayLabel()) + margin;
        setColumnWidth(c, std::max(width, title));
    }
}

void DbGrid::recordChanged(DataField* field)
{
    if (!field)
        followCurrentRecord();
}

void DbGrid::followCurrentRecord()
{
    if (!model_ || syncing_)
        return;
    syncing_ = true;
    int row = model_->currentRow();
    if (row >= 0) {
        int column = std::max(currentIndex().column(), 0);
        QModelIndex target = model_->index(row, std::min(column, std::max(model_->columnCount() - 1, 0)));
        if (target.isValid()) {
            setCurrentIndex(target);
            scrollTo(target);
        }
    } else {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    }
    syncing_ = false;
}

void DbGrid::userMovedToRow(const QModelIndex& current, const QModelIndex& previous)
{
    if (syncing_ || !model_ || !current.isValid() || current.row() == previous.row())
        return;
    syncing_ = true;
    try {
        model_->goToRow(current.row());
    } catch (const std::exception&) {
        QApplication::beep();  // the table refuses to move (a record is being edited)
    }
    syncing_ = false;
    followCurrentRecord();
}

void DbGrid::userMovedSection(int, int oldVisualIndex, int newVisualIndex)
{
    if (syncing_ || !model_)
        return;
    // The header's drag only changed how it shows the columns. Put the header
    // back and move the column in the model instead, which moves the field.
    syncing_ = true;
    horizontalHeader()->moveSection(newVisualIndex, oldVisualIndex);
    int from = horizontalHeader()->logicalIndex(oldVisualIndex);
    int to = horizontalHeader()->logicalIndex(newVisualIndex);
    model_->moveColumn(QModelIndex(), from, QModelIndex(), to > from ? to + 1 : to);
    syncing_ = false;
}

void DbGrid::showRefusal(const QString& message)
{
    ShowError(message);
}

}  // namespace platform

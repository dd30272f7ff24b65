#pragma once
// DbGrid: a grid over a data source's table (a DataTableModel, or an
// EditableTableModel when not read-only). Its current row follows the
// table's current record and selecting a row makes that record current.
// Columns are sized from the fields' display widths (in characters of the
// grid's font, at least the width of the title) and can be resized; dragging
// a column title moves the field in the table's field list, so the new order
// is the table's. The grid owns its model, not the data source.
#include <QPointer>
#include <QTableView>

#include <memory>

#include "platform/db/DataSource.h"

namespace platform {

class DataTableModel;

class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    bool isReadOnly() const { return readOnly_; }
    // Read-only (the default) or cells that can be edited.
    void setReadOnly(bool readOnly);
    DataTableModel* tableModel() const { return model_.get(); }

private:
    void rebuildModel();
    void applyColumnWidths();
    void followCurrentRecord();
    void recordChanged(DataField* field);
    void userMovedToRow(const QModelIndex& current, const QModelIndex& previous);
    void userMovedSection(int logicalIndex, int oldVisualIndex, int newVisualIndex);
    void showRefusal(const QString& message);

    QPointer<DataSource> source_;
    std::unique_ptr<DataTableModel> model_;
    bool readOnly_ = true;
    bool syncing_ = false;
    QMetaObject::Connection sourceConnection_;
};

}  // namespace platform

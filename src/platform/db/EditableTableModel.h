#pragma once
// EditableTableModel: a DataTableModel whose cells can be edited. Setting a
// cell makes its record current, edits it, writes the text and posts it; a
// value the field refuses (too long, not storable in the file's code page)
// cancels that edit, leaves the record as it was and is reported through
// editRefused. When the table is already editing that record (a window's own
// edit), the value is written into it without posting. Calculated fields and
// memos are not editable in a cell; nothing is editable in a read-only table.
#include "platform/db/DataTableModel.h"

namespace platform {

class EditableTableModel : public DataTableModel {
    Q_OBJECT
public:
    explicit EditableTableModel(DataSource* source, QObject* parent = nullptr);

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // The message of the last refused edit, empty after one that succeeded.
    const QString& lastError() const { return lastError_; }

signals:
    void editRefused(const QString& message);

private:
    QString lastError_;
};

}  // namespace platform

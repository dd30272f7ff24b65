#include "platform/db/EditableTableModel.h"

#include <exception>

#include "xbase/Error.h"

namespace platform {

EditableTableModel::EditableTableModel(DataSource* source, QObject* parent) : DataTableModel(source, parent) {}

Qt::ItemFlags EditableTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = DataTableModel::flags(index);
    DataField* f = fieldAt(index.column());
    DataTable* t = table();
    if (f && t && t->canModify() && !f->isCalculated() && f->dataType() != FieldDataType::Memo &&
        f->dataType() != FieldDataType::Other)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool EditableTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    DataTable* t = table();
    DataField* f = fieldAt(index.column());
    try {
        const uint32_t recno = recordAt(index.row());
        if (recno == 0 && !(t->isEditing() && t->recNo() == recno))
            throw xbase::Error(xbase::ErrorKind::InvalidArgument, "The row cannot be read now");
        const bool ownEdit = !t->isEditing();
        if (!ownEdit && t->recNo() != recno)
            throw xbase::Error(xbase::ErrorKind::InvalidArgument, "Post or cancel the edit of the current record first");
        if (ownEdit) {
            if (t->recNo() != recno && !t->goTo(recno))
                throw xbase::Error(xbase::ErrorKind::InvalidArgument, "The record of this row is no longer in the view");
            t->edit();
        }
        try {
            f->setAsString(value.toString());
            if (ownEdit)
                t->post();
        } catch (...) {
            if (ownEdit)
                t->cancel();
            throw;
        }
    } catch (const std::exception& e) {
        lastError_ = QString::fromUtf8(e.what());
        emit editRefused(lastError_);
        return false;
    }
    lastError_.clear();
    return true;
}

}  // namespace platform

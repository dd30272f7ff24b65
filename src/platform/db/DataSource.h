#pragma once
// DataSource: what data-aware controls bind to. It passes on the display
// signals of one DataTable (which it does not own, and which may be swapped
// or destroyed: the source then has none) and carries the auto-edit switch:
// with auto-edit on, a control the user types into puts the table into the
// edit state; with it off, controls are read-only until the program calls
// edit() or append().
#include <QObject>
#include <QPointer>

#include "platform/db/DataTable.h"

namespace platform {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    DataTable* dataSet() const { return table_; }
    void setDataSet(DataTable* table);
    bool autoEdit() const { return autoEdit_; }
    void setAutoEdit(bool on);
    // The table's state, Inactive when there is no table.
    DataState state() const;

signals:
    // The table's state changed (also when the table is swapped).
    void stateChanged();
    // The current record's values changed: field is the one that was set, or
    // nullptr when the whole record changed (a move, a re-read, new rows).
    void dataChanged(platform::DataField* field);
    // Rows may have appeared, gone or been reordered (open, close, post,
    // delete, query, resume of the display); comes with dataChanged(nullptr).
    void dataSetChanged();
    // The field list, or a field's label, visibility or width, changed.
    void fieldsChanged();

private:
    void tableDataSetChanged();
    void tableRecordChanged();
    void tableDestroyed();

    QPointer<DataTable> table_;
    bool autoEdit_ = true;
    QMetaObject::Connection connections_[6];
};

}  // namespace platform

#pragma once
// FieldLink: what every single-field data-aware control holds — the data
// source and field name it is bound to. It finds the field again whenever
// the table or its field list changes, tells the control when to show the
// field again (changed) and whether the user may change the value now, and
// starts the edit when the user does.
// The link does not own the data source; a destroyed source unbinds it.
#include <QObject>
#include <QPointer>
#include <QString>

#include "platform/db/DataSource.h"

namespace platform {

class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(QObject* parent = nullptr);

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    const QString& fieldName() const { return fieldName_; }
    void setFieldName(const QString& name);
    // The bound field while the table is open and has it, else nullptr.
    DataField* field() const;
    DataTable* table() const { return source_ ? source_->dataSet() : nullptr; }
    bool isEditing() const;
    // True when a user change can be written: a stored field of a writable
    // table that is being edited, or that auto-edit may put into edit state.
    bool canModify() const;
    // Puts the table into edit state when it is not editing and auto-edit
    // allows it. True when the field may now be written. Throws xbase::Error.
    bool startEdit();

signals:
    // Show the field's value again (record, field, table or state changed).
    void changed();

private:
    void dataChanged(DataField* field);

    QPointer<DataSource> source_;
    QString fieldName_;
    QMetaObject::Connection connections_[4];
};

}  // namespace platform

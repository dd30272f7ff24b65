#pragma once
// DbEdit: a one-line edit bound to a field of a data source. It shows the
// current record's value, takes at most the field's width in characters,
// refuses characters the file's code page cannot hold, and writes every
// change the user makes into the record — putting the table into edit state
// first when the data source allows auto-edit. It is read-only when the
// value cannot be changed (no record, calculated field, read-only table,
// auto-edit off while browsing).
#include <QLineEdit>

#include "platform/db/FieldLink.h"

namespace platform {

class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& dataField() const { return link_.fieldName(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }
    // Turns what the user types into upper case (a middle initial).
    void setForceUpperCase(bool on);
    bool forceUpperCase() const { return upperCase_; }

private:
    void refresh();
    void userEdited(const QString& text);

    FieldLink link_;
    bool upperCase_ = false;
    bool writing_ = false;
};

}  // namespace platform

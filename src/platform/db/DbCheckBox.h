#pragma once
// DbCheckBox: a check box bound to a logical field. It shows the current
// record's value; a click writes the opposite value into the record (putting
// the table into edit state when auto-edit allows it). When the value cannot
// be changed (calculated field, no record, read-only table) a click changes
// nothing, but the box stays enabled so that its owner still sees the
// clicks and presses.
#include <QCheckBox>

#include "platform/db/FieldLink.h"

namespace platform {

class DbCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DbCheckBox(QWidget* parent = nullptr);
    explicit DbCheckBox(const QString& text, QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& dataField() const { return link_.fieldName(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

protected:
    void nextCheckState() override;

private:
    void refresh();

    FieldLink link_;
};

}  // namespace platform

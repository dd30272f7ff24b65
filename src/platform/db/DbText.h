#pragma once
// DbText: a read-only label showing a field of the current record as the
// grid would (its display text), e.g. a calculated display date.
#include <QLabel>

#include "platform/db/FieldLink.h"

namespace platform {

class DbText : public QLabel {
    Q_OBJECT
public:
    explicit DbText(QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& dataField() const { return link_.fieldName(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

private:
    void refresh();

    FieldLink link_;
};

}  // namespace platform

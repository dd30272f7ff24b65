#pragma once
// DbMemo: a multi-line plain-text control bound to a memo (or character)
// field. It shows the text with its stored CR LF line breaks as lines and
// writes each change back with CR LF, starting the edit when the data source
// allows auto-edit. Characters the file cannot store are refused (a beep)
// when typed or pasted.
#include <QPlainTextEdit>

#include "platform/db/FieldLink.h"

namespace platform {

class DbMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DbMemo(QWidget* parent = nullptr);

    DataSource* dataSource() const { return link_.dataSource(); }
    void setDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& dataField() const { return link_.fieldName(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void refresh();
    void userChanged();

    FieldLink link_;
    bool loading_ = false;
    bool writing_ = false;
};

}  // namespace platform

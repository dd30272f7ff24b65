#include "platform/db/DbEdit.h"

#include <QApplication>
#include <QValidator>

#include <exception>

#include "platform/db/Cp1252.h"
#include "platform/ui/Messages.h"

namespace platform {

namespace {

// Keeps out what the file could not store; upper-cases when asked.
class StorableTextValidator : public QValidator {
public:
    explicit StorableTextValidator(const DbEdit* edit) : QValidator(nullptr), edit_(edit) {}

    State validate(QString& input, int&) const override
    {
        if (edit_->forceUpperCase())
            input = input.toUpper();
        if (Cp1252::canEncode(input))
            return Acceptable;
        QApplication::beep();
        return Invalid;
    }

private:
    const DbEdit* edit_;
};

}  // namespace

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent)
{
    auto* validator = new StorableTextValidator(this);
    validator->setParent(this);
    setValidator(validator);
    connect(&link_, &FieldLink::changed, this, &DbEdit::refresh);
    connect(this, &QLineEdit::textEdited, this, &DbEdit::userEdited);
    refresh();
}

void DbEdit::setForceUpperCase(bool on)
{
    upperCase_ = on;
}

void DbEdit::refresh()
{
    if (writing_)
        return;  // the change came from this control; its text is already right
    DataField* f = link_.field();
    QString text;
    try {
        if (f)
            text = f->asString();
    } catch (const std::exception&) {
        text.clear();  // a record that cannot be read shows empty; the window reports the failure
    }
    bool sized = f && f->size() > 0 && f->dataType() != FieldDataType::Memo;
    setMaxLength(sized ? f->size() : 32767);
    setText(text);
    setReadOnly(!link_.canModify());
}

void DbEdit::userEdited(const QString& text)
{
    writing_ = true;
    try {
        if (link_.startEdit())
            link_.field()->setAsString(text);
        writing_ = false;
        if (!link_.isEditing())
            refresh();
    } catch (const std::exception& e) {
        writing_ = false;
        refresh();
        ShowError(QString::fromUtf8(e.what()));
    }
}

}  // namespace platform

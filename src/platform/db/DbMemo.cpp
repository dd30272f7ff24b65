#include "platform/db/DbMemo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>

#include <exception>

#include "platform/db/Cp1252.h"
#include "platform/ui/Messages.h"

namespace platform {

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(&link_, &FieldLink::changed, this, &DbMemo::refresh);
    connect(this, &QPlainTextEdit::textChanged, this, &DbMemo::userChanged);
    refresh();
}

void DbMemo::refresh()
{
    if (writing_)
        return;
    DataField* f = link_.field();
    QString text;
    try {
        if (f)
            text = f->asString();
    } catch (const std::exception&) {
        text.clear();  // an unreadable memo shows empty; the window reports the failure
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    if (text != toPlainText()) {
        loading_ = true;
        setPlainText(text);
        loading_ = false;
    }
    setReadOnly(!link_.canModify());
}

void DbMemo::userChanged()
{
    if (loading_)
        return;
    writing_ = true;
    try {
        if (link_.startEdit()) {
            QString text = toPlainText();
            text.replace(u'\n', QLatin1String("\r\n"));
            link_.field()->setAsString(text);
        }
        writing_ = false;
        if (!link_.isEditing())
            refresh();
    } catch (const std::exception& e) {
        writing_ = false;
        refresh();
        ShowError(QString::fromUtf8(e.what()));
    }
}

void DbMemo::keyPressEvent(QKeyEvent* event)
{
    if (!isReadOnly() && !event->text().isEmpty() && !Cp1252::canEncode(event->text())) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DbMemo::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText() && !Cp1252::canEncode(source->text())) {
        QApplication::beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

}  // namespace platform

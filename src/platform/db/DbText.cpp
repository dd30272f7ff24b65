#include "platform/db/DbText.h"

#include <exception>

namespace platform {

DbText::DbText(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);  // values are user data, never markup
    connect(&link_, &FieldLink::changed, this, &DbText::refresh);
    refresh();
}

void DbText::refresh()
{
    DataField* f = link_.field();
    QString text;
    try {
        if (f)
            text = f->displayText();
    } catch (const std::exception&) {
        text.clear();  // an unreadable record shows empty; the window reports the failure
    }
    setText(text);
}

}  // namespace platform

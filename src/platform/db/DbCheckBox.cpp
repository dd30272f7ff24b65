#include "platform/db/DbCheckBox.h"

#include <exception>

#include "platform/ui/Messages.h"

namespace platform {

DbCheckBox::DbCheckBox(QWidget* parent) : DbCheckBox(QString(), parent) {}

DbCheckBox::DbCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    connect(&link_, &FieldLink::changed, this, &DbCheckBox::refresh);
    refresh();
}

void DbCheckBox::refresh()
{
    DataField* f = link_.field();
    bool checked = false;
    try {
        checked = f && f->asBoolean();
    } catch (const std::exception&) {
        checked = false;  // an unreadable record shows unticked; the window reports the failure
    }
    setChecked(checked);
}

void DbCheckBox::nextCheckState()
{
    // The box shows the field; the click changes the field, and the field's
    // change ticks the box (through refresh).
    try {
        if (link_.startEdit())
            link_.field()->setAsBoolean(!isChecked());
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
    refresh();
}

}  // namespace platform

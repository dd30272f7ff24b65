#include "platform/ui/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace platform

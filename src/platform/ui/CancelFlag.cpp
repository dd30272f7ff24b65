#include "platform/ui/CancelFlag.h"

#include <QCoreApplication>

namespace platform {

bool CancelFlag::keepResponsive()
{
    ProcessPendingEvents();
    return cancelled_;
}

void ProcessPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace platform

#include "app/RunningToolDialog.h"

#include <QCloseEvent>

#include <utility>

#include "app/DialogHelpers.h"
#include "platform/ui/WhatsThis.h"

namespace app {

void RunningToolDialog::reject()
{
    if (!running_)
        QDialog::reject();
}

void RunningToolDialog::closeEvent(QCloseEvent* event)
{
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void RunningToolDialog::setRunningControls(QWidget* start, std::vector<QWidget*> idleOnly,
                                           std::vector<QWidget*> runningOnly)
{
    start_ = start;
    idleOnly_ = std::move(idleOnly);
    runningOnly_ = std::move(runningOnly);
    for (QWidget* widget : runningOnly_) {
        KeepRoomWhenHidden(widget);
        widget->hide();
    }
}

void RunningToolDialog::setRunning(bool running)
{
    running_ = running;
    if (start_)
        start_->setEnabled(!running);
    for (QWidget* widget : idleOnly_)
        widget->setVisible(!running);
    for (QWidget* widget : runningOnly_)
        widget->setVisible(running);
    platform::SetWhatsThisSuspended(this, running);
}

}  // namespace app

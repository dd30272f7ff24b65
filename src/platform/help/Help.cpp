#include "platform/help/Help.h"

#include "platform/help/HelpWindow.h"

namespace platform {

void ShowHelpTopic(int context)
{
    HelpWindow::open(context);
}

}  // namespace platform

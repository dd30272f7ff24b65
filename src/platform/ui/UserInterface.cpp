#include "platform/ui/UserInterface.h"

#include "platform/ui/QtUserInterface.h"

namespace platform {

namespace {

UserInterface* g_installed = nullptr;

}  // namespace

MessageAnswer DismissedAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

UserInterface& UserInterface::current()
{
    if (g_installed)
        return *g_installed;
    static QtUserInterface real;
    return real;
}

void UserInterface::setCurrent(UserInterface* ui)
{
    g_installed = ui;
}

UserInterface* UserInterface::installed()
{
    return g_installed;
}

}  // namespace platform

#include "platform/ui/Messages.h"

#include "platform/ui/UserInterface.h"

namespace platform {

namespace {

bool AskYesNoWithDefault(const QString& text, const QString& title, MessageAnswer defaultAnswer)
{
    MessageRequest request;
    request.icon = MessageIcon::Question;
    request.title = title;
    request.text = text;
    request.buttons = MessageButtons::YesNo;
    request.defaultAnswer = defaultAnswer;
    return UserInterface::current().showMessage(request) == MessageAnswer::Yes;
}

}  // namespace

void ShowInformation(const QString& text)
{
    MessageRequest request;
    request.icon = MessageIcon::Information;
    request.title = QStringLiteral("Information");
    request.text = text;
    UserInterface::current().showMessage(request);
}

bool AskYesNo(const QString& text, const QString& title)
{
    return AskYesNoWithDefault(text, title, MessageAnswer::Yes);
}

bool AskYesNoDefaultNo(const QString& text, const QString& title)
{
    return AskYesNoWithDefault(text, title, MessageAnswer::No);
}

void ShowError(const QString& text)
{
    MessageRequest request;
    request.icon = MessageIcon::Error;
    request.title = QStringLiteral("Error");
    request.text = text;
    UserInterface::current().showMessage(request);
}

}  // namespace platform

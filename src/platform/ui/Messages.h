#pragma once
// Message boxes every window uses: information, yes/no questions and errors.
// Each call goes through the current UserInterface (UserInterface.h), so tests
// answer them with a ScriptedUserInterface. Texts are shown exactly as given,
// as plain text; a CR LF pair in a text is one line break. Other boxes (a
// question with the information icon, OK and Cancel...) are asked with
// UserInterface::current().showMessage(MessageRequest).
// Requires: a QApplication exists.
#include <QString>

namespace platform {

// Information icon, title "Information", one OK button.
void ShowInformation(const QString& text);
// Question icon, Yes and No, Yes is the default. True when the user says Yes.
bool AskYesNo(const QString& text, const QString& title);
// As AskYesNo, but No is the default button.
bool AskYesNoDefaultNo(const QString& text, const QString& title);
// Error icon, title "Error", one OK button.
void ShowError(const QString& text);

}  // namespace platform

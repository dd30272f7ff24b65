#pragma once
// QtUserInterface: the real UserInterface, showing Qt's message box, input
// box, file, font and colour dialogs modally over the active window (or the
// main window). Message texts are shown as plain text, never as HTML, since
// they carry names and paths typed by users.
// Requires: a QApplication exists.
#include "platform/ui/UserInterface.h"

namespace platform {

class QtUserInterface : public UserInterface {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<QString> getText(const TextInputRequest& request) override;
    std::optional<QString> getOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(const FileDialogRequest& request) override;
    std::optional<QFont> getFont(const QFont& initial, const QString& title) override;
    std::optional<QColor> getColor(const QColor& initial, const QString& title) override;
};

}  // namespace platform

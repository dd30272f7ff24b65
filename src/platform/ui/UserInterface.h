#pragma once
// UserInterface: the one door through which the program asks the user
// something — message boxes, the text input box, the file open and save
// dialogs, the font and colour dialogs. Windows never call QMessageBox,
// QFileDialog and the like themselves, so tests can answer for the user.
//
// The process has one current instance: the real one (QtUserInterface) until
// something else is installed with setCurrent(), typically a
// ScriptedUserInterface in a test. The installer keeps its instance alive
// while it is current; setCurrent(nullptr) brings back the real one.
// Texts use CR LF for line breaks, as the program's messages are written;
// shown, each CR LF is one line break.
// Requires: a QApplication exists before anything is shown.
#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

namespace platform {

enum class MessageIcon { None, Information, Question, Warning, Error };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    MessageIcon icon = MessageIcon::Information;
    QString title;
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;  // the default button
};

// The answer of a box closed without a button: Cancel when it has a Cancel
// button, else No when it has No, else Ok.
MessageAnswer DismissedAnswer(MessageButtons buttons);

struct TextInputRequest {
    QString title;
    QString prompt;
    QString text;       // the text the box starts with
    int maxLength = 0;  // 0: no limit
};

struct FileDialogRequest {
    QString title;
    QString directory;  // where the dialog starts; empty: the current folder
    // The proposed name. A pattern such as "*.dbf" only repeats the filter
    // and is not proposed.
    QString fileName;
    // Pairs of description and patterns, all separated by '|', patterns by
    // ';': "Text files, CSV Files|*.TXT;*.CSV|All files|*.*". Patterns match
    // without regard to case.
    QString filter;
    // Added (without its dot) to a typed name that has no extension.
    QString defaultExtension;
    bool fileMustExist = false;  // open only
    // Asking before replacing a file: off, as the program asks in its own
    // words where it matters ("... already exists.").
    bool confirmOverwrite = false;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // The button the user chose; closing the box gives DismissedAnswer().
    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    // The text entered, or nothing when cancelled.
    virtual std::optional<QString> getText(const TextInputRequest& request) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<QString> getOpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> getSaveFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<QFont> getFont(const QFont& initial, const QString& title) = 0;
    virtual std::optional<QColor> getColor(const QColor& initial, const QString& title) = 0;

    static UserInterface& current();
    // Installs `ui` (not owned) as the current instance; nullptr: the real one.
    static void setCurrent(UserInterface* ui);
    // The installed instance, nullptr while the real one is current.
    static UserInterface* installed();
};

}  // namespace platform

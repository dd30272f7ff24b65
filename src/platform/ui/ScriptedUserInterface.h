#pragma once
// ScriptedUserInterface: the user, played by a test. It answers from a queue
// of answers written in advance and records everything it was shown, word
// for word (CR LF kept), so that tests assert on both.
//
//     ScriptedUserInterface user;             // installed until destroyed
//     user.answerNo();                        // for the next question
//     window.deleteButton()->click();
//     EXPECT_EQ(user.shown().at(0).message.text, "Delete this record?");
//     EXPECT_TRUE(user.problems().isEmpty());
//
// Answers are used in order, each by the next request of its kind. Message
// boxes with only an OK button need no answer (an answerOk() queued for one
// is still used). A request without a fitting answer at the front of the
// queue is dismissed (Cancel, No, nothing chosen), leaves the queue as it
// is and is noted in problems() — so a test that forgets an answer, or
// expects a question that never comes, fails on problems() or
// pendingAnswers() instead of hanging on a real dialog.
//
// The constructor installs the instance as UserInterface::current(); the
// destructor puts back whatever was installed before.
#include <QStringList>

#include <deque>
#include <vector>

#include "platform/ui/UserInterface.h"

namespace platform {

class ScriptedUserInterface : public UserInterface {
public:
    enum class Kind { Message, TextInput, OpenFile, SaveFile, Font, Color };

    // One request the program made, with what was answered.
    struct Shown {
        Kind kind = Kind::Message;
        MessageRequest message;      // Kind::Message
        TextInputRequest textInput;  // Kind::TextInput
        FileDialogRequest file;      // Kind::OpenFile, Kind::SaveFile
        QString title;               // Kind::Font, Kind::Color
        QFont font;                  // Kind::Font: the initial font
        QColor color;                // Kind::Color: the initial colour
        bool answered = false;       // false: dismissed for want of an answer
    };

    ScriptedUserInterface();
    ~ScriptedUserInterface() override;
    ScriptedUserInterface(const ScriptedUserInterface&) = delete;
    ScriptedUserInterface& operator=(const ScriptedUserInterface&) = delete;

    // Answers for the coming requests, in order.
    void answer(MessageAnswer answer);
    void answerYes() { answer(MessageAnswer::Yes); }
    void answerNo() { answer(MessageAnswer::No); }
    void answerOk() { answer(MessageAnswer::Ok); }
    void answerCancel() { answer(MessageAnswer::Cancel); }
    // The text input box: OK with this text.
    void answerText(const QString& text);
    // An open or save dialog: this path is chosen.
    void answerFile(const QString& path);
    void answerFont(const QFont& font);
    void answerColor(const QColor& color);
    // The next text box, file, font or colour dialog is cancelled.
    void answerDialogCancelled();

    const std::vector<Shown>& shown() const { return shown_; }
    // The texts of the message boxes shown, in order.
    QStringList messageTexts() const;
    // One line for each request that had no fitting answer.
    const QStringList& problems() const { return problems_; }
    int pendingAnswers() const { return int(answers_.size()); }
    void clear();

    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<QString> getText(const TextInputRequest& request) override;
    std::optional<QString> getOpenFileName(const FileDialogRequest& request) override;
    std::optional<QString> getSaveFileName(const FileDialogRequest& request) override;
    std::optional<QFont> getFont(const QFont& initial, const QString& title) override;
    std::optional<QColor> getColor(const QColor& initial, const QString& title) override;

private:
    enum class AnswerKind { Message, Text, File, Font, Color, Cancelled };
    struct Answer {
        AnswerKind kind = AnswerKind::Cancelled;
        MessageAnswer message = MessageAnswer::Ok;
        QString text;
        QFont font;
        QColor color;
    };

    // Takes the front answer when it fits `kind` (a dialog cancellation fits
    // every dialog); otherwise notes a problem and returns nothing.
    std::optional<Answer> take(AnswerKind kind, const QString& what);
    std::optional<QString> fileAnswer(Kind kind, const FileDialogRequest& request);

    std::deque<Answer> answers_;
    std::vector<Shown> shown_;
    QStringList problems_;
    UserInterface* previous_ = nullptr;
};

}  // namespace platform

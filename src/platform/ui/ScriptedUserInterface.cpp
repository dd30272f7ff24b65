#include "platform/ui/ScriptedUserInterface.h"

namespace platform {

namespace {

bool Offers(MessageButtons buttons, MessageAnswer answer)
{
    switch (buttons) {
    case MessageButtons::Ok: return answer == MessageAnswer::Ok;
    case MessageButtons::OkCancel: return answer == MessageAnswer::Ok || answer == MessageAnswer::Cancel;
    case MessageButtons::YesNo: return answer == MessageAnswer::Yes || answer == MessageAnswer::No;
    case MessageButtons::YesNoCancel: return answer != MessageAnswer::Ok;
    }
    return false;
}

}  // namespace

ScriptedUserInterface::ScriptedUserInterface() : previous_(UserInterface::installed())
{
    UserInterface::setCurrent(this);
}

ScriptedUserInterface::~ScriptedUserInterface()
{
    if (UserInterface::installed() == this)
        UserInterface::setCurrent(previous_);
}

void ScriptedUserInterface::answer(MessageAnswer answer)
{
    Answer next;
    next.kind = AnswerKind::Message;
    next.message = answer;
    answers_.push_back(next);
}

void ScriptedUserInterface::answerText(const QString& text)
{
    Answer next;
    next.kind = AnswerKind::Text;
    next.text = text;
    answers_.push_back(next);
}

void ScriptedUserInterface::answerFile(const QString& path)
{
    Answer next;
    next.kind = AnswerKind::File;
    next.text = path;
    answers_.push_back(next);
}

void ScriptedUserInterface::answerFont(const QFont& font)
{
    Answer next;
    next.kind = AnswerKind::Font;
    next.font = font;
    answers_.push_back(next);
}

void ScriptedUserInterface::answerColor(const QColor& color)
{
    Answer next;
    next.kind = AnswerKind::Color;
    next.color = color;
    answers_.push_back(next);
}

void ScriptedUserInterface::answerDialogCancelled()
{
    answers_.push_back(Answer{});
}

QStringList ScriptedUserInterface::messageTexts() const
{
    QStringList texts;
    for (const Shown& entry : shown_) {
        if (entry.kind == Kind::Message)
            texts << entry.message.text;
    }
    return texts;
}

void ScriptedUserInterface::clear()
{
    answers_.clear();
    shown_.clear();
    problems_.clear();
}

std::optional<ScriptedUserInterface::Answer> ScriptedUserInterface::take(AnswerKind kind, const QString& what)
{
    const bool fits = !answers_.empty() &&
                      (answers_.front().kind == kind || answers_.front().kind == AnswerKind::Cancelled);
    if (!fits) {
        problems_ << (answers_.empty() ? QStringLiteral("no answer for ") : QStringLiteral("wrong answer for ")) +
                         what;
        return std::nullopt;
    }
    Answer next = answers_.front();
    answers_.pop_front();
    return next;
}

MessageAnswer ScriptedUserInterface::showMessage(const MessageRequest& request)
{
    Shown entry;
    entry.kind = Kind::Message;
    entry.message = request;
    const QString what = QStringLiteral("message \"") + request.text + QLatin1Char('"');

    MessageAnswer result = DismissedAnswer(request.buttons);
    const bool messageQueued = !answers_.empty() && answers_.front().kind == AnswerKind::Message;
    if (messageQueued && Offers(request.buttons, answers_.front().message)) {
        result = answers_.front().message;
        answers_.pop_front();
        entry.answered = true;
    } else if (request.buttons == MessageButtons::Ok) {
        entry.answered = true;  // an OK box needs no script
    } else {
        problems_ << (answers_.empty() ? QStringLiteral("no answer for ") : QStringLiteral("wrong answer for ")) +
                         what;
    }
    shown_.push_back(entry);
    return result;
}

std::optional<QString> ScriptedUserInterface::getText(const TextInputRequest& request)
{
    Shown entry;
    entry.kind = Kind::TextInput;
    entry.textInput = request;
    std::optional<QString> result;
    if (const std::optional<Answer> next =
            take(AnswerKind::Text, QStringLiteral("text input \"") + request.prompt + QLatin1Char('"'))) {
        entry.answered = true;
        if (next->kind == AnswerKind::Text)
            result = request.maxLength > 0 ? next->text.left(request.maxLength) : next->text;
    }
    shown_.push_back(entry);
    return result;
}

std::optional<QString> ScriptedUserInterface::fileAnswer(Kind kind, const FileDialogRequest& request)
{
    Shown entry;
    entry.kind = kind;
    entry.file = request;
    const QString what = (kind == Kind::OpenFile ? QStringLiteral("open dialog \"") : QStringLiteral("save dialog \"")) +
                         request.title + QLatin1Char('"');
    std::optional<QString> result;
    if (const std::optional<Answer> next = take(AnswerKind::File, what)) {
        entry.answered = true;
        if (next->kind == AnswerKind::File)
            result = next->text;
    }
    shown_.push_back(entry);
    return result;
}

std::optional<QString> ScriptedUserInterface::getOpenFileName(const FileDialogRequest& request)
{
    return fileAnswer(Kind::OpenFile, request);
}

std::optional<QString> ScriptedUserInterface::getSaveFileName(const FileDialogRequest& request)
{
    return fileAnswer(Kind::SaveFile, request);
}

std::optional<QFont> ScriptedUserInterface::getFont(const QFont& initial, const QString& title)
{
    Shown entry;
    entry.kind = Kind::Font;
    entry.title = title;
    entry.font = initial;
    std::optional<QFont> result;
    if (const std::optional<Answer> next = take(AnswerKind::Font, QStringLiteral("font dialog"))) {
        entry.answered = true;
        if (next->kind == AnswerKind::Font)
            result = next->font;
    }
    shown_.push_back(entry);
    return result;
}

std::optional<QColor> ScriptedUserInterface::getColor(const QColor& initial, const QString& title)
{
    Shown entry;
    entry.kind = Kind::Color;
    entry.title = title;
    entry.color = initial;
    std::optional<QColor> result;
    if (const std::optional<Answer> next = take(AnswerKind::Color, QStringLiteral("colour dialog"))) {
        entry.answered = true;
        if (next->kind == AnswerKind::Color)
            result = next->color;
    }
    shown_.push_back(entry);
    return result;
}

}  // namespace platform

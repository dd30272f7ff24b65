#include "platform/ui/QtUserInterface.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/DisplayText.h"
#include "platform/ui/FileFilter.h"
#include "platform/ui/FormPlacement.h"

namespace platform {

namespace {

QWidget* DialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return MainWindow();
}

QMessageBox::Icon ToQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQt(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Ok: return QMessageBox::Ok;
    case MessageAnswer::Cancel: return QMessageBox::Cancel;
    case MessageAnswer::Yes: return QMessageBox::Yes;
    case MessageAnswer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButtons ToQt(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

void SetUp(QFileDialog& dialog, const FileDialogRequest& request)
{
    // Qt's own dialog, because it can match "*.dbf" against "ADD0001.DBF";
    // the desktop's dialogs match patterns case-sensitively.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::Filters(QDir::CaseSensitive));
    const QStringList filters = FileDialogNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    const bool pattern = request.fileName.contains(QLatin1Char('*')) || request.fileName.contains(QLatin1Char('?'));
    if (!request.fileName.isEmpty() && !pattern)
        dialog.selectFile(request.fileName);
}

std::optional<QString> RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

}  // namespace

MessageAnswer QtUserInterface::showMessage(const MessageRequest& request)
{
    QMessageBox box(ToQt(request.icon), request.title, DisplayText(request.text), ToQt(request.buttons),
                    DialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(ToQt(request.defaultAnswer));
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return DismissedAnswer(request.buttons);
    }
}

std::optional<QString> QtUserInterface::getText(const TextInputRequest& request)
{
    QInputDialog dialog(DialogParent());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(DisplayText(request.prompt));
    dialog.setTextValue(request.text);
    if (request.maxLength > 0) {
        if (auto* edit = dialog.findChild<QLineEdit*>())
            edit->setMaxLength(request.maxLength);
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtUserInterface::getOpenFileName(const FileDialogRequest& request)
{
    QFileDialog dialog(DialogParent(), request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    SetUp(dialog, request);
    return RunFileDialog(dialog);
}

std::optional<QString> QtUserInterface::getSaveFileName(const FileDialogRequest& request)
{
    QFileDialog dialog(DialogParent(), request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    SetUp(dialog, request);
    return RunFileDialog(dialog);
}

std::optional<QFont> QtUserInterface::getFont(const QFont& initial, const QString& title)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, DialogParent(), title);
    if (!ok)
        return std::nullopt;
    return font;
}

std::optional<QColor> QtUserInterface::getColor(const QColor& initial, const QString& title)
{
    const QColor color = QColorDialog::getColor(initial, DialogParent(), title);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

}  // namespace platform

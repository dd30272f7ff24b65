#pragma once
// The parts every tool dialog of the program is made of: the buttons of its
// bottom row with their "What's this?" texts, the black question mark that
// starts pointer help, Enter moving on in data-entry edits, and the fixed
// size centred over the main window. Controls are created as children of
// `parent`, which owns them.
// Requires: a QApplication exists.
#include <QString>

#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QToolButton;
class QWidget;

namespace app {

// A push button with its objectName, caption and "What's this?" text. It
// becomes the default button of its dialog only when asked, so that Enter
// never presses a button the user did not mean.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& help,
                        bool isDefault = false);
// The mouse-help button ("MouseHelpButton"): the pointer turns into a
// question mark and the next click on a control shows its help text.
QToolButton* MakeMouseHelpButton(QWidget* parent);
// The bottom row: `buttons` from the left, the mouse-help button at the right.
QHBoxLayout* MakeButtonRow(std::initializer_list<QWidget*> buttons, QWidget* mouseHelp);
// The widget keeps its room in the layout while hidden, so that a dialog of
// fixed size does not shift when it comes and goes.
void KeepRoomWhenHidden(QWidget* widget);
// Enter (either key) in the edit moves the focus to the next control, as
// Tab does, instead of pressing the dialog's default button.
void EnterMovesFocus(QWidget* edit);
// Fixes the dialog's size to its layout and centres it over the main window.
void FinishToolDialog(QDialog* dialog);

}  // namespace app

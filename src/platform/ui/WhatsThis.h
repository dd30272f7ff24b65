#pragma once
// "What's this?" help on controls. SetWhatsThis gives a control its help
// text and a right-click (or menu key, or Shift+F10) context menu with the
// one item "What's this?" that shows the text beside the control. Edit
// controls keep their usual cut/copy/paste menu, with the item added at its
// end. The same text is shown in pointer help mode, which a window's mouse
// help button starts (ConnectMouseHelpButton): the pointer turns into a
// question mark and the next click on a control shows its text.
//
// While a window runs a long job its "What's this?" help is suspended
// (SetWhatsThisSuspended): the context menu does not open.
// Texts are plain text with CR LF line breaks, shown as written.
// Requires: a QApplication exists.
#include <QString>

class QAbstractButton;
class QWidget;

namespace platform {

void SetWhatsThis(QWidget* control, const QString& text);
// The text given to the control with SetWhatsThis, as given.
QString WhatsThisText(const QWidget* control);
// Makes the button start pointer help mode when clicked.
void ConnectMouseHelpButton(QAbstractButton* button);
void StartPointerHelp();
void SetWhatsThisSuspended(QWidget* window, bool suspended);
bool IsWhatsThisSuspended(const QWidget* control);

}  // namespace platform

#pragma once
// Where a window appears. Each top-level window remembers its normal
// (restored) rectangle and whether it was maximised in the settings file,
// in a section named after its class: "TAddressMain_Placement", or
// "TAddressMain_Placement120" on a screen of 120 logical dots per inch, so
// that the layouts of the two resolutions are kept apart. Left, Top, Right
// and Bottom are the client rectangle in screen coordinates, Right and
// Bottom exclusive.
//
// A stored rectangle that reaches past the right or bottom edge of its
// screen is pulled back inside; one that is empty, inverted or on no screen
// at all is not trusted and the window is centred instead.
//
// The main window pointer is not owned; it clears itself when the main
// window is destroyed.
// Requires: a QApplication exists; the window is top-level.
#include <QString>
#include <QWidget>

namespace platform {

// Puts the window where it was last saved (or centres it), maximises it if
// it was maximised, then saves the placement back at once so that a new
// window's section exists.
void RestoreFormPlacement(QWidget* window);
// Stores the window's normal (restored) rectangle and whether it is maximised.
void SaveFormPlacement(QWidget* window);
// Centres the window over the main window. The main window itself, any
// window while the main window is maximised, and any window when there is
// no main window are centred on the screen instead. A window never ends up
// with its top-left corner above or left of its screen.
void CenterOnMainWindow(QWidget* window);
// The window CenterOnMainWindow centres over; nullptr for none.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();

// The settings section of a window's placement (see above). Every window
// class that is placed must declare Q_OBJECT, or it would share the section
// of its base class.
QString PlacementSection(const QWidget* window);
QString PlacementSection(const QString& className, int dotsPerInch);

}  // namespace platform

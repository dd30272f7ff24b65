#pragma once
// BringToFront: shows a window to the user again — restored when minimised,
// raised above the others and made active. The single-instance guard's
// activation request ends here.
#include <QWidget>

namespace platform {

void BringToFront(QWidget* window);

}  // namespace platform

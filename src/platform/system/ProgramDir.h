#pragma once
// ProgramDir: the folder the program keeps its data in, with a trailing '/'.
// It is $QUILLPOST_HOME when that is set (tests always set it), else the
// executable's folder, or ~/.local/share/quillpost/ when that folder is not
// writable (an installed copy).
#include <QString>

namespace platform {

QString ProgramDir();

}  // namespace platform

#pragma once
// ProgramDir: the folder the program keeps its data in, with a trailing '/'.
// It is $QUILLPOST_HOME when that is set (tests always set it), else the
// executable's folder.
#include <QString>

namespace platform {

QString ProgramDir();

}  // namespace platform

#pragma once
// SettingsFile: the program's settings file, ProgramDir() + "QUILLP.ini".
// Open it with IniFile (IniFile.h); it need not exist yet.
#include <QString>

namespace platform {

QString SettingsFile();

}  // namespace platform

#include "platform/system/SettingsFile.h"

#include "platform/system/ProgramDir.h"

namespace platform {

QString SettingsFile()
{
    return ProgramDir() + QStringLiteral("QUILLP.ini");
}

}  // namespace platform

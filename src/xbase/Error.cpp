#include "xbase/Error.h"

#include <cstring>

namespace xbase {
namespace {

std::string describe(const std::string& message, const std::string& file, int osError)
{
    std::string text = message;
    if (!file.empty())
        text += " (" + file + ")";
    if (osError != 0)
        text += std::string(": ") + std::strerror(osError);
    return text;
}

}  // namespace

Error::Error(ErrorKind kind, const std::string& message, const std::string& file, int osError)
    : std::runtime_error(describe(message, file, osError)),
      kind_(kind),
      message_(message),
      file_(file),
      osError_(osError)
{
}

const char* toString(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Io: return "I/O error";
    case ErrorKind::Corrupt: return "corrupt file";
    case ErrorKind::InvalidArgument: return "invalid argument";
    case ErrorKind::Locked: return "file locked";
    case ErrorKind::NotSupported: return "not supported";
    }
    return "error";
}

}  // namespace xbase

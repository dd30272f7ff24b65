#pragma once
// xbase::Error is the one exception type of the engine. It carries what kind
// of failure it was, the file it concerns (may be empty) and the OS error
// number (0 when none). Normal absence — end of file, key not found, no match
// — is never an exception; it is a return value.
#include <stdexcept>
#include <string>

namespace xbase {

enum class ErrorKind {
    Io,               // the operating system refused a read, write, open...
    Corrupt,          // a file's content is damaged or not what it claims
    InvalidArgument,  // the caller asked for something impossible
    Locked,           // the file is opened elsewhere
    NotSupported,     // a valid file or request this engine does not handle
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message, const std::string& file = {}, int osError = 0);

    ErrorKind kind() const { return kind_; }
    const std::string& file() const { return file_; }
    int osError() const { return osError_; }
    // The message without the file and OS error appended.
    const std::string& message() const { return message_; }

private:
    ErrorKind kind_;
    std::string message_;
    std::string file_;
    int osError_;
};

const char* toString(ErrorKind kind);

}  // namespace xbase

#include "CsvReader.h"

#include <stdexcept>

namespace mksysdata {

CsvReader::CsvReader(const std::string& path) : path_(path), in_(path, std::ios::binary)
{
    if (!in_)
        throw std::runtime_error(path + ": cannot be opened");
}

void CsvReader::fail(const std::string& what) const
{
    throw std::runtime_error(path_ + ":" + std::to_string(lineNumber_) + ": " + what);
}

bool CsvReader::next(std::vector<std::string>& fields)
{
    fields.clear();
    int c = in_.get();
    if (c == std::char_traits<char>::eof())
        return false;
    rowLine_ = lineNumber_;
    std::string field;
    bool quoted = false;      // inside a quoted field
    bool wasQuoted = false;   // the current field was quoted and has closed
    for (;; c = in_.get()) {
        if (c == std::char_traits<char>::eof()) {
            if (quoted)
                fail("a quoted field is not closed");
            fields.push_back(field);
            return true;
        }
        const char ch = static_cast<char>(c);
        if (quoted) {
            if (ch == '"') {
                if (in_.peek() == '"') {
                    in_.get();
                    field += '"';
                } else {
                    quoted = false;
                    wasQuoted = true;
                }
            } else {
                if (ch == '\n')
                    ++lineNumber_;
                field += ch;
            }
            continue;
        }
        if (ch == ',') {
            fields.push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (ch == '\n' || (ch == '\r' && in_.peek() == '\n')) {
            if (ch == '\r')
                in_.get();
            ++lineNumber_;
            fields.push_back(field);
            return true;
        } else if (wasQuoted) {
            fail("text after the closing quote of a field");
        } else if (ch == '"' && field.empty()) {
            quoted = true;
        } else {
            field += ch;
        }
    }
}

}  // namespace mksysdata

#pragma once
// CsvReader: reads a comma-separated text file row by row — fields separated
// by commas, a field in double quotes may hold commas, line breaks and
// doubled quotes (""), lines end in LF or CR LF. It reads bytes and leaves
// them as they are; what the bytes mean is the caller's business.
//
// A malformed file (a quote left open, text after a closing quote) throws
// std::runtime_error naming the file and line.
#include <fstream>
#include <string>
#include <vector>

namespace mksysdata {

class CsvReader {
public:
    // Throws std::runtime_error when the file cannot be opened.
    explicit CsvReader(const std::string& path);

    // The next row into `fields`; false at the end of the file. A last line
    // without its line break is a row; an empty file has none.
    bool next(std::vector<std::string>& fields);
    // The line the last row returned by next() started on (1-based).
    int line() const { return rowLine_; }
    const std::string& path() const { return path_; }

private:
    [[noreturn]] void fail(const std::string& what) const;

    std::string path_;
    std::ifstream in_;
    int lineNumber_ = 1;  // the line the reader is on
    int rowLine_ = 0;
};

}  // namespace mksysdata

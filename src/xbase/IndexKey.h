#pragma once
// IndexKey: the byte forms of non-character index keys, so that comparing
// keys byte by byte orders them by value. Numeric and date keys are 8 bytes:
// the IEEE double, big-endian, with the sign bit set for values >= 0 and all
// bits inverted for values < 0 (a date key holds its Julian day number).
// Logical keys are one byte, 'T' or 'F'. Character keys are the text padded
// with blanks to the key length and need no help here.
#include <string>
#include <string_view>

namespace xbase {

constexpr int kIndexNumberKeyLength = 8;

std::string indexNumberKey(double value);
// Requires: key.size() == 8.
double indexNumberFromKey(std::string_view key);

}  // namespace xbase

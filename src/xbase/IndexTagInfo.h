#pragma once
// IndexTagInfo: what describes one index order — a tag of a CDX file or the
// one order of an IDX file: its name, its key and FOR expressions (as text;
// the table compiles them), the key length and type, and the flags.
//
// The key type is not stored in the file: an order read from a file has
// keyType 0 until its owner, having compiled the key expression, sets it
// (CdxFile::setKeyType, IdxFile::setKeyType). The type decides the byte that
// pads short keys: blank for 'C', NUL for 'N', 'D' and 'L'.
#include <string>

namespace xbase {

struct IndexTagInfo {
    std::string name;            // CDX: 1 to 10 letters, digits or '_', stored in upper case
    std::string keyExpression;
    std::string forExpression;   // empty: every record enters
    int keyLength = 0;           // 1 to 240 bytes
    char keyType = 0;            // 'C', 'N', 'D', 'L', or 0 when not known yet
    bool unique = false;         // only the first record of each key is indexed
    bool descending = false;     // walked from the greatest key down
};

}  // namespace xbase

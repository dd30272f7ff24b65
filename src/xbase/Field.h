#pragma once
// Field: one column of a DBF table as the file describes it.
#include <cstdint>
#include <string>

namespace xbase {

// Type letters as stored in the field descriptor.
namespace FieldType {
constexpr char Character = 'C';
constexpr char Numeric = 'N';
constexpr char Float = 'F';
constexpr char Logical = 'L';
constexpr char Date = 'D';
constexpr char Memo = 'M';
constexpr char Integer = 'I';    // 4-byte little-endian signed (Visual FoxPro)
constexpr char Double = 'B';     // 8-byte IEEE double (Visual FoxPro); a binary memo in dBase
constexpr char Currency = 'Y';   // 8-byte signed, scaled by 10,000 (Visual FoxPro)
constexpr char DateTime = 'T';   // two 4-byte integers: Julian day, milliseconds (Visual FoxPro)
constexpr char General = 'G';    // OLE object in the memo file
constexpr char Picture = 'P';    // picture in the memo file
constexpr char Blob = 'W';       // binary memo (Visual FoxPro 9)
}  // namespace FieldType

struct Field {
    std::string name;        // upper case as stored, at most 10 characters
    char type = FieldType::Character;
    uint16_t length = 0;     // bytes in the record
    uint8_t decimals = 0;
    uint32_t offset = 0;     // from the start of the record, after the delete flag byte
    uint8_t flags = 0;       // Visual FoxPro field flags (0x01 system, 0x02 nullable, 0x04 binary)
    int nullBit = -1;        // bit in _NullFlags that marks the value null, or -1

    bool memo = false;       // the record holds a block number into the memo file
    // True for the hidden Visual FoxPro _NullFlags column.
    bool isSystem() const { return (flags & 0x01) != 0; }
};

}  // namespace xbase

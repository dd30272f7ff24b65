#pragma once
// RecordSource: what an expression reads when it is compiled and evaluated —
// the field list (to resolve names), and the current record's raw bytes,
// number, delete mark and memo texts. Table implements it; tests may use a
// small one of their own.
//
// Requires for the record accessors: a current record (they are called only
// while evaluating on one).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/Field.h"

namespace xbase {

class RecordSource {
public:
    virtual ~RecordSource() = default;

    virtual const std::vector<Field>& fields() const = 0;
    // Index of the field with this name (any letter case), or -1.
    virtual int fieldIndex(std::string_view name) const = 0;

    // The field's bytes in the current record, exactly as stored (full width).
    virtual std::string_view fieldBytes(int index) const = 0;
    // True when the Visual FoxPro null flag of the field is set.
    virtual bool fieldIsNull(int index) const = 0;
    // Replaces out with the memo text of the field in the current record.
    virtual void memoText(int index, std::string& out) const = 0;
    virtual uint32_t recordNumber() const = 0;
    virtual bool isDeleted() const = 0;
    // The exact switch: when off, "=" and the ordering operators compare
    // strings only up to the length of the right operand.
    virtual bool exactCompare() const = 0;
};

}  // namespace xbase

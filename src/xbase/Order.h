#pragma once
// Order: a sequence of the table's record numbers that a cursor walks —
// natural (record) order, or an index tag's key order. The table filters what
// an order yields (query, delete mark); an order only knows its sequence.
//
// Each call positions the order on an entry and returns true, or returns
// false when there is no such entry (the position is then undefined and the
// caller must position again with first, last or locate).
#include <cstdint>

namespace xbase {

class Order {
public:
    virtual ~Order() = default;

    virtual bool first() = 0;
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool prev() = 0;
    // Positions on the entry of record recno, whose current contents are in
    // the table's record buffer. False when the order does not hold it.
    virtual bool locate(uint32_t recno) = 0;
    // Requires: positioned.
    virtual uint32_t recno() const = 0;
};

}  // namespace xbase

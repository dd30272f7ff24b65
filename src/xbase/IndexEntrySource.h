#pragma once
// IndexEntrySource: hands the entries of a new index order to a bulk build
// (CdxFile::addTag, IdxFile::rebuild), one (key, record number) at a time.
// The caller evaluates the key expression; the index layer only stores bytes.
//
// Entries may come in any order; the build sorts them. A source that knows
// its entries are already sorted by key bytes, then record number, says so
// with sorted(): the build then streams them to the pages without holding
// them all (and throws Error(InvalidArgument) if one is out of order).
#include <cstdint>
#include <string_view>

namespace xbase {

class IndexEntrySource {
public:
    virtual ~IndexEntrySource() = default;

    // How many entries next() will give, for progress; 0 when not known.
    virtual uint64_t sizeHint() const { return 0; }
    virtual bool sorted() const { return false; }
    // Sets key (exactly the order's key length, valid until the next call)
    // and recno (1 or more), or returns false when there are no more.
    virtual bool next(std::string_view& key, uint32_t& recno) = 0;
};

}  // namespace xbase

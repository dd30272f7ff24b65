#pragma once
// IndexBuilder: writes a whole compact B-tree bottom-up from entries in
// ascending order — leaves packed full, left to right, then each level of
// interior pages above them — straight to the file, past the page cache.
// The shared bulk build of CdxFile::addTag and IdxFile::rebuild.
//
// build() takes the entries from an IndexEntrySource, sorts them unless the
// source promises order, drops repeated entries (and, for a unique order,
// every record after the first of a key) and returns the new root page. On
// any failure it gives the pages it took back to the free list and rethrows.
// Internal to the index layer.
#include <cstdint>
#include <functional>
#include <vector>

#include "xbase/IndexEntrySource.h"
#include "xbase/IndexNode.h"
#include "xbase/IndexPageFile.h"

namespace xbase {

class IndexBuilder {
public:
    IndexBuilder(IndexPageFile& file, const IndexLayout& layout);
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // progress gets 0..100 (may be empty).
    static uint32_t build(IndexPageFile& file, const IndexLayout& layout, IndexEntrySource& entries, bool unique,
                          const std::function<void(int)>& progress);

    // Requires: (key, recno) greater than the previous entry; key has the
    // key length.
    void add(const char* key, uint32_t recno);
    // Writes what is pending and the levels above; returns the root offset.
    uint32_t finish();
    // Frees every page taken so far. Does not throw.
    void abandon() noexcept;

private:
    struct Level {
        std::vector<char> keys;
        std::vector<uint32_t> recnos;
        std::vector<uint32_t> pages;
    };
    void emitLeaf(uint32_t right, bool root);
    uint32_t take();
    void put(uint32_t offset, const uint8_t* page);
    void flushWrites();

    IndexPageFile& file_;
    IndexLayout layout_;
    IndexLeafFormat format_;
    size_t keyLength_;
    IndexNode sizer_;  // counts stored key bytes by IndexNode's own rules

    // The leaf being filled.
    std::vector<char> leafKeys_;
    std::vector<uint32_t> leafRecnos_;
    uint32_t leafPage_ = kNoPage;
    uint32_t leafLeft_ = kNoPage;
    uint32_t leafMaxRecno_ = 0;
    int leafPayload_ = 0;
    Level leaves_;  // greatest entry and page of each written leaf

    std::vector<uint32_t> taken_;
    std::vector<uint8_t> batch_;
    uint32_t batchStart_ = 0;
};

}  // namespace xbase

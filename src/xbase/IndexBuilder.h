#pragma once
// IndexBuilder: writes a whole compact B-tree bottom-up from entries in
// ascending order — leaves nine tenths full, left to right, then each level of
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
#include <string>
#include <vector>

#include "xbase/IndexEntrySource.h"
#include "xbase/IndexNode.h"
#include "xbase/IndexPageFile.h"

namespace xbase {

struct IndexSortItem {
    uint64_t high;  // sixteen key bytes (from some depth on) as two big-endian numbers
    uint64_t low;
    uint32_t index;  // of the key in the scratch arena
    uint32_t recno;
};

// Raw memory for a build's arrays: never zero-filled by the program, and
// asked for in large pages where the system has them — keys are read in
// sorted order, all over the arena, and small pages would make nearly every
// read a TLB miss.
class IndexBuildArena {
public:
    IndexBuildArena() = default;
    ~IndexBuildArena();
    IndexBuildArena(const IndexBuildArena&) = delete;
    IndexBuildArena& operator=(const IndexBuildArena&) = delete;

    // At least `bytes` bytes; the first `keep` bytes survive the move.
    void reserve(size_t bytes, size_t keep);
    char* data() const { return data_; }
    size_t capacity() const { return capacity_; }
    template <typename T>
    T* as() const { return reinterpret_cast<T*>(data_); }

private:
    char* data_ = nullptr;
    size_t capacity_ = 0;
};

// Memory of one build kept for the next: the builds of a table's tags come
// one after another, and fresh memory for every one costs page faults.
struct IndexBuildScratch {
    IndexBuildArena keys;
    IndexBuildArena recnos;
    IndexBuildArena order;
    IndexBuildArena spread;
};

class IndexBuilder {
public:
    IndexBuilder(IndexPageFile& file, const IndexLayout& layout);
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // progress gets 0..100 (may be empty).
    static uint32_t build(IndexPageFile& file, const IndexLayout& layout, IndexEntrySource& entries, bool unique,
                          const std::function<void(int)>& progress, IndexBuildScratch& scratch);

    // Requires: (key, recno) greater than the previous entry; key has the
    // key length.
    void add(const char* key, uint32_t recno);
    // add() for an entry not before the previous one; an entry equal to it
    // (or, when `unique`, with its key) is left out. False when it comes
    // before the previous entry.
    bool accept(const char* key, uint32_t recno, bool unique);
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

    // The leaf being filled, in page form, and the last key added.
    std::vector<IndexLeafEntry> leafEntries_;
    std::vector<char> leafStored_;
    std::string previousKey_;
    uint32_t previousRecno_ = 0;
    bool haveEntry_ = false;
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

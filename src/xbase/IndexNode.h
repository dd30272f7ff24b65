#pragma once
// IndexNode: one 512-byte page of a compact (FoxPro-style) index B-tree,
// decoded — the shared piece of CdxFile and IdxFile. See FORMAT.md, "CDX and
// IDX", for the bytes.
//
// A leaf holds (key, record number) entries; an interior node holds
// (key, record number, child page) entries whose key and record number are
// the greatest entry of the child's subtree. Keys are kept here at full key
// length, one after another; the page form compresses them (duplicate
// leading bytes, trailing pad bytes) and decode/encode translate. Nodes are
// owned by IndexPageFile's cache; the B-tree algorithms live in IndexTree.
// Internal to the index layer.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xbase {

constexpr uint32_t kIndexPageSize = 512;
// The "no page" value of sibling pointers (-1 on disk).
constexpr uint32_t kNoPage = 0xFFFFFFFFu;
// Longest key the format allows (an interior page must hold two entries).
constexpr int kMaxIndexKeyLength = 240;

// What a tree's pages need to be read: key length, and the byte that fills
// a short key (blank for character keys, NUL for numeric, date and logical).
struct IndexLayout {
    int keyLength = 0;
    char pad = ' ';
};

// How a leaf packs its entries' duplicate and trailing counts: bit widths
// and the least bytes per entry. Pages this engine makes use the widths that
// hold any count up to the key length; a page read from a file keeps the
// widths it was written with, so that it always fits again unchanged.
struct IndexLeafFormat {
    int dupBits = 0;
    int trailBits = 0;
    int minBytes = 3;

    static IndexLeafFormat forKeyLength(int keyLength);
    int dupMax() const { return (1 << dupBits) - 1; }
    int trailMax() const { return (1 << trailBits) - 1; }
};

// Bit widths of a leaf page's packed entries.
struct IndexLeafBits {
    int recnoBits = 0;
    int dupBits = 0;
    int trailBits = 0;
    int bytes = 0;  // bytes per entry
};
IndexLeafBits indexLeafBits(const IndexLeafFormat& format, uint32_t maxRecno);

// Count of trailing pad bytes of a key.
int indexTrailCount(const char* key, int keyLength, char pad);

// One leaf entry in page form: `stored` points at its keyLength - dup -
// trail key bytes (the rest repeats the previous key or is pad).
struct IndexLeafEntry {
    uint32_t recno;
    uint8_t dup;
    uint8_t trail;
    const char* stored;
};
// Outcome of inserting straight into a leaf page (see indexLeafPageInsert).
struct IndexPageInsert {
    enum Status {
        Inserted,  // done; `position` and `count` tell where and how many now
        Present,   // the entry is there already
        Declined,  // no room, a wider record number, or the first place:
                   // the caller decodes the page and inserts there
    };
    Status status = Declined;
    int position = 0;
    int count = 0;
};
// Inserts (key, recno) into the page form of a leaf without decoding it
// whole: entries are compared on their stored bytes up to the place, only
// the keys on either side are rebuilt, and the page's bytes are shifted
// around the new entry. Every count and bit field
// read is checked as decode() checks it (Error(Corrupt)).
IndexPageInsert indexLeafPageInsert(uint8_t* page, uint32_t pageOffset, const IndexLayout& layout, const char* key,
                                    uint32_t recno, const std::string& path);

// Duplicate and trailing counts of `key` after `prev` (nullptr: first in page).
void indexLeafCounts(const char* prev, const char* key, const IndexLayout& layout, const IndexLeafFormat& format,
                     int& dup, int& trail);
// Writes a leaf page from entries in page form; their stored bytes lie
// before sourceEnd. Requires: they fit.
void packIndexLeaf(uint8_t* page, bool root, uint32_t left, uint32_t right, int keyLength,
                   const IndexLeafFormat& format, uint32_t maxRecno, const IndexLeafEntry* entries, int count,
                   const char* sourceEnd);


// An allocator whose resize leaves new elements unset: decoding writes every
// element anyway, and zeroing kilobytes of keys first would double its cost.
template <typename T>
struct IndexUninitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = IndexUninitAllocator<U>;
    };
    IndexUninitAllocator() = default;
    template <typename U>
    IndexUninitAllocator(const IndexUninitAllocator<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
template <typename T>
using IndexVector = std::vector<T, IndexUninitAllocator<T>>;

struct IndexNode {
    // Page bytes available for entries: 512 minus the 24-byte leaf header or
    // the 12-byte interior header.
    static constexpr int kLeafSpace = 488;
    static constexpr int kInteriorSpace = 500;

    uint32_t offset = 0;
    bool leaf = true;
    bool root = false;
    bool dirty = false;
    uint32_t left = kNoPage;
    uint32_t right = kNoPage;
    IndexLayout layout;
    IndexLeafFormat format;  // leaf only

    IndexVector<char> keys;         // count() keys of layout.keyLength bytes
    IndexVector<uint32_t> recnos;
    IndexVector<uint32_t> children; // interior only: child page offsets
    // Leaf only: the duplicate and trailing counts each entry is stored
    // with, the key bytes the page form stores (after compression), and the
    // greatest record number, from which the page's bit widths follow.
    IndexVector<uint8_t> dups;
    IndexVector<uint8_t> trails;
    uint32_t payload = 0;
    uint32_t maxRecno = 0;

    // Cache bookkeeping (IndexPageFile).
    bool used = true;
    uint32_t residentIndex = 0;
    size_t accountedBytes = 0;

    int count() const { return static_cast<int>(recnos.size()); }
    const char* keyAt(int i) const { return keys.data() + static_cast<size_t>(i) * keyLen(); }
    std::string_view key(int i) const { return {keyAt(i), keyLen()}; }
    size_t keyLen() const { return static_cast<size_t>(layout.keyLength); }

    // Interior entries that fit a page.
    int interiorCapacity() const { return kInteriorSpace / (layout.keyLength + 8); }
    // Bytes the page form needs (leaf: entry bits plus stored key bytes;
    // interior: fixed-size entries).
    int encodedSize() const;
    bool fits() const;

    // Resets to an empty node of this kind.
    void reset(uint32_t pageOffset, bool isLeaf, const IndexLayout& pageLayout);

    // Leaf edits; they keep payload and maxRecno exact.
    void insertLeaf(int pos, const char* key, uint32_t recno);
    void eraseLeaf(int pos);
    // Interior edits.
    void insertInterior(int pos, const char* key, uint32_t recno, uint32_t child);
    void eraseInterior(int pos);
    void setSeparator(int pos, const char* key, uint32_t recno);
    // Moves entries [from, count) to the end of `to` (same kind and layout).
    void moveTail(int from, IndexNode& to);
    // Recomputes the counts, payload and maxRecno from the keys (after bulk moves).
    void recomputeLeafSizes();

    // Bytes a leaf entry stores for `key` after `prev` (nullptr: first in page).
    int storedBytes(const char* prev, const char* key) const;

    // Reads a page; throws Error(Corrupt) naming `path` and the offset when a
    // count, bit field or key length does not fit.
    void decode(const uint8_t* page, uint32_t pageOffset, const IndexLayout& pageLayout,
                const std::string& path);
    // Writes the page form (all 512 bytes). Requires: fits().
    void encode(uint8_t* page) const;

    size_t memoryBytes() const;
};

}  // namespace xbase

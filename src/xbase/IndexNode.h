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
#include <string>
#include <string_view>
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

// Writes the page form of a leaf of `count` entries: full keys one after
// another in `keys`, their record numbers in `recnos`. Requires: they fit.
void encodeIndexLeaf(uint8_t* page, bool root, uint32_t left, uint32_t right, const IndexLayout& layout,
                     const IndexLeafFormat& format, int count, const char* keys, const uint32_t* recnos,
                     uint32_t maxRecno);

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

    std::vector<char> keys;         // count() keys of layout.keyLength bytes
    std::vector<uint32_t> recnos;
    std::vector<uint32_t> children; // interior only: child page offsets
    // Leaf only: the key bytes the page form stores (after compression) and
    // the greatest record number, from which the page's bit widths follow.
    uint32_t payload = 0;
    uint32_t maxRecno = 0;

    // Cache bookkeeping (IndexPageFile).
    IndexNode* lruPrev = nullptr;
    IndexNode* lruNext = nullptr;
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
    // Recomputes payload and maxRecno from the entries (after bulk moves).
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

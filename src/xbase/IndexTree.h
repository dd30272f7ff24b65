#pragma once
// IndexTree: one compact B-tree (a CDX tag, the CDX tag directory, or the
// order of an IDX file) over an IndexPageFile. Entries are (key, record
// number) pairs kept in ascending order of key bytes, then record number;
// keys have exactly layout().keyLength bytes. Interior entries carry the
// greatest entry of their child, as the format requires.
//
// Inserts split full pages at every level (a new root when the root
// splits); removes merge a page that fell under half full into a neighbour
// when both fit one page, drop empty pages and shorten the tree when the
// root keeps one child. Freed pages go to the file's free list. An insert
// into a leaf that is not decoded in the cache is made in place on the
// page form when it fits; anything else decodes the page.
//
// Everything read from the file is checked before use; a damaged tree
// throws Error(Corrupt) naming the file and offset. The owner (CdxFile,
// IdxFile) holds the root pointer in its header and calls
// IndexPageFile::trim() between operations, never during one.
// Internal to the index layer.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/IndexNode.h"
#include "xbase/IndexPageFile.h"
#include "xbase/IndexVerifyReport.h"

namespace xbase {

// A place in a tree's stored order: leaf and entry index; index == count
// means after the last entry of that leaf (the end when it is the last
// leaf), -1 before the first.
struct IndexPosition {
    IndexNode* leaf = nullptr;
    int index = 0;
    bool valid() const { return leaf != nullptr && index >= 0 && index < leaf->count(); }
};

class IndexTree {
public:
    using Position = IndexPosition;

    IndexTree(IndexPageFile& file, uint32_t root, const IndexLayout& layout, std::string name);

    // Writes an empty root leaf on a new page and returns its offset.
    static uint32_t createEmpty(IndexPageFile& file, const IndexLayout& layout);

    IndexPageFile& file() const { return file_; }
    const IndexLayout& layout() const { return layout_; }
    const std::string& name() const { return name_; }
    uint32_t root() const { return root_; }
    // Changes with every change of the entries: positions taken before are stale.
    uint64_t modCount() const { return modCount_; }
    // Replaces the whole tree by the one at `root` (after a rebuild).
    void setRoot(uint32_t root);
    // The pad byte of short keys (the owner learns the key type late).
    void setPad(char pad) { layout_.pad = pad; }
    // A tree whose tag was removed: its cursors refuse to move.
    bool retired() const { return retired_; }
    void retire() { retired_ = true; ++modCount_; }

    // Adds (key, recno); false when it is already there, or when `unique`
    // and the key is there with another record number.
    // Requires: key.size() == keyLength, recno >= 1, a writable file.
    bool insert(std::string_view key, uint32_t recno, bool unique);
    // Removes (key, recno); false when it is not there.
    bool remove(std::string_view key, uint32_t recno);

    // First entry whose key, compared on its first key.size() bytes, and then
    // record number, is >= (key, recno) — or > when `after`. A shorter key is
    // a prefix search; recno must then be 0 (before all) or kNoPage (after all).
    Position seek(std::string_view key, uint32_t recno, bool after);
    Position first();
    Position last();
    // Moves one entry in stored order; false (and position past the end, or
    // before the first) when there is none. `steps` counts leaf moves since
    // the caller last positioned; more than the file's pages is a link cycle.
    bool next(Position& at, uint32_t& steps);
    bool prev(Position& at, uint32_t& steps);
    // The leaf at a remembered offset (after the cache evicted it).
    IndexNode* leafAt(uint32_t offset);

    // Gives every page of the tree to the free list; the tree is then empty
    // of pages until setRoot. Throws Error(Corrupt) on a cycle.
    void freeAllPages();

    // Checks the tree as stored: page kinds, counts, order (when
    // `checkOrder`: keys are read with the right pad byte), separators,
    // sibling links at every level, equal depth; marks each page in
    // `pageUse` (1 per page) and throws Error(Corrupt) on a page used twice.
    // Requires: the file was flushed (the check reads pages as stored).
    IndexTreeStats verify(std::vector<uint8_t>& pageUse, bool checkOrder, bool unique);

private:
    struct Step {
        IndexNode* node;
        int index;  // interior: the child taken
    };
    using Path = std::vector<Step>;

    IndexNode* load(uint32_t offset, uint32_t from, const char* what);
    IndexNode* loadRoot();
    IndexNode* edgeLeaf(bool last);
    IndexNode* siblingLeaf(const IndexNode& current, bool forward, uint32_t& steps);
    // Descends to the leaf where (key, recno) belongs; false when the key is
    // beyond every entry and `stopPastEnd`.
    bool descend(std::string_view key, uint32_t recno, Path& path, bool stopPastEnd);
    int depthLimit() const;
    void updateSeparators(Path& path, size_t level);
    void updateSeparatorsTo(Path& path, size_t level, const char* key, uint32_t recno);
    void splitUpward(Path& path, size_t level, int inserted, bool sequential);
    int chooseSplit(const IndexNode& node, int inserted, bool sequential) const;
    void growRoot(Path& path);
    void removeChild(Path& path, size_t level);
    void rebalance(Path& path, size_t level);
    bool canMerge(const IndexNode& a, const IndexNode& b) const;
    void merge(Path& path, size_t level, int leftIndex);
    void collapseRoot();
    bool appendFits(const IndexNode& leaf, const char* key, uint32_t recno) const;
    bool appendPastEnd(std::string_view key, uint32_t recno);
    void rememberLastLeaf(const Path& path);
    [[noreturn]] void corrupt(uint32_t offset, const std::string& what) const;

    IndexPageFile& file_;
    uint32_t root_;
    IndexLayout layout_;
    std::string name_;
    uint64_t modCount_ = 0;
    bool retired_ = false;
    Path path_;
    // The path of the last insert when it ended at the end of the last leaf,
    // while nothing changed since (same modCount_, no node evicted).
    Path lastLeaf_;
    uint64_t lastLeafMod_ = UINT64_MAX;
    uint64_t lastLeafEpoch_ = 0;
    // The entry inserted last, to tell inserts that follow one another.
    std::string lastKey_;
    uint32_t lastRecno_ = 0;  // reused between operations
};

// Compares an entry with a search key on the search key's bytes, then record numbers.
int compareIndexEntry(const char* entryKey, uint32_t entryRecno, std::string_view key, uint32_t recno);

}  // namespace xbase

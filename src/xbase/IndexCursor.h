#pragma once
// IndexCursor: walks one index order (a CDX tag or an IDX file) in its key
// order — ascending, or for a descending order the stored entries backwards.
// Made by CdxFile::cursor and IdxFile::cursor.
//
// The contract: first/last/seek position the cursor and return whether it
// is on an entry; next/prev move one entry and return false (leaving the
// cursor invalid) past either end, or when the cursor is not valid. key()
// and recno() require valid().
//
// The cursor survives inserts and removes made through its file meanwhile:
// it remembers its entry and finds its place again on the next move. When
// its entry was removed, key() and recno() still tell the removed entry,
// and next/prev go to the entries that followed or preceded it.
//
// Requires: the CdxFile or IdxFile outlives the cursor. A cursor of a tag
// that was removed throws Error(InvalidArgument) when used.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>


namespace xbase {

class IndexTree;
struct IndexNode;
struct IndexPosition;

class IndexCursor {
public:
    IndexCursor(std::shared_ptr<IndexTree> tree, bool descending);
    ~IndexCursor();
    IndexCursor(const IndexCursor&) = delete;
    IndexCursor& operator=(const IndexCursor&) = delete;

    bool first();
    bool last();
    bool next();
    bool prev();
    // Positions on the first entry, in this order's direction, that does not
    // come before (key, recno). `key` may be shorter than the key length: it
    // is then compared with the first key.size() bytes of each key only (a
    // prefix search) and recno must be 0. recno 0 means "before every record
    // of that key". Returns whether the cursor is on an entry — which may
    // have a greater key (a soft seek); use keyStartsWith to tell a match.
    // Throws Error(InvalidArgument) for a key longer than the key length.
    bool seek(std::string_view key, uint32_t recno = 0);

    bool valid() const { return valid_; }
    std::string_view key() const { return key_; }
    uint32_t recno() const { return recno_; }
    // valid() and the current key begins with `prefix` (all of it: an exact match).
    bool keyStartsWith(std::string_view prefix) const;
    bool descending() const { return descending_; }

private:
    IndexPosition current();
    bool storedNext();
    bool storedPrev();
    bool adopt(const IndexPosition& at, bool onEntry);
    void begin();

    std::shared_ptr<IndexTree> tree_;
    bool descending_;
    bool valid_ = false;
    // The remembered place was removed: the position is its successor.
    bool displaced_ = false;
    std::string key_;
    uint32_t recno_ = 0;
    IndexNode* leaf_ = nullptr;
    uint32_t leafOffset_ = 0;
    int index_ = 0;
    uint64_t modCount_ = 0;
    uint64_t cacheEpoch_ = 0;
    uint32_t steps_ = 0;  // leaf moves since positioning (link cycle guard)
};

}  // namespace xbase

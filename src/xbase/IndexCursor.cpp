#include "xbase/IndexCursor.h"

#include <cstring>

#include "xbase/Error.h"
#include "xbase/IndexTree.h"

namespace xbase {

IndexCursor::IndexCursor(std::shared_ptr<IndexTree> tree, bool descending)
    : tree_(std::move(tree)), descending_(descending)
{
}

IndexCursor::~IndexCursor() = default;

void IndexCursor::begin()
{
    if (tree_->retired())
        throw Error(ErrorKind::InvalidArgument, "the index tag " + tree_->name() + " was removed",
                    tree_->file().path());
    // Between operations the cache may shrink; current() notices evictions.
    tree_->file().trim();
}

IndexTree::Position IndexCursor::current()
{
    IndexPageFile& file = tree_->file();
    if (tree_->modCount() != modCount_) {
        // The tree changed: find the remembered entry, or where it was.
        IndexTree::Position at = tree_->seek(key_, recno_, false);
        displaced_ = !(at.valid() && at.leaf->key(at.index) == key_ &&
                       at.leaf->recnos[static_cast<size_t>(at.index)] == recno_);
        leaf_ = at.leaf;
        index_ = at.index;
        leafOffset_ = at.leaf->offset;
        modCount_ = tree_->modCount();
        cacheEpoch_ = file.cacheEpoch();
        return at;
    }
    if (file.cacheEpoch() != cacheEpoch_) {
        leaf_ = tree_->leafAt(leafOffset_);
        cacheEpoch_ = file.cacheEpoch();
    }
    return {leaf_, index_};
}

bool IndexCursor::adopt(const IndexTree::Position& at, bool onEntry)
{
    valid_ = onEntry && at.valid();
    if (!valid_)
        return false;
    leaf_ = at.leaf;
    index_ = at.index;
    leafOffset_ = at.leaf->offset;
    key_.assign(at.leaf->key(at.index));
    recno_ = at.leaf->recnos[static_cast<size_t>(at.index)];
    modCount_ = tree_->modCount();
    cacheEpoch_ = tree_->file().cacheEpoch();
    return true;
}

bool IndexCursor::storedNext()
{
    IndexTree::Position at = current();
    if (displaced_) {
        // The entry after the removed one is already under the cursor.
        displaced_ = false;
        return adopt(at, at.valid());
    }
    const bool moved = tree_->next(at, steps_);
    return adopt(at, moved);
}

bool IndexCursor::storedPrev()
{
    IndexTree::Position at = current();
    displaced_ = false;
    const bool moved = tree_->prev(at, steps_);
    return adopt(at, moved);
}

bool IndexCursor::first()
{
    begin();
    steps_ = 0;
    displaced_ = false;
    const IndexTree::Position at = descending_ ? tree_->last() : tree_->first();
    return adopt(at, at.valid());
}

bool IndexCursor::last()
{
    begin();
    steps_ = 0;
    displaced_ = false;
    const IndexTree::Position at = descending_ ? tree_->first() : tree_->last();
    return adopt(at, at.valid());
}

bool IndexCursor::next()
{
    begin();
    if (!valid_)
        return false;
    return descending_ ? storedPrev() : storedNext();
}

bool IndexCursor::prev()
{
    begin();
    if (!valid_)
        return false;
    return descending_ ? storedNext() : storedPrev();
}

bool IndexCursor::seek(std::string_view key, uint32_t recno)
{
    begin();
    const size_t keyLength = static_cast<size_t>(tree_->layout().keyLength);
    if (key.size() > keyLength)
        throw Error(ErrorKind::InvalidArgument,
                    "a search key of " + std::to_string(key.size()) + " bytes is longer than the key length " +
                        std::to_string(keyLength) + " of index " + tree_->name(),
                    tree_->file().path());
    if (key.size() < keyLength && recno != 0)
        throw Error(ErrorKind::InvalidArgument, "a prefix search cannot name a record number",
                    tree_->file().path());
    steps_ = 0;
    displaced_ = false;
    if (!descending_) {
        const IndexTree::Position at = tree_->seek(key, recno, false);
        return adopt(at, at.valid());
    }
    // Descending: the last stored entry not after (key, recno); recno 0
    // means before every record of the key in this order, i.e. after all
    // of them in stored order.
    IndexTree::Position at = tree_->seek(key, recno == 0 ? kNoPage : recno, true);
    const bool moved = tree_->prev(at, steps_);
    return adopt(at, moved);
}

bool IndexCursor::keyStartsWith(std::string_view prefix) const
{
    return valid_ && prefix.size() <= key_.size() && std::memcmp(key_.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace xbase

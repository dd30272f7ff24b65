#include "xbase/IndexTree.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "xbase/Error.h"

namespace xbase {
namespace {

// No real tree comes near this: even two entries per page reach 2^32
// entries in 32 levels.
constexpr int kMaxDepth = 64;

int lowerBound(const IndexNode& node, std::string_view key, uint32_t recno, bool after)
{
    int lo = 0;
    int hi = node.count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        const int c = compareIndexEntry(node.keyAt(mid), node.recnos[static_cast<size_t>(mid)], key, recno);
        if (c < 0 || (after && c == 0))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// File offset of interior entry i's child pointer, for messages.
uint32_t childPointerAt(const IndexNode& node, int i)
{
    return node.offset + 12 + static_cast<uint32_t>(i) * static_cast<uint32_t>(node.layout.keyLength + 8) +
           static_cast<uint32_t>(node.layout.keyLength) + 4;
}

}  // namespace

int compareIndexEntry(const char* entryKey, uint32_t entryRecno, std::string_view key, uint32_t recno)
{
    const int c = std::memcmp(entryKey, key.data(), key.size());
    if (c != 0)
        return c;
    return entryRecno < recno ? -1 : (entryRecno > recno ? 1 : 0);
}

IndexTree::IndexTree(IndexPageFile& file, uint32_t root, const IndexLayout& layout, std::string name)
    : file_(file), root_(root), layout_(layout), name_(std::move(name))
{
    path_.reserve(16);
}

uint32_t IndexTree::createEmpty(IndexPageFile& file, const IndexLayout& layout)
{
    IndexNode* node = file.createNode(true, layout);
    node->root = true;
    file.markDirty(node);
    return node->offset;
}

void IndexTree::setRoot(uint32_t root)
{
    root_ = root;
    ++modCount_;
}

void IndexTree::corrupt(uint32_t offset, const std::string& what) const
{
    throw Error(ErrorKind::Corrupt,
                "index " + name_ + ", page at offset " + std::to_string(offset) + ": " + what, file_.path());
}

int IndexTree::depthLimit() const
{
    return static_cast<int>(std::min<uint32_t>(kMaxDepth, file_.pageCount()));
}

IndexNode* IndexTree::load(uint32_t offset, uint32_t from, const char* what)
{
    file_.checkPagePointer(offset, from, what);
    return file_.node(offset, layout_);
}

IndexNode* IndexTree::loadRoot()
{
    if (!file_.isTreePage(root_)) {
        const std::string what = "root pointer of index " + name_;
        file_.checkPagePointer(root_, 0, what.c_str());
    }
    return file_.node(root_, layout_);
}

bool IndexTree::descend(std::string_view key, uint32_t recno, Path& path, bool stopPastEnd)
{
    path.clear();
    IndexNode* node = loadRoot();
    for (int depth = 0; !node->leaf; ++depth) {
        if (depth >= depthLimit())
            corrupt(node->offset, "the tree is deeper than " + std::to_string(depthLimit()) +
                                      " levels: its child pointers loop");
        int i = lowerBound(*node, key, recno, false);
        if (i == node->count()) {
            if (stopPastEnd)
                return false;
            i = node->count() - 1;
        }
        path.push_back({node, i});
        node = load(node->children[static_cast<size_t>(i)], childPointerAt(*node, i), "child pointer");
    }
    path.push_back({node, 0});
    return true;
}

bool IndexTree::appendFits(const IndexNode& leaf, const char* key, uint32_t recno) const
{
    const int n = leaf.count() + 1;
    const uint32_t maxRecno = std::max(leaf.maxRecno, recno);
    const int size = n * indexLeafBits(leaf.format, maxRecno).bytes + static_cast<int>(leaf.payload) +
                     leaf.storedBytes(leaf.count() > 0 ? leaf.keyAt(leaf.count() - 1) : nullptr, key);
    return size <= IndexNode::kLeafSpace;
}

bool IndexTree::insert(std::string_view key, uint32_t recno, bool unique)
{
    file_.requireWritable();
    if (unique) {
        const Position at = seek(key, 0, false);
        if (at.valid() && std::memcmp(at.leaf->keyAt(at.index), key.data(), key.size()) == 0)
            return false;
    }
    if (appendPastEnd(key, recno))
        return true;
    // Down the interior pages. A leaf that is not decoded is first given the
    // entry in place, on its page form: decoding and encoding a whole page
    // for one entry would cost more than the insert itself.
    Path& path = path_;
    path.clear();
    IndexNode* node = loadRoot();
    for (int depth = 0; !node->leaf; ++depth) {
        if (depth >= depthLimit())
            corrupt(node->offset, "the tree is deeper than " + std::to_string(depthLimit()) +
                                      " levels: its child pointers loop");
        int i = lowerBound(*node, key, recno, false);
        if (i == node->count())
            i = node->count() - 1;
        path.push_back({node, i});
        const uint32_t child = node->children[static_cast<size_t>(i)];
        file_.checkPagePointer(child, childPointerAt(*node, i), "child pointer");
        if (!file_.isDecoded(child) && (file_.pageBytes(child)[0] & 2) != 0) {
            const IndexPageInsert done =
                indexLeafPageInsert(file_.pageForEdit(child), child, layout_, key.data(), recno, file_.path());
            if (done.status == IndexPageInsert::Present)
                return false;
            if (done.status == IndexPageInsert::Inserted) {
                file_.pageEdited(child);
                lastKey_.assign(key);
                lastRecno_ = recno;
                ++modCount_;
                if (done.position == done.count - 1)
                    updateSeparatorsTo(path, path.size(), key.data(), recno);
                return true;
            }
        }
        node = file_.node(child, layout_);
    }
    path.push_back({node, 0});
    const size_t level = path.size() - 1;
    IndexNode* leaf = node;
    const int pos = lowerBound(*leaf, key, recno, false);
    if (pos < leaf->count() &&
        compareIndexEntry(leaf->keyAt(pos), leaf->recnos[static_cast<size_t>(pos)], key, recno) == 0)
        return false;
    const bool sequential = pos > 0 && leaf->recnos[static_cast<size_t>(pos - 1)] == lastRecno_ &&
                            leaf->key(pos - 1) == lastKey_;
    lastKey_.assign(key);
    lastRecno_ = recno;

    // A key that falls between two leaves goes to the end of the left one
    // while it has room: appends of ever larger record numbers under one key
    // then fill pages instead of splitting the next leaf again and again.
    if (pos == 0 && level > 0 && path[level - 1].index > 0) {
        IndexNode* parent = path[level - 1].node;
        const int pi = path[level - 1].index;
        IndexNode* before = load(parent->children[static_cast<size_t>(pi - 1)], childPointerAt(*parent, pi - 1),
                                 "child pointer");
        if (before->leaf && before->count() > 0 && appendFits(*before, key.data(), recno)) {
            before->insertLeaf(before->count(), key.data(), recno);
            file_.markDirty(before);
            parent->setSeparator(pi - 1, key.data(), recno);
            file_.markDirty(parent);
            ++modCount_;
            return true;
        }
    }

    leaf->insertLeaf(pos, key.data(), recno);
    file_.markDirty(leaf);
    ++modCount_;
    if (pos == leaf->count() - 1)
        updateSeparators(path, level);
    if (!leaf->fits())
        splitUpward(path, level, pos, sequential);
    else if (pos == leaf->count() - 1)
        rememberLastLeaf(path);
    return true;
}

// Keeps the path of an insert that ended at the end of a leaf, when that
// leaf is the tree's last.
void IndexTree::rememberLastLeaf(const Path& path)
{
    for (size_t level = 0; level + 1 < path.size(); ++level)
        if (path[level].index != path[level].node->count() - 1)
            return;
    lastLeaf_ = path;
    lastLeafMod_ = modCount_;
    lastLeafEpoch_ = file_.cacheEpoch();
}

// An entry beyond every other, right after an insert at the end of the last
// leaf, goes straight there: records appended under the greatest key (a
// blank field, a flag) would otherwise walk down the tree every time.
bool IndexTree::appendPastEnd(std::string_view key, uint32_t recno)
{
    if (lastLeafMod_ != modCount_ || lastLeafEpoch_ != file_.cacheEpoch() || lastLeaf_.empty())
        return false;
    IndexNode* leaf = lastLeaf_.back().node;
    const int n = leaf->count();
    if (n == 0 || compareIndexEntry(leaf->keyAt(n - 1), leaf->recnos[static_cast<size_t>(n - 1)], key, recno) >= 0)
        return false;
    const bool sequential = leaf->recnos[static_cast<size_t>(n - 1)] == lastRecno_ && leaf->key(n - 1) == lastKey_;
    lastKey_.assign(key);
    lastRecno_ = recno;
    leaf->insertLeaf(n, key.data(), recno);
    file_.markDirty(leaf);
    ++modCount_;
    const size_t level = lastLeaf_.size() - 1;
    updateSeparators(lastLeaf_, level);
    if (leaf->fits())
        lastLeafMod_ = modCount_;
    else
        splitUpward(lastLeaf_, level, n, sequential);  // the path is stale after it
    return true;
}

void IndexTree::updateSeparators(Path& path, size_t level)
{
    IndexNode* node = path[level].node;
    if (node->count() == 0)
        return;
    const int last = node->count() - 1;
    updateSeparatorsTo(path, level, node->keyAt(last), node->recnos[static_cast<size_t>(last)]);
}

void IndexTree::updateSeparatorsTo(Path& path, size_t level, const char* key, uint32_t recno)
{
    // The page at `level` now ends with (key, recno): so do its ancestors
    // for which it is the last child.
    while (level > 0) {
        IndexNode* parent = path[level - 1].node;
        const int idx = path[level - 1].index;
        parent->setSeparator(idx, key, recno);
        file_.markDirty(parent);
        if (idx != parent->count() - 1)
            return;
        --level;
    }
}

void IndexTree::growRoot(Path& path)
{
    IndexNode* old = path[0].node;
    IndexNode* top = file_.createNode(false, layout_);
    top->root = true;
    old->root = false;
    const int last = old->count() - 1;
    top->insertInterior(0, old->keyAt(last), old->recnos[static_cast<size_t>(last)], old->offset);
    file_.markDirty(top);
    file_.markDirty(old);
    root_ = top->offset;
    path.insert(path.begin(), Step{top, 0});
}

int IndexTree::chooseSplit(const IndexNode& node, int inserted, bool sequential) const
{
    const int n = node.count();
    // Sizes of the two halves for a split before entry s (1 <= s < n).
    std::vector<int> leftSize(static_cast<size_t>(n), 0);
    std::vector<int> rightSize(static_cast<size_t>(n), 0);
    int limit = IndexNode::kInteriorSpace;
    if (!node.leaf) {
        const int entry = node.layout.keyLength + 8;
        for (int s = 1; s < n; ++s) {
            leftSize[static_cast<size_t>(s)] = s * entry;
            rightSize[static_cast<size_t>(s)] = (n - s) * entry;
        }
    } else {
        limit = IndexNode::kLeafSpace;
        const int entryBytes = indexLeafBits(node.format, node.maxRecno).bytes;
        std::vector<int> chained(static_cast<size_t>(n));
        int total = 0;
        for (int i = 0; i < n; ++i) {
            chained[static_cast<size_t>(i)] = node.layout.keyLength - node.dups[static_cast<size_t>(i)] -
                                              node.trails[static_cast<size_t>(i)];
            total += chained[static_cast<size_t>(i)];
        }
        int leftBytes = 0;
        for (int s = 1; s < n; ++s) {
            leftBytes += chained[static_cast<size_t>(s - 1)];
            leftSize[static_cast<size_t>(s)] = s * entryBytes + leftBytes;
            rightSize[static_cast<size_t>(s)] = (n - s) * entryBytes + node.storedBytes(nullptr, node.keyAt(s)) +
                                                (total - leftBytes - chained[static_cast<size_t>(s)]);
        }
    }
    auto fits = [&](int s) {
        return s >= 1 && s < n && leftSize[static_cast<size_t>(s)] <= limit && rightSize[static_cast<size_t>(s)] <= limit;
    };
    // Entries inserted one after another (appends in key order, or records
    // appended under one key) split right after the newest entry: the page
    // behind them stays full and the next ones go to the new page.
    if (sequential || (node.right == kNoPage && inserted == n - 1)) {
        if (fits(inserted + 1))
            return inserted + 1;
        if (fits(inserted))
            return inserted;
    }
    int best = -1;
    int bestDiff = INT_MAX;
    int lastLeftFit = 1;
    for (int s = 1; s < n; ++s) {
        if (leftSize[static_cast<size_t>(s)] > limit)
            break;
        lastLeftFit = s;
        if (!fits(s))
            continue;
        const int diff = std::abs(leftSize[static_cast<size_t>(s)] - rightSize[static_cast<size_t>(s)]);
        if (diff < bestDiff) {
            bestDiff = diff;
            best = s;
        }
    }
    // With long keys that barely compress one split may not be enough; the
    // caller splits the right part again.
    return best >= 1 ? best : lastLeftFit;
}

void IndexTree::splitUpward(Path& path, size_t level, int inserted, bool sequential)
{
    for (;;) {
        IndexNode* node = path[level].node;
        if (node->fits())
            return;
        if (level == 0) {
            growRoot(path);
            level = 1;
        }
        IndexNode* parent = path[level - 1].node;
        while (!node->fits()) {
            const int idx = path[level - 1].index;
            const int s = chooseSplit(*node, inserted, sequential);
            IndexNode* right = file_.createNode(node->leaf, layout_);
            if (node->leaf)
                right->format = node->format;
            node->moveTail(s, *right);
            right->left = node->offset;
            right->right = node->right;
            if (node->right != kNoPage) {
                IndexNode* after = load(node->right, node->offset + 8, "right sibling pointer");
                after->left = right->offset;
                file_.markDirty(after);
            }
            node->right = right->offset;
            file_.markDirty(node);
            file_.markDirty(right);
            const int nodeLast = node->count() - 1;
            const int rightLast = right->count() - 1;
            parent->setSeparator(idx, node->keyAt(nodeLast), node->recnos[static_cast<size_t>(nodeLast)]);
            parent->insertInterior(idx + 1, right->keyAt(rightLast), right->recnos[static_cast<size_t>(rightLast)],
                                   right->offset);
            file_.markDirty(parent);
            inserted -= s;
            node = right;
            path[level] = Step{right, 0};
            path[level - 1].index = idx + 1;
        }
        inserted = path[level - 1].index;
        --level;
    }
}

bool IndexTree::remove(std::string_view key, uint32_t recno)
{
    file_.requireWritable();
    Path& path = path_;
    if (!descend(key, recno, path, true))
        return false;
    const size_t level = path.size() - 1;
    IndexNode* leaf = path[level].node;
    const int pos = lowerBound(*leaf, key, recno, false);
    if (pos == leaf->count() ||
        compareIndexEntry(leaf->keyAt(pos), leaf->recnos[static_cast<size_t>(pos)], key, recno) != 0)
        return false;
    leaf->eraseLeaf(pos);
    file_.markDirty(leaf);
    ++modCount_;
    if (leaf->count() == 0) {
        if (level > 0)
            removeChild(path, level);
        return true;
    }
    if (pos == leaf->count())
        updateSeparators(path, level);
    // Removing a key can make the page longer: the key after it may share
    // less with the one before than it did with the removed one (a short
    // key padded with blanks between longer ones).
    if (!leaf->fits()) {
        splitUpward(path, level, pos > 0 ? pos - 1 : 0, false);
        return true;
    }
    rebalance(path, level);
    return true;
}

void IndexTree::removeChild(Path& path, size_t level)
{
    IndexNode* node = path[level].node;
    if (node->left != kNoPage) {
        IndexNode* before = load(node->left, node->offset + 4, "left sibling pointer");
        before->right = node->right;
        file_.markDirty(before);
    }
    if (node->right != kNoPage) {
        IndexNode* after = load(node->right, node->offset + 8, "right sibling pointer");
        after->left = node->left;
        file_.markDirty(after);
    }
    IndexNode* parent = path[level - 1].node;
    const int idx = path[level - 1].index;
    parent->eraseInterior(idx);
    file_.markDirty(parent);
    file_.freeNode(node);
    --level;
    if (parent->count() == 0) {
        if (level == 0) {
            // The root lost its last child: the tree is empty again.
            parent->reset(parent->offset, true, layout_);
            parent->root = true;
            file_.markDirty(parent);
            return;
        }
        removeChild(path, level);
        return;
    }
    if (idx == parent->count())
        updateSeparators(path, level);
    rebalance(path, level);
}

bool IndexTree::canMerge(const IndexNode& a, const IndexNode& b) const
{
    if (!a.leaf)
        return a.count() + b.count() <= a.interiorCapacity();
    int payload = static_cast<int>(a.payload);
    const char* prev = a.count() > 0 ? a.keyAt(a.count() - 1) : nullptr;
    for (int i = 0; i < b.count(); ++i) {
        payload += a.storedBytes(prev, b.keyAt(i));
        prev = b.keyAt(i);
    }
    const int n = a.count() + b.count();
    const uint32_t maxRecno = std::max(a.maxRecno, b.maxRecno);
    return n * indexLeafBits(a.format, maxRecno).bytes + payload <= IndexNode::kLeafSpace;
}

void IndexTree::rebalance(Path& path, size_t level)
{
    if (level == 0) {
        collapseRoot();
        return;
    }
    IndexNode* node = path[level].node;
    const bool underFull = node->leaf ? node->encodedSize() * 2 < IndexNode::kLeafSpace
                                      : node->count() * 2 < node->interiorCapacity();
    if (!underFull)
        return;
    IndexNode* parent = path[level - 1].node;
    const int idx = path[level - 1].index;
    if (idx > 0) {
        IndexNode* before = load(parent->children[static_cast<size_t>(idx - 1)], childPointerAt(*parent, idx - 1),
                                 "child pointer");
        if (before->leaf != node->leaf)
            corrupt(before->offset, "neighbouring pages lie at different depths");
        if (canMerge(*before, *node)) {
            merge(path, level, idx - 1);
            return;
        }
    }
    if (idx + 1 < parent->count()) {
        IndexNode* after = load(parent->children[static_cast<size_t>(idx + 1)], childPointerAt(*parent, idx + 1),
                                "child pointer");
        if (after->leaf != node->leaf)
            corrupt(after->offset, "neighbouring pages lie at different depths");
        if (canMerge(*node, *after))
            merge(path, level, idx);
    }
}

void IndexTree::merge(Path& path, size_t level, int leftIndex)
{
    IndexNode* parent = path[level - 1].node;
    IndexNode* a = load(parent->children[static_cast<size_t>(leftIndex)], childPointerAt(*parent, leftIndex),
                        "child pointer");
    IndexNode* b = load(parent->children[static_cast<size_t>(leftIndex + 1)], childPointerAt(*parent, leftIndex + 1),
                        "child pointer");
    b->moveTail(0, *a);
    a->right = b->right;
    if (b->right != kNoPage) {
        IndexNode* after = load(b->right, b->offset + 8, "right sibling pointer");
        after->left = a->offset;
        file_.markDirty(after);
    }
    file_.markDirty(a);
    // a now ends with b's greatest entry: the parent's greatest is unchanged.
    const int last = a->count() - 1;
    parent->setSeparator(leftIndex, a->keyAt(last), a->recnos[static_cast<size_t>(last)]);
    parent->eraseInterior(leftIndex + 1);
    file_.markDirty(parent);
    file_.freeNode(b);
    path[level] = Step{a, 0};
    path[level - 1].index = leftIndex;
    rebalance(path, level - 1);
}

void IndexTree::collapseRoot()
{
    for (int depth = 0;; ++depth) {
        IndexNode* top = loadRoot();
        if (top->leaf || top->count() != 1)
            return;
        if (depth >= depthLimit())
            corrupt(top->offset, "the tree's child pointers loop");
        IndexNode* child = load(top->children[0], childPointerAt(*top, 0), "child pointer");
        child->root = true;
        file_.markDirty(child);
        root_ = child->offset;
        file_.freeNode(top);
    }
}

IndexTree::Position IndexTree::seek(std::string_view key, uint32_t recno, bool after)
{
    IndexNode* node = loadRoot();
    for (int depth = 0; !node->leaf; ++depth) {
        if (depth >= depthLimit())
            corrupt(node->offset, "the tree is deeper than " + std::to_string(depthLimit()) +
                                      " levels: its child pointers loop");
        int i = lowerBound(*node, key, recno, after);
        if (i == node->count())
            i = node->count() - 1;  // past every entry: the end of the last leaf
        node = load(node->children[static_cast<size_t>(i)], childPointerAt(*node, i), "child pointer");
    }
    Position at{node, lowerBound(*node, key, recno, after)};
    uint32_t steps = 0;
    if (at.index >= node->count()) {
        // Separators are the greatest entries of their pages, so this is the
        // end; a file whose separators overshoot still finds its entry next door.
        at.index = node->count() - 1;
        next(at, steps);
    }
    return at;
}

// The first or last leaf: down the first or last child of every interior page.
IndexNode* IndexTree::edgeLeaf(bool last)
{
    IndexNode* node = loadRoot();
    for (int depth = 0; !node->leaf; ++depth) {
        if (depth >= depthLimit())
            corrupt(node->offset, "the tree's child pointers loop");
        const int i = last ? node->count() - 1 : 0;
        node = load(node->children[static_cast<size_t>(i)], childPointerAt(*node, i), "child pointer");
    }
    return node;
}

IndexTree::Position IndexTree::first()
{
    Position at{edgeLeaf(false), -1};
    uint32_t steps = 0;
    next(at, steps);
    return at;
}

IndexTree::Position IndexTree::last()
{
    IndexNode* leaf = edgeLeaf(true);
    Position at{leaf, leaf->count()};
    uint32_t steps = 0;
    prev(at, steps);
    return at;
}

// The leaf right (forward) or left of `current`, its links checked both
// ways; `steps` counts the moves that a link cycle would make endless.
IndexNode* IndexTree::siblingLeaf(const IndexNode& current, bool forward, uint32_t& steps)
{
    if (++steps > file_.pageCount())
        corrupt(current.offset, "the leaf sibling links loop");
    const char* side = forward ? "right" : "left";
    const char* back = forward ? "left" : "right";
    IndexNode* other = load(forward ? current.right : current.left, current.offset + (forward ? 8 : 4),
                            forward ? "right sibling pointer" : "left sibling pointer");
    if (!other->leaf)
        corrupt(other->offset,
                std::string("the ") + side + " neighbour of leaf " + std::to_string(current.offset) + " is not a leaf");
    if ((forward ? other->left : other->right) != current.offset)
        corrupt(other->offset,
                std::string("its ") + back + " sibling pointer disagrees with leaf " + std::to_string(current.offset));
    return other;
}

bool IndexTree::next(Position& at, uint32_t& steps)
{
    if (at.leaf == nullptr)
        return false;
    ++at.index;
    while (at.index >= at.leaf->count()) {
        IndexNode* current = at.leaf;
        if (current->right == kNoPage) {
            at.index = current->count();
            return false;
        }
        at = Position{siblingLeaf(*current, true, steps), 0};
    }
    return true;
}

bool IndexTree::prev(Position& at, uint32_t& steps)
{
    if (at.leaf == nullptr)
        return false;
    at.index = std::min(at.index, at.leaf->count()) - 1;
    while (at.index < 0) {
        IndexNode* current = at.leaf;
        if (current->left == kNoPage) {
            at.index = -1;
            return false;
        }
        IndexNode* before = siblingLeaf(*current, false, steps);
        at = Position{before, before->count() - 1};
    }
    return true;
}

IndexNode* IndexTree::leafAt(uint32_t offset)
{
    IndexNode* node = load(offset, offset, "leaf");
    if (!node->leaf)
        corrupt(offset, "expected a leaf");
    return node;
}

void IndexTree::freeAllPages()
{
    std::vector<uint32_t> stack{root_};
    std::vector<bool> seen(file_.pageCount(), false);
    std::vector<uint32_t> from{0};
    while (!stack.empty()) {
        const uint32_t offset = stack.back();
        const uint32_t pointerAt = from.back();
        stack.pop_back();
        from.pop_back();
        file_.checkPagePointer(offset, pointerAt, "page pointer");
        if (seen[offset / kIndexPageSize])
            corrupt(offset, "the page is reached twice: the tree's pointers loop");
        seen[offset / kIndexPageSize] = true;
        IndexNode* node = file_.node(offset, layout_);
        if (!node->leaf) {
            for (int i = 0; i < node->count(); ++i) {
                stack.push_back(node->children[static_cast<size_t>(i)]);
                from.push_back(childPointerAt(*node, i));
            }
        }
        file_.freeNode(node);
    }
    root_ = 0;
    ++modCount_;
}

IndexTreeStats IndexTree::verify(std::vector<uint8_t>& pageUse, bool checkOrder, bool unique)
{
    struct Item {
        uint32_t offset;
        uint32_t from;
        bool hasSeparator;
        std::string key;
        uint32_t recno;
    };
    IndexTreeStats stats;
    std::vector<Item> level{{root_, 0, false, {}, 0}};
    std::array<uint8_t, kIndexPageSize> bytes;
    IndexNode node;
    uint32_t visited = 0;
    while (!level.empty()) {
        if (++stats.depth > depthLimit())
            corrupt(root_, "the tree is deeper than " + std::to_string(depthLimit()) + " levels");
        std::vector<Item> below;
        bool levelIsLeaf = false;
        bool havePrev = false;
        std::string prevKey;
        uint32_t prevRecno = 0;
        for (size_t i = 0; i < level.size(); ++i) {
            const Item& item = level[i];
            file_.checkPagePointer(item.offset, item.from, "page pointer");
            const uint32_t page = item.offset / kIndexPageSize;
            if (pageUse[page] != 0)
                corrupt(item.offset, "the page is used twice");
            pageUse[page] = 1;
            if (++visited > file_.pageCount())
                corrupt(item.offset, "the tree has more pages than the file");
            std::memcpy(bytes.data(), file_.pageBytes(item.offset), bytes.size());
            node.decode(bytes.data(), item.offset, layout_, file_.path());
            if (i == 0)
                levelIsLeaf = node.leaf;
            else if (node.leaf != levelIsLeaf)
                corrupt(item.offset, "leaves lie at different depths");
            if (node.root != (stats.depth == 1))
                corrupt(item.offset, node.root ? "a page below the root is marked as root" : "the root is not marked as root");
            const uint32_t expectLeft = i > 0 ? level[i - 1].offset : kNoPage;
            const uint32_t expectRight = i + 1 < level.size() ? level[i + 1].offset : kNoPage;
            if (node.left != expectLeft || node.right != expectRight)
                corrupt(item.offset, "sibling pointers (" + std::to_string(node.left) + ", " +
                                         std::to_string(node.right) + ") disagree with the tree (" +
                                         std::to_string(expectLeft) + ", " + std::to_string(expectRight) + ")");
            if (node.leaf) {
                ++stats.leafPages;
                stats.entries += static_cast<uint64_t>(node.count());
                stats.leafBytesUsed += static_cast<uint64_t>(node.encodedSize());
                if (node.count() == 0 && stats.depth > 1)
                    ++stats.emptyLeaves;
            } else {
                ++stats.interiorPages;
            }
            if (checkOrder) {
                for (int j = 0; j < node.count(); ++j) {
                    const std::string_view key = node.key(j);
                    const uint32_t recno = node.recnos[static_cast<size_t>(j)];
                    if (havePrev) {
                        const int c = prevKey.compare(key);
                        if (c > 0 || (c == 0 && (prevRecno >= recno || unique)))
                            corrupt(item.offset, "entry " + std::to_string(j) + " is out of order");
                    }
                    prevKey.assign(key);
                    prevRecno = recno;
                    havePrev = true;
                }
                if (item.hasSeparator && node.count() > 0) {
                    const int last = node.count() - 1;
                    if (node.key(last) != item.key || node.recnos[static_cast<size_t>(last)] != item.recno)
                        corrupt(item.offset, "its greatest entry differs from its parent's key");
                }
            }
            if (!node.leaf)
                for (int j = 0; j < node.count(); ++j)
                    below.push_back({node.children[static_cast<size_t>(j)], childPointerAt(node, j), true,
                                     std::string(node.key(j)), node.recnos[static_cast<size_t>(j)]});
        }
        if (levelIsLeaf)
            break;
        level = std::move(below);
    }
    return stats;
}

}  // namespace xbase

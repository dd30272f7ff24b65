#include "xbase/IndexBuilder.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>
#include <cstring>
#include <string>
#include <string_view>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"


namespace xbase {
namespace {

constexpr size_t kBatchPages = 256;

// Reports whole percents, each once.
class Progress {
public:
    explicit Progress(const std::function<void(int)>& callback) : callback_(callback) {}
    void report(int percent)
    {
        percent = std::clamp(percent, 0, 100);
        if (callback_ && percent != last_) {
            last_ = percent;
            callback_(percent);
        }
    }

private:
    const std::function<void(int)>& callback_;
    int last_ = -1;
};

// Items this far ahead are fetched from memory early when keys are read in
// sorted order, which jumps all over the arena.
constexpr std::ptrdiff_t kPrefetchAhead = 8;

// Bytes [from, from + 8) of a key as a big-endian number, zeros past its end.
uint64_t keyWord(const char* key, size_t from, size_t keyLength)
{
    if (from + 8 <= keyLength) {
        uint64_t value;
        std::memcpy(&value, key + from, 8);
        return __builtin_bswap64(value);
    }
    uint64_t value = 0;
    for (size_t b = from; b < from + 8; ++b)
        value = (value << 8) | (b < keyLength ? static_cast<unsigned char>(key[b]) : 0u);
    return value;
}

// Sorts items by key, then record number. Items carry sixteen key bytes
// from `depth` on; runs that tie on them load the next sixteen and sort
// again. Comparing whole keys instead would read two keys from all over
// memory for every comparison — and address files have long runs of equal
// keys (empty fields).
void sortItems(IndexSortItem* first, IndexSortItem* last, size_t depth, const char* keys, size_t keyLength)
{
    // Runs of one key (empty fields) are common and may still be in record
    // order, as tables hand them over: then there is nothing to sort.
    const bool allEqual = std::all_of(first + 1, last, [first](const IndexSortItem& item) {
        return item.high == first->high && item.low == first->low;
    });
    if (depth + 16 >= keyLength) {
        // The items hold the rest of their keys: record numbers break ties.
        auto byRecno = [](const IndexSortItem& a, const IndexSortItem& b) { return a.recno < b.recno; };
        if (allEqual) {
            if (!std::is_sorted(first, last, byRecno))
                std::sort(first, last, byRecno);
            return;
        }
        std::sort(first, last, [](const IndexSortItem& a, const IndexSortItem& b) {
            if (a.high != b.high)
                return a.high < b.high;
            return a.low != b.low ? a.low < b.low : a.recno < b.recno;
        });
        return;
    }
    if (!allEqual)
        std::sort(first, last, [](const IndexSortItem& a, const IndexSortItem& b) {
            return a.high != b.high ? a.high < b.high : a.low < b.low;
        });
    for (IndexSortItem* run = first; run != last;) {
        IndexSortItem* end = run + 1;
        while (end != last && end->high == run->high && end->low == run->low)
            ++end;
        if (end - run > 1) {
            for (IndexSortItem* item = run; item != end; ++item) {
                if (end - item > kPrefetchAhead)
                    __builtin_prefetch(keys + static_cast<size_t>(item[kPrefetchAhead].index) * keyLength + depth + 16);
                const char* key = keys + static_cast<size_t>(item->index) * keyLength;
                item->high = keyWord(key, depth + 16, keyLength);
                item->low = keyWord(key, depth + 24, keyLength);
            }
            sortItems(run, end, depth + 16, keys, keyLength);
        }
        run = end;
    }
}

}  // namespace

IndexBuildArena::~IndexBuildArena()
{
    if (data_ != nullptr)
        ::munmap(data_, capacity_);
}

void IndexBuildArena::reserve(size_t bytes, size_t keep)
{
    if (bytes <= capacity_)
        return;
    // Whole 2 MB units, so that the system can back them with large pages.
    constexpr size_t kUnit = size_t{2} << 20;
    const size_t size = (bytes + kUnit - 1) / kUnit * kUnit;
    void* fresh = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (fresh == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    ::madvise(fresh, size, MADV_HUGEPAGE);  // a hint; without it pages are merely small
#endif
    if (keep > 0)
        std::memcpy(fresh, data_, keep);
    if (data_ != nullptr)
        ::munmap(data_, capacity_);
    data_ = static_cast<char*>(fresh);
    capacity_ = size;
}

IndexBuilder::IndexBuilder(IndexPageFile& file, const IndexLayout& layout)
    : file_(file),
      layout_(layout),
      format_(IndexLeafFormat::forKeyLength(layout.keyLength)),
      keyLength_(static_cast<size_t>(layout.keyLength))
{
    leafEntries_.reserve(IndexNode::kLeafSpace);
    leafStored_.reserve(kIndexPageSize);
}

uint32_t IndexBuilder::take()
{
    const uint32_t page = file_.allocatePage();
    taken_.push_back(page);
    return page;
}

void IndexBuilder::put(uint32_t offset, const uint8_t* page)
{
    if (!batch_.empty() && (batchStart_ + batch_.size() != offset || batch_.size() >= kBatchPages * kIndexPageSize))
        flushWrites();
    if (batch_.empty())
        batchStart_ = offset;
    batch_.insert(batch_.end(), page, page + kIndexPageSize);
}

void IndexBuilder::flushWrites()
{
    if (!batch_.empty())
        file_.writePages(batchStart_, batch_.data(), batch_.size() / kIndexPageSize);
    batch_.clear();
}

bool IndexBuilder::accept(const char* key, uint32_t recno, bool unique)
{
    if (haveEntry_) {
        const int c = std::memcmp(previousKey_.data(), key, keyLength_);
        if (c > 0 || (c == 0 && previousRecno_ > recno))
            return false;
        if (c == 0 && (unique || previousRecno_ == recno))
            return true;  // a repeated entry, or a later record of a unique key: left out
    }
    add(key, recno);
    return true;
}

// Built leaves keep a tenth of their space free, so that the keys added
// later fit in place instead of splitting nearly every leaf on its first
// insert.
constexpr int kBuiltLeafSpace = IndexNode::kLeafSpace - IndexNode::kLeafSpace / 10;

void IndexBuilder::add(const char* key, uint32_t recno)
{
    const int n = static_cast<int>(leafEntries_.size());
    int dup = 0;
    int trail = 0;
    indexLeafCounts(n > 0 ? previousKey_.data() : nullptr, key, layout_, format_, dup, trail);
    int stored = layout_.keyLength - dup - trail;
    const uint32_t maxRecno = std::max(leafMaxRecno_, recno);
    if (n > 0 && (n + 1) * indexLeafBits(format_, maxRecno).bytes + leafPayload_ + stored > kBuiltLeafSpace) {
        const uint32_t next = take();
        const uint32_t current = leafPage_;
        emitLeaf(next, false);
        leafLeft_ = current;
        leafPage_ = next;
        indexLeafCounts(nullptr, key, layout_, format_, dup, trail);
        stored = layout_.keyLength - dup - trail;
    }
    if (leafPage_ == kNoPage)
        leafPage_ = take();
    // The page's stored bytes never pass 488, so leafStored_ never moves.
    const char* at = leafStored_.data() + leafStored_.size();
    leafStored_.insert(leafStored_.end(), key + dup, key + dup + stored);
    leafEntries_.push_back({recno, static_cast<uint8_t>(dup), static_cast<uint8_t>(trail), at});
    previousKey_.assign(key, keyLength_);
    previousRecno_ = recno;
    haveEntry_ = true;
    leafMaxRecno_ = std::max(leafMaxRecno_, recno);
    leafPayload_ += stored;
}

void IndexBuilder::emitLeaf(uint32_t right, bool root)
{
    uint8_t page[kIndexPageSize];
    const int n = static_cast<int>(leafEntries_.size());
    packIndexLeaf(page, root, leafLeft_, right, layout_.keyLength, format_, leafMaxRecno_, leafEntries_.data(), n,
                  leafStored_.data() + leafStored_.size());
    put(leafPage_, page);
    if (n > 0) {
        leaves_.keys.insert(leaves_.keys.end(), previousKey_.begin(), previousKey_.end());
        leaves_.recnos.push_back(leafEntries_.back().recno);
        leaves_.pages.push_back(leafPage_);
    }
    leafEntries_.clear();
    leafStored_.clear();
    leafMaxRecno_ = 0;
    leafPayload_ = 0;
}

uint32_t IndexBuilder::finish()
{
    if (leafPage_ == kNoPage)
        leafPage_ = take();  // no entries at all: an empty root leaf
    const bool onlyLeaf = leaves_.pages.empty();
    const uint32_t lastLeaf = leafPage_;
    emitLeaf(kNoPage, onlyLeaf);
    if (onlyLeaf) {
        flushWrites();
        return lastLeaf;
    }

    // Interior levels: entries spread evenly over as few pages as hold them,
    // so that no page at the end of a level is left nearly empty.
    const int capacity = IndexNode::kInteriorSpace / (layout_.keyLength + 8);
    Level level = std::move(leaves_);
    uint8_t page[kIndexPageSize];
    while (level.pages.size() > 1) {
        const size_t m = level.pages.size();
        const size_t nodes = (m + static_cast<size_t>(capacity) - 1) / static_cast<size_t>(capacity);
        std::vector<uint32_t> offsets(nodes);
        for (auto& offset : offsets)
            offset = take();
        Level above;
        size_t at = 0;
        for (size_t i = 0; i < nodes; ++i) {
            const size_t count = m / nodes + (i < m % nodes ? 1 : 0);
            std::memset(page, 0, sizeof page);
            putLe16(page, nodes == 1 ? 1u : 0u);
            putLe16(page + 2, static_cast<uint32_t>(count));
            putLe32(page + 4, i > 0 ? offsets[i - 1] : kNoPage);
            putLe32(page + 8, i + 1 < nodes ? offsets[i + 1] : kNoPage);
            for (size_t j = 0; j < count; ++j, ++at) {
                uint8_t* entry = page + 12 + j * (keyLength_ + 8);
                std::memcpy(entry, level.keys.data() + at * keyLength_, keyLength_);
                putBe32(entry + keyLength_, level.recnos[at]);
                putBe32(entry + keyLength_ + 4, level.pages[at]);
            }
            put(offsets[i], page);
            above.keys.insert(above.keys.end(), level.keys.data() + (at - 1) * keyLength_,
                              level.keys.data() + at * keyLength_);
            above.recnos.push_back(level.recnos[at - 1]);
            above.pages.push_back(offsets[i]);
        }
        level = std::move(above);
    }
    flushWrites();
    return level.pages.front();
}

void IndexBuilder::abandon() noexcept
{
    try {
        batch_.clear();
        for (uint32_t page : taken_)
            file_.freePage(page);
        taken_.clear();
    } catch (...) {
        // Freeing only touches memory; should it fail, the pages are merely
        // lost to this file's free list, never handed out twice.
    }
}

uint32_t IndexBuilder::build(IndexPageFile& file, const IndexLayout& layout, IndexEntrySource& entries,
                             bool unique, const std::function<void(int)>& progress, IndexBuildScratch& scratch)
{
    const size_t k = static_cast<size_t>(layout.keyLength);
    const uint64_t hint = entries.sizeHint();
    Progress report(progress);
    report.report(0);
    IndexBuilder builder(file, layout);

    auto feed = [&](const char* key, uint32_t recno) {
        if (!builder.accept(key, recno, unique))
            throw Error(ErrorKind::InvalidArgument, "index entries given as sorted are out of order", file.path());
    };

    try {
        std::string_view key;
        uint32_t recno = 0;
        uint64_t read = 0;
        auto check = [&] {
            if (key.size() != k)
                throw Error(ErrorKind::InvalidArgument,
                            "an index key of " + std::to_string(key.size()) + " bytes given for key length " +
                                std::to_string(k),
                            file.path());
            if (recno == 0)
                throw Error(ErrorKind::InvalidArgument, "record number 0 given for an index", file.path());
        };
        if (entries.sorted()) {
            while (entries.next(key, recno)) {
                check();
                feed(key.data(), recno);
                if (hint > 0 && (++read & 0xFFF) == 0)
                    report.report(static_cast<int>(read * 100 / hint));
            }
        } else {
            // Keys one after another in the scratch arena, grown by doubling.
            size_t n = 0;
            size_t room = 0;
            char* keys = nullptr;
            uint32_t* recnos = nullptr;
            auto ensure = [&](size_t count) {
                if (room < count) {
                    room = std::max<size_t>({count, room * 2, static_cast<size_t>(hint), 1024});
                    scratch.keys.reserve(room * k, n * k);
                    scratch.recnos.reserve(room * sizeof(uint32_t), n * sizeof(uint32_t));
                    keys = scratch.keys.data();
                    recnos = scratch.recnos.as<uint32_t>();
                }
            };
            ensure(static_cast<size_t>(hint));
            bool inOrder = true;
            while (entries.next(key, recno)) {
                check();
                ensure(n + 1);
                char* at = keys + n * k;
                std::memcpy(at, key.data(), k);
                if (inOrder && n > 0) {
                    const int c = std::memcmp(at - k, at, k);
                    inOrder = c < 0 || (c == 0 && recnos[n - 1] <= recno);
                }
                recnos[n++] = recno;
                if (hint > 0 && (n & 0xFFF) == 0)
                    report.report(static_cast<int>(n * 60 / hint));
            }
            report.report(60);
            if (inOrder) {
                for (size_t i = 0; i < n; ++i)
                    feed(keys + i * k, recnos[i]);
            } else {
                scratch.order.reserve(n * sizeof(IndexSortItem), 0);
                scratch.spread.reserve(n * sizeof(IndexSortItem), 0);
                IndexSortItem* order = scratch.order.as<IndexSortItem>();
                IndexSortItem* spread = scratch.spread.as<IndexSortItem>();
                for (size_t i = 0; i < n; ++i)
                    order[i] = {keyWord(keys + i * k, 0, k), keyWord(keys + i * k, 8, k), static_cast<uint32_t>(i),
                                recnos[i]};
                // One counting pass on the first two key bytes splits the
                // work into many small sorts.
                std::vector<uint32_t> start(65537, 0);
                for (size_t i = 0; i < n; ++i)
                    ++start[(order[i].high >> 48) + 1];
                for (size_t b = 1; b < start.size(); ++b)
                    start[b] += start[b - 1];
                std::vector<uint32_t> next(start.begin(), start.end() - 1);
                for (size_t i = 0; i < n; ++i)
                    spread[next[order[i].high >> 48]++] = order[i];
                std::swap(order, spread);
                for (size_t b = 0; b + 1 < start.size(); ++b)
                    if (start[b + 1] - start[b] > 1)
                        sortItems(order + start[b], order + start[b + 1], 0, keys, k);
                report.report(80);
                for (size_t i = 0; i < n; ++i) {
                    if (i + kPrefetchAhead < n)
                        __builtin_prefetch(keys + static_cast<size_t>(order[i + kPrefetchAhead].index) * k);
                    feed(keys + static_cast<size_t>(order[i].index) * k, order[i].recno);
                }
            }
        }
        const uint32_t root = builder.finish();
        report.report(100);
        return root;
    } catch (...) {
        builder.abandon();
        throw;
    }
}

}  // namespace xbase

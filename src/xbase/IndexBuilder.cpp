#include "xbase/IndexBuilder.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "xbase/Error.h"

namespace xbase {
namespace {

constexpr size_t kBatchPages = 256;

void putLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void putLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void putBe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

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

}  // namespace

IndexBuilder::IndexBuilder(IndexPageFile& file, const IndexLayout& layout)
    : file_(file),
      layout_(layout),
      format_(IndexLeafFormat::forKeyLength(layout.keyLength)),
      keyLength_(static_cast<size_t>(layout.keyLength))
{
    sizer_.reset(0, true, layout);
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

void IndexBuilder::add(const char* key, uint32_t recno)
{
    const int n = static_cast<int>(leafRecnos_.size());
    const char* prev = n > 0 ? leafKeys_.data() + leafKeys_.size() - keyLength_ : nullptr;
    int stored = sizer_.storedBytes(prev, key);
    const uint32_t maxRecno = std::max(leafMaxRecno_, recno);
    if (n > 0 && (n + 1) * indexLeafBits(format_, maxRecno).bytes + leafPayload_ + stored > IndexNode::kLeafSpace) {
        const uint32_t next = take();
        const uint32_t current = leafPage_;
        emitLeaf(next, false);
        leafLeft_ = current;
        leafPage_ = next;
        stored = sizer_.storedBytes(nullptr, key);
    }
    if (leafPage_ == kNoPage)
        leafPage_ = take();
    leafKeys_.insert(leafKeys_.end(), key, key + keyLength_);
    leafRecnos_.push_back(recno);
    leafMaxRecno_ = std::max(leafMaxRecno_, recno);
    leafPayload_ += stored;
}

void IndexBuilder::emitLeaf(uint32_t right, bool root)
{
    uint8_t page[kIndexPageSize];
    const int n = static_cast<int>(leafRecnos_.size());
    encodeIndexLeaf(page, root, leafLeft_, right, layout_, format_, n, leafKeys_.data(), leafRecnos_.data(),
                    leafMaxRecno_);
    put(leafPage_, page);
    if (n > 0) {
        leaves_.keys.insert(leaves_.keys.end(), leafKeys_.end() - static_cast<std::ptrdiff_t>(keyLength_),
                            leafKeys_.end());
        leaves_.recnos.push_back(leafRecnos_.back());
        leaves_.pages.push_back(leafPage_);
    }
    leafKeys_.clear();
    leafRecnos_.clear();
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
                             bool unique, const std::function<void(int)>& progress)
{
    const size_t k = static_cast<size_t>(layout.keyLength);
    const uint64_t hint = entries.sizeHint();
    Progress report(progress);
    report.report(0);
    IndexBuilder builder(file, layout);

    // Keeps an entry unless it repeats the previous one (or its key, when unique).
    std::string lastKey;
    uint32_t lastRecno = 0;
    bool haveLast = false;
    auto feed = [&](const char* key, uint32_t recno) {
        if (haveLast) {
            const int c = std::memcmp(lastKey.data(), key, k);
            if (c > 0 || (c == 0 && lastRecno > recno))
                throw Error(ErrorKind::InvalidArgument, "index entries given as sorted are out of order", file.path());
            if (c == 0 && (unique || lastRecno == recno))
                return;
        }
        lastKey.assign(key, k);
        lastRecno = recno;
        haveLast = true;
        builder.add(key, recno);
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
            std::vector<char> keys;
            std::vector<uint32_t> recnos;
            if (hint > 0) {
                keys.reserve(static_cast<size_t>(hint) * k);
                recnos.reserve(static_cast<size_t>(hint));
            }
            bool inOrder = true;
            while (entries.next(key, recno)) {
                check();
                if (inOrder && !recnos.empty()) {
                    const int c = std::memcmp(keys.data() + keys.size() - k, key.data(), k);
                    inOrder = c < 0 || (c == 0 && recnos.back() <= recno);
                }
                keys.insert(keys.end(), key.begin(), key.end());
                recnos.push_back(recno);
                if (hint > 0 && (++read & 0xFFF) == 0)
                    report.report(static_cast<int>(read * 60 / hint));
            }
            const size_t n = recnos.size();
            report.report(60);
            if (inOrder) {
                for (size_t i = 0; i < n; ++i)
                    feed(keys.data() + i * k, recnos[i]);
            } else {
                // Sort indexes by the key's first eight bytes as one big-endian
                // number first: most comparisons end there.
                struct Item {
                    uint64_t prefix;
                    uint32_t index;
                };
                std::vector<Item> order(n);
                for (size_t i = 0; i < n; ++i) {
                    uint64_t prefix = 0;
                    const auto* bytes = reinterpret_cast<const unsigned char*>(keys.data() + i * k);
                    for (size_t b = 0; b < 8; ++b)
                        prefix = (prefix << 8) | (b < k ? bytes[b] : 0u);
                    order[i] = {prefix, static_cast<uint32_t>(i)};
                }
                const size_t rest = k > 8 ? k - 8 : 0;
                std::sort(order.begin(), order.end(), [&](const Item& a, const Item& b) {
                    if (a.prefix != b.prefix)
                        return a.prefix < b.prefix;
                    if (rest > 0) {
                        const int c = std::memcmp(keys.data() + a.index * k + 8, keys.data() + b.index * k + 8, rest);
                        if (c != 0)
                            return c < 0;
                    }
                    return recnos[a.index] < recnos[b.index];
                });
                report.report(80);
                for (const Item& item : order)
                    feed(keys.data() + static_cast<size_t>(item.index) * k, recnos[item.index]);
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

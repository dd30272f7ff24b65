#include "xbase/IndexPageFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "xbase/Error.h"

namespace xbase {
namespace {

// Index files address pages with 32-bit byte offsets.
constexpr uint64_t kMaxIndexFileSize = 0xFFFFFE00u;
// Pages written in one call when flushing runs of neighbouring pages.
constexpr size_t kWriteBatchPages = 128;

uint32_t pageOf(uint32_t offset) { return offset / kIndexPageSize; }

}  // namespace

IndexPageFile::IndexPageFile(File file, uint32_t firstPage) : file_(std::move(file)), firstPage_(firstPage)
{
    const uint64_t size = file_.size();
    if (size < firstPage_)
        corrupt("the file is " + std::to_string(size) + " bytes, shorter than its " + std::to_string(firstPage_) +
                "-byte header");
    if (size % kIndexPageSize != 0)
        corrupt("the file size " + std::to_string(size) + " is not a multiple of 512");
    if (size > kMaxIndexFileSize)
        corrupt("the file is larger than an index file can address");
    size_ = static_cast<uint32_t>(size);
    headerPage_.assign(pageCount(), 0);
    slots_.resize(pageCount());
}

IndexPageFile::~IndexPageFile() = default;

void IndexPageFile::corrupt(const std::string& what) const
{
    throw Error(ErrorKind::Corrupt, what, path());
}

void IndexPageFile::requireWritable() const
{
    if (!file_.writable())
        throw Error(ErrorKind::InvalidArgument, "the index was opened read-only", path());
}

void IndexPageFile::readBytes(uint32_t offset, void* out, size_t size) const
{
    file_.readExact(offset, out, size);
}

void IndexPageFile::writeBytes(uint32_t offset, const void* data, size_t size)
{
    requireWritable();
    file_.write(offset, data, size);
}

void IndexPageFile::reserveHeader(uint32_t offset, uint32_t bytes, bool reserved)
{
    for (uint32_t at = offset; at < offset + bytes; at += kIndexPageSize)
        if (pageOf(at) < headerPage_.size())
            headerPage_[pageOf(at)] = reserved ? 1 : 0;
}

bool IndexPageFile::isHeaderPage(uint32_t offset) const
{
    return pageOf(offset) < headerPage_.size() && headerPage_[pageOf(offset)] != 0;
}

void IndexPageFile::checkPagePointer(uint32_t pointer, uint32_t from, const char* what) const
{
    const std::string where = std::string(what) + " " + std::to_string(pointer) + " at offset " + std::to_string(from);
    if (pointer % kIndexPageSize != 0)
        corrupt(where + " is not on a page boundary");
    if (pointer < firstPage_ || pointer >= size_)
        corrupt(where + " is outside the file's pages");
    if (isHeaderPage(pointer))
        corrupt(where + " points into a header");
}

void IndexPageFile::touch(IndexNode* node)
{
    if (lruHead_ == node)
        return;
    unlinkLru(node);
    node->lruNext = lruHead_;
    if (lruHead_ != nullptr)
        lruHead_->lruPrev = node;
    lruHead_ = node;
    if (lruTail_ == nullptr)
        lruTail_ = node;
}

void IndexPageFile::unlinkLru(IndexNode* node)
{
    if (node->lruPrev != nullptr)
        node->lruPrev->lruNext = node->lruNext;
    else if (lruHead_ == node)
        lruHead_ = node->lruNext;
    if (node->lruNext != nullptr)
        node->lruNext->lruPrev = node->lruPrev;
    else if (lruTail_ == node)
        lruTail_ = node->lruPrev;
    node->lruPrev = nullptr;
    node->lruNext = nullptr;
}

IndexNode* IndexPageFile::node(uint32_t offset, const IndexLayout& layout)
{
    const uint32_t page = pageOf(offset);
    if (page < slots_.size() && slots_[page]) {
        IndexNode* cached = slots_[page].get();
        if (cached->layout.keyLength != layout.keyLength)
            corrupt("index page at offset " + std::to_string(offset) + " is used by two indexes");
        touch(cached);
        return cached;
    }
    std::array<uint8_t, kIndexPageSize> bytes;
    file_.readExact(offset, bytes.data(), bytes.size());
    auto fresh = std::make_unique<IndexNode>();
    fresh->decode(bytes.data(), offset, layout, path());
    IndexNode* result = fresh.get();
    if (page >= slots_.size())
        slots_.resize(page + 1);
    slots_[page] = std::move(fresh);
    result->accountedBytes = result->memoryBytes();
    cacheBytes_ += result->accountedBytes;
    touch(result);
    return result;
}

IndexNode* IndexPageFile::createNode(bool leaf, const IndexLayout& layout)
{
    const uint32_t offset = allocatePage();
    auto fresh = std::make_unique<IndexNode>();
    fresh->reset(offset, leaf, layout);
    fresh->dirty = true;
    IndexNode* result = fresh.get();
    slots_[pageOf(offset)] = std::move(fresh);
    result->accountedBytes = result->memoryBytes();
    cacheBytes_ += result->accountedBytes;
    touch(result);
    return result;
}

void IndexPageFile::markDirty(IndexNode* node)
{
    node->dirty = true;
    const size_t bytes = node->memoryBytes();
    cacheBytes_ = cacheBytes_ + bytes - node->accountedBytes;
    node->accountedBytes = bytes;
}

void IndexPageFile::dropSlot(uint32_t page)
{
    if (page >= slots_.size() || !slots_[page])
        return;
    IndexNode* node = slots_[page].get();
    unlinkLru(node);
    cacheBytes_ -= node->accountedBytes;
    slots_[page].reset();
}

void IndexPageFile::freeNode(IndexNode* node)
{
    freePage(node->offset);
}

void IndexPageFile::growTo(uint32_t size)
{
    if (size > kMaxIndexFileSize)
        throw Error(ErrorKind::NotSupported, "the index file would grow beyond 4 GB", path());
    size_ = size;
    headerPage_.resize(pageCount(), 0);
    slots_.resize(pageCount());
}

uint32_t IndexPageFile::allocatePage()
{
    requireWritable();
    if (!freeLoaded_)
        loadFreeList();
    if (!free_.empty()) {
        const uint32_t offset = free_.back();
        free_.pop_back();
        freeClean_ = std::min(freeClean_, free_.size());
        if (slots_[pageOf(offset)])
            corrupt("the free list names page " + std::to_string(offset) + ", which is in use");
        return offset;
    }
    const uint32_t offset = size_;
    growTo(size_ + kIndexPageSize);
    return offset;
}

uint32_t IndexPageFile::allocateAtEnd(uint32_t bytes)
{
    requireWritable();
    const uint32_t offset = size_;
    growTo(size_ + (bytes + kIndexPageSize - 1) / kIndexPageSize * kIndexPageSize);
    return offset;
}

void IndexPageFile::freePage(uint32_t offset)
{
    requireWritable();
    if (!freeLoaded_)
        loadFreeList();
    dropSlot(pageOf(offset));
    free_.push_back(offset);
}

uint32_t IndexPageFile::freeListHead() const
{
    if (!freeLoaded_)
        return storedFreeHead_;
    return free_.empty() ? 0 : free_.back();
}

void IndexPageFile::setStoredFreeListHead(uint32_t head)
{
    storedFreeHead_ = head;
    freeLoaded_ = false;
    free_.clear();
    freeClean_ = 0;
}

const std::vector<uint32_t>& IndexPageFile::freePages()
{
    if (!freeLoaded_)
        loadFreeList();
    return free_;
}

void IndexPageFile::loadFreeList()
{
    // The chain runs head first; each free page starts with the offset of
    // the next one (0, or -1 from some writers, ends it).
    std::vector<uint32_t> chain;
    std::vector<bool> seen(pageCount(), false);
    uint32_t from = 4;
    for (uint32_t at = storedFreeHead_; at != 0 && at != kNoPage;) {
        checkPagePointer(at, from, "free list pointer");
        if (seen[pageOf(at)])
            corrupt("the free list loops back to page " + std::to_string(at));
        seen[pageOf(at)] = true;
        chain.push_back(at);
        uint8_t link[4];
        file_.readExact(at, link, sizeof link);
        from = at;
        at = static_cast<uint32_t>(link[0]) | (static_cast<uint32_t>(link[1]) << 8) |
             (static_cast<uint32_t>(link[2]) << 16) | (static_cast<uint32_t>(link[3]) << 24);
    }
    free_.assign(chain.rbegin(), chain.rend());
    freeClean_ = free_.size();
    freeLoaded_ = true;
}

void IndexPageFile::writeNode(IndexNode* node)
{
    std::array<uint8_t, kIndexPageSize> bytes;
    node->encode(bytes.data());
    file_.write(node->offset, bytes.data(), bytes.size());
    node->dirty = false;
}

void IndexPageFile::writePages(uint32_t offset, const uint8_t* data, size_t count)
{
    requireWritable();
    file_.write(offset, data, count * kIndexPageSize);
}

void IndexPageFile::flush()
{
    if (!file_.writable())
        return;
    // Runs of neighbouring dirty pages go out in one write.
    std::vector<uint8_t> batch;
    uint32_t batchStart = 0;
    auto writeBatch = [&] {
        if (!batch.empty())
            file_.write(batchStart, batch.data(), batch.size());
        batch.clear();
    };
    for (size_t page = 0; page < slots_.size(); ++page) {
        IndexNode* node = slots_[page].get();
        if (node == nullptr || !node->dirty)
            continue;
        if (!batch.empty() && (batchStart + batch.size() != node->offset || batch.size() >= kWriteBatchPages * kIndexPageSize))
            writeBatch();
        if (batch.empty())
            batchStart = node->offset;
        batch.resize(batch.size() + kIndexPageSize);
        node->encode(batch.data() + batch.size() - kIndexPageSize);
        node->dirty = false;
    }
    writeBatch();

    if (freeLoaded_) {
        std::array<uint8_t, kIndexPageSize> bytes{};
        for (size_t i = freeClean_; i < free_.size(); ++i) {
            const uint32_t next = i == 0 ? 0 : free_[i - 1];
            for (int b = 0; b < 4; ++b)
                bytes[static_cast<size_t>(b)] = static_cast<uint8_t>(next >> (8 * b));
            file_.write(free_[i], bytes.data(), bytes.size());
        }
        freeClean_ = free_.size();
    }
    if (file_.size() < size_)
        file_.truncate(size_);
}

void IndexPageFile::trim()
{
    if (cacheBytes_ <= cacheLimit_)
        return;
    // Evict down to 7/8 of the limit so that trimming is not needed on every call.
    const size_t target = cacheLimit_ - cacheLimit_ / 8;
    bool evicted = false;
    while (cacheBytes_ > target && lruTail_ != nullptr) {
        IndexNode* victim = lruTail_;
        if (victim->dirty)
            writeNode(victim);
        dropSlot(pageOf(victim->offset));
        evicted = true;
    }
    if (evicted)
        ++cacheEpoch_;
}

void IndexPageFile::resetTo(uint32_t size)
{
    requireWritable();
    for (auto& slot : slots_)
        slot.reset();
    lruHead_ = lruTail_ = nullptr;
    cacheBytes_ = 0;
    ++cacheEpoch_;
    free_.clear();
    freeClean_ = 0;
    freeLoaded_ = true;
    storedFreeHead_ = 0;
    file_.truncate(size);
    size_ = size;
    headerPage_.assign(pageCount(), 0);
    slots_.clear();
    slots_.resize(pageCount());
}

}  // namespace xbase

#include "xbase/IndexPageFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"


namespace xbase {
namespace {

// Index files address pages with 32-bit byte offsets.
constexpr uint64_t kMaxIndexFileSize = 0xFFFFFE00u;
// Evicted nodes kept for reuse, so that reading pages does not allocate.
constexpr size_t kSpareNodes = 1024;

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
    diskSize_ = size;
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

void IndexPageFile::setCacheLimit(size_t bytes)
{
    cacheLimit_ = bytes / 6;
    rawLimit_ = bytes - cacheLimit_;
}

// --- raw pages -------------------------------------------------------------

IndexPageFile::Chunk& IndexPageFile::chunkFor(uint32_t offset)
{
    const uint32_t index = offset / kChunkBytes;
    if (index < chunks_.size() && chunks_[index]) {
        Chunk& chunk = *chunks_[index];
        chunk.used = true;
        return chunk;
    }
    if (index >= chunks_.size())
        chunks_.resize(index + 1);
    auto chunk = std::make_unique<Chunk>();
    chunk->bytes = std::make_unique_for_overwrite<uint8_t[]>(kChunkBytes);
    // Pages past the end of the file on disk (allocated, not yet written) read as zeros.
    const size_t got = file_.readSome(static_cast<uint64_t>(index) * kChunkBytes, chunk->bytes.get(), kChunkBytes);
    std::memset(chunk->bytes.get() + got, 0, kChunkBytes - got);
    chunks_[index] = std::move(chunk);
    rawBytes_ += kChunkBytes;
    if (rawBytes_ > rawLimit_)
        evictChunks(index);
    return *chunks_[index];
}

const uint8_t* IndexPageFile::pageBytes(uint32_t offset)
{
    return chunkFor(offset).bytes.get() + offset % kChunkBytes;
}

uint8_t* IndexPageFile::writablePage(uint32_t offset)
{
    Chunk& chunk = chunkFor(offset);
    const uint32_t page = (offset % kChunkBytes) / kIndexPageSize;
    chunk.dirty[page / 64] |= uint64_t{1} << (page % 64);
    if (!chunk.anyDirty) {
        chunk.anyDirty = true;
        dirtyChunks_.push_back(offset / kChunkBytes);
    }
    return chunk.bytes.get() + offset % kChunkBytes;
}

uint8_t* IndexPageFile::pageForEdit(uint32_t offset)
{
    requireWritable();
    return chunkFor(offset).bytes.get() + offset % kChunkBytes;
}

void IndexPageFile::pageEdited(uint32_t offset)
{
    writablePage(offset);
}

void IndexPageFile::writeChunk(uint32_t index)
{
    Chunk& chunk = *chunks_[index];
    if (!chunk.anyDirty)
        return;
    // Runs of changed pages go out in one write each.
    const uint64_t base = static_cast<uint64_t>(index) * kChunkBytes;
    uint32_t page = 0;
    while (page < kChunkPages) {
        auto isDirty = [&](uint32_t p) { return (chunk.dirty[p / 64] >> (p % 64) & 1) != 0; };
        if (!isDirty(page)) {
            ++page;
            continue;
        }
        uint32_t end = page + 1;
        while (end < kChunkPages && isDirty(end))
            ++end;
        file_.write(base + page * kIndexPageSize, chunk.bytes.get() + page * kIndexPageSize,
                    (end - page) * kIndexPageSize);
        diskSize_ = std::max<uint64_t>(diskSize_, base + end * kIndexPageSize);
        page = end;
    }
    std::fill(std::begin(chunk.dirty), std::end(chunk.dirty), 0);
    chunk.anyDirty = false;
}

void IndexPageFile::evictChunks(uint32_t keep)
{
    // Down to 7/8 of the limit; the chunk in use stays. Two rounds of the
    // clock clear every flag, so the sweep ends.
    const size_t target = rawLimit_ - rawLimit_ / 8;
    for (size_t steps = 0; rawBytes_ > target && steps < 2 * chunks_.size(); ++steps) {
        chunkHand_ = (chunkHand_ + 1) % chunks_.size();
        std::unique_ptr<Chunk>& chunk = chunks_[chunkHand_];
        if (!chunk || chunkHand_ == keep)
            continue;
        if (chunk->used) {
            chunk->used = false;
            continue;
        }
        writeChunk(static_cast<uint32_t>(chunkHand_));
        chunk.reset();
        rawBytes_ -= kChunkBytes;
    }
}

void IndexPageFile::readBytes(uint32_t offset, void* out, size_t size) const
{
    file_.readExact(offset, out, size);
}

void IndexPageFile::writeBytes(uint32_t offset, const void* data, size_t size)
{
    requireWritable();
    file_.write(offset, data, size);
    diskSize_ = std::max<uint64_t>(diskSize_, offset + size);
    // Keep a cached copy of these bytes current (header bytes are never
    // pending in the raw cache, so nothing there can overwrite them).
    for (size_t done = 0; done < size;) {
        const uint32_t at = offset + static_cast<uint32_t>(done);
        const size_t n = std::min<size_t>(size - done, kChunkBytes - at % kChunkBytes);
        if (at / kChunkBytes < chunks_.size() && chunks_[at / kChunkBytes])
            std::memcpy(chunks_[at / kChunkBytes]->bytes.get() + at % kChunkBytes,
                        static_cast<const uint8_t*>(data) + done, n);
        done += n;
    }
}

void IndexPageFile::writePages(uint32_t offset, const uint8_t* data, size_t count)
{
    requireWritable();
    file_.write(offset, data, count * kIndexPageSize);
    diskSize_ = std::max<uint64_t>(diskSize_, offset + count * kIndexPageSize);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t at = offset + static_cast<uint32_t>(i) * kIndexPageSize;
        const uint32_t index = at / kChunkBytes;
        if (index < chunks_.size() && chunks_[index]) {
            Chunk& chunk = *chunks_[index];
            std::memcpy(chunk.bytes.get() + at % kChunkBytes, data + i * kIndexPageSize, kIndexPageSize);
            const uint32_t page = (at % kChunkBytes) / kIndexPageSize;
            chunk.dirty[page / 64] &= ~(uint64_t{1} << (page % 64));
        }
    }
}

// --- headers and pointers --------------------------------------------------

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
    if (isTreePage(pointer))
        return;
    const std::string where = std::string(what) + " " + std::to_string(pointer) + " at offset " + std::to_string(from);
    if (pointer % kIndexPageSize != 0)
        corrupt(where + " is not on a page boundary");
    if (pointer < firstPage_ || pointer >= size_)
        corrupt(where + " is outside the file's pages");
    corrupt(where + " points into a header");
}

// --- decoded nodes ---------------------------------------------------------

void IndexPageFile::admit(IndexNode* node)
{
    node->accountedBytes = node->memoryBytes();
    cacheBytes_ += node->accountedBytes;
    node->used = true;
    node->residentIndex = static_cast<uint32_t>(resident_.size());
    resident_.push_back(node);
}

std::unique_ptr<IndexNode> IndexPageFile::newNode()
{
    if (spare_.empty())
        return std::make_unique<IndexNode>();
    std::unique_ptr<IndexNode> node = std::move(spare_.back());
    spare_.pop_back();
    return node;
}

IndexNode* IndexPageFile::node(uint32_t offset, const IndexLayout& layout)
{
    const uint32_t page = pageOf(offset);
    if (page < slots_.size() && slots_[page]) {
        IndexNode* cached = slots_[page].get();
        if (cached->layout.keyLength != layout.keyLength)
            corrupt("index page at offset " + std::to_string(offset) + " is used by two indexes");
        cached->used = true;
        return cached;
    }
    std::unique_ptr<IndexNode> fresh = newNode();
    fresh->decode(pageBytes(offset), offset, layout, path());
    fresh->dirty = false;
    IndexNode* result = fresh.get();
    if (page >= slots_.size())
        slots_.resize(page + 1);
    slots_[page] = std::move(fresh);
    admit(result);
    return result;
}

IndexNode* IndexPageFile::createNode(bool leaf, const IndexLayout& layout)
{
    const uint32_t offset = allocatePage();
    std::unique_ptr<IndexNode> fresh = newNode();
    fresh->reset(offset, leaf, layout);
    fresh->dirty = true;
    dirtyNodes_.push_back(pageOf(offset));
    IndexNode* result = fresh.get();
    slots_[pageOf(offset)] = std::move(fresh);
    admit(result);
    return result;
}

void IndexPageFile::markDirty(IndexNode* node)
{
    if (!node->dirty)
        dirtyNodes_.push_back(pageOf(node->offset));
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
    cacheBytes_ -= node->accountedBytes;
    IndexNode* last = resident_.back();
    resident_[node->residentIndex] = last;
    last->residentIndex = node->residentIndex;
    resident_.pop_back();
    if (spare_.size() < kSpareNodes)
        spare_.push_back(std::move(slots_[page]));
    else
        slots_[page].reset();
}

void IndexPageFile::freeNode(IndexNode* node)
{
    freePage(node->offset);
}

void IndexPageFile::encodeNode(IndexNode* node)
{
    node->encode(writablePage(node->offset));
    node->dirty = false;
}

void IndexPageFile::trim()
{
    if (cacheBytes_ <= cacheLimit_)
        return;
    // Evict a little below the limit so that trimming is not needed on every
    // call, yet few enough nodes that the spare pool takes them all.
    const size_t target = cacheLimit_ - cacheLimit_ / 64;
    bool evicted = false;
    for (size_t steps = 0; cacheBytes_ > target && !resident_.empty() && steps < 2 * resident_.size() + 2; ++steps) {
        if (nodeHand_ >= resident_.size())
            nodeHand_ = 0;
        IndexNode* node = resident_[nodeHand_];
        if (node->used) {
            node->used = false;
            ++nodeHand_;
            continue;
        }
        if (node->dirty)
            encodeNode(node);
        // The last resident node takes this place: the hand stays.
        dropSlot(pageOf(node->offset));
        evicted = true;
    }
    if (evicted)
        ++cacheEpoch_;
}

// --- allocation ------------------------------------------------------------

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
        from = at;
        at = getLe32(pageBytes(at));
    }
    free_.assign(chain.rbegin(), chain.rend());
    freeClean_ = free_.size();
    freeLoaded_ = true;
}

// --- writing ---------------------------------------------------------------

void IndexPageFile::flush()
{
    if (!file_.writable())
        return;
    for (uint32_t page : dirtyNodes_) {
        IndexNode* node = page < slots_.size() ? slots_[page].get() : nullptr;
        if (node != nullptr && node->dirty)
            encodeNode(node);
    }
    dirtyNodes_.clear();
    if (freeLoaded_) {
        for (size_t i = freeClean_; i < free_.size(); ++i) {
            uint8_t* bytes = writablePage(free_[i]);
            std::memset(bytes, 0, kIndexPageSize);
            putLe32(bytes, i == 0 ? 0 : free_[i - 1]);
        }
        freeClean_ = free_.size();
    }
    // In file order, so that the writes go forward.
    std::sort(dirtyChunks_.begin(), dirtyChunks_.end());
    for (uint32_t index : dirtyChunks_)
        if (index < chunks_.size() && chunks_[index])
            writeChunk(index);
    dirtyChunks_.clear();
    if (diskSize_ < size_) {
        file_.truncate(size_);
        diskSize_ = size_;
    }
}

void IndexPageFile::resetTo(uint32_t size)
{
    requireWritable();
    for (auto& slot : slots_)
        slot.reset();
    resident_.clear();
    dirtyNodes_.clear();
    dirtyChunks_.clear();
    nodeHand_ = 0;
    cacheBytes_ = 0;
    ++cacheEpoch_;
    chunks_.clear();
    chunkHand_ = 0;
    rawBytes_ = 0;
    free_.clear();
    freeClean_ = 0;
    freeLoaded_ = true;
    storedFreeHead_ = 0;
    file_.truncate(size);
    size_ = size;
    diskSize_ = size;
    headerPage_.assign(pageCount(), 0);
    slots_.clear();
    slots_.resize(pageCount());
}

}  // namespace xbase

#pragma once
// IndexPageFile: an index file (.CDX or .IDX) seen as 512-byte pages — the
// shared piece under CdxFile and IdxFile. It owns the open file, the list of
// free pages and two caches, each bounded in memory:
//  - raw pages, read 64 KB at a time, so that a page needed again is decoded
//    from memory rather than read with a system call each time;
//  - decoded pages (IndexNode), the ones in use.
// A changed node is encoded into the raw cache when evicted or flushed, and
// raw pages reach the file on flush() (or when their chunk is evicted): the
// file on disk is consistent only after flush().
//
// Header bytes (the first 1024 bytes, CDX tag headers) are registered with
// reserveHeader(); a tree page pointer that lands on them, outside the file
// or off a page boundary is refused with Error(Corrupt).
//
// Node pointers returned by node()/createNode() stay valid until the next
// trim() (or dropAll()); the owners call trim() only between operations, so
// one operation may hold several nodes at once. Internal to the index layer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xbase/File.h"
#include "xbase/IndexNode.h"

namespace xbase {

class IndexPageFile {
public:
    // `file` holds at least `firstPage` bytes; pages of trees start there.
    IndexPageFile(File file, uint32_t firstPage);
    ~IndexPageFile();
    IndexPageFile(const IndexPageFile&) = delete;
    IndexPageFile& operator=(const IndexPageFile&) = delete;

    const std::string& path() const { return file_.path(); }
    bool writable() const { return file_.writable(); }
    // Throws Error(InvalidArgument) when the file was opened read-only.
    void requireWritable() const;
    // Logical size: pages allocated but not yet written count.
    uint32_t size() const { return size_; }
    uint32_t pageCount() const { return size_ / kIndexPageSize; }

    // Raw bytes, for headers (written straight to the file).
    void readBytes(uint32_t offset, void* out, size_t size) const;
    void writeBytes(uint32_t offset, const void* data, size_t size);
    // The stored bytes of a page (pending changes included), valid until the
    // next call into this object. Requires: a checked page offset.
    const uint8_t* pageBytes(uint32_t offset);
    void reserveHeader(uint32_t offset, uint32_t bytes, bool reserved = true);
    bool isHeaderPage(uint32_t offset) const;

    // Whether `pointer` names a page a tree may use.
    bool isTreePage(uint32_t pointer) const
    {
        return pointer % kIndexPageSize == 0 && pointer >= firstPage_ && pointer < size_ && !isHeaderPage(pointer);
    }
    // Throws Error(Corrupt) unless `pointer`, read at file offset `from`,
    // names a page a tree may use.
    void checkPagePointer(uint32_t pointer, uint32_t from, const char* what) const;

    // Whether the page at `offset` is decoded in the cache.
    bool isDecoded(uint32_t offset) const
    {
        return offset / kIndexPageSize < slots_.size() && slots_[offset / kIndexPageSize] != nullptr;
    }
    // The raw page to change in place (requires: not decoded), and the
    // notice that it was changed.
    uint8_t* pageForEdit(uint32_t offset);
    void pageEdited(uint32_t offset);

    // The decoded page at `offset` (checked with checkPagePointer by the
    // caller), read and decoded on first use.
    IndexNode* node(uint32_t offset, const IndexLayout& layout);
    // A new empty node on a newly allocated page.
    IndexNode* createNode(bool leaf, const IndexLayout& layout);
    // Must follow every change to a node.
    void markDirty(IndexNode* node);
    // Gives the node's page back to the free list; the node is gone.
    void freeNode(IndexNode* node);

    // Page allocation. Pages come from the free list first, then the end.
    uint32_t allocatePage();
    // `bytes` contiguous bytes at the end of the file (tag headers).
    uint32_t allocateAtEnd(uint32_t bytes);
    void freePage(uint32_t offset);
    // Head of the free list as the header stores it (0 = empty), and the
    // head read from a header at open. The list itself is read on first use.
    uint32_t freeListHead() const;
    void setStoredFreeListHead(uint32_t head);
    // Every page on the free list (reads it if not yet read); throws
    // Error(Corrupt) on a bad pointer or a cycle.
    const std::vector<uint32_t>& freePages();

    // Writes finished pages straight to the file (bulk builds); count pages.
    void writePages(uint32_t offset, const uint8_t* data, size_t count);

    // Writes every changed node and the free list; extends the file to its
    // logical size.
    void flush();
    // Evicts nodes not used lately while over the memory limit.
    void trim();
    // Changes whenever trim() evicted a node: held node pointers are stale.
    uint64_t cacheEpoch() const { return cacheEpoch_; }
    // Memory both caches may hold between operations: a sixth for decoded
    // pages, the rest for raw ones.
    void setCacheLimit(size_t bytes);
    size_t cacheBytes() const { return cacheBytes_ + rawBytes_; }
    // Forgets every node and the free list without writing and cuts the file
    // to `size` bytes (a rebuild from scratch).
    void resetTo(uint32_t size);

private:
    // 128 pages read and kept together.
    static constexpr uint32_t kChunkPages = 128;
    static constexpr uint32_t kChunkBytes = kChunkPages * kIndexPageSize;
    struct Chunk {
        std::unique_ptr<uint8_t[]> bytes;
        uint64_t dirty[kChunkPages / 64] = {};
        bool anyDirty = false;
        bool used = true;  // since the eviction sweep last passed
    };

    Chunk& chunkFor(uint32_t offset);
    uint8_t* writablePage(uint32_t offset);  // marks the page changed
    void writeChunk(uint32_t index);
    void evictChunks(uint32_t keep);
    void loadFreeList();
    void dropSlot(uint32_t page);
    void admit(IndexNode* node);
    void encodeNode(IndexNode* node);
    std::unique_ptr<IndexNode> newNode();
    void growTo(uint32_t size);
    [[noreturn]] void corrupt(const std::string& what) const;

    File file_;
    uint32_t firstPage_;
    uint32_t size_ = 0;
    uint64_t diskSize_ = 0;  // the file's size on disk, as far as we wrote it
    std::vector<uint8_t> headerPage_;               // per page: 1 = header bytes
    // Both caches evict by the clock: a sweep over the slots skips (and
    // clears) what was used since it last passed and evicts the rest. No
    // bookkeeping on a hit but setting a flag.
    std::vector<std::unique_ptr<IndexNode>> slots_;  // per page: the cached node
    std::vector<IndexNode*> resident_;               // the cached nodes, densely, for the sweep
    size_t nodeHand_ = 0;
    // Pages of nodes and chunks changed since the last flush (may name some
    // evicted since): flush() costs what changed, not what is cached.
    std::vector<uint32_t> dirtyNodes_;
    std::vector<uint32_t> dirtyChunks_;
    size_t cacheBytes_ = 0;
    size_t cacheLimit_ = size_t{32} << 20;
    uint64_t cacheEpoch_ = 0;
    std::vector<std::unique_ptr<IndexNode>> spare_;  // evicted nodes kept for reuse

    std::vector<std::unique_ptr<Chunk>> chunks_;  // per chunk of the file
    size_t rawBytes_ = 0;
    size_t rawLimit_ = size_t{176} << 20;
    size_t chunkHand_ = 0;

    // Free list: back() is the head. Pages from index freeClean_ on have
    // links not yet written.
    bool freeLoaded_ = false;
    uint32_t storedFreeHead_ = 0;
    std::vector<uint32_t> free_;
    size_t freeClean_ = 0;
};

}  // namespace xbase

#pragma once
// IndexPageFile: an index file (.CDX or .IDX) seen as 512-byte pages — the
// shared piece under CdxFile and IdxFile. It owns the open file, the list of
// free pages, and a cache of decoded pages (IndexNode) bounded in memory:
// changed pages are written when the cache evicts them and on flush(), not on
// every change, so the file on disk is consistent only after flush().
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

    // Raw bytes, for headers.
    void readBytes(uint32_t offset, void* out, size_t size) const;
    void writeBytes(uint32_t offset, const void* data, size_t size);
    void reserveHeader(uint32_t offset, uint32_t bytes, bool reserved = true);
    bool isHeaderPage(uint32_t offset) const;

    // Throws Error(Corrupt) unless `pointer`, read at file offset `from`,
    // names a page a tree may use.
    void checkPagePointer(uint32_t pointer, uint32_t from, const char* what) const;

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
    // Evicts least recently used nodes while over the memory limit.
    void trim();
    // Changes whenever trim() evicted a node: held node pointers are stale.
    uint64_t cacheEpoch() const { return cacheEpoch_; }
    void setCacheLimit(size_t bytes) { cacheLimit_ = bytes; }
    size_t cacheBytes() const { return cacheBytes_; }
    // Forgets every node and the free list without writing and cuts the file
    // to `size` bytes (a rebuild from scratch).
    void resetTo(uint32_t size);

private:
    void loadFreeList();
    void touch(IndexNode* node);
    void unlinkLru(IndexNode* node);
    void dropSlot(uint32_t page);
    void writeNode(IndexNode* node);
    void growTo(uint32_t size);
    [[noreturn]] void corrupt(const std::string& what) const;

    File file_;
    uint32_t firstPage_;
    uint32_t size_ = 0;
    std::vector<uint8_t> headerPage_;               // per page: 1 = header bytes
    std::vector<std::unique_ptr<IndexNode>> slots_;  // per page: the cached node
    IndexNode* lruHead_ = nullptr;                   // most recently used
    IndexNode* lruTail_ = nullptr;
    size_t cacheBytes_ = 0;
    size_t cacheLimit_ = size_t{64} << 20;
    uint64_t cacheEpoch_ = 0;

    // Free list: back() is the head. Pages from index freeClean_ on have
    // links not yet written.
    bool freeLoaded_ = false;
    uint32_t storedFreeHead_ = 0;
    std::vector<uint32_t> free_;
    size_t freeClean_ = 0;
};

}  // namespace xbase

#pragma once
// IdxFile: a compact single-order index file (.IDX) — one order of
// (key, record number) entries in FoxPro's compact format: the nodes of a
// CDX tag under one 1024-byte header (FORMAT.md, "CDX and IDX"). File layer
// only: the caller evaluates keys (exactly keyLength bytes) and decides
// which records enter.
//
// The key type is not stored in the file: after open() it is 0 until
// setKeyType. Changes are kept in a page cache and written by flush() (the
// destructor flushes but cannot report: call flush() first). A damaged file
// throws Error(Corrupt) naming the file and offset.
//
// Not thread-safe. Cursors must not outlive their IdxFile.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/IndexCursor.h"
#include "xbase/IndexEntrySource.h"
#include "xbase/IndexTagInfo.h"
#include "xbase/IndexVerifyReport.h"

namespace xbase {

class IndexHeader;
class IndexPageFile;
class IndexTree;

class IdxFile {
public:
    // Creates (or truncates) an empty index. info.name is ignored (an IDX
    // is named by its file); keyLength 1..240, keyType 'C', 'N', 'D' or 'L'
    // and a key expression are required. Throws Error(InvalidArgument, Io).
    static std::unique_ptr<IdxFile> create(const std::string& path, const IndexTagInfo& info);
    static std::unique_ptr<IdxFile> create(const std::string& path, const std::string& keyExpression, int keyLength,
                                           char keyType);
    // Opens and checks the header. Throws Error(Io, Corrupt); a compound
    // index gives Error(NotSupported).
    static std::unique_ptr<IdxFile> open(const std::string& path, bool writable);
    ~IdxFile();
    IdxFile(const IdxFile&) = delete;
    IdxFile& operator=(const IdxFile&) = delete;

    const std::string& path() const;
    // name: the file name without folder and extension.
    const IndexTagInfo& info() const { return info_; }
    // Tells the key type of an opened file; once known it cannot change.
    void setKeyType(char keyType);

    // Adds (key, recno); false when it is already there (or, for a unique
    // index, when the key is there for another record).
    // Requires: key.size() == keyLength, recno >= 1, the key type known.
    bool insert(std::string_view key, uint32_t recno);
    // Removes (key, recno); false when it is not there.
    bool remove(std::string_view key, uint32_t recno);
    // Replaces every entry by those of `entries` (any order).
    void rebuild(IndexEntrySource& entries, const std::function<void(int)>& progress = {});
    // Removes every entry; the file shrinks to header and root.
    void clear();
    void flush();

    // Requires: the key type known.
    std::unique_ptr<IndexCursor> cursor();

    // Memory the page caches may hold between operations: a sixth for
    // decoded pages, the rest for raw pages (default 32 + 176 MB). A file
    // larger than the raw share is read again in parts as it is used.
    void setCacheLimit(size_t bytes);
    // Flushes, then checks the tree and the free list; throws Error(Corrupt).
    IndexVerifyReport verify();

private:
    IdxFile();
    void requireKeyType() const;
    void restart(uint32_t root);

    bool ready_ = false;  // fully opened or created
    std::unique_ptr<IndexPageFile> file_;
    std::unique_ptr<IndexHeader> header_;
    std::shared_ptr<IndexTree> tree_;
    IndexTagInfo info_;
    uint32_t writtenRoot_ = 0;
    uint32_t writtenFreeHead_ = 0;
};

}  // namespace xbase

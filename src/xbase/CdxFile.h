#pragma once
// CdxFile: a compact compound index file (.CDX) — named tags, each an order
// of (key, record number) entries, in FoxPro's format (FORMAT.md, "CDX and
// IDX"). This is the file layer only: callers hand over keys as bytes
// (evaluated from the key expression, exactly keyLength bytes, padded with
// blanks for character keys) and record numbers; the table decides which
// records enter a tag (FOR condition, unique) and which are visible.
//
// Tags are numbered 0..tagCount()-1 in creation order (the order of their
// headers in the file); the table's tag ordinals 1..n are these plus one.
// A tag read from a file has keyType 0 until setKeyType: the file does not
// record it, and keys cannot be read right without it.
//
// Changes are kept in a page cache and written by flush() (the destructor
// flushes too but cannot report a failure: call flush() first). Every
// pointer, count and length read from the file is checked; a damaged file
// throws Error(Corrupt) naming the file and offset.
//
// Not thread-safe. Cursors must not outlive their CdxFile.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/IndexCursor.h"
#include "xbase/IndexEntrySource.h"
#include "xbase/IndexTagInfo.h"
#include "xbase/IndexVerifyReport.h"

namespace xbase {

struct IndexBuildScratch;
class IndexHeader;
class IndexPageFile;
class IndexTree;

class CdxFile {
public:
    // Opens and checks the header and tag directory. Throws Error(Io) when
    // the file cannot be opened, Error(Corrupt) when it is not a sound CDX.
    static std::unique_ptr<CdxFile> open(const std::string& path, bool writable);
    // Creates (or truncates) `path` as a compound index without tags.
    static std::unique_ptr<CdxFile> create(const std::string& path);
    ~CdxFile();
    CdxFile(const CdxFile&) = delete;
    CdxFile& operator=(const CdxFile&) = delete;

    const std::string& path() const;
    bool writable() const;

    int tagCount() const;
    // Requires: 0 <= tag < tagCount().
    const IndexTagInfo& tagInfo(int tag) const;
    // The tag of this name, any letter case; -1 when there is none.
    int findTag(std::string_view name) const;
    // Tells the key type ('C', 'N', 'D', 'L') of a tag read from the file.
    // Once known, a type cannot change. Throws Error(InvalidArgument).
    void setKeyType(int tag, char keyType);

    // Builds a new tag from all its entries (see IndexEntrySource; any
    // order). A tag of the same name is replaced. progress gets 0..100.
    // Building tags one after another reuses the sorting memory, which the
    // next insert, remove or cursor() gives back.
    // Requires: info has a valid name (1 to 10 letters, digits, '_', not
    // starting with a digit), keyLength 1..240, keyType set, a key
    // expression; the file writable. Throws Error(InvalidArgument). When the
    // source throws, nothing of the new tag remains.
    void addTag(const IndexTagInfo& info, IndexEntrySource& entries,
                const std::function<void(int)>& progress = {});
    // Removes a tag; its pages become free. Its cursors become unusable and
    // later tags move down one number.
    void removeTag(int tag);

    // Adds (key, recno) to a tag; false when it is already there, or when
    // the tag is unique and holds the key for another record.
    // Requires: key.size() == keyLength, recno >= 1, the key type known.
    bool insert(int tag, std::string_view key, uint32_t recno);
    // Removes (key, recno) from a tag; false when it is not there.
    bool remove(int tag, std::string_view key, uint32_t recno);
    // Empties every tag (after a zap); tags and their expressions stay. The
    // file shrinks to its headers.
    void clear();
    // Writes every change. Throws Error(Io).
    void flush();

    // A cursor over a tag in its order (descending tags walk down).
    // Requires: the key type known.
    std::unique_ptr<IndexCursor> cursor(int tag);

    // Memory the page caches may hold between operations: a sixth for
    // decoded pages, the rest for raw pages (default 32 + 176 MB). A file
    // larger than the raw share is read again in parts as it is used.
    void setCacheLimit(size_t bytes);
    // Flushes, then checks every tree, the free list and that no page is
    // used twice; throws Error(Corrupt) naming the first fault.
    IndexVerifyReport verify();

private:
    struct Tag;
    CdxFile();
    Tag& tagAt(int tag);
    const Tag& tagAt(int tag) const;
    Tag& usableTag(int tag);
    void readDirectory();
    std::string directoryKey(const std::string& name) const;

    bool ready_ = false;  // fully opened or created
    std::unique_ptr<IndexPageFile> file_;
    std::unique_ptr<IndexHeader> directoryHeader_;
    std::shared_ptr<IndexTree> directory_;
    uint32_t writtenDirectoryRoot_ = 0;
    uint32_t writtenFreeHead_ = 0;
    std::vector<Tag> tags_;
    // Kept from one addTag to the next; freed by the first insert, remove or cursor.
    std::unique_ptr<IndexBuildScratch> scratch_;
};

}  // namespace xbase

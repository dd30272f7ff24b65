#pragma once
// MemoFile: the memo file beside a DBF — FoxPro FPT (read and written) or
// dBase III/IV DBT (read). A memo is addressed by the block number stored in
// its record; block 0 means "no memo". See FORMAT.md.
//
// Every block number and length read from the file is checked against the
// file size before use.
#include <cstdint>
#include <string>

#include "xbase/File.h"

namespace xbase {

enum class MemoKind { Fpt, Dbt3, Dbt4 };

class MemoFile {
public:
    static constexpr uint32_t kDefaultBlockSize = 64;

    MemoFile(const std::string& path, MemoKind kind, bool writable);
    // A new, empty FPT file.
    static MemoFile createFpt(const std::string& path, uint32_t blockSize = kDefaultBlockSize);

    MemoKind kind() const { return kind_; }
    uint32_t blockSize() const { return blockSize_; }
    const std::string& path() const { return file_.path(); }
    File& file() { return file_; }

    // Replaces out with the text of the memo at block (at most maxLength bytes).
    void read(uint32_t block, std::string& out, size_t maxLength = SIZE_MAX) const;
    // Writes text as the new value of the memo that was at oldBlock (0: none)
    // and returns its block: the old blocks are reused when the text fits in
    // them, else the text goes to the end of the file. Empty text returns 0.
    // Requires: an FPT opened writable.
    uint32_t write(uint32_t oldBlock, std::string_view text);
    // While deferred, the header's next-free pointer is written when
    // deferral ends rather than after every new memo.
    void deferHeader(bool defer);
    // Empties the file (all memos gone).
    void clear();
    void sync() { file_.sync(); }
    void close() { file_.close(); }

private:
    MemoFile(File file, MemoKind kind);
    void readHeader();
    uint64_t blockOffset(uint32_t block) const;
    uint32_t blocksFor(size_t textLength) const;
    uint32_t blocksUsedAt(uint32_t block) const;
    void setNextFree(uint32_t block);

    File file_;
    MemoKind kind_;
    uint32_t blockSize_ = 512;
    uint32_t nextFree_ = 0;
    uint32_t firstBlock_ = 1;  // blocks before this one hold the header
    bool deferHeader_ = false;
    bool headerDirty_ = false;
};

}  // namespace xbase

#pragma once
// DbfFile: the DBF file itself — header, field descriptors and fixed-length
// records, read through a window of cached records. It knows nothing of
// memos, indexes or cursors (Table puts those together). See FORMAT.md.
//
// Opening checks every length, offset and count in the header against the
// file before anything is trusted.
#include <cstdint>
#include <string>
#include <vector>

#include "xbase/Field.h"
#include "xbase/File.h"

namespace xbase {

enum class DbfFlavor { DBase3, DBase4, FoxPro, VisualFoxPro };

// A field as the caller asks for it when creating a table.
struct FieldSpec {
    std::string name;
    char type = FieldType::Character;
    int length = 0;
    int decimals = 0;
};

class DbfFile {
public:
    static constexpr char kDeletedMark = '*';
    static constexpr char kLiveMark = ' ';

    DbfFile() = default;
    DbfFile(const std::string& path, bool writable);
    // Writes a new, empty table: FoxPro 2 (0xF5) when a field is a memo,
    // dBase III (0x03) otherwise; code page Windows-1252.
    static void create(const std::string& path, const std::vector<FieldSpec>& specs);
    // Writes a new, empty table with the header and fields of `model`.
    static void createLike(const std::string& path, const DbfFile& model);

    const std::string& path() const { return file_.path(); }
    File& file() { return file_; }
    const std::vector<Field>& fields() const { return fields_; }
    uint8_t version() const { return version_; }
    DbfFlavor flavor() const { return flavor_; }
    bool hasMemoFields() const;
    uint32_t recordCount() const { return recordCount_; }
    uint32_t recordLength() const { return recordLength_; }
    uint32_t headerLength() const { return headerLength_; }
    int nullFlagsField() const { return nullFlagsField_; }

    // The bytes of record recno (1..recordCount), delete flag first. The
    // pointer stays valid until the next call on this object.
    const char* record(uint32_t recno) const;
    // Whether record recno (1..recordCount) carries the delete mark. Every
    // window read remembers the marks it saw, so an index order can skip
    // hidden records without reading them again; an unknown mark reads the
    // large window around it.
    bool isDeleted(uint32_t recno) const;
    void writeRecord(uint32_t recno, const char* data);
    // Writes data as record recordCount()+1 and counts it.
    void appendRecord(const char* data);
    // While deferred, appended records are gathered and written in large
    // blocks, and the header's record count when deferral ends.
    void deferCount(bool defer);
    // Drops every record after `count`.
    void truncateRecords(uint32_t count);
    // Sets or clears the header flag that says a production CDX exists.
    void setProductionIndexFlag(bool present);
    // A record of blanks (the value of a new record).
    const std::string& blankRecord() const;
    void sync() { file_.sync(); }
    void close() { file_.close(); }

private:
    void readHeader();
    void readFields(const std::vector<unsigned char>& header);
    void writeCount();
    void requireRecord(uint32_t recno) const;
    bool inWindow(uint32_t recno) const
    {
        return windowFirst_ != 0 && recno >= windowFirst_ && recno < windowFirst_ + windowCount_;
    }
    uint64_t recordOffset(uint32_t recno) const { return headerLength_ + uint64_t(recno - 1) * recordLength_; }

    mutable File file_;
    uint8_t version_ = 0;
    DbfFlavor flavor_ = DbfFlavor::DBase3;
    uint32_t recordCount_ = 0;
    uint32_t headerLength_ = 0;
    uint32_t recordLength_ = 0;
    std::vector<Field> fields_;
    int nullFlagsField_ = -1;

    // A window of consecutive records read in one go.
    mutable std::vector<char> window_;
    mutable uint32_t windowFirst_ = 0;  // record number of window_[0]; 0 = empty
    mutable uint32_t windowCount_ = 0;
    std::vector<char> appendBuffer_;
    mutable std::string blank_;       // blankRecord(), made once
    void writePending() const;
    const char* readWindow(uint32_t first, uint32_t count, uint32_t recno) const;

    // The delete marks seen so far: bit r-1 of marksKnown_ says whether
    // record r's mark is in marksDeleted_. One bit a record in each.
    mutable std::vector<uint64_t> marksKnown_;
    mutable std::vector<uint64_t> marksDeleted_;
    void rememberMark(uint32_t recno, char mark) const;

    bool deferCount_ = false;
    bool countDirty_ = false;
    mutable std::vector<char> pending_;  // appended records not yet written
    mutable uint32_t pendingFirst_ = 0;  // record number of pending_[0]
    unsigned char dateStamp_[3] = {}; // the last-update date this session writes
};

}  // namespace xbase

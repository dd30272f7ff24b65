#pragma once
// RecordView: a RecordSource over raw record bytes that the caller points at
// — a record of a DbfFile's window during a scan (query counts, index
// builds, pack). Memo fields read through the given memo file.
//
// Requires: the fields, the memo file and the record outlive their use here.
#include "xbase/DbfFile.h"
#include "xbase/MemoFile.h"
#include "xbase/RecordSource.h"

namespace xbase {

class RecordView final : public RecordSource {
public:
    RecordView(const DbfFile& dbf, const MemoFile* memo) : dbf_(dbf), memo_(memo) {}

    void point(const char* record, uint32_t recno)
    {
        record_ = record;
        recno_ = recno;
    }
    void setExact(bool exact) { exact_ = exact; }

    const std::vector<Field>& fields() const override { return dbf_.fields(); }
    int fieldIndex(std::string_view name) const override;
    std::string_view fieldBytes(int index) const override;
    bool fieldIsNull(int index) const override;
    void memoText(int index, std::string& out) const override;
    uint32_t recordNumber() const override { return recno_; }
    bool isDeleted() const override { return record_[0] == DbfFile::kDeletedMark; }
    bool exactCompare() const override { return exact_; }

    // The memo block a record's memo field points at (0: none). Throws
    // Error(Corrupt) for a pointer that is not a number.
    static uint32_t memoBlock(const DbfFile& dbf, const char* record, const Field& field, uint32_t recno);
    // Whether the _NullFlags bit of field is set in record.
    static bool isNull(const DbfFile& dbf, const char* record, const Field& field);
    // Field index by name, any letter case, or -1.
    static int findField(const std::vector<Field>& fields, std::string_view name);

private:
    const DbfFile& dbf_;
    const MemoFile* memo_;
    const char* record_ = nullptr;
    uint32_t recno_ = 0;
    bool exact_ = false;
};

}  // namespace xbase

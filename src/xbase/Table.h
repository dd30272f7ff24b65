#pragma once
// Table: an open DBF table with its memo file — the engine's public face.
// It owns the files, a record buffer for the current record, a cursor that
// walks the current order (natural order by default) under the query and the
// deleted-visibility switch, and the edit state (browse / edit / append).
//
// Record numbers run 1..N. With no current record (end of file) recno() is
// N+1 and every field reads empty. bof() is set when prior() runs off the
// start, eof() when next() runs off the end; an empty view sets both.
//
// Failures throw xbase::Error; ends and misses are return values. One table
// object per open file; not thread-safe.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/DbfFile.h"
#include "xbase/Expression.h"
#include "xbase/IndexSet.h"
#include "xbase/MemoFile.h"
#include "xbase/Order.h"
#include "xbase/RecordSource.h"

namespace xbase {

enum class OpenMode {
    Exclusive,  // read-write; no other open of the file, in this process or another
    ReadOnly,   // shared with other read-only opens
};

enum class EditState { Browse, Edit, Append };

using ProgressFn = std::function<void(int percent)>;

class Table final : public RecordSource {
public:
    // Opens path (the DBF) and its memo file, found regardless of letter case.
    // Finishes a pack that was interrupted after it had committed.
    static std::unique_ptr<Table> open(const std::string& path, OpenMode mode = OpenMode::Exclusive);
    // Creates an empty table and its memo file (when a field is a memo); leaves it closed.
    static void create(const std::string& path, const std::vector<FieldSpec>& fields);

    ~Table() override;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& path() const { return dbf_.path(); }
    bool readOnly() const { return mode_ == OpenMode::ReadOnly; }
    const DbfFile& dbf() const { return dbf_; }
    const MemoFile* memoFile() const { return memo_ ? &*memo_ : nullptr; }

    // --- RecordSource: fields and the current record ----------------------
    const std::vector<Field>& fields() const override { return dbf_.fields(); }
    int fieldIndex(std::string_view name) const override;
    std::string_view fieldBytes(int index) const override;
    bool fieldIsNull(int index) const override;
    void memoText(int index, std::string& out) const override;
    uint32_t recordNumber() const override { return recno_; }
    bool isDeleted() const override { return record()[0] == DbfFile::kDeletedMark; }
    bool exactCompare() const override { return exact_; }

    // --- Cursor -------------------------------------------------------------
    uint32_t recordCount() const { return dbf_.recordCount(); }
    uint32_t recno() const { return recno_; }
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    // Each returns true when it lands on a visible record.
    bool first();
    bool last();
    bool next();
    bool prior();
    bool skip(int64_t count);
    // Goes to record n in the current order. A record hidden by the query or
    // the delete mark is not stayed on: the cursor moves on to the next
    // visible one. Returns true when it is on record n.
    bool go(uint32_t n);
    // Reads the current record again from the file.
    void refresh();

    bool showDeleted() const { return showDeleted_; }
    void setShowDeleted(bool show) { showDeleted_ = show; }
    bool exact() const { return exact_; }
    void setExact(bool exact) { exact_ = exact; }

    // --- Values of the current record ---------------------------------------
    // Character fields without trailing blanks; numbers as their trimmed
    // text; logicals "T"/"F"; dates YYYYMMDD or empty; memos their text.
    std::string getString(int index) const;
    double getNumber(int index) const;
    bool getLogical(int index) const;
    std::string memo(int index, size_t maxLength = SIZE_MAX) const;
    bool memoEmpty(int index) const;
    bool deleted() const { return record()[0] == DbfFile::kDeletedMark; }

    // --- Editing ------------------------------------------------------------
    EditState state() const { return state_; }
    // Starts a new blank record (written by post, dropped by cancel).
    void append();
    // Starts editing the current record. Requires: on a record, Browse state.
    void edit();
    // Requires: Edit or Append state. Throws InvalidArgument when the value
    // does not fit the field (never cut or altered silently).
    void setString(int index, std::string_view value);
    void setNumber(int index, double value);
    void setLogical(int index, bool value);
    void setMemo(int index, std::string_view text);
    void post();
    void cancel();
    // Delete mark and recall of the current record (written at once).
    void deleteRecord();
    void recall();

    // --- Queries ------------------------------------------------------------
    // Compiles a logical expression against this table; throws
    // InvalidArgument naming the fault.
    Expression compileLogical(std::string_view text) const;
    // Sets the query (empty removes it). Navigation then visits only records
    // for which it is true.
    void setQuery(std::string_view text);
    const std::string& query() const { return queryText_; }
    // The number of records the cursor can visit (query and delete mark).
    uint32_t queryCount();
    // Evaluates a logical expression on the current record.
    bool evalLogical(std::string_view text);

    // --- Indexes --------------------------------------------------------------
    // Orders are numbered 1..tagCount(): the tags of the production index
    // (the CDX of the table's base name, opened with the table), then any
    // standalone indexes. Order 0 is record order.
    int tagCount() const { return indexes_.count(); }
    // The ordinal of a tag (any letter case), or 0 when there is none.
    int tagOrdinal(std::string_view name) const { return indexes_.ordinalOf(name); }
    const IndexTagInfo& tagInfo(int ordinal) const { return indexes_.info(ordinal); }
    // Why the production index could not be opened (it is then closed and
    // the table has no tags); empty when it is sound or absent.
    const std::string& indexProblem() const { return indexes_.problem(); }
    // Sets the current order; the current record stays current.
    void setOrder(int ordinal);
    // By tag name; throws InvalidArgument when there is no such tag.
    void setOrder(std::string_view tagName);
    int order() const { return orderOrdinal_; }
    // The file that holds an order ("" for order 0).
    std::string indexFileName(int ordinal) const { return indexes_.fileOf(ordinal); }
    // Closes every index (the files may then be deleted); order becomes 0.
    void closeIndexes();
    // Opens the production index again after closeIndexes().
    void reopenIndexes();
    // Builds a tag over all records in the production index (created when
    // missing), makes it the current order and returns its ordinal (> 0).
    // A tag of the same name is replaced. Throws when it cannot be built.
    int createTag(const std::string& name, const std::string& keyExpression, const std::string& forExpression = {});
    // Creates an empty standalone index (.IDX) at path; returns its ordinal.
    int createStandaloneIndex(const std::string& path, const std::string& keyExpression);
    // Puts the current record's key into an order (once, however often called).
    void addKey(int ordinal);
    // Closes a standalone index (the file may then be deleted).
    void closeStandaloneIndex(int ordinal);
    // Seeks a key in the current order. With exact off the key matches the
    // start of index keys, with exact on the whole (blank-padded) key. Lands
    // on the first visible matching record and returns true; otherwise
    // returns false, staying on the next greater visible key when soft seek
    // is on, else at the end.
    bool seek(std::string_view key);
    bool softSeek() const { return softSeek_; }
    void setSoftSeek(bool soft) { softSeek_ = soft; }
    // Checks every order against the records; one line per fault.
    std::vector<std::string> checkIndexes();

    // --- Whole-table operations -----------------------------------------------
    // Bulk appends (imports): while on, an append leaves the header's record
    // count and the memo file's free pointer to be written when it is turned
    // off (or the table closes), saving two writes a record. A crash while it
    // is on loses the records appended since it was turned on; what was
    // there before stays intact.
    void setBulkAppend(bool on);
    // Writes the index changes still held in memory. A change that follows
    // a write within a quarter second is held, and written with a later
    // change, by flush() or when the table closes; a crash before then leaves
    // the production index marked for a rebuild, never silently behind.
    void flush();
    void setProgress(ProgressFn progress) { progress_ = std::move(progress); }
    // Removes the delete-marked records and rebuilds the production index.
    // New files are written beside the old ones and renamed into place, so a
    // crash leaves either table complete. Standalone indexes are closed.
    void pack();
    // Removes every record and memo.
    void zap();
    // Creates an empty table with the same fields at path.
    void copyStructure(const std::string& path) const;
    void close();

private:
    Table(const std::string& path, OpenMode mode);
    class NaturalOrder;

    void requireBrowse(const char* what) const;
    void requireEditing() const;
    void requireWritable(const char* what) const;
    void place(uint32_t recno);
    void reload();
    const char* record() const;
    void setEof();
    bool visible();
    bool seekVisible(bool forward);
    uint32_t memoBlock(const char* record, const Field& field, uint32_t recno) const;
    static void setMemoBlock(char* record, const Field& field, uint32_t block);
    void writePacked(const std::string& newDbfPath, const std::string& newMemoPath, int progressEnd);
    bool rebuildPackedIndex(const std::string& newDbfPath, const std::string& newMemoPath, const std::string& newCdxPath);
    void commitPacked(const std::string& newDbfPath, const std::string& newMemoPath, const std::string& newCdxPath);
    void updateIndexes(const IndexSet::Keys& before);
    const std::string* pendingMemo(int index) const;
    char* fieldPtr(int index);
    const Field& field(int index) const;
    void writeField(int index, std::string_view bytes);
    void reportProgress(int percent) const;
    void registerOpen();
    void unregisterOpen();

    OpenMode mode_;
    DbfFile dbf_;
    std::optional<MemoFile> memo_;
    FileIdentity identity_;
    bool registered_ = false;

    // The current record's bytes, read from the file when first asked for:
    // moving through an order reads only the delete marks.
    mutable std::string current_;
    mutable bool loaded_ = true;
    uint32_t recno_ = 1;
    bool bof_ = true;
    bool eof_ = true;

    EditState state_ = EditState::Browse;
    std::string original_;                    // the record before edit, for cancel
    uint32_t recnoBeforeAppend_ = 0;
    std::map<int, std::string> pendingMemos_;  // memo texts written at post

    bool showDeleted_ = false;
    bool exact_ = false;
    std::string queryText_;
    Expression query_;

    IndexSet indexes_;
    std::unique_ptr<Order> natural_;
    std::unique_ptr<IndexOrder> indexOrder_;  // the current order when it is an index
    Order* order_ = nullptr;                  // the current order
    int orderOrdinal_ = 0;
    bool orderPositioned_ = false;
    bool softSeek_ = false;

    ProgressFn progress_;
    mutable std::string scratch_;
};

}  // namespace xbase

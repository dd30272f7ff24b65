#pragma once
// IndexSet: the open indexes of one table — its production compound index
// (the CDX of the same base name, opened with the table) and any standalone
// single-order indexes (IDX) — each with its key and FOR expressions
// compiled against the table. Orders are numbered 1..count(): the CDX tags
// in their stored order, then the IDX files in the order they were opened.
//
// The set keeps every open index up to date as records are added and
// changed, builds new tags over all records, and makes the Order a cursor
// walks. It evaluates keys on whatever RecordSource it is given; it never
// moves the table's cursor.
//
// Changes live in the index files' page caches until they are written:
// commit() writes them unless the last write was very recent, so that a
// burst of changes is written once instead of page by page for every
// record. While changes are unwritten a marker file (the CDX's name plus
// ".pending") exists; a table opened after a crash that left one has its
// production index reported as a problem, to be rebuilt from the records.
//
// Requires: the table (the schema given at construction) outlives the set.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/CdxFile.h"
#include "xbase/DbfFile.h"
#include "xbase/Expression.h"
#include "xbase/IdxFile.h"
#include "xbase/IndexTagInfo.h"
#include "xbase/MemoFile.h"
#include "xbase/Order.h"
#include "xbase/RecordSource.h"

namespace xbase {

class IndexOrder;

class IndexSet {
public:
    explicit IndexSet(const RecordSource& schema);
    ~IndexSet();

    // Opens the production CDX of the table at dbfPath when there is one. A
    // damaged index is left closed and described by problem().
    void openProduction(const std::string& dbfPath, bool writable);
    // Why the production index could not be opened; empty when it could.
    const std::string& problem() const { return problem_; }

    int count() const { return static_cast<int>(orders_.size()); }
    // Requires: 1 <= ordinal <= count().
    const IndexTagInfo& info(int ordinal) const;
    // The ordinal of the order of this name (any letter case); 0 when absent.
    int ordinalOf(std::string_view name) const;
    // The file holding an order; empty for 0.
    std::string fileOf(int ordinal) const;
    // Flushes and closes every index.
    void closeAll();

    // Builds a tag of the production CDX (created when missing) over every
    // record of dbf; returns its ordinal. Throws on any failure.
    int createTag(const std::string& dbfPath, const std::string& name, const std::string& keyExpression,
                  const std::string& forExpression, const DbfFile& dbf, const MemoFile* memo,
                  const std::function<void(int)>& progress);
    // Creates an empty standalone index for a key expression; returns its ordinal.
    int createStandalone(const std::string& path, const std::string& keyExpression);
    // Flushes and closes a standalone index; later ordinals move down one.
    void closeStandalone(int ordinal);
    // Adds the key of `record` to an order (no duplicate when already there).
    void addKey(int ordinal, const RecordSource& record, uint32_t recno);

    // The keys of every order for a record (empty optional: the record does
    // not enter that order), taken before the record changes.
    using Keys = std::vector<std::optional<std::string>>;
    Keys keysOf(const RecordSource& record);
    void added(const RecordSource& record, uint32_t recno);
    // Moves the record's entries whose key or FOR result changed.
    void changed(const Keys& before, const RecordSource& after, uint32_t recno);
    // Every order becomes empty (after a zap).
    void cleared();
    // Puts the marker down before the first change after a write. Callers
    // call it before they change the records, so that a failure to write
    // the marker stops the change.
    void beginChange();
    // Writes the changes now, or soon when the last write was a moment ago.
    void commit();
    // Writes every change now.
    void flush();

    // Writes a new production CDX at newPath with the tags of the current one,
    // built over dbf (a packed copy of the table). False when there is none.
    bool rebuildProductionInto(const std::string& newPath, const DbfFile& dbf, const MemoFile* memo,
                               const std::function<void(int)>& progress);
    bool hasProduction() const { return cdx_ != nullptr; }
    const std::string& productionPath() const;

    // A cursor order over `ordinal` reading the current record from `current`.
    std::unique_ptr<IndexOrder> makeOrder(int ordinal, const RecordSource& current);

    // Walks every order against the records of dbf; returns one line per
    // fault found (empty: all sound).
    std::vector<std::string> check(const DbfFile& dbf, const MemoFile* memo);

private:
    struct Entry;
    Entry& entry(int ordinal);
    const Entry& entry(int ordinal) const;
    void compile(Entry& e);
    bool enters(Entry& e, const RecordSource& record);
    std::string_view keyOf(Entry& e, const RecordSource& record);
    void loadProductionTags();

    const RecordSource& schema_;
    std::unique_ptr<CdxFile> cdx_;
    std::string problem_;
    std::vector<std::unique_ptr<Entry>> orders_;
    bool unwritten_ = false;      // changes made since the last flush
    std::string pendingMarker_;   // the marker written for them; empty when none
    std::chrono::steady_clock::time_point lastFlush_;
};

// The Order of an index: walks its cursor; finds a record by evaluating its
// key on the table's current record.
class IndexOrder final : public Order {
public:
    IndexOrder(std::unique_ptr<IndexCursor> cursor, std::function<std::optional<std::string>()> currentKey);
    ~IndexOrder() override;

    bool first() override { return cursor_->first(); }
    bool last() override { return cursor_->last(); }
    bool next() override { return cursor_->next(); }
    bool prev() override { return cursor_->prev(); }
    bool locate(uint32_t recno) override;
    uint32_t recno() const override { return cursor_->recno(); }

    // Positions on the first entry whose key is not less than `key`
    // compared over key.size() bytes. Returns whether positioned.
    bool seek(std::string_view key) { return cursor_->seek(key); }
    std::string_view key() const { return cursor_->key(); }

private:
    std::unique_ptr<IndexCursor> cursor_;
    std::function<std::optional<std::string>()> currentKey_;
};

}  // namespace xbase

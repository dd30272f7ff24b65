#pragma once
// DataTable: the data-aware table the windows work with — an engine table
// (xbase::Table) plus a field list, the browse / edit / insert states, the
// table events and the switch that suspends the bound controls. Controls
// never talk to it directly: they bind to a DataSource (DataSource.h).
//
// Ownership: the DataTable owns the engine table it opens and closes it with
// itself; it can be opened and closed any number of times (the main window
// keeps one for the whole run). engine() gives the engine table for what this
// class does not wrap (seek, orders, pack); after moving the engine's cursor
// or changing its view directly, call resync().
//
// Fields: with no declared stored field, open() makes one field per file
// field in file order and close() drops them again. Fields declared with
// addStoredField() stay across close and open: open() looks each up by name
// (any letter case) and takes its type and width from the file, fails when
// one is missing, and ignores file fields that were not declared.
// Calculated fields are added by the owner and filled, for the current
// record, by the calculated-fields handler; they are computed when first read
// after the record changed, so long loops do not pay for them.
//
// Cursor: as data-aware tables do, next() on the last record sets eof() and
// stays on that record, prior() on the first sets bof(); first() sets bof(),
// last() sets eof(); an empty view sets both and recNo() is then
// recordCount() + 1. Moving is refused (xbase::Error) while editing.
//
// Events, in order: insert/append -> stateChanged, recordChanged,
// afterInsert, afterScroll. edit -> stateChanged, recordChanged, afterEdit.
// post -> stateChanged, dataSetChanged, afterPost. cancel -> stateChanged,
// recordChanged (edit) or dataSetChanged (insert), afterCancel, afterScroll
// (insert only). Navigation -> recordChanged, afterScroll. The after-events
// are always emitted; the display signals (stateChanged, recordChanged,
// fieldChanged, dataSetChanged, fieldsChanged) are held while the controls
// are disabled and replaced by one refresh when they are enabled again.
//
// Failures throw xbase::Error; one object per open file; one thread.
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "platform/db/DataField.h"
#include "xbase/Table.h"

namespace platform {

enum class DataState { Inactive, Browse, Edit, Insert };

class DataTable : public QObject {
    Q_OBJECT
public:
    using CalcFieldsHandler = std::function<void(DataTable&)>;

    explicit DataTable(QObject* parent = nullptr);
    ~DataTable() override;

    // --- Opening ---------------------------------------------------------
    // Opens the DBF (and its memo file) and goes to the first record. On any
    // failure the table is left closed and the error is thrown.
    void open(const QString& path, xbase::OpenMode mode = xbase::OpenMode::Exclusive);
    // Discards an edit that was not posted, then closes the files.
    void close();
    bool isActive() const { return engine_ != nullptr; }
    QString path() const { return path_; }
    // The engine table while open, else nullptr.
    xbase::Table* engine() const { return engine_.get(); }
    bool canModify() const { return engine_ && !engine_->readOnly(); }

    // --- Fields ----------------------------------------------------------
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    DataField* field(int index) const { return fields_.at(static_cast<size_t>(index)).get(); }
    // The field of that name in any letter case, or nullptr.
    DataField* findField(const QString& name) const;
    // As findField; throws InvalidArgument when there is none.
    DataField* fieldByName(const QString& name) const;
    int indexOf(const DataField* field) const;
    // Declares a stored field (see above). Requires: closed.
    DataField* addStoredField(const QString& name);
    // Adds a calculated field at the end of the list.
    DataField* addCalculatedField(const QString& name, FieldDataType type, int size);
    // Moves the field to position newIndex, shifting the others.
    void moveField(DataField* field, int newIndex);
    // Removes every field. Requires: closed.
    void clearFields();
    // Runs for the current record when a calculated field is first read.
    void setCalcFieldsHandler(CalcFieldsHandler handler);

    // --- Cursor ----------------------------------------------------------
    bool first();
    bool last();
    // True when it moved.
    bool next();
    bool prior();
    // Moves up to |count| records; returns how many it moved (negative backwards).
    int moveBy(int count);
    // Goes to record recno (a bookmark). Returns true when it is on it;
    // otherwise it is on the next visible record of the order, or the last
    // one when none follows.
    bool goTo(uint32_t recno);
    uint32_t recNo() const;
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool isEmpty() const;
    // Records in the file, deleted and hidden ones included.
    uint32_t recordCount() const { return engine_ ? engine_->recordCount() : 0; }
    // Reads the current record again from the file.
    void refresh();
    // After the engine's cursor or view was changed through engine(): takes
    // its record as the current one (or the first when it has none) and
    // tells the controls the rows changed.
    void resync();
    // Sets the engine query (empty removes it) and goes to the first record.
    void setQuery(const QString& expression);
    QString query() const;
    // Number of records the view holds (a scan of the file).
    uint32_t queryCount();

    // --- Editing ---------------------------------------------------------
    DataState state() const { return state_; }
    bool isEditing() const { return state_ == DataState::Edit || state_ == DataState::Insert; }
    // Both start a new blank record; an xBase table adds it at the end.
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    // Sets the delete mark of the current record; when deleted records are
    // hidden, moves to the next record (or the last one).
    void deleteRecord();

    // --- Display ---------------------------------------------------------
    // Nesting counter: while disabled, the display signals are held; the
    // last enableControls() sends one refresh if anything happened.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

    // Engine cursor moves made so far (navigation and walks): lets callers
    // check that something did not scan the table.
    uint64_t cursorMoves() const { return cursorMoves_; }

    // Walk: reads other records of the view without anyone noticing — the
    // display signals stay quiet, calculated fields follow the walked record
    // and the cursor returns to the current record when the walk ends. For
    // readers such as the table model. Requires: open, Browse state.
    class Walk {
    public:
        explicit Walk(DataTable& table);
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;
        bool first();
        bool last();
        bool next();
        bool prior();
        // True only when on record recno itself.
        bool go(uint32_t recno);
        uint32_t recno() const;

    private:
        bool moved(bool ok);
        DataTable& table_;
        uint32_t savedRecno_;
        bool savedEngineBof_;
        bool savedEngineEof_;
    };

signals:
    // Display signals (held while the controls are disabled).
    void stateChanged();
    void recordChanged();
    void fieldChanged(platform::DataField* field);
    void dataSetChanged();
    void fieldsChanged();
    // Table events.
    void afterInsert();
    void afterEdit();
    void afterPost();
    void afterCancel();
    void afterScroll();

private:
    friend class DataField;

    xbase::Table& requireOpen() const;
    void requireBrowse(const char* what) const;
    void setState(DataState state);
    void bindFields();
    void dropFileFields();
    void recordMoved();
    void settleOnRecord(bool found);
    void ensureCalculated();
    void invalidateCalc();
    QString fieldText(const DataField& field) const;
    void setFieldText(DataField& field, const QString& text);
    bool fieldBoolean(const DataField& field) const;
    void setFieldBoolean(DataField& field, bool value);
    void valueSet(DataField& field);
    void fieldPropertiesChanged();
    void notifyState();
    void notifyRecord();
    void notifyField(DataField* field);
    void notifyDataSet();
    void notifyFields();
    void writeSoon();

    std::unique_ptr<xbase::Table> engine_;
    // The engine holds index changes made in quick succession; this writes
    // them once the changes pause.
    QTimer writeBehind_;
    QString path_;
    std::vector<std::unique_ptr<DataField>> fields_;
    CalcFieldsHandler calcHandler_;
    bool calcValid_ = false;
    bool calculating_ = false;

    DataState state_ = DataState::Inactive;
    bool bof_ = true;
    bool eof_ = true;
    int walks_ = 0;

    int disabled_ = 0;
    bool heldState_ = false;
    bool heldData_ = false;
    bool heldFields_ = false;
    uint64_t cursorMoves_ = 0;
};

}  // namespace platform

#include "platform/db/DataTable.h"

#include <QFile>

#include <algorithm>

#include "platform/db/Cp1252.h"
#include "xbase/Error.h"

namespace platform {

namespace {

xbase::Error invalid(const QString& message, const QString& file = {})
{
    return xbase::Error(xbase::ErrorKind::InvalidArgument, message.toStdString(), QFile::encodeName(file).toStdString());
}

FieldDataType dataTypeOf(const xbase::Field& field)
{
    if (field.memo)
        return FieldDataType::Memo;
    switch (field.type) {
    case xbase::FieldType::Character: return FieldDataType::String;
    case xbase::FieldType::Numeric:
    case xbase::FieldType::Float:
    case xbase::FieldType::Integer:
    case xbase::FieldType::Double:
    case xbase::FieldType::Currency: return FieldDataType::Number;
    case xbase::FieldType::Logical: return FieldDataType::Boolean;
    case xbase::FieldType::Date: return FieldDataType::Date;
    default: return FieldDataType::Other;
    }
}

bool isLogicalMark(char c)
{
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'F' || c == 'f' || c == 'N' || c == 'n';
}

}  // namespace

DataTable::DataTable(QObject* parent) : QObject(parent)
{
    writeBehind_.setSingleShot(true);
    writeBehind_.setInterval(500);
    connect(&writeBehind_, &QTimer::timeout, this, [this] {
        if (!engine_)
            return;
        try {
            engine_->flush();
        } catch (const xbase::Error&) {
            // The next change or the close writes again and reports it; the
            // index stays marked for a rebuild until then.
        }
    });
}

void DataTable::writeSoon()
{
    writeBehind_.start();
}

DataTable::~DataTable() = default;

// ---------------------------------------------------------------------------
// Opening

void DataTable::open(const QString& path, xbase::OpenMode mode)
{
    close();
    engine_ = xbase::Table::open(QFile::encodeName(path).toStdString(), mode);
    path_ = path;
    try {
        bindFields();
    } catch (...) {
        engine_.reset();
        path_.clear();
        dropFileFields();
        throw;
    }
    state_ = DataState::Browse;
    ++cursorMoves_;
    bool found = engine_->first();
    bof_ = true;
    eof_ = !found;
    invalidateCalc();
    notifyFields();
    notifyState();
    notifyDataSet();
}

void DataTable::bindFields()
{
    const std::vector<xbase::Field>& fileFields = engine_->fields();
    bool declared = std::any_of(fields_.begin(), fields_.end(),
                                [](const auto& f) { return f->declared_ && !f->calculated_; });
    if (declared) {
        for (auto& f : fields_) {
            if (f->calculated_)
                continue;
            int i = engine_->fieldIndex(f->name_.toStdString());
            if (i < 0)
                throw invalid(QStringLiteral("Field \"%1\" not found in dataset \"%2\"").arg(f->name_, path_), path_);
            const xbase::Field& ff = fileFields[static_cast<size_t>(i)];
            f->fileIndex_ = i;
            f->type_ = dataTypeOf(ff);
            f->size_ = ff.length;
            f->decimals_ = ff.decimals;
        }
        return;
    }
    for (size_t i = 0; i < fileFields.size(); ++i) {
        const xbase::Field& ff = fileFields[i];
        if (ff.isSystem())
            continue;
        auto f = std::unique_ptr<DataField>(
            new DataField(*this, QString::fromLatin1(ff.name), dataTypeOf(ff), ff.length, false));
        f->fileIndex_ = static_cast<int>(i);
        f->decimals_ = ff.decimals;
        fields_.push_back(std::move(f));
    }
}

void DataTable::dropFileFields()
{
    std::erase_if(fields_, [](const auto& f) { return !f->declared_; });
    for (auto& f : fields_)
        f->fileIndex_ = -1;
}

void DataTable::close()
{
    if (!engine_)
        return;
    if (isEditing())
        engine_->cancel();  // closing discards what was not posted
    engine_.reset();
    path_.clear();
    dropFileFields();
    state_ = DataState::Inactive;
    bof_ = eof_ = true;
    invalidateCalc();
    notifyFields();
    notifyState();
    notifyDataSet();
}

xbase::Table& DataTable::requireOpen() const
{
    if (!engine_)
        throw invalid(QStringLiteral("The table is not open"));
    return *engine_;
}

void DataTable::requireBrowse(const char* what) const
{
    requireOpen();
    if (state_ != DataState::Browse)
        throw invalid(QStringLiteral("Post or cancel the edit before %1").arg(QLatin1String(what)), path_);
}

void DataTable::setState(DataState state)
{
    if (state_ == state)
        return;
    state_ = state;
    notifyState();
}

// ---------------------------------------------------------------------------
// Fields

DataField* DataTable::findField(const QString& name) const
{
    for (const auto& f : fields_) {
        if (f->name_.compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

DataField* DataTable::fieldByName(const QString& name) const
{
    if (DataField* f = findField(name))
        return f;
    throw invalid(QStringLiteral("Field \"%1\" not found in dataset \"%2\"").arg(name, path_), path_);
}

int DataTable::indexOf(const DataField* field) const
{
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].get() == field)
            return static_cast<int>(i);
    }
    return -1;
}

DataField* DataTable::addStoredField(const QString& name)
{
    if (engine_)
        throw invalid(QStringLiteral("Stored fields are declared only while the table is closed"), path_);
    if (findField(name))
        throw invalid(QStringLiteral("The table already has a field \"%1\"").arg(name), path_);
    fields_.push_back(std::unique_ptr<DataField>(new DataField(*this, name.toUpper(), FieldDataType::String, 0, false)));
    fields_.back()->declared_ = true;
    notifyFields();
    return fields_.back().get();
}

DataField* DataTable::addCalculatedField(const QString& name, FieldDataType type, int size)
{
    if (findField(name))
        throw invalid(QStringLiteral("The table already has a field \"%1\"").arg(name), path_);
    fields_.push_back(std::unique_ptr<DataField>(new DataField(*this, name, type, size, true)));
    fields_.back()->declared_ = true;
    invalidateCalc();
    notifyFields();
    return fields_.back().get();
}

void DataTable::moveField(DataField* field, int newIndex)
{
    int from = indexOf(field);
    if (from < 0)
        throw invalid(QStringLiteral("The field is not one of this table's"), path_);
    int to = std::clamp(newIndex, 0, fieldCount() - 1);
    if (from == to)
        return;
    auto begin = fields_.begin();
    if (from < to)
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    else
        std::rotate(begin + to, begin + from, begin + from + 1);
    notifyFields();
}

void DataTable::clearFields()
{
    if (engine_)
        throw invalid(QStringLiteral("Fields are cleared only while the table is closed"), path_);
    fields_.clear();
    notifyFields();
}

void DataTable::setCalcFieldsHandler(CalcFieldsHandler handler)
{
    calcHandler_ = std::move(handler);
    invalidateCalc();
}

void DataTable::fieldPropertiesChanged()
{
    notifyFields();
}

// ---------------------------------------------------------------------------
// Cursor

void DataTable::recordMoved()
{
    invalidateCalc();
    notifyRecord();
    emit afterScroll();
}

bool DataTable::first()
{
    requireBrowse("moving");
    ++cursorMoves_;
    bool found = engine_->first();
    bof_ = true;
    eof_ = !found;
    recordMoved();
    return found;
}

bool DataTable::last()
{
    requireBrowse("moving");
    ++cursorMoves_;
    bool found = engine_->last();
    eof_ = true;
    bof_ = !found;
    recordMoved();
    return found;
}

bool DataTable::next()
{
    requireBrowse("moving");
    if (eof_)
        return false;
    uint32_t at = engine_->recno();
    bof_ = false;
    ++cursorMoves_;
    if (engine_->next()) {
        recordMoved();
        return true;
    }
    // Ran off the end: stay on the record we were on, as data-aware tables do.
    settleOnRecord(engine_->go(at));
    eof_ = true;
    recordMoved();
    return false;
}

bool DataTable::prior()
{
    requireBrowse("moving");
    if (bof_)
        return false;
    eof_ = false;
    ++cursorMoves_;
    bool found = engine_->prior();
    if (found && !engine_->bof()) {
        recordMoved();
        return true;
    }
    // The engine stays on the first record when it runs off the start.
    bof_ = true;
    if (!found)
        eof_ = true;
    recordMoved();
    return false;
}

void DataTable::settleOnRecord(bool found)
{
    ++cursorMoves_;
    if (!found && engine_->eof())
        engine_->last();
}

int DataTable::moveBy(int count)
{
    requireBrowse("moving");
    if ((count > 0 && eof_) || (count < 0 && bof_) || count == 0)
        return 0;
    int moved = 0;
    if (count > 0) {
        bof_ = false;
        while (moved < count) {
            uint32_t at = engine_->recno();
            ++cursorMoves_;
            if (!engine_->next()) {
                settleOnRecord(engine_->go(at));
                eof_ = true;
                break;
            }
            ++moved;
        }
    } else {
        eof_ = false;
        while (moved > count) {
            ++cursorMoves_;
            if (!engine_->prior() || engine_->bof()) {
                bof_ = true;
                break;
            }
            --moved;
        }
    }
    recordMoved();
    return moved;
}

bool DataTable::goTo(uint32_t recno)
{
    requireBrowse("moving");
    ++cursorMoves_;
    bool on = engine_->go(recno);
    if (!on)
        settleOnRecord(false);
    bof_ = eof_ = engine_->eof();
    recordMoved();
    return on;
}

uint32_t DataTable::recNo() const
{
    return engine_ ? engine_->recno() : 0;
}

bool DataTable::isEmpty() const
{
    return !engine_ || (state_ == DataState::Browse && bof_ && eof_);
}

void DataTable::refresh()
{
    requireBrowse("reading the record again");
    if (!isEmpty()) {
        ++cursorMoves_;
        engine_->refresh();
    }
    invalidateCalc();
    notifyDataSet();
}

void DataTable::resync()
{
    requireBrowse("reading the record again");
    if (engine_->eof()) {
        ++cursorMoves_;
        bool found = engine_->first();
        bof_ = true;
        eof_ = !found;
    } else {
        bof_ = eof_ = false;
    }
    invalidateCalc();
    notifyDataSet();
}

void DataTable::setQuery(const QString& expression)
{
    requireBrowse("changing the query");
    engine_->setQuery(Cp1252::encode(expression, QStringLiteral("the query")));
    ++cursorMoves_;
    bool found = engine_->first();
    bof_ = true;
    eof_ = !found;
    invalidateCalc();
    notifyDataSet();
    emit afterScroll();
}

QString DataTable::query() const
{
    return engine_ ? Cp1252::decode(engine_->query()) : QString();
}

uint32_t DataTable::queryCount()
{
    return requireOpen().queryCount();
}

// ---------------------------------------------------------------------------
// Editing

void DataTable::append()
{
    requireBrowse("adding a record");
    engine_->append();
    setState(DataState::Insert);
    invalidateCalc();
    notifyRecord();
    emit afterInsert();
    emit afterScroll();
}

void DataTable::insert()
{
    append();
}

void DataTable::edit()
{
    requireOpen();
    if (isEditing())
        return;
    if (isEmpty())
        throw invalid(QStringLiteral("There is no current record to edit"), path_);
    engine_->edit();
    setState(DataState::Edit);
    invalidateCalc();
    notifyRecord();
    emit afterEdit();
}

void DataTable::post()
{
    requireOpen();
    if (!isEditing())
        return;
    engine_->post();
    writeSoon();
    setState(DataState::Browse);
    bof_ = eof_ = false;
    invalidateCalc();
    notifyDataSet();
    emit afterPost();
}

void DataTable::cancel()
{
    requireOpen();
    if (!isEditing())
        return;
    bool wasInsert = state_ == DataState::Insert;
    engine_->cancel();
    setState(DataState::Browse);
    bof_ = eof_ = engine_->eof();
    invalidateCalc();
    if (wasInsert)
        notifyDataSet();
    else
        notifyRecord();
    emit afterCancel();
    if (wasInsert)
        emit afterScroll();
}

void DataTable::deleteRecord()
{
    requireBrowse("deleting");
    if (isEmpty())
        throw invalid(QStringLiteral("There is no current record to delete"), path_);
    engine_->deleteRecord();
    writeSoon();
    if (!engine_->showDeleted()) {
        // The record is hidden now: show its successor, or the new last one.
        ++cursorMoves_;
        if (engine_->next()) {
            bof_ = eof_ = false;
        } else {
            ++cursorMoves_;
            bool found = engine_->last();
            eof_ = true;
            bof_ = !found;
        }
    }
    invalidateCalc();
    notifyDataSet();
    emit afterScroll();
}

// ---------------------------------------------------------------------------
// Values

void DataTable::invalidateCalc()
{
    calcValid_ = false;
}

void DataTable::ensureCalculated()
{
    if (calcValid_ || calculating_)
        return;
    for (auto& f : fields_) {
        if (f->calculated_)
            f->calcValue_ = QVariant();
    }
    calcValid_ = true;
    // No record, nothing to compute: the calculated fields read empty.
    if (!calcHandler_ || (state_ == DataState::Browse && bof_ && eof_ && walks_ == 0))
        return;
    calculating_ = true;
    try {
        calcHandler_(*this);
    } catch (...) {
        calculating_ = false;
        calcValid_ = false;
        throw;
    }
    calculating_ = false;
}

QString DataTable::fieldText(const DataField& field) const
{
    xbase::Table& engine = requireOpen();
    if (field.calculated_) {
        const_cast<DataTable*>(this)->ensureCalculated();
        const QVariant& v = field.calcValue_;
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("T") : QStringLiteral("F");
        return v.toString();
    }
    if (field.type_ == FieldDataType::Boolean) {
        std::string_view bytes = engine.fieldBytes(field.fileIndex_);
        if (bytes.empty() || !isLogicalMark(bytes.front()))
            return {};
    }
    return Cp1252::decode(engine.getString(field.fileIndex_));
}

bool DataTable::fieldBoolean(const DataField& field) const
{
    xbase::Table& engine = requireOpen();
    if (field.calculated_) {
        const_cast<DataTable*>(this)->ensureCalculated();
        const QVariant& v = field.calcValue_;
        if (v.typeId() == QMetaType::QString) {
            QString s = v.toString().trimmed().toUpper();
            return s.startsWith(u'T') || s.startsWith(u'Y');
        }
        return v.toBool();
    }
    return engine.getLogical(field.fileIndex_);
}

void DataTable::setFieldText(DataField& field, const QString& text)
{
    xbase::Table& engine = requireOpen();
    if (field.calculated_) {
        if (!calculating_)
            throw invalid(QStringLiteral("Field %1 is calculated; only the calculated-fields handler sets it")
                              .arg(field.name_), path_);
        if (field.type_ == FieldDataType::Boolean) {
            QString s = text.trimmed().toUpper();
            field.calcValue_ = s.startsWith(u'T') || s.startsWith(u'Y');
        } else {
            field.calcValue_ = field.size_ > 0 ? text.left(field.size_) : text;
        }
        return;
    }
    if (!isEditing())
        throw invalid(QStringLiteral("The record is not being edited"), path_);
    engine.setString(field.fileIndex_, Cp1252::encode(text, QStringLiteral("field ") + field.name_));
    valueSet(field);
}

void DataTable::setFieldBoolean(DataField& field, bool value)
{
    xbase::Table& engine = requireOpen();
    if (field.calculated_) {
        if (!calculating_)
            throw invalid(QStringLiteral("Field %1 is calculated; only the calculated-fields handler sets it")
                              .arg(field.name_), path_);
        field.calcValue_ = value;
        return;
    }
    if (!isEditing())
        throw invalid(QStringLiteral("The record is not being edited"), path_);
    if (field.type_ == FieldDataType::Boolean)
        engine.setLogical(field.fileIndex_, value);
    else
        engine.setString(field.fileIndex_, value ? "T" : "F");
    valueSet(field);
}

void DataTable::valueSet(DataField& field)
{
    invalidateCalc();
    notifyField(&field);
    for (auto& f : fields_) {
        if (f->calculated_)
            notifyField(f.get());
    }
}

// ---------------------------------------------------------------------------
// Display

void DataTable::disableControls()
{
    ++disabled_;
}

void DataTable::enableControls()
{
    if (disabled_ == 0 || --disabled_ > 0)
        return;
    bool fields = std::exchange(heldFields_, false);
    bool state = std::exchange(heldState_, false);
    bool data = std::exchange(heldData_, false);
    if (fields)
        emit fieldsChanged();
    if (state)
        emit stateChanged();
    if (data)
        emit dataSetChanged();
}

void DataTable::notifyState()
{
    if (disabled_ > 0)
        heldState_ = true;
    else
        emit stateChanged();
}

void DataTable::notifyRecord()
{
    if (disabled_ > 0)
        heldData_ = true;
    else
        emit recordChanged();
}

void DataTable::notifyField(DataField* field)
{
    if (disabled_ > 0)
        heldData_ = true;
    else
        emit fieldChanged(field);
}

void DataTable::notifyDataSet()
{
    if (disabled_ > 0)
        heldData_ = true;
    else
        emit dataSetChanged();
}

void DataTable::notifyFields()
{
    if (disabled_ > 0)
        heldFields_ = true;
    else
        emit fieldsChanged();
}

// ---------------------------------------------------------------------------
// Walk

DataTable::Walk::Walk(DataTable& table) : table_(table)
{
    table.requireBrowse("reading other records");
    const xbase::Table& engine = *table.engine_;
    savedRecno_ = engine.recno();
    savedEngineBof_ = engine.bof();
    savedEngineEof_ = engine.eof();
    ++table.walks_;
}

DataTable::Walk::~Walk()
{
    xbase::Table& engine = *table_.engine_;
    bool lost = false;
    try {
        ++table_.cursorMoves_;
        if (savedEngineEof_) {
            engine.last();
            engine.next();
        } else if (!engine.go(savedRecno_)) {
            // The current record left the view (its values no longer match the
            // query): settle on its successor, as the next move would.
            lost = true;
            if (engine.eof())
                engine.last();
        } else if (savedEngineBof_) {
            engine.prior();
        }
    } catch (...) {
        lost = true;  // a read failed; the controls re-read what is there
    }
    --table_.walks_;
    table_.invalidateCalc();
    if (lost) {
        DataTable* table = &table_;
        table->bof_ = table->eof_ = engine.eof();
        // Not from inside the reader (a model's data()): tell the controls later.
        QMetaObject::invokeMethod(table, [table] { table->notifyRecord(); }, Qt::QueuedConnection);
    }
}

bool DataTable::Walk::moved(bool ok)
{
    ++table_.cursorMoves_;
    table_.invalidateCalc();
    return ok;
}

bool DataTable::Walk::first() { return moved(table_.engine_->first()); }
bool DataTable::Walk::last() { return moved(table_.engine_->last()); }
bool DataTable::Walk::next() { return moved(table_.engine_->next()); }

bool DataTable::Walk::prior()
{
    bool found = table_.engine_->prior();
    return moved(found && !table_.engine_->bof());
}

bool DataTable::Walk::go(uint32_t recno) { return moved(table_.engine_->go(recno)); }

uint32_t DataTable::Walk::recno() const { return table_.engine_->recno(); }

}  // namespace platform

#include "xbase/Table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <set>

#include "xbase/Error.h"
#include "xbase/FileReplacement.h"
#include "xbase/RecordView.h"

namespace xbase {

// ---------------------------------------------------------------------------
// Natural order: record numbers 1..N.

class Table::NaturalOrder final : public Order {
public:
    explicit NaturalOrder(const DbfFile& dbf) : dbf_(dbf) {}
    bool first() override { return at(1); }
    bool last() override { return at(dbf_.recordCount()); }
    bool next() override { return at(pos_ + 1); }
    bool prev() override { return pos_ > 1 && at(pos_ - 1); }
    bool locate(uint32_t recno) override { return at(recno); }
    uint32_t recno() const override { return pos_; }

private:
    bool at(uint32_t recno)
    {
        if (recno == 0 || recno > dbf_.recordCount())
            return false;
        pos_ = recno;
        return true;
    }
    const DbfFile& dbf_;
    uint32_t pos_ = 0;
};

// ---------------------------------------------------------------------------
// Opens in this process: a file opened exclusively cannot be opened again,
// whatever path names it; read-only opens may share.

namespace {

std::mutex openFilesMutex;
std::map<std::pair<uint64_t, uint64_t>, int> openFiles;  // identity -> count, -1 = exclusive

std::string packMarker(const std::string& path) { return path + ".pack"; }
std::string packedDbf(const std::string& path) { return path + ".pack-dbf"; }
std::string packedMemo(const std::string& path) { return path + ".pack-memo"; }
std::string packedCdx(const std::string& path) { return path + ".pack-cdx"; }

MemoKind memoKindFor(const DbfFile& dbf, const std::string& memoPath)
{
    std::string ext = memoPath.substr(memoPath.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".FPT")
        return MemoKind::Fpt;
    return dbf.flavor() == DbfFlavor::DBase4 ? MemoKind::Dbt4 : MemoKind::Dbt3;
}

std::string trimRight(std::string_view s)
{
    size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string_view trim(std::string_view s)
{
    size_t begin = s.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    size_t end = s.find_last_not_of(' ');
    return s.substr(begin, end - begin + 1);
}

template <typename T>
T readLE(const char* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);  // DBF binary fields are little-endian, as is every host we build for
    return value;
}

// Julian day number to YYYYMMDD.
std::string julianToDate(int32_t jd)
{
    if (jd <= 0)
        return {};
    int64_t l = jd + 68569;
    int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    int64_t j = 80 * l / 2447;
    int64_t day = l - 2447 * j / 80;
    l = j / 11;
    int64_t month = j + 2 - 12 * l;
    int64_t year = 100 * (n - 49) + i + l;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    return buffer;
}

}  // namespace

void Table::registerOpen()
{
    identity_ = dbf_.file().identity();
    std::lock_guard lock(openFilesMutex);
    auto key = std::make_pair(identity_.device, identity_.inode);
    auto it = openFiles.find(key);
    if (it != openFiles.end() && (mode_ == OpenMode::Exclusive || it->second < 0))
        throw Error(ErrorKind::Locked, "File is already open", dbf_.path());
    if (mode_ == OpenMode::Exclusive)
        openFiles[key] = -1;
    else
        ++openFiles[key];
    registered_ = true;
}

void Table::unregisterOpen()
{
    if (!registered_)
        return;
    std::lock_guard lock(openFilesMutex);
    auto it = openFiles.find({identity_.device, identity_.inode});
    if (it != openFiles.end() && (it->second < 0 || --it->second == 0))
        openFiles.erase(it);
    registered_ = false;
}

// ---------------------------------------------------------------------------
// Opening and closing

std::unique_ptr<Table> Table::open(const std::string& path, OpenMode mode)
{
    FileReplacement::recover(packMarker(path), {packedDbf(path), packedMemo(path), packedCdx(path)});
    return std::unique_ptr<Table>(new Table(path, mode));
}

Table::Table(const std::string& path, OpenMode mode)
    : mode_(mode), dbf_(path, mode == OpenMode::Exclusive), indexes_(*this)
{
    registerOpen();
    try {
        dbf_.file().lock(mode == OpenMode::Exclusive);
        if (dbf_.hasMemoFields()) {
            std::string memoPath = findCompanion(path, ".FPT");
            if (memoPath.empty())
                memoPath = findCompanion(path, ".DBT");
            if (memoPath.empty())
                throw Error(ErrorKind::Io, "The memo file of the table is missing", path);
            memo_.emplace(memoPath, memoKindFor(dbf_, memoPath), mode == OpenMode::Exclusive);
        }
        indexes_.openProduction(path, mode == OpenMode::Exclusive);
    } catch (...) {
        unregisterOpen();
        throw;
    }
    natural_ = std::make_unique<NaturalOrder>(dbf_);
    order_ = natural_.get();
    current_.assign(dbf_.blankRecord());
    first();
}

Table::~Table()
{
    try {
        close();
    } catch (const Error&) {
        // A destructor cannot report; callers who need to know call close().
    }
}

void Table::setBulkAppend(bool on)
{
    dbf_.deferCount(on);
    if (memo_)
        memo_->deferHeader(on);
    if (!on)
        indexes_.flush();
}

void Table::flush()
{
    indexes_.flush();
}

void Table::close()
{
    // Every file is closed whatever fails; the first failure is reported.
    std::exception_ptr failure;
    auto attempt = [&failure](const auto& step) {
        try {
            step();
        } catch (const Error&) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    if (dbf_.file().isOpen())
        attempt([this] { setBulkAppend(false); });
    indexOrder_.reset();
    order_ = natural_.get();
    orderOrdinal_ = 0;
    attempt([this] { indexes_.closeAll(); });
    memo_.reset();
    dbf_.close();
    unregisterOpen();
    if (failure)
        std::rethrow_exception(failure);
}

void Table::create(const std::string& path, const std::vector<FieldSpec>& fields)
{
    DbfFile::create(path, fields);
    bool memo = std::any_of(fields.begin(), fields.end(), [](const FieldSpec& f) { return f.type == FieldType::Memo; });
    std::string folder = folderOf(path);
    std::string base = path.substr(folder.size());
    auto dot = base.find_last_of('.');
    std::string memoPath = folder + (dot == std::string::npos ? base : base.substr(0, dot)) + ".FPT";
    if (memo) {
        // An old memo file of the same name would be read as this table's.
        MemoFile::createFpt(memoPath);
    }
}

// ---------------------------------------------------------------------------
// RecordSource

int Table::fieldIndex(std::string_view name) const
{
    return RecordView::findField(dbf_.fields(), name);
}

const Field& Table::field(int index) const
{
    const auto& list = dbf_.fields();
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        throw Error(ErrorKind::InvalidArgument, "No field number " + std::to_string(index), dbf_.path());
    return list[static_cast<size_t>(index)];
}

std::string_view Table::fieldBytes(int index) const
{
    const Field& f = field(index);
    return {record() + f.offset, f.length};
}

bool Table::fieldIsNull(int index) const
{
    return RecordView::isNull(dbf_, record(), field(index));
}

uint32_t Table::memoBlock(const char* record, const Field& f, uint32_t recno) const
{
    return RecordView::memoBlock(dbf_, record, f, recno);
}

// The memo text set in the current edit and not yet posted, or nullptr.
const std::string* Table::pendingMemo(int index) const
{
    auto pending = pendingMemos_.find(index);
    return pending == pendingMemos_.end() ? nullptr : &pending->second;
}

void Table::memoText(int index, std::string& out) const
{
    const Field& f = field(index);
    if (!f.memo) {
        out.assign(fieldBytes(index));
        return;
    }
    if (const std::string* pending = pendingMemo(index)) {
        out = *pending;
        return;
    }
    uint32_t block = memoBlock(record(), f, recno_);
    if (block == 0 || !memo_) {
        out.clear();
        return;
    }
    memo_->read(block, out);
}

// ---------------------------------------------------------------------------
// Cursor

void Table::place(uint32_t recno)
{
    recno_ = recno;
    loaded_ = false;
}

// Reads the current record from the file now (before changing it).
void Table::reload()
{
    place(recno_);
    record();
}

const char* Table::record() const
{
    if (!loaded_) {
        std::memcpy(current_.data(), dbf_.record(recno_), current_.size());
        loaded_ = true;
    }
    return current_.data();
}

void Table::setEof()
{
    current_.assign(dbf_.blankRecord());
    loaded_ = true;
    recno_ = dbf_.recordCount() + 1;
    eof_ = true;
    orderPositioned_ = false;
}

bool Table::visible()
{
    if (!showDeleted_ && dbf_.isDeleted(recno_))
        return false;
    return query_.isNull() || query_.evalLogical(*this);
}

// From the order's position, finds the nearest visible record in a
// direction, the position itself included.
bool Table::seekVisible(bool forward)
{
    while (true) {
        place(order_->recno());
        if (visible()) {
            orderPositioned_ = true;
            return true;
        }
        if (!(forward ? order_->next() : order_->prev()))
            return false;
    }
}

void Table::requireBrowse(const char* what) const
{
    if (state_ != EditState::Browse)
        throw Error(ErrorKind::InvalidArgument, std::string("Post or cancel the edit before ") + what, dbf_.path());
}

bool Table::first()
{
    requireBrowse("moving");
    bof_ = false;
    eof_ = false;
    if (order_->first() && seekVisible(true))
        return true;
    setEof();
    bof_ = true;
    return false;
}

bool Table::last()
{
    requireBrowse("moving");
    bof_ = false;
    eof_ = false;
    if (order_->last() && seekVisible(false))
        return true;
    setEof();
    bof_ = true;
    return false;
}

bool Table::next()
{
    requireBrowse("moving");
    if (eof_)
        return false;
    bof_ = false;
    // The current record may have become hidden; its place in the order still counts.
    if (!orderPositioned_ && !order_->locate(recno_))
        return first();
    if (order_->next() && seekVisible(true))
        return true;
    setEof();
    return false;
}

bool Table::prior()
{
    requireBrowse("moving");
    if (eof_) {
        bool found = last();
        bof_ = !found;
        return found;
    }
    if (!orderPositioned_ && !order_->locate(recno_))
        return last();
    if (order_->prev() && seekVisible(false)) {
        bof_ = false;
        return true;
    }
    // Ran off the start: stay on the first visible record, report no move.
    first();
    bof_ = true;
    return false;
}

bool Table::skip(int64_t count)
{
    if (count == 0) {
        refresh();
        return !eof_;
    }
    bool moved = true;
    for (int64_t i = 0; i < count && moved; ++i)
        moved = next();
    for (int64_t i = 0; i > count && moved; --i)
        moved = prior();
    return moved;
}

bool Table::go(uint32_t n)
{
    requireBrowse("moving");
    bof_ = false;
    eof_ = false;
    if (n == 0 || n > dbf_.recordCount()) {
        setEof();
        return false;
    }
    place(n);  // an index order finds the record by its key
    if (!order_->locate(n)) {
        setEof();
        return false;
    }
    if (seekVisible(true))
        return recno_ == n;
    setEof();
    return false;
}

void Table::refresh()
{
    requireBrowse("reading the record again");
    if (!eof_ && recno_ <= dbf_.recordCount())
        place(recno_);
}

// ---------------------------------------------------------------------------
// Values

std::string Table::getString(int index) const
{
    const Field& f = field(index);
    std::string_view bytes = fieldBytes(index);
    if (fieldIsNull(index))
        return {};
    if (f.memo)
        return memo(index);
    switch (f.type) {
    case FieldType::Numeric:
    case FieldType::Float:
        return std::string(trim(bytes));
    case FieldType::Logical:
        return getLogical(index) ? "T" : "F";
    case FieldType::Integer:
        return std::to_string(readLE<int32_t>(bytes.data()));
    case FieldType::Double:
    case FieldType::Currency: {
        char buffer[64];
        double value = getNumber(index);
        std::snprintf(buffer, sizeof buffer, "%.*f", f.type == FieldType::Currency ? 4 : int(f.decimals), value);
        return buffer;
    }
    case FieldType::DateTime: {
        int32_t day = readLE<int32_t>(bytes.data());
        int32_t ms = readLE<int32_t>(bytes.data() + 4);
        std::string date = julianToDate(day);
        if (date.empty())
            return {};
        char time[48];
        std::snprintf(time, sizeof time, "%02d%02d%02d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
        return date + time;
    }
    default:
        return trimRight(bytes);
    }
}

double Table::getNumber(int index) const
{
    const Field& f = field(index);
    std::string_view bytes = fieldBytes(index);
    if (fieldIsNull(index))
        return 0;
    switch (f.type) {
    case FieldType::Integer: return readLE<int32_t>(bytes.data());
    case FieldType::Currency: return static_cast<double>(readLE<int64_t>(bytes.data())) / 10000.0;
    case FieldType::Double:
        if (!f.memo)
            return readLE<double>(bytes.data());
        return 0;
    default: {
        std::string_view text = trim(bytes);
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        return value;
    }
    }
}

bool Table::getLogical(int index) const
{
    char c = fieldBytes(index).front();
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string Table::memo(int index, size_t maxLength) const
{
    std::string text;
    memoText(index, text);
    if (text.size() > maxLength)
        text.resize(maxLength);
    return text;
}

bool Table::memoEmpty(int index) const
{
    const Field& f = field(index);
    if (const std::string* pending = pendingMemo(index))
        return pending->empty();
    uint32_t block = memoBlock(record(), f, recno_);
    if (block == 0 || !memo_)
        return true;
    memo_->read(block, scratch_, 1);
    return scratch_.empty();
}

// ---------------------------------------------------------------------------
// Editing

void Table::requireWritable(const char* what) const
{
    if (mode_ == OpenMode::ReadOnly)
        throw Error(ErrorKind::InvalidArgument, std::string("The table is open read-only; cannot ") + what, dbf_.path());
}

void Table::requireEditing() const
{
    if (state_ == EditState::Browse)
        throw Error(ErrorKind::InvalidArgument, "The record is not being edited", dbf_.path());
}

void Table::append()
{
    requireWritable("append");
    requireBrowse("appending");
    recnoBeforeAppend_ = eof_ ? 0 : recno_;
    current_.assign(dbf_.blankRecord());
    loaded_ = true;
    recno_ = dbf_.recordCount() + 1;
    state_ = EditState::Append;
}

void Table::edit()
{
    requireWritable("edit");
    requireBrowse("editing");
    if (eof_)
        throw Error(ErrorKind::InvalidArgument, "There is no current record to edit", dbf_.path());
    reload();  // edit what is in the file now
    original_ = current_;
    state_ = EditState::Edit;
}

char* Table::fieldPtr(int index)
{
    return current_.data() + field(index).offset;
}

void Table::writeField(int index, std::string_view bytes)
{
    const Field& f = field(index);
    std::memmove(fieldPtr(index), bytes.data(), f.length);
    int flags = dbf_.nullFlagsField();
    if (f.nullBit >= 0 && flags >= 0) {
        const Field& nulls = dbf_.fields()[static_cast<size_t>(flags)];
        current_[nulls.offset + f.nullBit / 8] &= static_cast<char>(~(1 << (f.nullBit % 8)));
    }
}

void Table::setString(int index, std::string_view value)
{
    requireEditing();
    const Field& f = field(index);
    auto tooLong = [&] {
        throw Error(ErrorKind::InvalidArgument,
                    "The value does not fit field " + f.name + " (width " + std::to_string(f.length) + ")", dbf_.path());
    };
    if (f.memo) {
        setMemo(index, value);
        return;
    }
    switch (f.type) {
    case FieldType::Character: {
        const size_t last = value.find_last_not_of(' ');
        const std::string_view kept = last == std::string_view::npos ? std::string_view() : value.substr(0, last + 1);
        if (kept.size() > f.length)
            tooLong();
        char* p = fieldPtr(index);
        if (!kept.empty())
            std::copy(kept.begin(), kept.end(), p);
        std::memset(p + kept.size(), ' ', f.length - kept.size());
        writeField(index, {p, f.length});
        return;
    }
    case FieldType::Logical: {
        std::string_view t = trim(value);
        bool truth = !t.empty() && std::strchr("TtYy", t.front()) != nullptr;
        if (!t.empty() && !truth && std::strchr("FfNn", t.front()) == nullptr)
            throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " takes T or F", dbf_.path());
        writeField(index, t.empty() ? " " : truth ? "T" : "F");
        return;
    }
    case FieldType::Date: {
        std::string_view t = trim(value);
        bool digits = t.size() == 8 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!t.empty() && !digits)
            throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " takes a date as YYYYMMDD", dbf_.path());
        writeField(index, t.empty() ? std::string(8, ' ') : std::string(t));
        return;
    }
    case FieldType::Numeric:
    case FieldType::Float: {
        std::string_view t = trim(value);
        if (t.empty()) {
            writeField(index, std::string(f.length, ' '));
            return;
        }
        double number = 0;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), number);
        if (ec != std::errc() || end != t.data() + t.size())
            throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " takes a number", dbf_.path());
        setNumber(index, number);
        return;
    }
    default:
        throw Error(ErrorKind::NotSupported, "Field " + f.name + " of type " + std::string(1, f.type) +
                                                 " cannot be written", dbf_.path());
    }
}

void Table::setNumber(int index, double value)
{
    requireEditing();
    const Field& f = field(index);
    if (f.type != FieldType::Numeric && f.type != FieldType::Float)
        throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " is not numeric", dbf_.path());
    // Halves round away from zero, as xBase stores them (42.25 -> 42.3).
    const double scale = std::pow(10.0, f.decimals);
    const double rounded = std::round(value * scale) / scale;
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, "%*.*f", int(f.length), int(f.decimals), rounded);
    if (n < 0 || n > f.length || !std::isfinite(value))
        throw Error(ErrorKind::InvalidArgument,
                    "The number does not fit field " + f.name + " (width " + std::to_string(f.length) + ")", dbf_.path());
    writeField(index, {buffer, f.length});
}

void Table::setLogical(int index, bool value)
{
    requireEditing();
    const Field& f = field(index);
    if (f.type != FieldType::Logical)
        throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " is not logical", dbf_.path());
    writeField(index, value ? "T" : "F");
}

void Table::setMemo(int index, std::string_view text)
{
    requireEditing();
    const Field& f = field(index);
    if (!f.memo)
        throw Error(ErrorKind::InvalidArgument, "Field " + f.name + " is not a memo", dbf_.path());
    if (!memo_ || memo_->kind() != MemoKind::Fpt)
        throw Error(ErrorKind::NotSupported, "Memos of this table cannot be written", dbf_.path());
    pendingMemos_[index] = std::string(text);
}

void Table::setMemoBlock(char* record, const Field& f, uint32_t block)
{
    char* p = record + f.offset;
    if (f.length == 4) {
        std::memcpy(p, &block, 4);
        return;
    }
    std::string text = block == 0 ? std::string() : std::to_string(block);
    std::memset(p, ' ', f.length);
    std::memcpy(p + f.length - text.size(), text.data(), text.size());
}

void Table::post()
{
    requireEditing();
    IndexSet::Keys before;
    if (state_ == EditState::Edit) {
        // The old keys, before any memo block is reused.
        RecordView old(dbf_, memoFile());
        old.point(original_.data(), recno_);
        old.setExact(exact_);
        before = indexes_.keysOf(old);
    }
    indexes_.beginChange();
    // Memos first: the record then points at text that is already on disk.
    for (auto& [index, text] : pendingMemos_) {
        const Field& f = field(index);
        const char* old = state_ == EditState::Edit ? original_.data() : current_.data();
        uint32_t oldBlock = state_ == EditState::Edit ? memoBlock(old, f, recno_) : 0;
        setMemoBlock(current_.data(), f, memo_->write(oldBlock, text));
    }
    pendingMemos_.clear();
    const bool appended = state_ == EditState::Append;
    if (appended) {
        dbf_.appendRecord(current_.data());
        recno_ = dbf_.recordCount();
    } else {
        dbf_.writeRecord(recno_, current_.data());
    }
    state_ = EditState::Browse;
    if (appended)
        indexes_.added(*this, recno_);
    else
        indexes_.changed(before, *this, recno_);
    indexes_.commit();
    eof_ = false;
    bof_ = false;
    orderPositioned_ = false;
}

void Table::cancel()
{
    pendingMemos_.clear();
    EditState was = state_;
    state_ = EditState::Browse;
    if (was == EditState::Edit) {
        current_ = original_;
    } else if (was == EditState::Append) {
        if (recnoBeforeAppend_ != 0)
            go(recnoBeforeAppend_);
        else
            setEof();
    }
}

void Table::deleteRecord()
{
    requireWritable("delete");
    requireBrowse("deleting");
    if (eof_)
        throw Error(ErrorKind::InvalidArgument, "There is no current record to delete", dbf_.path());
    reload();
    IndexSet::Keys before = indexes_.keysOf(*this);
    indexes_.beginChange();
    current_[0] = DbfFile::kDeletedMark;
    dbf_.writeRecord(recno_, current_.data());
    updateIndexes(before);
}

// Moves index entries whose key depends on what just changed in the current record.
void Table::updateIndexes(const IndexSet::Keys& before)
{
    indexes_.changed(before, *this, recno_);
    indexes_.commit();
    orderPositioned_ = false;
}

void Table::recall()
{
    requireWritable("recall");
    requireBrowse("recalling");
    if (eof_)
        throw Error(ErrorKind::InvalidArgument, "There is no current record to recall", dbf_.path());
    reload();
    IndexSet::Keys before = indexes_.keysOf(*this);
    indexes_.beginChange();
    current_[0] = DbfFile::kLiveMark;
    dbf_.writeRecord(recno_, current_.data());
    updateIndexes(before);
}

// ---------------------------------------------------------------------------
// Queries

Expression Table::compileLogical(std::string_view text) const
{
    return Expression::compileLogical(text, *this);
}

void Table::setQuery(std::string_view text)
{
    if (trim(text).empty()) {
        query_ = Expression();
        queryText_.clear();
        return;
    }
    query_ = compileLogical(text);
    queryText_ = std::string(text);
}

uint32_t Table::queryCount()
{
    // A scan of the file in record order: the count does not depend on the
    // current order, and the records are read straight from the file window.
    RecordView view(dbf_, memoFile());
    view.setExact(exact_);
    const uint32_t count = dbf_.recordCount();
    uint32_t matches = 0;
    for (uint32_t r = 1; r <= count; ++r) {
        const char* record = dbf_.record(r);
        if (!showDeleted_ && record[0] == DbfFile::kDeletedMark)
            continue;
        view.point(record, r);
        if (query_.isNull() || query_.evalLogical(view))
            ++matches;
    }
    return matches;
}

bool Table::evalLogical(std::string_view text)
{
    Expression expression = compileLogical(text);
    return expression.evalLogical(*this);
}

// ---------------------------------------------------------------------------
// Indexes

void Table::setOrder(int ordinal)
{
    requireBrowse("changing the order");
    if (ordinal == 0) {
        indexOrder_.reset();
        order_ = natural_.get();
    } else {
        indexOrder_ = indexes_.makeOrder(ordinal, *this);
        order_ = indexOrder_.get();
    }
    orderOrdinal_ = ordinal;
    orderPositioned_ = false;
}

void Table::setOrder(std::string_view tagName)
{
    int ordinal = indexes_.ordinalOf(tagName);
    if (ordinal == 0)
        throw Error(ErrorKind::InvalidArgument, "The index has no tag " + std::string(tagName), dbf_.path());
    setOrder(ordinal);
}

void Table::closeIndexes()
{
    setOrder(0);
    indexes_.closeAll();
}

void Table::reopenIndexes()
{
    closeIndexes();
    indexes_.openProduction(dbf_.path(), mode_ == OpenMode::Exclusive);
}

int Table::createTag(const std::string& name, const std::string& keyExpression, const std::string& forExpression)
{
    requireWritable("create an index");
    requireBrowse("indexing");
    setOrder(0);  // the tag list is read again
    const bool hadIndex = indexes_.hasProduction();
    int ordinal = indexes_.createTag(dbf_.path(), name, keyExpression, forExpression, dbf_, memoFile(), progress_);
    if (!hadIndex)
        dbf_.setProductionIndexFlag(true);
    setOrder(ordinal);
    return ordinal;
}

int Table::createStandaloneIndex(const std::string& path, const std::string& keyExpression)
{
    return indexes_.createStandalone(path, keyExpression);
}

void Table::addKey(int ordinal)
{
    requireBrowse("adding a key");
    if (eof_)
        throw Error(ErrorKind::InvalidArgument, "There is no current record to index", dbf_.path());
    indexes_.addKey(ordinal, *this, recno_);
    indexes_.commit();
    orderPositioned_ = false;
}

void Table::closeStandaloneIndex(int ordinal)
{
    if (ordinal == orderOrdinal_)
        setOrder(0);
    indexes_.closeStandalone(ordinal);
    if (orderOrdinal_ > ordinal)
        setOrder(orderOrdinal_ - 1);
}

bool Table::seek(std::string_view key)
{
    requireBrowse("seeking");
    if (!indexOrder_)
        throw Error(ErrorKind::InvalidArgument, "Seek needs an index order", dbf_.path());
    const IndexTagInfo& info = indexes_.info(orderOrdinal_);
    std::string wanted(key.substr(0, std::min<size_t>(key.size(), static_cast<size_t>(info.keyLength))));
    if (exact_ && info.keyType == 'C')
        wanted.resize(static_cast<size_t>(info.keyLength), ' ');
    bof_ = false;
    eof_ = false;
    if (indexOrder_->seek(wanted) && seekVisible(true)) {
        if (indexOrder_->key().substr(0, wanted.size()) == wanted)
            return true;
        if (softSeek_)
            return false;
    }
    setEof();
    return false;
}

std::vector<std::string> Table::checkIndexes()
{
    return indexes_.check(dbf_, memoFile());
}

// ---------------------------------------------------------------------------
// Whole-table operations

void Table::reportProgress(int percent) const
{
    if (progress_)
        progress_(std::clamp(percent, 0, 100));
}

void Table::pack()
{
    requireWritable("pack");
    requireBrowse("packing");
    setBulkAppend(false);
    if (memo_ && memo_->kind() != MemoKind::Fpt)
        throw Error(ErrorKind::NotSupported, "Packing a table with a dBase memo file is not supported", dbf_.path());
    const std::string path = dbf_.path();
    const std::string newDbfPath = packedDbf(path);
    const std::string newMemoPath = packedMemo(path);
    const std::string newCdxPath = packedCdx(path);
    const int restoreOrder = orderOrdinal_;
    reportProgress(0);
    bool withIndex = false;
    try {
        writePacked(newDbfPath, newMemoPath, indexes_.hasProduction() ? 50 : 100);
        withIndex = rebuildPackedIndex(newDbfPath, newMemoPath, newCdxPath);
    } catch (...) {
        // Leftovers go; a failure to remove one must not hide why the pack failed.
        for (const auto& file : {newDbfPath, newMemoPath, newCdxPath}) {
            try {
                removeFile(file);
            } catch (const Error&) {
            }
        }
        throw;
    }
    setOrder(0);
    indexes_.closeAll();
    commitPacked(newDbfPath, newMemoPath, withIndex ? newCdxPath : std::string());
    indexes_.openProduction(path, true);
    if (restoreOrder <= indexes_.count())
        setOrder(restoreOrder);
    reportProgress(100);
    first();
}

// Builds the production index of the packed files beside them; false when
// the table has none.
bool Table::rebuildPackedIndex(const std::string& newDbfPath, const std::string& newMemoPath,
                               const std::string& newCdxPath)
{
    if (!indexes_.hasProduction())
        return false;
    DbfFile packed(newDbfPath, false);
    std::optional<MemoFile> packedMemos;
    if (memo_)
        packedMemos.emplace(newMemoPath, MemoKind::Fpt, false);
    indexes_.rebuildProductionInto(newCdxPath, packed, packedMemos ? &*packedMemos : nullptr,
                                   [this](int p) { reportProgress(50 + p / 2); });
    File(newCdxPath, File::Mode::ReadWrite).sync();
    return true;
}

// Writes the records without a delete mark, and their memos, to new files.
void Table::writePacked(const std::string& newDbfPath, const std::string& newMemoPath, int progressEnd)
{
    {
        DbfFile::createLike(newDbfPath, dbf_);
        DbfFile packed(newDbfPath, true);
        packed.deferCount(true);
        std::optional<MemoFile> packedMemos;
        if (memo_) {
            packedMemos.emplace(MemoFile::createFpt(newMemoPath, memo_->blockSize()));
            packedMemos->deferHeader(true);
        }
        const uint32_t count = dbf_.recordCount();
        std::string record;
        std::string text;
        int lastPercent = 0;
        for (uint32_t r = 1; r <= count; ++r) {
            record.assign(dbf_.record(r), dbf_.recordLength());
            if (record[0] != DbfFile::kDeletedMark) {
                for (const Field& f : dbf_.fields()) {
                    if (!f.memo || !memo_)
                        continue;
                    memo_->read(memoBlock(record.data(), f, r), text);
                    setMemoBlock(record.data(), f, packedMemos->write(0, text));
                }
                packed.appendRecord(record.data());
            }
            int percent = static_cast<int>(uint64_t(r) * progressEnd / count);
            if (percent != lastPercent)
                reportProgress(lastPercent = percent);
        }
        packed.deferCount(false);
        packed.sync();
        if (packedMemos) {
            packedMemos->deferHeader(false);
            packedMemos->sync();
        }
    }
}

// Puts the packed files in place of the old ones and reopens them.
void Table::commitPacked(const std::string& newDbfPath, const std::string& newMemoPath, const std::string& newCdxPath)
{
    const std::string path = dbf_.path();
    const std::string cdxPath = indexes_.productionPath().empty() ? findCompanion(path, ".CDX") : indexes_.productionPath();
    FileReplacement replacement(packMarker(path));
    if (!newCdxPath.empty())
        replacement.add(newCdxPath, cdxPath);
    if (memo_)
        replacement.add(newMemoPath, memo_->path());
    replacement.add(newDbfPath, path);
    // Lock the new files before they take the old names, so no other
    // program can slip in between.
    DbfFile next(newDbfPath, true);
    next.file().lock(true);
    std::optional<MemoFile> nextMemo;
    if (memo_)
        nextMemo.emplace(newMemoPath, MemoKind::Fpt, true);
    replacement.commit();
    next.file().renamed(path);
    if (nextMemo)
        nextMemo->file().renamed(memo_->path());
    unregisterOpen();
    dbf_ = std::move(next);
    memo_ = std::move(nextMemo);
    natural_ = std::make_unique<NaturalOrder>(dbf_);
    order_ = natural_.get();
    registerOpen();
}

void Table::zap()
{
    requireWritable("zap");
    requireBrowse("zapping");
    setBulkAppend(false);
    indexes_.beginChange();
    dbf_.truncateRecords(0);
    if (memo_)
        memo_->clear();
    indexes_.cleared();
    indexes_.flush();
    setEof();
    bof_ = true;
}

void Table::copyStructure(const std::string& path) const
{
    DbfFile::createLike(path, dbf_);
    if (dbf_.hasMemoFields()) {
        std::string folder = folderOf(path);
        std::string base = path.substr(folder.size());
        auto dot = base.find_last_of('.');
        MemoFile::createFpt(folder + (dot == std::string::npos ? base : base.substr(0, dot)) + ".FPT");
    }
}

}  // namespace xbase

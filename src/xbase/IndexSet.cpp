#include "xbase/IndexSet.h"

#include <algorithm>
#include <cctype>

#include "xbase/Error.h"
#include "xbase/File.h"
#include "xbase/IndexKey.h"
#include "xbase/RecordView.h"

namespace xbase {

struct IndexSet::Entry {
    IndexTagInfo info;
    Expression key;
    Expression filter;               // null: every record enters
    CdxFile* cdx = nullptr;          // a tag of the production index...
    int tag = -1;
    std::unique_ptr<IdxFile> idx;    // ...or a standalone index
    std::string keyBuffer;
};

namespace {

// Beside the CDX while it lags behind the records.
constexpr const char* kPendingMarker = ".pending";

// The marker beside the production index of the table at dbfPath, found
// regardless of letter case; empty when there is none.
std::string findPendingMarker(const std::string& dbfPath)
{
    return findCompanion(dbfPath, std::string(".CDX") + kPendingMarker);
}
// Changes committed within this time of the last write wait for the next.
constexpr auto kWriteInterval = std::chrono::milliseconds(250);

char keyTypeOf(ValueType type)
{
    switch (type) {
    case ValueType::Character: return 'C';
    case ValueType::Numeric: return 'N';
    case ValueType::Date: return 'D';
    case ValueType::Logical: return 'L';
    }
    return 'C';
}

// Julian day number of a YYYYMMDD date; 0 for a blank or invalid one.
double julianDay(std::string_view date)
{
    if (date.size() < 8 || !std::all_of(date.begin(), date.begin() + 8, [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    int y = std::stoi(std::string(date.substr(0, 4)));
    int m = std::stoi(std::string(date.substr(4, 2)));
    int d = std::stoi(std::string(date.substr(6, 2)));
    int a = (14 - m) / 12;
    int yy = y + 4800 - a;
    int mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The (key, record number) entries of every record of a table that enters an order.
class RecordKeySource final : public IndexEntrySource {
public:
    using KeyFn = std::function<bool(const RecordSource&, std::string_view&)>;
    RecordKeySource(const DbfFile& dbf, const MemoFile* memo, KeyFn key)
        : dbf_(dbf), view_(dbf, memo), key_(std::move(key))
    {
    }
    uint64_t sizeHint() const override { return dbf_.recordCount(); }
    bool next(std::string_view& key, uint32_t& recno) override
    {
        while (next_ <= dbf_.recordCount()) {
            uint32_t r = next_++;
            view_.point(dbf_.record(r), r);
            if (key_(view_, key)) {
                recno = r;
                return true;
            }
        }
        return false;
    }

private:
    const DbfFile& dbf_;
    RecordView view_;
    KeyFn key_;
    uint32_t next_ = 1;
};

}  // namespace

IndexSet::IndexSet(const RecordSource& schema) : schema_(schema) {}

IndexSet::~IndexSet()
{
    try {
        closeAll();
    } catch (...) {
        // A failed final write cannot be reported from a destructor; close()
        // of the table flushes first and reports it.
    }
}

IndexSet::Entry& IndexSet::entry(int ordinal)
{
    if (ordinal < 1 || ordinal > count())
        throw Error(ErrorKind::InvalidArgument, "No index order number " + std::to_string(ordinal));
    return *orders_[static_cast<size_t>(ordinal - 1)];
}

const IndexSet::Entry& IndexSet::entry(int ordinal) const
{
    return const_cast<IndexSet*>(this)->entry(ordinal);
}

const IndexTagInfo& IndexSet::info(int ordinal) const
{
    return entry(ordinal).info;
}

int IndexSet::ordinalOf(std::string_view name) const
{
    const std::string wanted = upper(name);
    for (size_t i = 0; i < orders_.size(); ++i)
        if (upper(orders_[i]->info.name) == wanted)
            return static_cast<int>(i) + 1;
    return 0;
}

std::string IndexSet::fileOf(int ordinal) const
{
    if (ordinal == 0)
        return {};
    const Entry& e = entry(ordinal);
    return e.cdx ? e.cdx->path() : e.idx->path();
}

const std::string& IndexSet::productionPath() const
{
    static const std::string none;
    return cdx_ ? cdx_->path() : none;
}

void IndexSet::compile(Entry& e)
{
    e.key = Expression::compile(e.info.keyExpression, schema_);
    if (!e.info.forExpression.empty())
        e.filter = Expression::compileLogical(e.info.forExpression, schema_);
    const char type = keyTypeOf(e.key.type());
    if (e.info.keyType == 0) {
        if (e.cdx)
            e.cdx->setKeyType(e.tag, type);
        else if (e.idx)
            e.idx->setKeyType(type);
        e.info.keyType = type;
    } else if (e.info.keyType != type) {
        throw Error(ErrorKind::Corrupt, "The key of order " + e.info.name + " is not of the type of its expression");
    }
}

void IndexSet::openProduction(const std::string& dbfPath, bool writable)
{
    problem_.clear();
    const std::string path = findCompanion(dbfPath, ".CDX");
    if (path.empty())
        return;
    try {
        if (!findPendingMarker(dbfPath).empty())
            throw Error(ErrorKind::Corrupt, "The index was not saved completely when the table was last open; "
                                            "it must be rebuilt", path);
        cdx_ = CdxFile::open(path, writable);
        loadProductionTags();
    } catch (const Error& error) {
        // The table stays usable without its index; the owner offers a rebuild.
        problem_ = error.what();
        orders_.erase(std::remove_if(orders_.begin(), orders_.end(), [](const auto& e) { return e->cdx != nullptr; }),
                      orders_.end());
        cdx_.reset();
    }
}

void IndexSet::loadProductionTags()
{
    std::vector<std::unique_ptr<Entry>> tags;
    for (int t = 0; t < cdx_->tagCount(); ++t) {
        auto e = std::make_unique<Entry>();
        e->info = cdx_->tagInfo(t);
        e->cdx = cdx_.get();
        e->tag = t;
        try {
            compile(*e);
        } catch (const Error& error) {
            throw Error(ErrorKind::Corrupt, "Tag " + e->info.name + ": " + error.message(), cdx_->path());
        }
        tags.push_back(std::move(e));
    }
    // Tags first, then the standalone indexes already open.
    for (auto& e : orders_)
        if (!e->cdx)
            tags.push_back(std::move(e));
    orders_ = std::move(tags);
}

void IndexSet::closeAll()
{
    // Closed even when the last write fails; its marker then stays on disk.
    struct Release {
        IndexSet& set;
        ~Release()
        {
            set.orders_.clear();
            set.cdx_.reset();
            set.problem_.clear();
            set.unwritten_ = false;
            set.pendingMarker_.clear();
        }
    } release{*this};
    flush();
}

bool IndexSet::enters(Entry& e, const RecordSource& record)
{
    return e.filter.isNull() || e.filter.evalLogical(record);
}

std::string_view IndexSet::keyOf(Entry& e, const RecordSource& record)
{
    const size_t length = static_cast<size_t>(e.info.keyLength);
    std::string_view key = e.key.evalKey(record);
    if (e.info.keyType == 'D') {
        e.keyBuffer = indexNumberKey(julianDay(key));
    } else if (key.size() == length) {
        return key;
    } else {
        e.keyBuffer.assign(key.substr(0, std::min(key.size(), length)));
        e.keyBuffer.resize(length, e.info.keyType == 'C' ? ' ' : '\0');
    }
    return e.keyBuffer;
}

int IndexSet::createTag(const std::string& dbfPath, const std::string& name, const std::string& keyExpression,
                        const std::string& forExpression, const DbfFile& dbf, const MemoFile* memo,
                        const std::function<void(int)>& progress)
{
    Entry e;
    e.info.name = upper(name);
    e.info.keyExpression = keyExpression;
    e.info.forExpression = forExpression;
    compile(e);
    e.info.keyLength = e.info.keyType == 'C' ? e.key.width() : e.info.keyType == 'L' ? 1 : kIndexNumberKeyLength;
    if (e.info.keyLength < 1 || e.info.keyLength > 240)
        throw Error(ErrorKind::InvalidArgument,
                    "The key of " + keyExpression + " is " + std::to_string(e.info.keyLength) + " bytes; an index key has 1 to 240",
                    dbfPath);
    if (!cdx_) {
        std::string folder = folderOf(dbfPath);
        std::string base = dbfPath.substr(folder.size());
        base = base.substr(0, base.find_last_of('.'));
        // A marker left by the index this one replaces no longer applies.
        removeFile(findPendingMarker(dbfPath));
        cdx_ = CdxFile::create(folder + base + ".CDX");
        problem_.clear();
    }
    RecordKeySource source(dbf, memo, [&](const RecordSource& record, std::string_view& key) {
        if (!enters(e, record))
            return false;
        key = keyOf(e, record);
        return true;
    });
    cdx_->addTag(e.info, source, progress);
    flush();
    loadProductionTags();
    return ordinalOf(e.info.name);
}

int IndexSet::createStandalone(const std::string& path, const std::string& keyExpression)
{
    auto e = std::make_unique<Entry>();
    e->info.keyExpression = keyExpression;
    compile(*e);
    e->info.keyLength = e->info.keyType == 'C' ? e->key.width() : e->info.keyType == 'L' ? 1 : kIndexNumberKeyLength;
    e->idx = IdxFile::create(path, e->info);
    e->info = e->idx->info();
    orders_.push_back(std::move(e));
    return count();
}

void IndexSet::closeStandalone(int ordinal)
{
    Entry& e = entry(ordinal);
    if (!e.idx)
        throw Error(ErrorKind::InvalidArgument, "Order " + std::to_string(ordinal) + " is a tag, not a standalone index");
    flush();
    orders_.erase(orders_.begin() + (ordinal - 1));
}

void IndexSet::addKey(int ordinal, const RecordSource& record, uint32_t recno)
{
    Entry& e = entry(ordinal);
    if (!enters(e, record))
        return;
    std::string_view key = keyOf(e, record);
    beginChange();
    if (e.cdx)
        e.cdx->insert(e.tag, key, recno);
    else
        e.idx->insert(key, recno);
}

IndexSet::Keys IndexSet::keysOf(const RecordSource& record)
{
    Keys keys;
    keys.reserve(orders_.size());
    for (auto& e : orders_) {
        if (enters(*e, record))
            keys.emplace_back(std::string(keyOf(*e, record)));
        else
            keys.emplace_back();
    }
    return keys;
}

void IndexSet::added(const RecordSource& record, uint32_t recno)
{
    for (size_t i = 0; i < orders_.size(); ++i)
        addKey(static_cast<int>(i) + 1, record, recno);
}

void IndexSet::changed(const Keys& before, const RecordSource& after, uint32_t recno)
{
    for (size_t i = 0; i < orders_.size() && i < before.size(); ++i) {
        Entry& e = *orders_[i];
        std::optional<std::string_view> now;
        if (enters(e, after))
            now = keyOf(e, after);
        if (before[i].has_value() == now.has_value() && (!now || *before[i] == *now))
            continue;
        beginChange();
        bool removed = false;
        if (before[i])
            removed = e.cdx ? e.cdx->remove(e.tag, *before[i], recno) : e.idx->remove(*before[i], recno);
        // A standalone index holds only the records put into it: move an
        // entry it has, never add one it lacks.
        if (now && (e.cdx || removed)) {
            if (e.cdx)
                e.cdx->insert(e.tag, *now, recno);
            else
                e.idx->insert(*now, recno);
        }
    }
}

void IndexSet::cleared()
{
    beginChange();
    if (cdx_)
        cdx_->clear();
    for (auto& e : orders_)
        if (e->idx)
            e->idx->clear();
}

void IndexSet::beginChange()
{
    if (unwritten_)
        return;
    if (cdx_ && cdx_->writable()) {
        const std::string marker = cdx_->path() + kPendingMarker;
        File(marker, File::Mode::Create).close();
        pendingMarker_ = marker;
    }
    unwritten_ = true;
}

void IndexSet::commit()
{
    if (unwritten_ && std::chrono::steady_clock::now() - lastFlush_ >= kWriteInterval)
        flush();
}

void IndexSet::flush()
{
    if (cdx_)
        cdx_->flush();
    for (auto& e : orders_)
        if (e->idx)
            e->idx->flush();
    if (!pendingMarker_.empty()) {
        removeFile(pendingMarker_);
        pendingMarker_.clear();
    }
    unwritten_ = false;
    lastFlush_ = std::chrono::steady_clock::now();
}

bool IndexSet::rebuildProductionInto(const std::string& newPath, const DbfFile& dbf, const MemoFile* memo,
                                     const std::function<void(int)>& progress)
{
    if (!cdx_)
        return false;
    auto fresh = CdxFile::create(newPath);
    const int tags = cdx_->tagCount();
    for (int t = 0; t < tags; ++t) {
        Entry& e = *orders_[static_cast<size_t>(t)];
        RecordKeySource source(dbf, memo, [&](const RecordSource& record, std::string_view& key) {
            if (!enters(e, record))
                return false;
            key = keyOf(e, record);
            return true;
        });
        fresh->addTag(e.info, source, [&](int p) {
            if (progress)
                progress((t * 100 + p) / tags);
        });
    }
    fresh->flush();
    return true;
}

std::unique_ptr<IndexOrder> IndexSet::makeOrder(int ordinal, const RecordSource& current)
{
    Entry& e = entry(ordinal);
    auto cursor = e.cdx ? e.cdx->cursor(e.tag) : e.idx->cursor();
    return std::make_unique<IndexOrder>(std::move(cursor), [this, &e, &current]() -> std::optional<std::string> {
        if (!enters(e, current))
            return std::nullopt;
        return std::string(keyOf(e, current));
    });
}

std::vector<std::string> IndexSet::check(const DbfFile& dbf, const MemoFile* memo)
{
    std::vector<std::string> faults;
    try {
        if (cdx_)
            cdx_->verify();
        for (auto& e : orders_)
            if (e->idx)
                e->idx->verify();
    } catch (const Error& error) {
        faults.push_back(error.what());
        return faults;
    }
    for (size_t i = 0; i < orders_.size(); ++i) {
        Entry& e = *orders_[i];
        std::vector<std::pair<std::string, uint32_t>> expected;
        RecordView view(dbf, memo);
        for (uint32_t r = 1; r <= dbf.recordCount(); ++r) {
            view.point(dbf.record(r), r);
            if (enters(e, view))
                expected.emplace_back(std::string(keyOf(e, view)), r);
        }
        std::sort(expected.begin(), expected.end());
        if (e.info.unique)
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [](const auto& a, const auto& b) { return a.first == b.first; }),
                           expected.end());
        if (e.info.descending)
            std::reverse(expected.begin(), expected.end());
        auto cursor = e.cdx ? e.cdx->cursor(e.tag) : e.idx->cursor();
        size_t n = 0;
        for (bool more = cursor->first(); more; more = cursor->next(), ++n) {
            if (n >= expected.size() || expected[n].second != cursor->recno() || expected[n].first != cursor->key()) {
                faults.push_back("Order " + e.info.name + ": entry " + std::to_string(n + 1) + " is record " +
                                 std::to_string(cursor->recno()) + ", expected " +
                                 (n < expected.size() ? "record " + std::to_string(expected[n].second) : "the end"));
                break;
            }
        }
        if (faults.empty() || faults.back().rfind("Order " + e.info.name, 0) != 0) {
            if (n != expected.size())
                faults.push_back("Order " + e.info.name + " holds " + std::to_string(n) + " entries, expected " +
                                 std::to_string(expected.size()));
        }
    }
    return faults;
}

IndexOrder::IndexOrder(std::unique_ptr<IndexCursor> cursor, std::function<std::optional<std::string>()> currentKey)
    : cursor_(std::move(cursor)), currentKey_(std::move(currentKey))
{
}

IndexOrder::~IndexOrder() = default;

bool IndexOrder::locate(uint32_t recno)
{
    std::optional<std::string> key = currentKey_();
    if (!key)
        return false;
    return cursor_->seek(*key, recno) && cursor_->recno() == recno && cursor_->key() == *key;
}

}  // namespace xbase

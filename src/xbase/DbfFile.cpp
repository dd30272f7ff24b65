#include "xbase/DbfFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

#include "xbase/ByteOrder.h"
#include "xbase/Error.h"

namespace xbase {
namespace {

constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kDescriptorSize = 32;
constexpr unsigned char kFieldsEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr uint8_t kCodePage1252 = 0x03;
constexpr uint32_t kVfpBacklinkSize = 263;
constexpr size_t kWindowBytes = 256 * 1024;
constexpr size_t kSmallWindowBytes = 4 * 1024;

bool flavorOf(uint8_t version, DbfFlavor& flavor)
{
    switch (version) {
    case 0x03: case 0x83: flavor = DbfFlavor::DBase3; return true;
    case 0x8B: case 0x8E: flavor = DbfFlavor::DBase4; return true;
    case 0xF5: case 0xFB: flavor = DbfFlavor::FoxPro; return true;
    case 0x30: case 0x31: case 0x32: flavor = DbfFlavor::VisualFoxPro; return true;
    default: return false;
    }
}

bool isKnownType(char type)
{
    return std::strchr("CNFLDMIBYTGPWVQ0", type) != nullptr && type != '\0';
}

bool validName(const std::string& name)
{
    if (name.empty() || name.size() > 10 || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void checkDefinition(const FieldSpec& definition, const std::string& path)
{
    auto bad = [&](const std::string& why) {
        throw Error(ErrorKind::InvalidArgument, "Field " + definition.name + ": " + why, path);
    };
    if (!validName(definition.name))
        bad("a field name has 1 to 10 letters, digits or underscores and starts with a letter");
    switch (definition.type) {
    case FieldType::Character:
        if (definition.length < 1 || definition.length > 254) bad("width must be 1 to 254");
        if (definition.decimals != 0) bad("a character field has no decimals");
        break;
    case FieldType::Numeric:
    case FieldType::Float:
        if (definition.length < 1 || definition.length > 20) bad("width must be 1 to 20");
        if (definition.decimals < 0 || (definition.decimals > 0 && definition.decimals > definition.length - 2)) bad("too many decimals for the width");
        break;
    case FieldType::Logical:
        if (definition.length != 1 || definition.decimals != 0) bad("a logical field has width 1");
        break;
    case FieldType::Date:
        if (definition.length != 8 || definition.decimals != 0) bad("a date field has width 8");
        break;
    case FieldType::Memo:
        if (definition.length != 10 || definition.decimals != 0) bad("a memo field has width 10");
        break;
    default:
        bad(std::string("type '") + definition.type + "' cannot be created");
    }
}

void stampDate(unsigned char* header)
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    header[1] = static_cast<unsigned char>(tm.tm_year % 256);
    header[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    header[3] = static_cast<unsigned char>(tm.tm_mday);
}

}  // namespace

bool DbfFile::hasMemoFields() const
{
    return std::any_of(fields_.begin(), fields_.end(), [](const Field& f) { return f.memo; });
}

DbfFile::DbfFile(const std::string& path, bool writable)
    : file_(path, writable ? File::Mode::ReadWrite : File::Mode::ReadOnly)
{
    readHeader();
}

void DbfFile::readHeader()
{
    const std::string& path = file_.path();
    const uint64_t size = file_.size();
    if (size < kHeaderSize)
        throw Error(ErrorKind::Corrupt, "File is too short to be a DBF table", path);
    unsigned char head[kHeaderSize];
    file_.readExact(0, head, sizeof head);
    version_ = head[0];
    if (version_ == 0x04 || version_ == 0x8C)
        throw Error(ErrorKind::NotSupported, "dBase 7 tables are not supported", path);
    if (!flavorOf(version_, flavor_)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", version_);
        throw Error(ErrorKind::NotSupported, std::string("Not a DBF table of a known kind (version byte ") + hex + ")", path);
    }
    recordCount_ = getLe32(head + 4);
    headerLength_ = getLe16(head + 8);
    recordLength_ = getLe16(head + 10);
    if (headerLength_ < kHeaderSize + kDescriptorSize + 1)
        throw Error(ErrorKind::Corrupt, "Header length " + std::to_string(headerLength_) + " at offset 8 is too small", path);
    if (headerLength_ > size)
        throw Error(ErrorKind::Corrupt, "Header length " + std::to_string(headerLength_) + " runs past the end of the file", path);
    if (recordLength_ < 2)
        throw Error(ErrorKind::Corrupt, "Record length " + std::to_string(recordLength_) + " at offset 10 is too small", path);
    std::vector<unsigned char> header(headerLength_);
    file_.readExact(0, header.data(), header.size());
    readFields(header);
    const uint64_t needed = headerLength_ + uint64_t(recordCount_) * recordLength_;
    if (needed > size)
        throw Error(ErrorKind::Corrupt,
                    "Header counts " + std::to_string(recordCount_) + " records but the file holds only " +
                        std::to_string((size - headerLength_) / recordLength_),
                    path);
}

void DbfFile::readFields(const std::vector<unsigned char>& header)
{
    const std::string& path = file_.path();
    fields_.clear();
    uint32_t pos = kHeaderSize;
    uint32_t offset = 1;  // after the delete flag
    int nullBits = 0;
    std::set<std::string> names;
    while (true) {
        if (pos >= header.size())
            throw Error(ErrorKind::Corrupt, "The field list has no end mark within the header", path);
        if (header[pos] == kFieldsEnd)
            break;
        if (pos + kDescriptorSize > header.size())
            throw Error(ErrorKind::Corrupt, "Field descriptor at offset " + std::to_string(pos) + " overruns the header", path);
        const unsigned char* d = header.data() + pos;
        Field field;
        field.name.assign(reinterpret_cast<const char*>(d), strnlen(reinterpret_cast<const char*>(d), 11));
        field.name = upper(field.name);
        field.type = static_cast<char>(std::toupper(d[11]));
        field.length = d[16];
        field.decimals = d[17];
        if (flavor_ == DbfFlavor::VisualFoxPro)
            field.flags = d[18];
        if (!isKnownType(field.type))
            throw Error(ErrorKind::NotSupported,
                        "Field " + field.name + " has an unknown type '" + std::string(1, field.type) + "'", path);
        if (field.type == FieldType::Character && field.decimals != 0) {
            // Wide character fields keep the high byte of the width in the decimals byte.
            field.length = static_cast<uint16_t>(field.length | field.decimals << 8);
            field.decimals = 0;
        }
        if (field.name.empty() || field.length == 0)
            throw Error(ErrorKind::Corrupt, "Field descriptor at offset " + std::to_string(pos) + " has no name or width", path);
        if (!names.insert(field.name).second)
            throw Error(ErrorKind::Corrupt, "Field " + field.name + " occurs twice", path);
        field.memo = std::strchr("MGPW", field.type) != nullptr ||
                     (field.type == FieldType::Double && flavor_ != DbfFlavor::VisualFoxPro);
        if (field.type == '0') {
            field.flags |= 0x01;  // _NullFlags: a system column
            nullFlagsField_ = static_cast<int>(fields_.size());
        }
        if (field.flags & 0x02)
            field.nullBit = nullBits++;
        if (field.type == 'V' || field.type == 'Q')
            ++nullBits;  // the bit that says the value is shorter than the field
        field.offset = offset;
        offset += field.length;
        if (offset > recordLength_)
            throw Error(ErrorKind::Corrupt, "Fields are longer than the record length " + std::to_string(recordLength_), path);
        fields_.push_back(std::move(field));
        pos += kDescriptorSize;
    }
    if (fields_.empty())
        throw Error(ErrorKind::Corrupt, "The table has no fields", path);
    if (nullFlagsField_ >= 0 && fields_[nullFlagsField_].length * 8 < nullBits)
        throw Error(ErrorKind::Corrupt, "_NullFlags is too short for the nullable fields", path);
}

void DbfFile::create(const std::string& path, const std::vector<FieldSpec>& specs)
{
    if (specs.empty())
        throw Error(ErrorKind::InvalidArgument, "A table needs at least one field", path);
    if (specs.size() > 255)
        throw Error(ErrorKind::InvalidArgument, "A table has at most 255 fields", path);
    std::set<std::string> names;
    uint32_t recordLength = 1;
    bool memo = false;
    for (const FieldSpec& definition : specs) {
        checkDefinition(definition, path);
        if (!names.insert(upper(definition.name)).second)
            throw Error(ErrorKind::InvalidArgument, "Field " + definition.name + " occurs twice", path);
        recordLength += static_cast<uint32_t>(definition.length);
        memo = memo || definition.type == FieldType::Memo;
    }
    if (recordLength > 65535)
        throw Error(ErrorKind::InvalidArgument, "The record is longer than 65535 bytes", path);
    const uint32_t headerLength = kHeaderSize + kDescriptorSize * static_cast<uint32_t>(specs.size()) + 2;
    std::vector<unsigned char> header(headerLength + 1, 0);
    header[0] = memo ? 0xF5 : 0x03;
    stampDate(header.data());
    putLe16(header.data() + 8, headerLength);
    putLe16(header.data() + 10, recordLength);
    header[29] = kCodePage1252;
    uint32_t offset = 1;
    for (size_t i = 0; i < specs.size(); ++i) {
        unsigned char* d = header.data() + kHeaderSize + kDescriptorSize * i;
        std::string name = upper(specs[i].name);
        std::memcpy(d, name.data(), name.size());
        d[11] = static_cast<unsigned char>(specs[i].type);
        putLe32(d + 12, offset);
        d[16] = static_cast<unsigned char>(specs[i].length);
        d[17] = static_cast<unsigned char>(specs[i].decimals);
        offset += static_cast<uint32_t>(specs[i].length);
    }
    header[headerLength - 2] = kFieldsEnd;
    header[headerLength] = kEndOfFile;
    File file(path, File::Mode::Create);
    file.write(0, header.data(), header.size());
}

void DbfFile::createLike(const std::string& path, const DbfFile& model)
{
    std::vector<unsigned char> header(model.headerLength_ + 1, 0);
    model.file_.readExact(0, header.data(), model.headerLength_);
    stampDate(header.data());
    putLe32(header.data() + 4, 0);
    header[28] &= static_cast<unsigned char>(~0x01);  // the copy has no compound index yet
    header[model.headerLength_] = kEndOfFile;
    File file(path, File::Mode::Create);
    file.write(0, header.data(), header.size());
}

const std::string& DbfFile::blankRecord() const
{
    if (blank_.size() == recordLength_)
        return blank_;
    std::string& record = blank_;
    record.assign(recordLength_, ' ');
    if (nullFlagsField_ >= 0) {
        // A new Visual FoxPro record: binary fields zero, nullable fields null.
        for (const Field& f : fields_) {
            if (std::strchr("IBYT0", f.type) && !f.memo)
                std::memset(record.data() + f.offset, 0, f.length);
            if (f.nullBit >= 0)
                record[fields_[nullFlagsField_].offset + f.nullBit / 8] |= static_cast<char>(1 << (f.nullBit % 8));
        }
    } else {
        for (const Field& f : fields_)
            if (flavor_ == DbfFlavor::VisualFoxPro && std::strchr("IBYT", f.type) && !f.memo)
                std::memset(record.data() + f.offset, 0, f.length);
    }
    return record;
}

void DbfFile::requireRecord(uint32_t recno) const
{
    if (recno == 0 || recno > recordCount_)
        throw Error(ErrorKind::InvalidArgument, "Record " + std::to_string(recno) + " does not exist", file_.path());
}

const char* DbfFile::record(uint32_t recno) const
{
    requireRecord(recno);
    if (inWindow(recno))
        return window_.data() + size_t(recno - windowFirst_) * recordLength_;
    // Reading on from the window fills a large window in that direction;
    // a jump elsewhere (an index order walks the file out of order) reads a
    // small one, so that random access does not drag whole windows in.
    const bool forward = windowFirst_ != 0 && recno == windowFirst_ + windowCount_;
    const bool backward = windowFirst_ != 0 && recno + 1 == windowFirst_;
    const size_t bytes = forward || backward ? kWindowBytes : kSmallWindowBytes;
    const uint32_t perWindow = std::max<uint32_t>(1, static_cast<uint32_t>(bytes / recordLength_));
    uint32_t first = recno;
    if (backward)
        first = recno >= perWindow ? recno - perWindow + 1 : 1;
    return readWindow(first, std::min(perWindow, recordCount_ - first + 1), recno);
}

// Reads records first..first+count-1 into the window; returns record recno.
const char* DbfFile::readWindow(uint32_t first, uint32_t count, uint32_t recno) const
{
    writePending();
    window_.resize(size_t(count) * recordLength_);
    windowFirst_ = 0;  // stays empty if the read throws
    file_.readExact(recordOffset(first), window_.data(), window_.size());
    windowFirst_ = first;
    windowCount_ = count;
    for (uint32_t i = 0; i < count; ++i)
        rememberMark(first + i, window_[size_t(i) * recordLength_]);
    return window_.data() + size_t(recno - first) * recordLength_;
}

bool DbfFile::isDeleted(uint32_t recno) const
{
    requireRecord(recno);
    const size_t word = (recno - 1) / 64;
    const uint64_t bit = uint64_t{1} << ((recno - 1) % 64);
    if (word < marksKnown_.size() && (marksKnown_[word] & bit) != 0)
        return (marksDeleted_[word] & bit) != 0;
    if (inWindow(recno))
        return record(recno)[0] == kDeletedMark;
    // The aligned large window around it: its neighbours' marks come along.
    const uint32_t perWindow = std::max<uint32_t>(1, static_cast<uint32_t>(kWindowBytes / recordLength_));
    const uint32_t first = (recno - 1) / perWindow * perWindow + 1;
    return readWindow(first, std::min(perWindow, recordCount_ - first + 1), recno)[0] == kDeletedMark;
}

void DbfFile::rememberMark(uint32_t recno, char mark) const
{
    const size_t word = (recno - 1) / 64;
    const uint64_t bit = uint64_t{1} << ((recno - 1) % 64);
    if (word >= marksKnown_.size()) {
        marksKnown_.resize(std::max(word + 1, (size_t(recordCount_) + 63) / 64));
        marksDeleted_.resize(marksKnown_.size());
    }
    marksKnown_[word] |= bit;
    if (mark == kDeletedMark)
        marksDeleted_[word] |= bit;
    else
        marksDeleted_[word] &= ~bit;
}

void DbfFile::writeRecord(uint32_t recno, const char* data)
{
    requireRecord(recno);
    writePending();
    file_.write(recordOffset(recno), data, recordLength_);
    rememberMark(recno, data[0]);
    if (inWindow(recno))
        std::memcpy(window_.data() + size_t(recno - windowFirst_) * recordLength_, data, recordLength_);
}

void DbfFile::appendRecord(const char* data)
{
    if (recordCount_ == UINT32_MAX)
        throw Error(ErrorKind::InvalidArgument, "The table is full", file_.path());
    rememberMark(recordCount_ + 1, data[0]);
    if (deferCount_) {
        if (pending_.empty())
            pendingFirst_ = recordCount_ + 1;
        pending_.insert(pending_.end(), data, data + recordLength_);
        ++recordCount_;
        countDirty_ = true;
        if (pending_.size() >= kWindowBytes)
            writePending();
        return;
    }
    appendBuffer_.resize(recordLength_ + 1);
    std::memcpy(appendBuffer_.data(), data, recordLength_);
    appendBuffer_[recordLength_] = kEndOfFile;
    // Record first, then the count: a crash in between leaves the old count.
    file_.write(recordOffset(recordCount_ + 1), appendBuffer_.data(), appendBuffer_.size());
    ++recordCount_;
    writeCount();
}

void DbfFile::writePending() const
{
    if (pending_.empty())
        return;
    pending_.push_back(kEndOfFile);
    const uint64_t offset = headerLength_ + uint64_t(pendingFirst_ - 1) * recordLength_;
    file_.write(offset, pending_.data(), pending_.size());
    pending_.clear();
}

void DbfFile::deferCount(bool defer)
{
    deferCount_ = defer;
    if (!defer) {
        writePending();
        if (countDirty_)
            writeCount();
    }
}

void DbfFile::truncateRecords(uint32_t count)
{
    writePending();
    if (count >= recordCount_)
        return;
    recordCount_ = count;
    writeCount();
    const char eof = kEndOfFile;
    file_.write(recordOffset(count + 1), &eof, 1);
    file_.truncate(recordOffset(count + 1) + 1);
    windowFirst_ = 0;
    windowCount_ = 0;
    marksKnown_.clear();
    marksDeleted_.clear();
}

void DbfFile::setProductionIndexFlag(bool present)
{
    unsigned char flags = 0;
    file_.readExact(28, &flags, 1);
    flags = present ? static_cast<unsigned char>(flags | 0x01) : static_cast<unsigned char>(flags & ~0x01);
    file_.write(28, &flags, 1);
}

void DbfFile::writeCount()
{
    // Last-update date (bytes 1-3) and record count (4-7) in one write; the
    // date is taken once per session of writes.
    if (dateStamp_[1] == 0) {
        unsigned char today[4] = {};
        stampDate(today);
        std::memcpy(dateStamp_, today + 1, 3);
    }
    unsigned char head[8] = {};
    std::memcpy(head + 1, dateStamp_, 3);
    putLe32(head + 4, recordCount_);
    file_.write(1, head + 1, 7);
    countDirty_ = false;
}

}  // namespace xbase

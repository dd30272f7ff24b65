#include "xbase/RecordView.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

#include "xbase/Error.h"

namespace xbase {

int RecordView::findField(const std::vector<Field>& fields, std::string_view name)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& f = fields[i].name;
        if (f.size() == name.size() &&
            std::equal(f.begin(), f.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
            }))
            return static_cast<int>(i);
    }
    return -1;
}

uint32_t RecordView::memoBlock(const DbfFile& dbf, const char* record, const Field& field, uint32_t recno)
{
    const char* p = record + field.offset;
    if (field.length == 4) {
        uint32_t block;
        std::memcpy(&block, p, 4);  // little-endian on disk and on every host we build for
        return block;
    }
    const char* begin = p;
    const char* end = p + field.length;
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\0'))
        --end;
    if (begin == end)
        return 0;
    uint32_t block = 0;
    auto [stop, ec] = std::from_chars(begin, end, block);
    if (ec != std::errc() || stop != end)
        throw Error(ErrorKind::Corrupt, "The memo pointer of field " + field.name + " in record " +
                                            std::to_string(recno) + " is not a number", dbf.path());
    return block;
}

bool RecordView::isNull(const DbfFile& dbf, const char* record, const Field& field)
{
    const int flags = dbf.nullFlagsField();
    if (field.nullBit < 0 || flags < 0)
        return false;
    const Field& nulls = dbf.fields()[static_cast<size_t>(flags)];
    return (static_cast<unsigned char>(record[nulls.offset + field.nullBit / 8]) >> (field.nullBit % 8)) & 1;
}

int RecordView::fieldIndex(std::string_view name) const
{
    return findField(dbf_.fields(), name);
}

std::string_view RecordView::fieldBytes(int index) const
{
    const Field& f = dbf_.fields()[static_cast<size_t>(index)];
    return {record_ + f.offset, f.length};
}

bool RecordView::fieldIsNull(int index) const
{
    return isNull(dbf_, record_, dbf_.fields()[static_cast<size_t>(index)]);
}

void RecordView::memoText(int index, std::string& out) const
{
    const Field& f = dbf_.fields()[static_cast<size_t>(index)];
    if (!f.memo) {
        out.assign(fieldBytes(index));
        return;
    }
    uint32_t block = memoBlock(dbf_, record_, f, recno_);
    if (block == 0 || !memo_) {
        out.clear();
        return;
    }
    memo_->read(block, out);
}

}  // namespace xbase

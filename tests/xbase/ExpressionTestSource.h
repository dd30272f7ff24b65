#pragma once
// MemorySource: a RecordSource over records held in memory, for testing
// expressions without a table file. Records are kept as the bytes a DBF
// record holds after its delete flag; memos and null flags sit beside them.
// It counts memo reads so that tests can see what an evaluation touched.
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xbase/RecordSource.h"

namespace xbase::test {

class MemorySource : public RecordSource {
public:
    // Adds a field after the last one.
    void addField(const std::string& name, char type, uint16_t length, uint8_t decimals = 0, bool memo = false,
                  int nullBit = -1)
    {
        Field field;
        field.name = name;
        field.type = type;
        field.length = length;
        field.decimals = decimals;
        field.offset = recordLength_;
        field.memo = memo;
        field.nullBit = nullBit;
        recordLength_ += length;
        fields_.push_back(field);
    }

    // Appends a blank record and makes it current.
    void addRecord()
    {
        Record record;
        record.bytes.assign(recordLength_, ' ');
        records_.push_back(std::move(record));
        current_ = records_.size() - 1;
    }

    // Writes bytes into a field of the current record: character values are
    // padded with blanks (or cut) to the field's width.
    void set(std::string_view name, std::string_view bytes)
    {
        const Field& field = fields_.at(index(name));
        std::string value(bytes.substr(0, field.length));
        value.resize(field.length, ' ');
        record().bytes.replace(field.offset, field.length, value);
    }
    void setMemo(std::string_view name, std::string text) { record().memos[index(name)] = std::move(text); }
    void setNull(std::string_view name, bool isNull) { record().nulls[index(name)] = isNull; }
    void setDeleted(bool deleted) { record().deleted = deleted; }

    void go(uint32_t recno) { current_ = recno - 1; }
    size_t recordCount() const { return records_.size(); }
    void setExact(bool exact) { exact_ = exact; }
    int memoReads() const { return memoReads_; }

    const std::vector<Field>& fields() const override { return fields_; }
    int fieldIndex(std::string_view name) const override
    {
        for (size_t i = 0; i < fields_.size(); ++i) {
            if (equalsIgnoringCase(fields_[i].name, name))
                return static_cast<int>(i);
        }
        return -1;
    }
    std::string_view fieldBytes(int i) const override
    {
        const Field& field = fields_.at(static_cast<size_t>(i));
        return std::string_view(records_.at(current_).bytes).substr(field.offset, field.length);
    }
    bool fieldIsNull(int i) const override
    {
        const auto& nulls = records_.at(current_).nulls;
        const auto found = nulls.find(static_cast<size_t>(i));
        return found != nulls.end() && found->second;
    }
    void memoText(int i, std::string& out) const override
    {
        ++memoReads_;
        const auto& memos = records_.at(current_).memos;
        const auto found = memos.find(static_cast<size_t>(i));
        out.assign(found == memos.end() ? std::string_view() : std::string_view(found->second));
    }
    uint32_t recordNumber() const override { return static_cast<uint32_t>(current_ + 1); }
    bool isDeleted() const override { return records_.at(current_).deleted; }
    bool exactCompare() const override { return exact_; }

private:
    struct Record {
        std::string bytes;
        bool deleted = false;
        std::map<size_t, std::string> memos;
        std::map<size_t, bool> nulls;
    };

    static bool equalsIgnoringCase(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
            if (up(a[i]) != up(b[i]))
                return false;
        }
        return true;
    }

    size_t index(std::string_view name) const
    {
        const int i = fieldIndex(name);
        if (i < 0)
            throw std::invalid_argument("no field " + std::string(name));
        return static_cast<size_t>(i);
    }
    Record& record() { return records_.at(current_); }

    std::vector<Field> fields_;
    std::vector<Record> records_;
    size_t current_ = 0;
    uint32_t recordLength_ = 0;
    bool exact_ = false;
    mutable int memoReads_ = 0;
};

}  // namespace xbase::test

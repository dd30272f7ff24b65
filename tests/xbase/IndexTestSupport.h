#pragma once
// Helpers of the index tests: an entry source over a vector, padded keys.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xbase/IndexEntrySource.h"

namespace indextest {

using Entry = std::pair<std::string, uint32_t>;

inline std::string padded(std::string_view text, int length, char pad = ' ')
{
    std::string key(text.substr(0, static_cast<size_t>(length)));
    key.resize(static_cast<size_t>(length), pad);
    return key;
}

// Gives the entries in the order held; `sorted` is what it claims. With
// failAfter >= 0 it throws std::runtime_error after that many entries, as a
// failing key expression would.
class VectorSource : public xbase::IndexEntrySource {
public:
    explicit VectorSource(std::vector<Entry> entries, bool sorted = false, long failAfter = -1)
        : entries_(std::move(entries)), sorted_(sorted), failAfter_(failAfter)
    {
    }
    uint64_t sizeHint() const override { return entries_.size(); }
    bool sorted() const override { return sorted_; }
    bool next(std::string_view& key, uint32_t& recno) override
    {
        if (failAfter_ >= 0 && static_cast<long>(at_) == failAfter_)
            throw std::runtime_error("key expression failed");
        if (at_ == entries_.size())
            return false;
        key = entries_[at_].first;
        recno = entries_[at_].second;
        ++at_;
        return true;
    }

private:
    std::vector<Entry> entries_;
    bool sorted_;
    long failAfter_;
    size_t at_ = 0;
};

}  // namespace indextest

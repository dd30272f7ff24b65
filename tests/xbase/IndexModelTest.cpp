// The index engine against a simple truth: a std::set of (key, record
// number) pairs. Thousands of random inserts and removes, with every page
// split and merge the trees go through, checked after every step: both walk
// directions, a cursor that lives through the changes, and the tree's own
// invariants (order, separators, sibling links, every page used once).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/IdxFile.h"

namespace {

using Entry = std::pair<std::string, uint32_t>;
using Model = std::set<Entry>;

class NoEntries : public xbase::IndexEntrySource {
public:
    bool next(std::string_view&, uint32_t&) override { return false; }
};

// One order in a CDX (among other tags) or an IDX, opened again on request.
class Subject {
public:
    Subject(const std::string& folder, bool cdx, int keyLength, bool descending, size_t cacheLimit)
        : cdx_(cdx), cacheLimit_(cacheLimit)
    {
        xbase::IndexTagInfo info;
        info.keyExpression = "KEY";
        info.keyLength = keyLength;
        info.keyType = 'C';
        info.descending = descending;
        if (cdx_) {
            path_ = folder + "/MODEL.CDX";
            cdxFile_ = xbase::CdxFile::create(path_);
            NoEntries none;
            // A neighbour tag shares the file and its free list.
            info.name = "OTHER";
            cdxFile_->addTag(info, none);
            info.name = "MODEL";
            cdxFile_->addTag(info, none);
        } else {
            path_ = folder + "/MODEL.IDX";
            idxFile_ = xbase::IdxFile::create(path_, info);
        }
        setCacheLimit();
    }

    void reopen()
    {
        if (cdx_) {
            cdxFile_->flush();
            cdxFile_.reset();
            cdxFile_ = xbase::CdxFile::open(path_, true);
            cdxFile_->setKeyType(0, 'C');
            cdxFile_->setKeyType(1, 'C');
        } else {
            idxFile_->flush();
            idxFile_.reset();
            idxFile_ = xbase::IdxFile::open(path_, true);
            idxFile_->setKeyType('C');
        }
        setCacheLimit();
    }

    bool insert(const Entry& e) { return cdx_ ? cdxFile_->insert(1, e.first, e.second) : idxFile_->insert(e.first, e.second); }
    bool remove(const Entry& e) { return cdx_ ? cdxFile_->remove(1, e.first, e.second) : idxFile_->remove(e.first, e.second); }
    void insertOther(const Entry& e) { if (cdx_) cdxFile_->insert(0, e.first, e.second); }
    std::unique_ptr<xbase::IndexCursor> cursor() { return cdx_ ? cdxFile_->cursor(1) : idxFile_->cursor(); }
    xbase::IndexVerifyReport verify() { return cdx_ ? cdxFile_->verify() : idxFile_->verify(); }
    const xbase::IndexTreeStats& stats(const xbase::IndexVerifyReport& r) const { return r.orders.at(cdx_ ? 1 : 0); }

private:
    void setCacheLimit()
    {
        if (cdx_)
            cdxFile_->setCacheLimit(cacheLimit_);
        else
            idxFile_->setCacheLimit(cacheLimit_);
    }

    bool cdx_;
    size_t cacheLimit_;
    std::string path_;
    std::unique_ptr<xbase::CdxFile> cdxFile_;
    std::unique_ptr<xbase::IdxFile> idxFile_;
};

struct ModelCase {
    const char* name;
    bool cdx;
    int keyLength;
    int keyChars;          // leading random characters; the rest is blank
    const char* alphabet;  // few letters: many equal keys
    uint32_t maxRecno;     // small: the same pair comes again
    size_t peak;
    bool descending;
    size_t cacheLimit;
    int fullCheckEvery;    // walk and verify after every n-th step (1: every step)
    int appendEvery = 0;   // every n-th entry goes past the end: greatest key, next record number
};

std::ostream& operator<<(std::ostream& out, const ModelCase& c) { return out << c.name; }

class IndexModelTest : public ::testing::TestWithParam<ModelCase> {
protected:
    Entry randomEntry()
    {
        const ModelCase& c = GetParam();
        std::string key(static_cast<size_t>(c.keyLength), ' ');
        const std::string alphabet = c.alphabet;
        if (c.appendEvery > 0 && ++draws_ % static_cast<uint32_t>(c.appendEvery) == 0) {
            std::fill_n(key.begin(), c.keyChars, alphabet.back());
            return {key, c.maxRecno + ++appended_};
        }
        std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
        for (int i = 0; i < c.keyChars; ++i)
            key[static_cast<size_t>(i)] = alphabet[letter(random_)];
        std::uniform_int_distribution<uint32_t> recno(1, c.maxRecno);
        return {key, recno(random_)};
    }

    // Walks the whole order both ways against the model, checks the tree's
    // invariants, and returns its statistics.
    xbase::IndexTreeStats checkAll(Subject& subject)
    {
        const bool descending = GetParam().descending;
        auto same = [](const xbase::IndexCursor& cursor, const Entry& e) {
            return cursor.key() == e.first && cursor.recno() == e.second;
        };
        auto cursor = subject.cursor();
        auto walk = [&](auto begin, auto end, bool fromFirst) {
            auto it = begin;
            for (bool on = fromFirst ? cursor->first() : cursor->last(); on;
                 on = fromFirst ? cursor->next() : cursor->prev(), ++it) {
                if (it == end || !same(*cursor, *it)) {
                    ADD_FAILURE() << (fromFirst ? "forward" : "backward") << " walk differs at "
                                  << std::distance(begin, it);
                    return;
                }
            }
            EXPECT_TRUE(it == end) << (fromFirst ? "forward" : "backward") << " walk ends early";
        };
        if (descending) {
            walk(model_.rbegin(), model_.rend(), true);
            walk(model_.begin(), model_.end(), false);
        } else {
            walk(model_.begin(), model_.end(), true);
            walk(model_.rbegin(), model_.rend(), false);
        }
        const xbase::IndexVerifyReport report = subject.verify();
        EXPECT_EQ(report.lostPages, 0u);
        const xbase::IndexTreeStats stats = subject.stats(report);
        EXPECT_EQ(stats.entries, model_.size());
        return stats;
    }

    // After a change at `e`: a seek to e lands on e (inserted) or on what
    // follows it (removed), and its neighbours are the model's.
    void checkAround(Subject& subject, const Entry& e)
    {
        auto cursor = subject.cursor();
        const bool on = cursor->seek(e.first, e.second);
        const std::optional<Entry> at = model_.count(e) ? std::optional<Entry>(e) : successor(e);
        ASSERT_EQ(on, at.has_value());
        if (!on)
            return;
        ASSERT_EQ(Entry(std::string(cursor->key()), cursor->recno()), *at);
        const std::optional<Entry> before = predecessor(*at);
        ASSERT_EQ(cursor->prev(), before.has_value());
        if (before) {
            ASSERT_EQ(Entry(std::string(cursor->key()), cursor->recno()), *before);
        }
    }

    std::optional<Entry> predecessor(const Entry& from) const
    {
        if (!GetParam().descending) {
            auto it = model_.lower_bound(from);
            if (it == model_.begin())
                return std::nullopt;
            return *std::prev(it);
        }
        auto it = model_.upper_bound(from);
        if (it == model_.end())
            return std::nullopt;
        return *it;
    }

    // The entry the walking cursor should reach from `from` by next().
    std::optional<Entry> successor(const Entry& from) const
    {
        if (GetParam().descending) {
            auto it = model_.lower_bound(from);
            if (it == model_.begin())
                return std::nullopt;
            return *std::prev(it);
        }
        auto it = model_.upper_bound(from);
        if (it == model_.end())
            return std::nullopt;
        return *it;
    }

    std::mt19937 random_{20240611};
    uint32_t draws_ = 0;
    uint32_t appended_ = 0;
    Model model_;
};

TEST_P(IndexModelTest, RandomInsertsAndRemovesMatchTheModel)
{
    const ModelCase& c = GetParam();
    testsupport::TempDir dir;
    Subject subject(dir.path(), c.cdx, c.keyLength, c.descending, c.cacheLimit);

    int maxDepth = 0;
    uint32_t maxInteriorPages = 0;
    uint32_t pagesAfterFirstGrowth = 0;
    int step = 0;
    // A cursor that walks on while the tree changes under it.
    auto walker = subject.cursor();
    std::optional<Entry> walkerAt;

    auto afterStep = [&](const Entry& changed) {
        ++step;
        checkAround(subject, changed);
        // The walker moves one entry and must land on the model's successor of
        // the entry it stood on (removed or not).
        if (walkerAt) {
            const std::optional<Entry> want = successor(*walkerAt);
            const bool on = walker->next();
            ASSERT_EQ(on, want.has_value()) << "step " << step;
            if (on) {
                ASSERT_EQ(Entry(std::string(walker->key()), walker->recno()), *want) << "step " << step;
            }
            walkerAt = want;
        }
        if (!walkerAt && walker->first())
            walkerAt = Entry(std::string(walker->key()), walker->recno());
        if (step % c.fullCheckEvery == 0) {
            const xbase::IndexTreeStats stats = checkAll(subject);
            maxDepth = std::max(maxDepth, stats.depth);
            maxInteriorPages = std::max(maxInteriorPages, stats.interiorPages);
        }
    };
    Entry changed;
    auto insertOne = [&] {
        changed = randomEntry();
        ASSERT_EQ(subject.insert(changed), model_.insert(changed).second) << "insert at step " << step;
    };
    auto removeOne = [&] {
        if (model_.empty() || random_() % 8 == 0) {
            changed = randomEntry();
            ASSERT_EQ(subject.remove(changed), model_.erase(changed) == 1) << "remove at step " << step;
            return;
        }
        auto it = model_.lower_bound(randomEntry());
        if (it == model_.end())
            it = model_.begin();
        changed = *it;
        model_.erase(it);
        ASSERT_TRUE(subject.remove(changed)) << "remove at step " << step;
    };

    for (int cycle = 0; cycle < 2; ++cycle) {
        while (model_.size() < c.peak) {
            insertOne();
            if (random_() % 64 == 0)
                subject.insertOther(randomEntry());
            afterStep(changed);
            if (HasFatalFailure())
                return;
        }
        const xbase::IndexVerifyReport grown = subject.verify();
        if (cycle == 0) {
            pagesAfterFirstGrowth = grown.pages;
        } else {
            // Freed pages are used again: a second growth does not make the file grow much.
            EXPECT_LE(grown.pages, pagesAfterFirstGrowth + pagesAfterFirstGrowth / 10 + 2);
        }
        subject.reopen();
        walker = subject.cursor();
        walkerAt.reset();
        for (size_t i = 0; i < c.peak; ++i) {
            if (random_() % 2 == 0)
                insertOne();
            else
                removeOne();
            afterStep(changed);
            if (HasFatalFailure())
                return;
        }
        while (!model_.empty()) {
            removeOne();
            afterStep(changed);
            if (HasFatalFailure())
                return;
        }
        const xbase::IndexTreeStats empty = checkAll(subject);
        EXPECT_EQ(empty.depth, 1) << "an emptied tree is a single root leaf again";
        EXPECT_EQ(empty.leafPages, 1u);
        subject.reopen();
        walker = subject.cursor();
        walkerAt.reset();
    }
    EXPECT_GE(maxDepth, 3) << "the model never grew deep enough to split and merge at every level";
    EXPECT_GE(maxInteriorPages, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, IndexModelTest,
    ::testing::Values(
        // Long keys: four entries per interior page, four levels soon.
        ModelCase{"CdxLongKeys", true, 100, 12, "ABCD", 20000, 700, false, size_t{64} << 20, 1},
        // Three-byte keys of three letters with blanks: runs of equal keys and
        // keys made only of the pad byte. 45 entries per interior page take
        // thousands of entries to three levels, so the full walk runs every
        // 16th step (the walker and the check around each change every step).
        ModelCase{"CdxShortKeysManyDuplicates", true, 3, 3, "AB ", 4000, 7000, false, size_t{64} << 20, 16},
        // A cache of a few pages: nodes are evicted and read again all the time.
        ModelCase{"CdxTinyCacheDescending", true, 60, 6, "XYZ", 5000, 900, true, 16 * 1024, 1},
        // Records appended under the greatest key between random changes,
        // with nodes evicted all the time.
        ModelCase{"CdxTinyCacheAppends", true, 60, 6, "XYZ", 5000, 900, false, 16 * 1024, 1, 2},
        ModelCase{"IdxLongKeys", false, 60, 10, "MNOP", 50000, 1000, false, size_t{64} << 20, 1}),
    [](const ::testing::TestParamInfo<ModelCase>& param) { return std::string(param.param.name); });

}  // namespace

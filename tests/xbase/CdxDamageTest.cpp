// Damaged compound index files: each case breaks one thing in a sound file
// (header, pointer, count, bit field, link) and expects Error(Corrupt)
// naming the file — never a crash, never an endless loop. Run under the
// sanitizers too (QP_SANITIZE=ON).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "IndexTestSupport.h"
#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/Error.h"

namespace {

using indextest::padded;

constexpr int kKeyLength = 20;
constexpr uint32_t kTagHeader = 1536;  // directory header 0, directory root 1024, then the tag

uint32_t le32(const std::string& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void putLe32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
void putLe16(std::string& b, size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }
uint32_t be32(const std::string& b, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8 | static_cast<uint8_t>(b[at + 3]);
}
void putBe32(std::string& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
}
// Offset of interior entry i's child pointer.
size_t childAt(uint32_t page, int i) { return page + 12 + static_cast<size_t>(i) * (kKeyLength + 8) + kKeyLength + 4; }

// The pages of the sound file that the cases break.
struct Pages {
    uint32_t root = 0;       // interior root
    uint32_t interior = 0;   // its first child, interior
    uint32_t leaf1 = 0;      // the first three leaves
    uint32_t leaf2 = 0;
    uint32_t leaf3 = 0;
};

struct DamageCase {
    const char* name;
    std::function<void(std::string&, const Pages&)> damage;
    const char* message;  // part of the error text
};

std::ostream& operator<<(std::ostream& out, const DamageCase& c) { return out << c.name; }

class CdxDamageTest : public ::testing::TestWithParam<DamageCase> {
protected:
    // One tag of 5000 keys: three levels.
    std::string soundFile(Pages& pages)
    {
        const std::string path = dir_.file("SOUND.CDX");
        {
            auto cdx = xbase::CdxFile::create(path);
            std::vector<indextest::Entry> entries;
            for (uint32_t i = 1; i <= 5000; ++i)
                entries.push_back({padded("K" + std::to_string(i * 7 % 5003), kKeyLength), i});
            indextest::VectorSource source(entries);
            xbase::IndexTagInfo info;
            info.name = "NAME";
            info.keyExpression = "NAME";
            info.keyLength = kKeyLength;
            info.keyType = 'C';
            cdx->addTag(info, source);
        }
        std::string bytes = testsupport::readFile(path);
        pages.root = le32(bytes, kTagHeader);
        pages.interior = be32(bytes, childAt(pages.root, 0));
        pages.leaf1 = be32(bytes, childAt(pages.interior, 0));
        pages.leaf2 = le32(bytes, pages.leaf1 + 8);
        pages.leaf3 = le32(bytes, pages.leaf2 + 8);
        EXPECT_EQ(bytes[pages.root], 1) << "an interior root";
        EXPECT_EQ(bytes[pages.interior], 0) << "an interior page under it";
        EXPECT_EQ(bytes[pages.leaf1], 2) << "leaves below";
        return bytes;
    }

    // Everything a table does with an index: open, walk both ways, seek,
    // insert enough to split and allocate pages, remove, verify.
    void exercise(const std::string& path)
    {
        auto cdx = xbase::CdxFile::open(path, true);
        for (int t = 0; t < cdx->tagCount(); ++t) {
            cdx->setKeyType(t, 'C');
            auto cursor = cdx->cursor(t);
            for (bool on = cursor->first(); on; on = cursor->next()) {
            }
            for (bool on = cursor->last(); on; on = cursor->prev()) {
            }
            cursor->seek("K25");
            for (uint32_t i = 0; i < 3000; ++i)
                cdx->insert(t, padded("K" + std::to_string(i), kKeyLength), 6000 + i);
            for (uint32_t i = 0; i < 3000; i += 2)
                cdx->remove(t, padded("K" + std::to_string(i), kKeyLength), 6000 + i);
        }
        cdx->verify();
        cdx->flush();
    }

    testsupport::TempDir dir_;
};

TEST_P(CdxDamageTest, DamageIsReportedAsCorrupt)
{
    const DamageCase& c = GetParam();
    Pages pages;
    std::string bytes = soundFile(pages);
    ASSERT_NO_THROW(exercise(dir_.file("SOUND.CDX")));
    c.damage(bytes, pages);
    const std::string path = dir_.file("DAMAGED.CDX");
    testsupport::writeFile(path, bytes);
    try {
        exercise(path);
        FAIL() << "the damage went unnoticed";
    } catch (const xbase::Error& e) {
        EXPECT_EQ(e.kind(), xbase::ErrorKind::Corrupt) << e.what();
        EXPECT_EQ(e.file(), path);
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CdxDamageTest,
    ::testing::Values(
        DamageCase{"NotCompact", [](std::string& b, const Pages&) { b[14] = 0x40; }, "not a compact index"},
        DamageCase{"NotCompound", [](std::string& b, const Pages&) { b[14] = 0x20; }, "not a compound index"},
        DamageCase{"SizeNotPages", [](std::string& b, const Pages&) { b.resize(b.size() - 100); },
                   "not a multiple of 512"},
        DamageCase{"ShorterThanHeader", [](std::string& b, const Pages&) { b.resize(700); }, "shorter than"},
        DamageCase{"CutShort", [](std::string& b, const Pages&) { b.resize(b.size() / 2 / 512 * 512); },
                   "outside the file's pages"},
        DamageCase{"DirectoryRootOutside",
                   [](std::string& b, const Pages&) { putLe32(b, 0, static_cast<uint32_t>(b.size() + 512)); },
                   "outside the file's pages"},
        DamageCase{"DirectoryRootOffPage", [](std::string& b, const Pages&) { putLe32(b, 0, 1030); },
                   "not on a page boundary"},
        DamageCase{"TagHeaderOffsetWrong", [](std::string& b, const Pages&) { b[1024 + 24] = 1; },
                   "is not a header in the file"},
        DamageCase{"KeyLengthTooLong", [](std::string& b, const Pages&) { putLe16(b, kTagHeader + 12, 300); },
                   "key length 300"},
        DamageCase{"TagRootIntoHeader", [](std::string& b, const Pages&) { putLe32(b, kTagHeader, kTagHeader); },
                   "points into a header"},
        DamageCase{"ChildPointerOutside",
                   [](std::string& b, const Pages& p) { putBe32(b, childAt(p.root, 0), 0x7FFFFE00); },
                   "outside the file's pages"},
        DamageCase{"ChildPointerLoop", [](std::string& b, const Pages& p) { putBe32(b, childAt(p.interior, 0), p.root); },
                   "child pointers loop"},
        DamageCase{"LeafLinksLoop",
                   [](std::string& b, const Pages& p) {
                       putLe32(b, p.leaf2 + 8, p.leaf1);  // leaf2 -> leaf1 -> leaf2 ...
                       putLe32(b, p.leaf1 + 4, p.leaf2);
                   },
                   "sibling links loop"},
        DamageCase{"LeafLinksDisagree", [](std::string& b, const Pages& p) { putLe32(b, p.leaf1 + 8, p.leaf3); },
                   "disagrees"},
        DamageCase{"LeafCountTooLarge", [](std::string& b, const Pages& p) { putLe16(b, p.leaf1 + 2, 400); },
                   "do not fit the page"},
        DamageCase{"LeafCountRunsIntoKeys",
                   [](std::string& b, const Pages& p) {
                       // More entries than were written, yet few enough for the entry table.
                       const int bytesPerEntry = b[p.leaf1 + 23];
                       const int count = static_cast<uint8_t>(b[p.leaf1 + 2]) | static_cast<uint8_t>(b[p.leaf1 + 3]) << 8;
                       putLe16(b, p.leaf1 + 2, static_cast<uint16_t>(std::min(count + 20, 488 / bytesPerEntry)));
                   },
                   "leaf entry"},
        DamageCase{"LeafBitWidthsImpossible", [](std::string& b, const Pages& p) { b[p.leaf1 + 23] = 0; },
                   "impossible leaf bit widths"},
        DamageCase{"LeafMaskWrong", [](std::string& b, const Pages& p) { b[p.leaf1 + 18] = 0x7f; },
                   "masks disagree"},
        DamageCase{"InteriorCountTooLarge", [](std::string& b, const Pages& p) { putLe16(b, p.root + 2, 100); },
                   "claims 100 keys"},
        DamageCase{"UnknownPageType", [](std::string& b, const Pages& p) { b[p.leaf1] = 7; }, "unknown page type"},
        DamageCase{"FreeListLoops",
                   [](std::string& b, const Pages&) {
                       const auto page = static_cast<uint32_t>(b.size());
                       b.resize(b.size() + 512, '\0');
                       putLe32(b, page, page);
                       putLe32(b, 4, page);
                   },
                   "free list loops"},
        // The live page's first bytes, read as the next free page, are no page offset.
        DamageCase{"FreeListNamesALivePage", [](std::string& b, const Pages& p) { putLe32(b, 4, p.leaf2); },
                   "free list pointer"}),
    [](const ::testing::TestParamInfo<DamageCase>& param) { return std::string(param.param.name); });

}  // namespace

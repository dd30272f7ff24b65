// The reference CDX files written by another engine: every tag's header,
// its key order forwards and backwards, seeks, and the page codec (each page
// decodes and encodes back to the same bytes).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/Error.h"
#include "xbase/IndexNode.h"

namespace {

using testsupport::fixturePath;
using testsupport::toCp1252;

struct ExpectedTag {
    std::string name;
    std::string expr;
    std::string forExpr;
    int keyLength = 0;
    char keyType = 0;
    bool unique = false;
    bool descending = false;
    std::vector<std::string> keys;  // padded to the key length
    std::vector<uint32_t> recnos;
};

std::vector<ExpectedTag> expectedTags(const std::string& name)
{
    const QJsonDocument doc = testsupport::readJson(fixturePath("xbase/" + name + ".expected.json"));
    std::vector<ExpectedTag> tags;
    for (const QJsonValue& value : doc.object().value("tags").toArray()) {
        const QJsonObject t = value.toObject();
        ExpectedTag tag;
        tag.name = t.value("name").toString().toStdString();
        tag.expr = toCp1252(t.value("expr").toString());
        tag.forExpr = toCp1252(t.value("for").toString());
        tag.keyLength = t.value("keylen").toInt();
        tag.keyType = t.value("keytype").toString().toStdString().at(0);
        tag.unique = t.value("unique").toBool();
        tag.descending = t.value("descend").toBool();
        for (const QJsonValue& key : t.value("keys").toArray()) {
            std::string bytes = toCp1252(key.toString());
            bytes.resize(static_cast<size_t>(tag.keyLength), tag.keyType == 'C' ? ' ' : '\0');
            tag.keys.push_back(bytes);
        }
        for (const QJsonValue& recno : t.value("recnos").toArray())
            tag.recnos.push_back(static_cast<uint32_t>(recno.toInt()));
        tags.push_back(std::move(tag));
    }
    return tags;
}

class CdxFixtureTest : public ::testing::TestWithParam<const char*> {
protected:
    std::string cdxPath() const { return fixturePath(std::string("xbase/") + GetParam() + ".CDX"); }
};

TEST_P(CdxFixtureTest, TagsHaveTheExpectedHeadersAndOrders)
{
    const auto expected = expectedTags(GetParam());
    ASSERT_EQ(expected.size(), 26u);
    auto cdx = xbase::CdxFile::open(cdxPath(), false);
    ASSERT_EQ(cdx->tagCount(), 26);
    for (int i = 0; i < cdx->tagCount(); ++i) {
        const ExpectedTag& want = expected[static_cast<size_t>(i)];
        SCOPED_TRACE(want.name);
        const xbase::IndexTagInfo& info = cdx->tagInfo(i);
        EXPECT_EQ(info.name, want.name);
        EXPECT_EQ(info.keyExpression, want.expr);
        EXPECT_EQ(info.forExpression, want.forExpr);
        EXPECT_EQ(info.keyLength, want.keyLength);
        EXPECT_EQ(info.unique, want.unique);
        EXPECT_EQ(info.descending, want.descending);
        EXPECT_EQ(info.keyType, 0) << "the file does not record key types";
        EXPECT_EQ(cdx->findTag(want.name), i);
        cdx->setKeyType(i, want.keyType);

        auto cursor = cdx->cursor(i);
        std::vector<std::string> keys;
        std::vector<uint32_t> recnos;
        for (bool on = cursor->first(); on; on = cursor->next()) {
            keys.emplace_back(cursor->key());
            recnos.push_back(cursor->recno());
        }
        EXPECT_EQ(recnos, want.recnos);
        EXPECT_EQ(keys, want.keys);

        std::vector<uint32_t> backwards;
        for (bool on = cursor->last(); on; on = cursor->prev())
            backwards.push_back(cursor->recno());
        std::reverse(backwards.begin(), backwards.end());
        EXPECT_EQ(backwards, want.recnos);
    }
}

TEST_P(CdxFixtureTest, SeekFindsWhatABinarySearchOfTheExpectedKeysFinds)
{
    const auto expected = expectedTags(GetParam());
    auto cdx = xbase::CdxFile::open(cdxPath(), false);
    for (int i = 0; i < cdx->tagCount(); ++i) {
        const ExpectedTag& want = expected[static_cast<size_t>(i)];
        SCOPED_TRACE(want.name);
        cdx->setKeyType(i, want.keyType);
        auto cursor = cdx->cursor(i);
        // Every key, each key with its last byte raised and lowered, and
        // prefixes of several lengths.
        std::vector<std::string> probes;
        for (const std::string& key : want.keys) {
            probes.push_back(key);
            std::string up = key, down = key;
            up.back() = static_cast<char>(up.back() + 1);
            down.back() = static_cast<char>(down.back() - 1);
            probes.push_back(up);
            probes.push_back(down);
            for (size_t len : {size_t{1}, size_t{3}, key.size() / 2})
                if (len > 0 && len < key.size())
                    probes.push_back(key.substr(0, len));
        }
        probes.push_back(std::string(static_cast<size_t>(want.keyLength), '\xff'));
        probes.push_back("");
        for (const std::string& probe : probes) {
            const auto at = std::find_if(want.keys.begin(), want.keys.end(), [&](const std::string& key) {
                return key.compare(0, probe.size(), probe) >= 0;
            });
            const bool on = cursor->seek(probe);
            ASSERT_EQ(on, at != want.keys.end()) << "probe \"" << probe << "\"";
            if (on) {
                const auto index = static_cast<size_t>(at - want.keys.begin());
                ASSERT_EQ(cursor->recno(), want.recnos[index]) << "probe \"" << probe << "\"";
                EXPECT_EQ(cursor->keyStartsWith(probe), want.keys[index].compare(0, probe.size(), probe) == 0);
            }
        }
        // An exact (key, recno) seek lands on that entry, wherever it is in a run of equal keys.
        for (size_t e = 0; e < want.keys.size(); e += 7) {
            ASSERT_TRUE(cursor->seek(want.keys[e], want.recnos[e]));
            EXPECT_EQ(cursor->recno(), want.recnos[e]);
            EXPECT_EQ(cursor->key(), want.keys[e]);
        }
    }
}

TEST_P(CdxFixtureTest, FileVerifiesAndEveryPageRoundTripsThroughTheCodec)
{
    const auto expected = expectedTags(GetParam());
    auto cdx = xbase::CdxFile::open(cdxPath(), false);
    for (int i = 0; i < cdx->tagCount(); ++i)
        cdx->setKeyType(i, expected[static_cast<size_t>(i)].keyType);
    const xbase::IndexVerifyReport report = cdx->verify();
    ASSERT_EQ(report.orders.size(), 26u);
    for (size_t i = 0; i < report.orders.size(); ++i)
        EXPECT_EQ(report.orders[i].entries, expected[i].recnos.size());
    EXPECT_EQ(report.directory.entries, 26u);
    EXPECT_EQ(report.lostPages, 0u);

    // Decoding a page and encoding it again gives the bytes the other engine wrote.
    const std::string bytes = testsupport::readFile(cdxPath());
    const auto* file = reinterpret_cast<const uint8_t*>(bytes.data());
    auto le32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, file + at, 4);
        return v;
    };
    // (header offset, layout): the directory, then the tags in header order,
    // which is the order of the expected tags.
    std::vector<std::pair<uint32_t, xbase::IndexLayout>> trees{{0, {10, ' '}}};
    xbase::IndexNode directory;
    directory.decode(file + le32(0), le32(0), {10, ' '}, cdxPath());
    ASSERT_TRUE(directory.leaf);
    std::vector<uint32_t> headers(directory.recnos.begin(), directory.recnos.end());
    std::sort(headers.begin(), headers.end());
    for (size_t i = 0; i < headers.size(); ++i)
        trees.push_back({headers[i], {expected[i].keyLength, expected[i].keyType == 'C' ? ' ' : '\0'}});
    int pagesChecked = 0;
    for (const auto& [header, layout] : trees) {
        std::vector<uint32_t> stack{le32(header)};
        while (!stack.empty()) {
            const uint32_t page = stack.back();
            stack.pop_back();
            xbase::IndexNode node;
            node.decode(file + page, page, layout, cdxPath());
            std::array<uint8_t, 512> again{};
            node.encode(again.data());
            // Interior pages may keep stale bytes after their entries from
            // before a split; only the entries count there.
            const size_t meaningful =
                node.leaf ? 512 : 12 + node.recnos.size() * static_cast<size_t>(layout.keyLength + 8);
            ASSERT_EQ(0, std::memcmp(again.data(), file + page, meaningful)) << "page " << page;
            ++pagesChecked;
            if (!node.leaf)
                stack.insert(stack.end(), node.children.begin(), node.children.end());
        }
    }
    EXPECT_GT(pagesChecked, 60);
}

TEST_P(CdxFixtureTest, PagesOfTheOtherEngineTakeInsertsAndRemoves)
{
    // Entries go into pages as the other engine wrote them (in place, or by
    // splitting), and out of them; the file stays sound and reopens.
    const auto expected = expectedTags(GetParam());
    testsupport::TempDir dir;
    const std::string path = dir.file("COPY.CDX");
    testsupport::writeFile(path, testsupport::readFile(cdxPath()));
    std::vector<std::set<std::pair<std::string, uint32_t>>> models(expected.size());
    {
        auto cdx = xbase::CdxFile::open(path, true);
        std::mt19937 random(3);
        for (size_t t = 0; t < expected.size(); ++t) {
            const ExpectedTag& tag = expected[t];
            const int i = static_cast<int>(t);
            cdx->setKeyType(i, tag.keyType);
            for (size_t e = 0; e < tag.keys.size(); ++e)
                models[t].insert({tag.keys[e], tag.recnos[e]});
            for (uint32_t n = 0; n < 400; ++n) {
                std::string key = tag.keys[random() % tag.keys.size()];
                if (tag.keyType == 'C' && key.size() > 2)
                    key[key.size() / 2] = static_cast<char>('A' + random() % 26);
                const uint32_t recno = 301 + n;
                ASSERT_TRUE(cdx->insert(i, key, recno));
                models[t].insert({key, recno});
            }
            for (size_t e = 0; e < tag.keys.size(); e += 3) {
                ASSERT_TRUE(cdx->remove(i, tag.keys[e], tag.recnos[e]));
                models[t].erase({tag.keys[e], tag.recnos[e]});
            }
        }
        EXPECT_EQ(cdx->verify().lostPages, 0u);
        cdx->flush();
    }
    auto cdx = xbase::CdxFile::open(path, false);
    for (size_t t = 0; t < expected.size(); ++t) {
        SCOPED_TRACE(expected[t].name);
        const int i = static_cast<int>(t);
        cdx->setKeyType(i, expected[t].keyType);
        std::vector<std::pair<std::string, uint32_t>> got;
        auto cursor = cdx->cursor(i);
        for (bool on = cursor->first(); on; on = cursor->next())
            got.emplace_back(std::string(cursor->key()), cursor->recno());
        const std::vector<std::pair<std::string, uint32_t>> want(models[t].begin(), models[t].end());
        EXPECT_EQ(got, want);
    }
    EXPECT_EQ(cdx->verify().lostPages, 0u);
}

TEST_P(CdxFixtureTest, ReadOnlyFileRefusesChanges)
{
    auto cdx = xbase::CdxFile::open(cdxPath(), false);
    cdx->setKeyType(0, 'C');
    try {
        cdx->insert(0, std::string(60, 'A'), 1);
        FAIL() << "insert into a read-only index";
    } catch (const xbase::Error& e) {
        EXPECT_EQ(e.kind(), xbase::ErrorKind::InvalidArgument);
    }
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, CdxFixtureTest, ::testing::Values("ADDRREF", "ADDRBULK", "ADDRVFP"));

}  // namespace

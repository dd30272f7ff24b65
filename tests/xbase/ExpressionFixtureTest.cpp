// Expressions against what an independent xBase engine computed for the
// reference address files: the match lists of its filters, and the key order
// of its index tags, with the records of the files held in memory.
#include "xbase/Expression.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "xbase/ExpressionTestSource.h"

namespace xbase {
namespace {

using test::MemorySource;

QJsonDocument readJson(const QString& name)
{
    QFile file(QStringLiteral(QP_FIXTURES_DIR "/xbase/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll());
}

std::string bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

// The records of an *.expected.json file, with their full-width fields.
void loadRecords(const QJsonObject& expected, MemorySource& source)
{
    for (const QJsonValue& value : expected["fields"].toArray()) {
        const QJsonObject field = value.toObject();
        const char type = bytes(field["type"].toString()).at(0);
        source.addField(bytes(field["name"].toString()), type, static_cast<uint16_t>(field["len"].toInt()),
                        static_cast<uint8_t>(field["dec"].toInt()), type == 'M');
    }
    for (const QJsonValue& value : expected["records"].toArray()) {
        const QJsonObject record = value.toObject();
        source.addRecord();
        source.setDeleted(record["deleted"].toBool());
        const QJsonObject values = record["values"].toObject();
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.value().isBool())
                source.set(bytes(it.key()), it.value().toBool() ? "T" : "F");
            else
                source.set(bytes(it.key()), bytes(it.value().toString()));
        }
        const QJsonObject memos = record["memo"].toObject();
        for (auto it = memos.begin(); it != memos.end(); ++it)
            source.setMemo(bytes(it.key()), bytes(it.value().toString()));
    }
}

std::vector<uint32_t> recnos(const QJsonValue& list)
{
    std::vector<uint32_t> out;
    for (const QJsonValue& value : list.toArray())
        out.push_back(static_cast<uint32_t>(value.toInt()));
    return out;
}

TEST(ExpressionFixture, FiltersMatchTheReferenceEngine)
{
    const QJsonObject expected = readJson("ADDRREF.expected.json").object();
    const QJsonArray filters = readJson("ADDRREF.filters.json").array();
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_FALSE(filters.isEmpty());
    MemorySource source;
    loadRecords(expected, source);

    for (const QJsonValue& value : filters) {
        const QJsonObject filter = value.toObject();
        // Our spelling of the filter, and the reference engine's.
        for (const char* key : {"expr", "harbour_expr"}) {
            const std::string text = bytes(filter[key].toString());
            SCOPED_TRACE(text);
            Expression query = Expression::compileLogical(text, source);
            std::vector<uint32_t> all;
            std::vector<uint32_t> undeleted;
            for (uint32_t recno = 1; recno <= source.recordCount(); ++recno) {
                source.go(recno);
                if (!query.evalLogical(source))
                    continue;
                all.push_back(recno);
                if (!source.isDeleted())
                    undeleted.push_back(recno);
            }
            EXPECT_EQ(all, recnos(filter["deleted_off"].toObject()["recnos"]));
            EXPECT_EQ(undeleted, recnos(filter["deleted_on"].toObject()["recnos"]));
        }
    }
}

class ExpressionTagFixture : public ::testing::TestWithParam<const char*> {};

// Every tag's key expression gives the reference key width, and its keys
// sorted bytewise (equal keys by record number) give the reference order.
TEST_P(ExpressionTagFixture, TagKeysSortLikeTheReferenceIndex)
{
    const QJsonObject expected = readJson(GetParam()).object();
    ASSERT_FALSE(expected.isEmpty());
    MemorySource source;
    loadRecords(expected, source);
    const QJsonArray tags = expected["tags"].toArray();
    ASSERT_FALSE(tags.isEmpty());

    for (const QJsonValue& value : tags) {
        const QJsonObject tag = value.toObject();
        const std::string text = bytes(tag["expr"].toString());
        SCOPED_TRACE(text);
        Expression key = Expression::compile(text, source);
        EXPECT_EQ(key.width(), tag["keylen"].toInt());
        EXPECT_EQ(key.type(), tag["keytype"].toString() == "L" ? ValueType::Logical : ValueType::Character);

        std::vector<std::pair<std::string, uint32_t>> entries;
        for (uint32_t recno = 1; recno <= source.recordCount(); ++recno) {
            source.go(recno);
            const std::string_view k = key.evalKey(source);
            EXPECT_EQ(k.size(), static_cast<size_t>(key.width()));
            entries.emplace_back(std::string(k), recno);
        }
        std::sort(entries.begin(), entries.end());
        std::vector<uint32_t> order;
        std::vector<std::string> keys;
        for (const auto& [k, recno] : entries) {
            order.push_back(recno);
            keys.push_back(k.substr(0, k.find_last_not_of(' ') + 1));
        }
        std::vector<std::string> expectedKeys;
        for (const QJsonValue& k : tag["keys"].toArray())
            expectedKeys.push_back(bytes(k.toString()));
        EXPECT_EQ(order, recnos(tag["recnos"]));
        EXPECT_EQ(keys, expectedKeys);
    }
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, ExpressionTagFixture,
                         ::testing::Values("ADDRREF.expected.json", "ADDRBULK.expected.json",
                                           "ADDRVFP.expected.json"));

}  // namespace
}  // namespace xbase

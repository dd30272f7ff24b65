// Files this engine writes, read by an independent reader: Perl's
// XBase::Index (Debian's libdbd-xbase-perl) walks each tag through its
// interior pages and must find the same records in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "TestSupport.h"
#include "xbase/CdxFile.h"
#include "xbase/IndexKey.h"

namespace {

using indextest::Entry;
using indextest::padded;

// The script lives beside this test, one folder over from the fixtures.
const std::string kScript = std::string(QP_FIXTURES_DIR) + "/../xbase/cdx_dump.pl";

// "recno<TAB>key" lines printed by the Perl reader.
std::vector<std::pair<uint32_t, std::string>> perlDump(const std::string& cdx, const std::string& tag, char type)
{
    std::string out;
    const int status = testsupport::runCommand("perl '" + kScript + "' '" + cdx + "' " + tag + " " + type + " 2>&1", &out);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::pair<uint32_t, std::string>> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            ADD_FAILURE() << "unexpected output: " << line;
            continue;
        }
        lines.push_back({static_cast<uint32_t>(std::stoul(line.substr(0, tab))), line.substr(tab + 1)});
    }
    return lines;
}

std::string trimmed(std::string key)
{
    while (!key.empty() && key.back() == ' ')
        key.pop_back();
    return key;
}

TEST(CdxPerlCrossCheckTest, PerlXBaseReadsTagsBuiltInBulkAndByInserts)
{
    if (testsupport::runCommand("perl -MXBase::Index -e1 2>/dev/null") != 0)
        GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) is not installed";

    testsupport::TempDir dir;
    const std::string path = dir.file("CROSS.CDX");
    std::mt19937 random(11);
    std::vector<Entry> names;
    std::vector<Entry> amounts;
    std::vector<double> values;
    for (uint32_t recno = 1; recno <= 6000; ++recno) {
        std::string name = std::string(1, static_cast<char>('A' + random() % 26)) + "NAME" + std::to_string(random() % 900);
        if (random() % 10 == 0)
            name.clear();  // empty fields: runs of blank keys
        names.push_back({padded(name, 40), recno});
        const double value = static_cast<double>(static_cast<int>(random() % 20001) - 10000) / 4.0;
        values.push_back(value);
        amounts.push_back({xbase::indexNumberKey(value), recno});
    }
    {
        auto cdx = xbase::CdxFile::create(path);
        auto info = [](const char* name, int length, char type) {
            xbase::IndexTagInfo i;
            i.name = name;
            i.keyExpression = name;
            i.keyLength = length;
            i.keyType = type;
            return i;
        };
        indextest::VectorSource bulk(names);
        cdx->addTag(info("BULK", 40, 'C'), bulk);
        indextest::VectorSource none({});
        cdx->addTag(info("SINGLE", 40, 'C'), none);
        cdx->addTag(info("AMOUNT", 8, 'N'), none);
        std::vector<size_t> order(names.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        for (size_t i : order) {
            cdx->insert(1, names[i].first, names[i].second);
            cdx->insert(2, amounts[i].first, amounts[i].second);
        }
        // Some removes, so that merged and freed pages are part of what Perl reads.
        for (size_t i = 0; i < order.size(); i += 3) {
            cdx->remove(1, names[order[i]].first, names[order[i]].second);
            cdx->remove(2, amounts[order[i]].first, amounts[order[i]].second);
        }
        cdx->flush();
    }

    auto cdx = xbase::CdxFile::open(path, false);
    for (int tag = 0; tag < cdx->tagCount(); ++tag) {
        const xbase::IndexTagInfo& info = cdx->tagInfo(tag);
        const char type = info.name == "AMOUNT" ? 'N' : 'C';
        cdx->setKeyType(tag, type);
        SCOPED_TRACE(info.name);
        std::vector<std::pair<uint32_t, std::string>> ours;
        auto cursor = cdx->cursor(tag);
        for (bool on = cursor->first(); on; on = cursor->next()) {
            std::string key = type == 'N' ? "" : trimmed(std::string(cursor->key()));
            if (type == 'N') {
                std::ostringstream text;
                text << xbase::indexNumberFromKey(cursor->key());
                key = text.str();
            }
            ours.push_back({cursor->recno(), key});
        }
        auto theirs = perlDump(path, info.name, type);
        if (type == 'N') {
            // Perl prints numbers its own way; compare them as numbers.
            for (auto& [recno, text] : theirs) {
                std::ostringstream again;
                again << std::stod(text);
                text = again.str();
            }
        }
        EXPECT_EQ(ours.size(), info.name == "BULK" ? 6000u : 4000u);
        EXPECT_EQ(theirs, ours);
    }
}

}  // namespace

// The filter builder: typed values to the exact expression, applied to a
// real address file; saved filter files; tag identifiers.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/FilterQuery.h"
#include "data/TagId.h"
#include "platform/system/Clock.h"
#include "xbase/Table.h"

using namespace data;

namespace {

struct ConditionCase {
    const char* value;
    const char* expected;
};

TEST(BuildFieldCondition, EverySyntaxOfAQueryValue)
{
    const ConditionCase cases[] = {
        {"smith", "UPPER(LNAME)=\"SMITH\""},
        {" smith ", "UPPER(LNAME)=\" SMITH \""},  // not trimmed
        {">=m", "UPPER(LNAME)>=\"M\""},
        {">m", "UPPER(LNAME)>\"M\""},
        {"<=m", "UPPER(LNAME)<=\"M\""},
        {"<m", "UPPER(LNAME)<\"M\""},
        {"$mit", "\"MIT\"$UPPER(LNAME)"},
        {"a;b", "((UPPER(LNAME)=\"A\").or.(UPPER(LNAME)=\"B\"))"},
        {"a+$b", "((UPPER(LNAME)=\"A\").and.(\"B\"$UPPER(LNAME)))"},
        {"a^b", "((UPPER(LNAME)=\"A\").and..not.(UPPER(LNAME)=\"B\"))"},
        {"a;", "((UPPER(LNAME)=\"A\").or.(UPPER(LNAME)=\"\"))"},
        // ";" splits first, then "+", then "^".
        {"a+b;c^d", "((((UPPER(LNAME)=\"A\").and.(UPPER(LNAME)=\"B\"))).or.(((UPPER(LNAME)=\"C\").and..not.(UPPER(LNAME)=\"D\"))))"},
        // Upper case as the engine's UPPER: ASCII only.
        {"zürich", "UPPER(LNAME)=\"ZüRICH\""},
        // Quotes in a value stay inside its literal.
        {"o'brien", "UPPER(LNAME)=\"O'BRIEN\""},
        {"6\" pipe", "UPPER(LNAME)='6\" PIPE'"},
        {"$\"it's\"", "[\"IT'S\"]$UPPER(LNAME)"},
        {"a\"b'[c]", "UPPER(LNAME)=(\"A\"+'\"'+\"B'[C]\")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuildFieldCondition(QStringLiteral("LNAME"), QString::fromUtf8(c.value)), QString::fromUtf8(c.expected))
            << c.value;
    const QString longOperand(150, QLatin1Char('x'));
    EXPECT_EQ(BuildFieldCondition(QStringLiteral("ZIP"), QStringLiteral(">") + longOperand),
              QStringLiteral("UPPER(ZIP)>\"") + QString(99, QLatin1Char('X')) + QStringLiteral("\""));
    EXPECT_EQ(SplitByDelimiter(QStringLiteral(";a;;b;"), QLatin1Char(';')),
              (QStringList{QString(), "a", QString(), "b", QString()}));
}

TEST(BuildQueryString, OrderConnectorsFlagsAndReverse)
{
    FilterState state;
    state.QueryValues[qvCodes] = QStringLiteral("$c");
    state.QueryValues[qvCity] = QStringLiteral("spring");
    state.QueryValues[qvLastName] = QStringLiteral("smith");
    state.QueryValues[qvFirstName] = QStringLiteral("   ");  // blanks only: nothing
    state.QueryValues[qvDate] = QStringLiteral(">=2000");
    state.QueryValues[qvUser1] = QStringLiteral("x");
    BuildQueryString(state, QStringLiteral("272WJBX"));
    EXPECT_EQ(state.FilterExpression,
              "UPPER(LNAME)=\"SMITH\" and UPPER(CITY+STATE)=\"SPRING\" and UPPER(USER1)=\"X\" and "
              "UPPER(DATE)>=\"2000\" and \"C\"$UPPER(CODES)");
    state.QueryTaggedOnly = true;
    state.QueryReverse = true;
    BuildQueryString(state, QStringLiteral("272WJBX"));
    EXPECT_TRUE(state.FilterExpression.startsWith("(!(UPPER(LNAME)"));
    EXPECT_TRUE(state.FilterExpression.endsWith(" and (UPPER(TAG)=\"272WJBX\")))"));

    ClearQueryVars(state);
    state.QueryReverse = true;  // reverse alone builds nothing
    BuildQueryString(state, QStringLiteral("X"));
    EXPECT_EQ(state.FilterExpression, QString());
    state.QueryTaggedOnly = true;
    BuildQueryString(state, QStringLiteral("X"));
    EXPECT_EQ(state.FilterExpression, "(!((UPPER(TAG)=\"X\")))");
}

class ApplyFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        for (const char* ext : {".DBF", ".FPT", ".CDX"})
            QFile::copy(QStringLiteral(QP_FIXTURES_DIR "/xbase/ADDRREF") + ext, dir_.filePath(QStringLiteral("ADDRREF") + ext));
        for (const char* ext : {".DBF", ".FPT", ".CDX"})
            QFile(dir_.filePath(QStringLiteral("ADDRREF") + ext)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        table_ = xbase::Table::open(dir_.filePath(QStringLiteral("ADDRREF.DBF")).toStdString());
    }
    QTemporaryDir dir_;
    std::unique_ptr<xbase::Table> table_;
    FilterState state_;
};

TEST_F(ApplyFilterTest, MatchesTheReferenceCounts)
{
    state_.QueryValues[qvLastName] = QStringLiteral("smith");
    FilterOutcome outcome = ApplyFilterTo(*table_, state_, QStringLiteral("T0000001"));
    EXPECT_EQ(outcome.result, FilterResult::Applied);
    EXPECT_EQ(outcome.matches, 30);  // UPPER(LNAME) = "SMITH" and !ISDEL, marked records hidden
    EXPECT_EQ(table_->query(), "UPPER(LNAME)=\"SMITH\".and. !ISDEL");

    ClearQueryVars(state_);
    state_.QueryValues[qvCodes] = QStringLiteral("$qqq");  // no codes contain QQQ
    outcome = ApplyFilterTo(*table_, state_, QStringLiteral("T0000001"));
    EXPECT_EQ(outcome.result, FilterResult::NoMatches);
    EXPECT_EQ(state_.QueryValues[qvCodes], QString());  // the filter clears itself
    EXPECT_EQ(table_->query(), "!ISDEL");
    EXPECT_EQ(table_->queryCount(), 261u);

    state_.QueryTaggedOnly = true;
    outcome = ApplyFilterTo(*table_, state_, QStringLiteral("T0000001"));
    // Tagged "T0000001" in any letter case, not ISDEL, marked records hidden:
    // counted from the reference records.
    EXPECT_EQ(outcome.matches, 55);
    EXPECT_EQ(table_->queryCount(), 55u);
}

TEST_F(ApplyFilterTest, TooLongUnreadableAndEmptyFilters)
{
    // UPPER(LNAME)="..." is 15 characters around the typed value.
    state_.QueryValues[qvLastName] = QString(228, QLatin1Char('a'));
    BuildQueryString(state_, {});
    ASSERT_EQ(state_.FilterExpression.size(), 243);
    EXPECT_EQ(ApplyFilterTo(*table_, state_, {}).result, FilterResult::NoMatches);  // accepted, matches nothing
    state_.QueryValues[qvLastName] = QString(229, QLatin1Char('a'));
    EXPECT_EQ(ApplyFilterTo(*table_, state_, {}).result, FilterResult::TooComplex);
    EXPECT_EQ(state_.QueryValues[qvLastName], QString());
    EXPECT_EQ(table_->query(), "!ISDEL");

    // A value that would close its literal is searched for as typed, never
    // run as part of the expression.
    for (const char* typed : {"x\" .or. \"x\"=\"x", "x' .or. 'x'='x", "x\"' .or. [x]=[x"}) {
        ClearQueryVars(state_);
        state_.QueryValues[qvLastName] = QString::fromLatin1(typed);
        EXPECT_EQ(ApplyFilterTo(*table_, state_, {}).result, FilterResult::NoMatches) << typed;
        EXPECT_EQ(table_->query(), "!ISDEL");
    }

    ClearQueryVars(state_);
    EXPECT_EQ(ApplyFilterTo(*table_, state_, {}).result, FilterResult::NoFilter);
    EXPECT_EQ(table_->query(), "!ISDEL");
}

TEST(FilterFiles, RoundTripShortFilesAndFlags)
{
    QTemporaryDir dir;
    FilterState state;
    for (int i = 0; i < kQueryValueCount; ++i)
        state.QueryValues[static_cast<size_t>(i)] = QStringLiteral("v%1").arg(i);
    state.QueryValues[qvCity] = QStringLiteral("Zürich");
    state.QueryTaggedOnly = true;
    const QString path = dir.filePath(QStringLiteral("a.FLT"));
    SaveFilterTo(state, path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 19);
    EXPECT_TRUE(bytes.contains("Z\xFCrich"));
    EXPECT_TRUE(bytes.endsWith("\r\nT\r\nF"));

    FilterState back;
    ASSERT_TRUE(RestoreFilterFrom(back, path));
    EXPECT_EQ(back.QueryValues, state.QueryValues);
    EXPECT_TRUE(back.QueryTaggedOnly);
    EXPECT_FALSE(back.QueryReverse);

    QFile shortFile(dir.filePath(QStringLiteral("b.flt")));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("smith\r\n\r\nboss\r\n");
    shortFile.close();
    ASSERT_TRUE(RestoreFilterFrom(back, shortFile.fileName()));
    EXPECT_EQ(back.QueryValues[qvLastName], "smith");
    EXPECT_EQ(back.QueryValues[qvTitle], "boss");
    EXPECT_EQ(back.QueryValues[qvUser2], QString());
    EXPECT_FALSE(back.QueryTaggedOnly);

    QFile lower(dir.filePath(QStringLiteral("c.flt")));
    ASSERT_TRUE(lower.open(QIODevice::WriteOnly));
    lower.write(QByteArray("\r\n").repeated(18) + "t\r\nT\r\n");
    lower.close();
    ASSERT_TRUE(RestoreFilterFrom(back, lower.fileName()));
    EXPECT_FALSE(back.QueryTaggedOnly);  // "t" is not "T"
    EXPECT_TRUE(back.QueryReverse);
    EXPECT_FALSE(RestoreFilterFrom(back, dir.filePath(QStringLiteral("missing.flt"))));
}

TEST(FilterFiles, SavePathLooksAtTheFileNameOnly)
{
    EXPECT_EQ(FilterSavePath("/home/a.b/list"), std::optional<QString>("/home/a.b/list.FLT"));
    EXPECT_EQ(FilterSavePath("/home/a/list.flt"), std::optional<QString>("/home/a/list.flt"));
    EXPECT_EQ(FilterSavePath("/home/a/list.txt"), std::nullopt);
    EXPECT_EQ(FilterSavePath("/home/a.b/list.txt"), std::nullopt);
}

TEST(TagId, Base36AndTheClock)
{
    EXPECT_EQ(ToBase36(0), QString());
    EXPECT_EQ(ToBase36(35), "Z");
    EXPECT_EQ(ToBase36(36), "10");
    EXPECT_EQ(ToBase36(1231235959), "KD1NQV");
    const QDateTime moment(QDate(1997, 4, 28), QTime(14, 5, 9));
    EXPECT_EQ(TagIdAt(moment), "272WJBX");
    platform::Clock::setFixed(moment);
    EXPECT_EQ(NewTagId(), "272WJBX");
    // Clear Tags twice in one second still gives a new identifier.
    EXPECT_EQ(NewTagId(QStringLiteral("272WJBX")), "272WJBY");
    EXPECT_LE(TagIdAt(QDateTime(QDate(2030, 12, 31), QTime(23, 59, 59))).size(), 8);
    platform::Clock::useSystemTime();
}

}  // namespace

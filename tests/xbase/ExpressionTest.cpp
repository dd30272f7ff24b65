// The expression compiler and evaluator against an in-memory record source:
// the reference engine's semantics, every function and operator on real field
// layouts, index keys and their widths, errors, and re-evaluation on changing
// records.
#include "xbase/Expression.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "xbase/Error.h"
#include "xbase/ExpressionTestSource.h"

namespace xbase {
namespace {

using test::MemorySource;
using Expected = std::variant<bool, double, std::string>;

// Evaluates text on the source's current record and checks the result's type
// and value.
void expectValue(MemorySource& source, const std::string& text, const Expected& expected)
{
    SCOPED_TRACE(text);
    Expression e = Expression::compile(text, source);
    if (const bool* b = std::get_if<bool>(&expected)) {
        ASSERT_EQ(e.type(), ValueType::Logical);
        EXPECT_EQ(e.evalLogical(source), *b);
    } else if (const double* n = std::get_if<double>(&expected)) {
        ASSERT_EQ(e.type(), ValueType::Numeric);
        EXPECT_NEAR(e.evalNumber(source), *n, 1e-9);
    } else {
        ASSERT_TRUE(e.type() == ValueType::Character || e.type() == ValueType::Date);
        EXPECT_EQ(std::string(e.evalString(source)), std::get<std::string>(expected));
    }
}

// One person, with the field types an address file and its neighbours use.
class PersonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source.addField("LNAME", 'C', 10);
        source.addField("FNAME", 'C', 8);
        source.addField("CITY", 'C', 10);
        source.addField("STATE", 'C', 2);
        source.addField("AMOUNT", 'N', 8, 2);
        source.addField("ISDEL", 'L', 1);
        source.addField("BIRTH", 'D', 8);
        source.addField("DATE", 'C', 8);
        source.addField("MEMO", 'M', 10, 0, true);
        source.addRecord();
        source.set("LNAME", "Smith");
        source.set("FNAME", "John");
        source.set("CITY", "Springfld");
        source.set("STATE", "IL");
        source.set("AMOUNT", "  123.45");
        source.set("ISDEL", "F");
        source.set("BIRTH", "19700315");
        source.set("DATE", "20010203");
        source.setMemo("MEMO", "Call me\r\nlater");
    }

    MemorySource source;
};

TEST(HarbourSemantics, EveryReferenceLineGivesTheSameResult)
{
    QFile file(QP_FIXTURES_DIR "/xbase/harbour_semantics.jsonl");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    MemorySource source;
    source.addRecord();
    int lines = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        ++lines;
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        const std::string text = entry["expr"].toString().toStdString();
        source.setExact(entry["exact"].toBool());
        SCOPED_TRACE(std::string("exact ") + (entry["exact"].toBool() ? "on" : "off"));
        const QJsonValue result = entry["result"];
        if (result.isBool())
            expectValue(source, text, result.toBool());
        else if (result.isDouble())
            expectValue(source, text, result.toDouble());
        else
            expectValue(source, text, result.toString().toStdString());
    }
    EXPECT_GT(lines, 0) << "the reference file was empty";
}

TEST_F(PersonTest, OperatorsFunctionsAndFields)
{
    const struct {
        const char* text;
        Expected expected;
    } cases[] = {
        // Fields keep their full width; - moves the blanks to the end.
        {"LNAME", std::string("Smith     ")},
        {"lname + FNAME", std::string("Smith     John    ")},
        {"LNAME - FNAME", std::string("SmithJohn         ")},
        {"UPPER(LNAME-FNAME)", std::string("SMITHJOHN         ")},
        {"LNAME - FNAME - 'x'", std::string("SmithJohnx         ")},
        {"lower(city) + state", std::string("springfld IL")},
        {"'ab' + LNAME", std::string("abSmith     ")},
        {"[a\"b'] + \"'\" + '\"'", std::string("a\"b''\"")},
        // Comparisons on fields: = is a prefix test with exact off.
        {"LNAME = 'Smith'", true},
        {"LNAME == 'Smith'", false},
        {"TRIM(LNAME) == 'Smith'", true},
        {"lname <> 'Sm'", false},
        {"LNAME # 'Smith'", false},
        {"LNAME != 'Jones'", true},
        {"UPPER(LNAME)=\"SMI\" .and. !ISDEL", true},
        {"UPPER(LNAME) = \"SMITH\" .and..not. ISDEL", true},
        {"upper(lname) = \"SMITH\" and not isdel", true},
        {"UPPER(LNAME) = \"SMITH\" .AND. ISDEL", false},
        {"(!(UPPER(LNAME) = \"SMITH\")).and. !ISDEL", false},
        {"DATE = '2001'", true},  // a bare DATE is the field
        {"DATE >= \"2000\" .AND. DATE < \"2010\"", true},
        // Precedence: + before $, comparisons before NOT, AND before OR.
        {"'a' + 'b' $ 'xaby'", true},
        {"NOT 1 = 2", true},
        {".T. .OR. .F. .AND. .F.", true},
        {"(.T. .OR. .F.) .AND. .F.", false},
        {"ISDEL = !ISDEL", false},
        // Logicals and dates.
        {"ISDEL = .F.", true},
        {".F. < .T.", true},
        {".y. .and. .N.", false},
        {"BIRTH < BIRTH", false},
        {"BIRTH = BIRTH", true},
        {"DTOS(BIRTH)", std::string("19700315")},
        {"EMPTY(BIRTH)", false},
        // Record functions.
        {"DELETED()", false},
        {"deleted() .or. RECNO() = 1", true},
        {"RECNO()", 1.0},
        // Memo: read as character.
        {"'call' $ LOWER(MEMO)", true},
        {"'Call' $ MEMO", true},
        {"'xyz' $ MEMO", false},
        {"NOT EMPTY(MEMO) and \"me\" $ MEMO", true},
        {"LEN(MEMO)", 14.0},
        {"LEN(LNAME)", 10.0},
        // Numbers.
        {"AMOUNT", 123.45},
        {"AMOUNT = 123.45", true},
        {"AMOUNT >= 123.45 .AND. AMOUNT < 200", true},
        {"AMOUNT * 2 - 6.9 / 3", 244.6},
        {"-AMOUNT + 1", -122.45},
        {"2 + 3 * 4", 14.0},
        {"(2 + 3) * 4", 20.0},
        {"- -3", 3.0},
        {"10 - 2 - 3", 5.0},
        {"10 / 0", 0.0},
        // IIF runs the chosen branch.
        {"IIF(ISDEL, 'yes', 'no')", std::string("no")},
        {"IIF(AMOUNT > 100, 1, 2)", 1.0},
        {"IIF(.T., LNAME, CITY) + '|'", std::string("Smith     |")},
        // Cutting.
        {"LEFT(LNAME, 3)", std::string("Smi")},
        {"LEFT(LNAME, -1)", std::string("")},
        {"LEFT(LNAME, 50)", std::string("Smith     ")},
        {"RIGHT(TRIM(LNAME), 3)", std::string("ith")},
        {"SUBSTR(LNAME, 2, 3)", std::string("mit")},
        {"SUBSTR(LNAME, 2)", std::string("mith     ")},
        {"SUBSTR('abcdef', -2)", std::string("ef")},
        {"SUBSTR('abc', 0, 2)", std::string("ab")},
        {"SUBSTR('abc', 5)", std::string("")},
        {"SUBSTR('abc', 2, -1)", std::string("")},
        {"TRIM(LNAME) + '!'", std::string("Smith!")},
        {"RTRIM('  ab  ')", std::string("  ab")},
        {"LTRIM('  ab  ')", std::string("ab  ")},
        {"ALLTRIM('  ab  ')", std::string("ab")},
        {"AT('th', LNAME)", 4.0},
        {"AT('', LNAME)", 0.0},
        {"AT('x', LNAME)", 0.0},
        // STR and VAL.
        {"STR(AMOUNT)", std::string("  123.45")},
        {"STR(AMOUNT, 5)", std::string("  123")},
        {"STR(3.14159, 6, 2)", std::string("  3.14")},
        {"STR(2.5)", std::string("         3")},
        {"STR(-2.5, 4)", std::string("  -3")},
        {"STR(12345, 3)", std::string("***")},
        {"STR(-0.4, 2)", std::string(" 0")},
        {"STR(RECNO(), 4)", std::string("   1")},
        {"VAL('  -12.5abc')", -12.5},
        {"VAL('abc')", 0.0},
        {"VAL('1e3')", 1.0},
        {"VAL(STR(AMOUNT, 10, 2)) = AMOUNT", true},
        // EMPTY of every type.
        {"EMPTY(0)", true},
        {"EMPTY(.F.)", true},
        {"EMPTY(' \t\r\n')", true},
        {"EMPTY(FNAME)", false},
        {"EMPTY(LEFT(LNAME, 0))", true},
    };
    for (const auto& c : cases)
        expectValue(source, c.text, c.expected);
}

TEST_F(PersonTest, KeysArePaddedToTheStaticWidth)
{
    const struct {
        const char* text;
        int width;
        const char* key;
    } cases[] = {
        {"UPPER(LNAME-FNAME)", 18, "SMITHJOHN         "},
        {"UPPER(LNAME)+UPPER(FNAME)", 18, "SMITH     JOHN    "},
        {"UPPER(CITY+STATE)", 12, "SPRINGFLD IL"},
        {"LEFT(LNAME, 3)", 3, "Smi"},
        {"LEFT(LNAME, 99)", 10, "Smith     "},
        {"RIGHT(LNAME, 4)", 4, "    "},
        {"TRIM(LNAME)", 10, "Smith     "},
        {"ALLTRIM(LNAME) + '|'", 11, "Smith|     "},
        {"SUBSTR(LNAME, 2, 3)", 3, "mit"},
        {"SUBSTR(LNAME, 4)", 7, "th     "},
        {"STR(AMOUNT, 10, 2)", 10, "    123.45"},
        {"STR(AMOUNT)", 8, "  123.45"},
        {"DTOS(BIRTH)", 8, "19700315"},
        {"BIRTH", 8, "19700315"},
        {"IIF(ISDEL, LNAME, CITY + STATE)", 12, "Springfld IL"},
        {"IIF(.T., STATE, LNAME)", 10, "IL        "},
        {"ISDEL", 1, "F"},
        {"!ISDEL", 1, "T"},
        {"DELETED()", 1, "F"},
        {"'abc'", 3, "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Expression e = Expression::compile(c.text, source);
        EXPECT_EQ(e.width(), c.width);
        EXPECT_EQ(std::string(e.evalKey(source)), c.key);
    }
}

// Numeric keys are 8 bytes that sort bytewise in numeric order.
TEST(ExpressionKeys, NumbersSortBytewise)
{
    MemorySource source;
    source.addField("X", 'B', 8, 2);
    const double values[] = {-1e300, -1e10, -2.5, -1, -1e-300, 0, 1e-300, 0.5, 1, 2.5, 100, 1e10, 1e300};
    Expression e;
    std::vector<std::string> keys;
    for (double v : values) {
        source.addRecord();
        char bytes[8];
        std::memcpy(bytes, &v, 8);  // little-endian, as the file stores it
        source.set("X", std::string_view(bytes, 8));
        if (e.isNull())
            e = Expression::compile("X", source);
        ASSERT_EQ(e.width(), 8);
        keys.emplace_back(e.evalKey(source));
        EXPECT_EQ(e.evalNumber(source), v);
    }
    for (size_t i = 1; i < keys.size(); ++i)
        EXPECT_LT(keys[i - 1], keys[i]) << "between " << values[i - 1] << " and " << values[i];

    // The layout other tools read: 1.0 is 3FF0... with the sign bit set; -1.0
    // is BFF0... with every bit flipped; -0 is the key of 0.
    MemorySource constants;
    constants.addRecord();
    auto key = [&](const char* text) { return std::string(Expression::compile(text, constants).evalKey(constants)); };
    EXPECT_EQ(key("1"), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
    EXPECT_EQ(key("-1"), std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    EXPECT_EQ(key("0"), std::string("\x80\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(key("-0"), key("0"));
}

TEST(ExpressionFields, BareDateAndDeletedAreFieldsOnlyWhenTheTableHasThem)
{
    MemorySource with;
    with.addField("DELETED", 'L', 1);
    with.addField("DATE", 'D', 8);
    with.addRecord();
    with.set("DELETED", "T");
    with.set("DATE", "19991231");
    EXPECT_TRUE(Expression::compile("DELETED", with).evalLogical(with));
    EXPECT_FALSE(Expression::compile("DELETED()", with).evalLogical(with));
    EXPECT_EQ(Expression::compile("date", with).type(), ValueType::Date);
    EXPECT_EQ(Expression::compile("DTOS(DATE)", with).evalString(with), "19991231");

    MemorySource without;
    without.addField("LNAME", 'C', 5);
    without.addRecord();
    without.setDeleted(true);
    EXPECT_TRUE(Expression::compile("DELETED()", without).evalLogical(without));
    EXPECT_TRUE(Expression::compile("deleted ( )", without).evalLogical(without));
    for (const char* text : {"DELETED", "DATE"}) {
        try {
            Expression::compile(text, without);
            ADD_FAILURE() << text << " compiled";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidArgument);
            EXPECT_EQ(error.message(), "Unknown field '" + std::string(text) + "' at position 1");
        }
    }
}

TEST(ExpressionFields, VisualFoxProTypesAndNulls)
{
    MemorySource source;
    source.addField("I", 'I', 4);
    source.addField("Y", 'Y', 8, 4);
    source.addField("T", 'T', 8);
    source.addField("F", 'F', 10, 2);
    source.addField("NAME", 'C', 6, 0, false, 0);
    source.addField("N", 'N', 5, 0, false, 1);
    source.addField("L", 'L', 1, 0, false, 2);
    source.addField("D", 'D', 8, 0, false, 3);
    source.addField("G", 'G', 10, 0, true);
    source.addRecord();
    auto littleEndian = [](uint64_t value, size_t size) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    source.set("I", littleEndian(static_cast<uint32_t>(-5), 4));
    source.set("Y", littleEndian(12345678, 8));
    // 2000-01-01 (Julian day 2451545) at 12:34:56.789.
    source.set("T", littleEndian(2451545, 4) + littleEndian(45296789, 4));
    source.set("F", "  -1.5E+2");
    source.set("NAME", "abc");
    source.set("N", "   42");
    source.set("L", "T");
    source.set("D", "20240229");
    source.setMemo("G", std::string("\0\x01ole", 5));

    expectValue(source, "I * 2", -10.0);
    expectValue(source, "Y", 1234.5678);
    expectValue(source, "T", std::string("20000101123456"));
    expectValue(source, "F", -150.0);
    expectValue(source, "LEN(G)", 5.0);
    expectValue(source, "NAME = 'abc' .AND. N = 42 .AND. L .AND. DTOS(D) = '20240229'", true);

    // A null field reads as the empty value of its type, at full width.
    for (const char* name : {"NAME", "N", "L", "D"})
        source.setNull(name, true);
    expectValue(source, "NAME + '|'", std::string("      |"));
    expectValue(source, "EMPTY(NAME) .AND. N = 0 .AND. !L .AND. EMPTY(D)", true);
    EXPECT_EQ(Expression::compile("D", source).evalKey(source), "        ");

    // An empty datetime is blank.
    source.set("T", std::string(8, '\0'));
    expectValue(source, "T", std::string(14, ' '));
}

TEST(ExpressionFields, UnreadableFieldTypesAreRefused)
{
    MemorySource source;
    source.addField("V", 'V', 10);
    source.addRecord();
    try {
        Expression::compile("V = 'a'", source);
        ADD_FAILURE() << "compiled";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::NotSupported);
        EXPECT_NE(error.message().find("'V'"), std::string::npos) << error.message();
    }
}

TEST_F(PersonTest, CompileErrorsNameTheProblemAndItsPosition)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "The expression is empty"},
        {"   ", "The expression is empty"},
        {"(LNAME = 'a'", "Missing ')' at position 13"},
        {"LNAME)", "Unexpected ')' at position 6"},
        {"LNAME LNAME", "Unexpected 'LNAME' at position 7"},
        {"UPPER(LNAM)", "Unknown field 'LNAM' at position 7"},
        {"FOO(LNAME)", "Unknown function 'FOO' at position 1"},
        {"LNAME = 'abc", "Unterminated string at position 9"},
        {"LNAME = \"abc'", "Unterminated string at position 9"},
        {"LNAME = [abc", "Unterminated string at position 9"},
        {"'a' + 1", "Type mismatch: cannot apply '+' to character and numeric at position 5"},
        {"1 - 'a'", "Type mismatch: cannot apply '-' to numeric and character at position 3"},
        {"LNAME * 2", "Type mismatch: cannot apply '*' to character and numeric at position 7"},
        {"UPPER(ISDEL)", "Type mismatch: UPPER needs a character value, not logical at position 7"},
        {".T. .AND. 'x'", "Type mismatch: .AND. needs a logical value, not character at position 11"},
        {"LNAME .OR. .T.", "Type mismatch: .OR. needs a logical value, not character at position 1"},
        {"NOT AMOUNT", "Type mismatch: .NOT. needs a logical value, not numeric at position 5"},
        {"-LNAME", "Type mismatch: unary '-' needs a numeric operand at position 1"},
        {"LNAME = 1", "Type mismatch: cannot compare character with numeric by '=' at position 7"},
        {"BIRTH = '19700315'", "Type mismatch: cannot compare date with character by '=' at position 7"},
        {"1 $ 2", "Type mismatch: '$' needs character operands at position 3"},
        {"DTOS(LNAME)", "Type mismatch: DTOS needs a date value, not character at position 6"},
        {"LEFT(LNAME, 'a')", "Type mismatch: LEFT needs a numeric value, not character at position 13"},
        {"UPPER(LNAME, 2)", "UPPER takes 1 argument, not 2 at position 1"},
        {"SUBSTR(LNAME)", "SUBSTR takes 2 or 3 arguments, not 1 at position 1"},
        {"STR()", "STR takes 1 to 3 arguments, not 0 at position 1"},
        {"RECNO(1)", "RECNO takes 0 arguments, not 1 at position 1"},
        {"IIF(.T., 1)", "IIF takes 3 arguments at position 11"},
        {"IIF(.T., 1, 'a')", "Type mismatch: the branches of IIF are numeric and character at position 1"},
        {"IIF(LNAME, 1, 2)", "Type mismatch: IIF needs a logical value, not character at position 5"},
        {"UPPER(LNAME", "Missing ')' after the arguments of UPPER at position 12"},
        {"UPPER(LNAME LNAME)", "Unexpected 'LNAME' in the arguments of UPPER at position 13"},
        {"LNAME @ 'a'", "Unexpected '@' at position 7"},
        {"LNAME = 'a' .X. .T.", "Unknown operator '.X.' at position 13"},
        {"ISDEL .AND.", "The expression ends where a value is expected at position 12"},
        {"LNAME =", "The expression ends where a value is expected at position 8"},
        {"()", "Unexpected ')' at position 2"},
        {"LNAME = ,", "Unexpected ',' at position 9"},
        {"DELETED", "Unknown field 'DELETED' at position 1"},
        {"1e5", "Unexpected 'e5' at position 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            Expression::compile(c.text, source);
            ADD_FAILURE() << "compiled";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidArgument);
            EXPECT_EQ(error.message(), c.message);
        }
    }
}

TEST_F(PersonTest, HostileInputIsRefusedOrHandledWithoutCrashing)
{
    auto message = [&](const std::string& text) -> std::string {
        try {
            Expression::compile(text, source);
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidArgument);
            return error.message();
        }
        return "compiled";
    };
    const std::string tooDeep = "Expression nested too deeply (more than 256 levels)";
    EXPECT_EQ(message(std::string(100000, '(') + "1" + std::string(100000, ')')).substr(0, tooDeep.size()), tooDeep);
    EXPECT_EQ(message(std::string(100000, '!') + "ISDEL").substr(0, tooDeep.size()), tooDeep);
    EXPECT_EQ(message(std::string(100000, '-') + "1").substr(0, tooDeep.size()), tooDeep);
    std::string calls;
    for (int i = 0; i < 300; ++i)
        calls += "UPPER(";
    EXPECT_EQ(message(calls + "LNAME" + std::string(300, ')')).substr(0, tooDeep.size()), tooDeep);

    // Nesting up to the limit is fine.
    EXPECT_EQ(Expression::compile(std::string(200, '(') + "1" + std::string(200, ')'), source).evalNumber(source), 1);

    // Long flat chains need no nesting: they compile and evaluate in linear
    // time and memory.
    std::string chain = "LNAME";
    for (int i = 0; i < 50000; ++i)
        chain += "+LNAME";
    Expression wide = Expression::compile(chain, source);
    EXPECT_EQ(wide.width(), 500010);
    EXPECT_EQ(wide.evalString(source).size(), 500010u);
    EXPECT_EQ(wide.evalString(source).substr(500000), "Smith     ");

    std::string tooWide = "LNAME";
    for (int i = 0; i < 120000; ++i)
        tooWide += "+LNAME";
    EXPECT_NE(message(tooWide).find("Expression result too long"), std::string::npos);

    // A long string and bytes outside ASCII are just data.
    const std::string big(1 << 20, 'x');
    EXPECT_TRUE(Expression::compile("'" + big + "' $ '" + big + "'", source).evalLogical(source));
    EXPECT_EQ(message("LNAME = '\xE9' \x01"), "Unexpected character 0x01 at position 13");
    expectValue(source, "UPPER('\xE9t\xE9')", std::string("\xE9T\xE9"));  // ASCII letters only
    EXPECT_EQ(message(std::string("LNAME = 'a'\0", 12)), "Unexpected character 0x00 at position 12");

    // Counts far outside any string stay safe.
    const std::string huge = "1" + std::string(300, '0');
    expectValue(source, "LEFT(LNAME, " + huge + ") + SUBSTR(LNAME, -" + huge + ", " + huge + ") + RIGHT(LNAME, -" + huge + ")",
                std::string("Smith     Smith     "));
    expectValue(source, "STR(" + huge + ")", std::string("**********"));
    expectValue(source, "STR(1, " + huge + ", -5)", std::string(255 - 1, ' ') + "1");
    EXPECT_EQ(message(huge + std::string(400, '0')), "Number out of range at position 1");
}

// Values from one record must never leak into the next: buffers are reused
// and shrink as well as grow.
TEST(ExpressionRecords, RepeatedEvaluationFollowsTheCurrentRecord)
{
    MemorySource source;
    source.addField("LNAME", 'C', 12);
    source.addField("FNAME", 'C', 6);
    source.addField("AMOUNT", 'N', 7, 1);
    source.addField("MEMO", 'M', 10, 0, true);
    struct Person {
        const char* last;
        const char* first;
        const char* amount;
        const char* memo;
        bool deleted;
        // What the expressions below give.
        const char* nameKey;
        const char* lowerMemo;
        const char* amountText;
        bool calls;
    };
    const Person people[] = {
        {"van der Berg", "Anna", "  -12.5", "A long memo: please CALL after five o'clock", false, "VAN DER BERGANNA  ",
         "a long memo: please call after five o'clock", "  -12.5", true},
        {"Li", "Bo", "     ", "", true, "LIBO              ", "", "    0.0", false},
        {"", "Cher", "   99", "x", false, "CHER              ", "x", "   99.0", false},
        {"Smith", "John", "    1.0", "call", false, "SMITHJOHN         ", "call", "    1.0", true},
    };
    for (const Person& p : people) {
        source.addRecord();
        source.set("LNAME", p.last);
        source.set("FNAME", p.first);
        source.set("AMOUNT", p.amount);
        source.setMemo("MEMO", p.memo);
        source.setDeleted(p.deleted);
    }
    Expression nameKey = Expression::compile("UPPER(LNAME-FNAME)", source);
    Expression lowerMemo = Expression::compile("LOWER(MEMO)", source);
    Expression amountText = Expression::compile("STR(AMOUNT, 7, 1)", source);
    Expression calls = Expression::compile("'call' $ LOWER(MEMO) .and. !DELETED()", source);
    Expression recno = Expression::compile("RECNO()", source);
    for (int round = 0; round < 2; ++round) {
        for (uint32_t n = 1; n <= 4; ++n) {
            const Person& p = people[n - 1];
            SCOPED_TRACE(p.last);
            source.go(n);
            EXPECT_EQ(nameKey.evalKey(source), p.nameKey);
            EXPECT_EQ(lowerMemo.evalString(source), p.lowerMemo);
            EXPECT_EQ(amountText.evalString(source), p.amountText);
            EXPECT_EQ(calls.evalLogical(source), p.calls);
            EXPECT_EQ(recno.evalNumber(source), n);
        }
    }
}

TEST_F(PersonTest, AndOrAndIifEvaluateOnlyWhatDecides)
{
    const struct {
        const char* text;
        bool readsMemo;
    } cases[] = {
        {".F. .AND. 'x' $ MEMO", false},
        {"ISDEL .and. 'x' $ MEMO", false},
        {".T. .OR. 'x' $ MEMO", false},
        {"!ISDEL .OR. EMPTY(MEMO)", false},
        {"IIF(.T., 'a', MEMO) = 'a'", false},
        {"IIF(.F., MEMO, 'a') = 'a'", false},
        {".T. .AND. 'x' $ MEMO", true},
        {".F. .OR. 'x' $ MEMO", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Expression e = Expression::compile(c.text, source);
        const int before = source.memoReads();
        e.evalLogical(source);
        EXPECT_EQ(source.memoReads() > before, c.readsMemo);
    }
}

TEST(ExpressionCompare, StringsCompareLikeXbase)
{
    const struct {
        const char* a;
        const char* b;
        int inexact;
        int exact;
    } cases[] = {
        {"Smith", "Sm", 0, 1},        {"Sm", "Smith", -1, -1},     {"Smith", "", 0, 1},
        {"", "Smith", -1, -1},        {"Smith   ", "Smith", 0, 0}, {"Smith", "Smith   ", -1, 0},
        {"abc", "abd", -1, -1},       {"abd", "abc", 1, 1},        {"", "", 0, 0},
        {"   ", "", 0, 0},            {"a", "B", 1, 1},            {"\xE9", "z", 1, 1},
        {"ab\x01", "ab ", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        auto sign = [](int v) { return (v > 0) - (v < 0); };
        EXPECT_EQ(sign(compareStrings(c.a, c.b, false)), c.inexact);
        EXPECT_EQ(sign(compareStrings(c.a, c.b, true)), c.exact);
    }
}

TEST_F(PersonTest, EvaluatingAsTheWrongTypeIsRefused)
{
    Expression name = Expression::compile("LNAME", source);
    EXPECT_THROW(name.evalLogical(source), Error);
    EXPECT_THROW(name.evalNumber(source), Error);
    EXPECT_THROW(Expression::compile("ISDEL", source).evalString(source), Error);
    EXPECT_THROW(Expression().evalKey(source), Error);
    EXPECT_TRUE(Expression().isNull());
    EXPECT_EQ(Expression().text(), "");

    try {
        Expression::compileLogical("UPPER(LNAME)", source);
        ADD_FAILURE() << "compiled";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InvalidArgument);
        EXPECT_EQ(error.message(), "The expression is character, not logical");
    }
    Expression query = Expression::compileLogical("  !ISDEL ", source);
    EXPECT_EQ(query.text(), "  !ISDEL ");
    EXPECT_TRUE(query.evalLogical(source));

    // A moved-from expression leaves a null one behind; the moved-to one works.
    Expression moved = std::move(query);
    EXPECT_TRUE(moved.evalLogical(source));
}

}  // namespace
}  // namespace xbase

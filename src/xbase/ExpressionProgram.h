#pragma once
// ExpressionProgram: a compiled expression as a flat list of instructions for
// a small stack machine, and the machine that runs it on a record.
//
// ExpressionCompiler builds a program (emit, addConstant, addBuffer, finish);
// Expression owns it and runs it. Each instruction that makes a new string
// writes it into a buffer of its own (a chain a+b+c... shares one, each step
// appending to the value only it holds), so a value on the stack stays valid
// for the whole run: no instruction runs twice in one run, since jumps only
// go forward. Buffers keep their capacity between runs, so a run allocates only
// while a buffer still grows. Strings that need no change (fields, LEFT,
// SUBSTR, TRIM) are views into the record or into the operand.
//
// Requires for run(): finish() was called; the source has a current record
// and the field layout the program was compiled against.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/Expression.h"
#include "xbase/RecordSource.h"

namespace xbase {

enum class ExprOp : uint8_t {
    // Operands. a: constant or field index; flag: the field may be null.
    PushString,       // a = constant
    PushNumber,       // number
    PushLogical,      // a = 0 or 1
    FieldCharacter,   // b = constant of blanks, the value of a null field
    FieldDate,        // b = constant of blanks
    FieldNumeric,     // N and F: the number written in the field
    FieldLogical,
    FieldInteger,     // 4-byte little-endian signed
    FieldDouble,      // 8-byte little-endian IEEE double
    FieldCurrency,    // 8-byte little-endian signed, scaled by 10,000
    FieldDateTime,    // as YYYYMMDDhhmmss
    FieldMemo,
    Deleted,
    Recno,

    // Strings.
    Concat,
    ConcatTrimmed,    // "-": the left side's trailing blanks go to the end
    Upper,
    Lower,
    Left,
    Right,
    Substr,           // a = 2 or 3 arguments
    RTrim,
    LTrim,
    AllTrim,
    Len,
    At,
    Contains,         // $
    Val,
    Str,              // a = arguments; with one, width b and decimals c
    EmptyString,
    EmptyNumber,
    EmptyLogical,
    EmptyDate,

    // Numbers.
    Add,
    Subtract,
    Multiply,
    Divide,
    Negate,

    // Comparisons: a = ExprCompare.
    CompareString,
    CompareNumber,
    CompareLogical,
    CompareDate,
    Not,

    // Control: a = target instruction.
    JumpIfFalseElsePop,  // keeps .F. on the stack and jumps; else pops
    JumpIfTrueElsePop,
    JumpIfFalsePop,      // pops, and jumps when it was .F.
    Jump,
};

enum class ExprCompare : uint8_t { Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct ExprInstruction {
    ExprOp op;
    bool flag = false;
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
    int32_t buffer = -1;  // index into the program's buffers, for ops that build a string
    double number = 0;
};

// One stack slot; which member counts depends on the static type.
struct ExprValue {
    std::string_view str;  // Character, Date
    double num = 0;        // Numeric
    bool log = false;      // Logical
};

// STR() widths are kept to 1..kExprMaxStrWidth.
constexpr int kExprMaxStrWidth = 255;

// A count argument (LEFT, SUBSTR, STR...) as an integer: its whole part,
// clamped to +-1e15 so that the conversion is defined for any double.
int64_t exprCount(double value);

class ExpressionProgram {
public:
    // Building.
    int emit(const ExprInstruction& instruction);
    ExprInstruction& at(int index) { return code_[static_cast<size_t>(index)]; }
    int size() const { return static_cast<int>(code_.size()); }
    int addConstant(std::string_view text);
    int addBuffer();
    void finish(ValueType type, int width, int maxDepth);

    ValueType type() const { return type_; }
    int width() const { return width_; }

    // Runs the program on the source's current record and returns the result,
    // valid until the next run or a change of record.
    const ExprValue& run(const RecordSource& source);

private:
    std::vector<ExprInstruction> code_;
    std::vector<std::string> constants_;
    std::vector<std::string> buffers_;
    std::vector<ExprValue> stack_;
    ValueType type_ = ValueType::Character;
    int width_ = 0;
};

}  // namespace xbase

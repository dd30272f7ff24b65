#include "xbase/ExpressionCompiler.h"

#include <algorithm>

#include "xbase/Error.h"

namespace xbase {
namespace {

// Deep enough for any real expression, shallow enough that hostile input
// cannot exhaust the stack of the recursive parser.
constexpr int kMaxNesting = 256;
// Longest character result an expression may promise; keeps key widths and
// buffers sane whatever the text.
constexpr int64_t kMaxWidth = int64_t{1} << 20;

const char* typeName(ValueType type)
{
    switch (type) {
    case ValueType::Character: return "character";
    case ValueType::Numeric: return "numeric";
    case ValueType::Logical: return "logical";
    case ValueType::Date: return "date";
    }
    return "unknown";
}

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool isComparison(TokenKind kind)
{
    switch (kind) {
    case TokenKind::Equal:
    case TokenKind::ExactEqual:
    case TokenKind::NotEqual:
    case TokenKind::Less:
    case TokenKind::LessEqual:
    case TokenKind::Greater:
    case TokenKind::GreaterEqual:
    case TokenKind::Dollar: return true;
    default: return false;
    }
}

ExprCompare toCompare(TokenKind kind)
{
    switch (kind) {
    case TokenKind::ExactEqual: return ExprCompare::ExactEqual;
    case TokenKind::NotEqual: return ExprCompare::NotEqual;
    case TokenKind::Less: return ExprCompare::Less;
    case TokenKind::LessEqual: return ExprCompare::LessEqual;
    case TokenKind::Greater: return ExprCompare::Greater;
    case TokenKind::GreaterEqual: return ExprCompare::GreaterEqual;
    default: return ExprCompare::Equal;
    }
}

ExprInstruction instruction(ExprOp op, int32_t a = 0)
{
    ExprInstruction in{op};
    in.a = a;
    return in;
}

enum class Function { Upper, Lower, Left, Right, Substr, Trim, RTrim, LTrim, AllTrim, Empty, Deleted, Recno, Str, Val, Dtos, Len, At, Iif };

struct FunctionInfo {
    std::string_view name;
    Function function;
    int minArgs;
    int maxArgs;
};

constexpr FunctionInfo kFunctions[] = {
    {"UPPER", Function::Upper, 1, 1},    {"LOWER", Function::Lower, 1, 1},
    {"LEFT", Function::Left, 2, 2},      {"RIGHT", Function::Right, 2, 2},
    {"SUBSTR", Function::Substr, 2, 3},  {"TRIM", Function::Trim, 1, 1},
    {"RTRIM", Function::RTrim, 1, 1},    {"LTRIM", Function::LTrim, 1, 1},
    {"ALLTRIM", Function::AllTrim, 1, 1}, {"EMPTY", Function::Empty, 1, 1},
    {"DELETED", Function::Deleted, 0, 0}, {"RECNO", Function::Recno, 0, 0},
    {"STR", Function::Str, 1, 3},        {"VAL", Function::Val, 1, 1},
    {"DTOS", Function::Dtos, 1, 1},      {"LEN", Function::Len, 1, 1},
    {"AT", Function::At, 2, 2},          {"IIF", Function::Iif, 3, 3},
};

std::string argumentCount(const FunctionInfo& info)
{
    std::string text(info.name);
    text += " takes ";
    if (info.minArgs == info.maxArgs)
        text += std::to_string(info.minArgs);
    else if (info.maxArgs == info.minArgs + 1)
        text += std::to_string(info.minArgs) + " or " + std::to_string(info.maxArgs);
    else
        text += std::to_string(info.minArgs) + " to " + std::to_string(info.maxArgs);
    text += info.maxArgs == 1 ? " argument" : " arguments";
    return text;
}

}  // namespace

ExpressionCompiler::Nesting::Nesting(ExpressionCompiler& compiler, size_t position) : compiler_(compiler)
{
    if (++compiler_.nesting_ > kMaxNesting) {
        --compiler_.nesting_;
        compiler_.fail("Expression nested too deeply (more than " + std::to_string(kMaxNesting) + " levels)",
                       position);
    }
}

ExpressionCompiler::ExpressionCompiler(std::string_view text, const RecordSource& schema)
    : lexer_(text), schema_(schema)
{
}

void ExpressionCompiler::compile(ExpressionProgram& program)
{
    program_ = &program;
    advance();
    if (current_.kind == TokenKind::End)
        throw Error(ErrorKind::InvalidArgument, "The expression is empty");
    const Operand result = parseOr();
    if (current_.kind != TokenKind::End)
        fail("Unexpected " + describe(current_), current_.position);
    int width = 8;
    if (result.type == ValueType::Logical)
        width = 1;
    else if (result.type == ValueType::Character)
        width = static_cast<int>(result.width);
    program.finish(result.type, width, maxDepth_);
}

ExpressionCompiler::Operand ExpressionCompiler::parseOr()
{
    Operand left = parseAnd();
    while (current_.kind == TokenKind::Or) {
        requireType(left, ValueType::Logical, ".OR.");
        advance();
        const int jump = emit(instruction(ExprOp::JumpIfTrueElsePop), -1);
        const Operand right = parseAnd();
        requireType(right, ValueType::Logical, ".OR.");
        patchJumpToHere(jump);
        left = Operand{ValueType::Logical, 1, left.position};
    }
    return left;
}

ExpressionCompiler::Operand ExpressionCompiler::parseAnd()
{
    Operand left = parseNot();
    while (current_.kind == TokenKind::And) {
        requireType(left, ValueType::Logical, ".AND.");
        advance();
        const int jump = emit(instruction(ExprOp::JumpIfFalseElsePop), -1);
        const Operand right = parseNot();
        requireType(right, ValueType::Logical, ".AND.");
        patchJumpToHere(jump);
        left = Operand{ValueType::Logical, 1, left.position};
    }
    return left;
}

ExpressionCompiler::Operand ExpressionCompiler::parseNot()
{
    if (current_.kind != TokenKind::Not)
        return parseComparison();
    const Token op = current_;
    advance();
    Nesting nesting(*this, op.position);
    const Operand operand = parseNot();
    requireType(operand, ValueType::Logical, ".NOT.");
    emit(instruction(ExprOp::Not), 0);
    return Operand{ValueType::Logical, 1, op.position};
}

ExpressionCompiler::Operand ExpressionCompiler::parseComparison()
{
    Operand left = parseAdditive();
    while (isComparison(current_.kind)) {
        const Token op = current_;
        advance();
        const Operand right = parseAdditive();
        if (left.type != right.type) {
            fail("Type mismatch: cannot compare " + std::string(typeName(left.type)) + " with " +
                     typeName(right.type) + " by '" + std::string(op.text) + "'",
                 op.position);
        }
        if (op.kind == TokenKind::Dollar) {
            if (left.type != ValueType::Character)
                fail("Type mismatch: '$' needs character operands", op.position);
            emit(instruction(ExprOp::Contains), -1);
        } else {
            ExprOp compare = ExprOp::CompareString;
            if (left.type == ValueType::Numeric)
                compare = ExprOp::CompareNumber;
            else if (left.type == ValueType::Logical)
                compare = ExprOp::CompareLogical;
            else if (left.type == ValueType::Date)
                compare = ExprOp::CompareDate;
            emit(instruction(compare, static_cast<int32_t>(toCompare(op.kind))), -1);
        }
        left = Operand{ValueType::Logical, 1, left.position};
    }
    return left;
}

ExpressionCompiler::Operand ExpressionCompiler::parseAdditive()
{
    Operand left = parseMultiplicative();
    while (current_.kind == TokenKind::Plus || current_.kind == TokenKind::Minus) {
        const Token op = current_;
        advance();
        const Operand right = parseMultiplicative();
        const bool plus = op.kind == TokenKind::Plus;
        if (left.type == ValueType::Character && right.type == ValueType::Character) {
            // In a chain a+b+c... each step appends to the buffer of the one
            // before, so the work and memory stay linear in the result.
            ExprInstruction in = instruction(plus ? ExprOp::Concat : ExprOp::ConcatTrimmed);
            in.flag = left.concatBuffer >= 0;
            in.buffer = in.flag ? left.concatBuffer : program_->addBuffer();
            emit(in, -1);
            left = Operand{ValueType::Character, checkedWidth(left.width + right.width, op.position), left.position};
            left.concatBuffer = in.buffer;
        } else if (left.type == ValueType::Numeric && right.type == ValueType::Numeric) {
            emit(instruction(plus ? ExprOp::Add : ExprOp::Subtract), -1);
            left = Operand{ValueType::Numeric, 8, left.position};
        } else {
            fail("Type mismatch: cannot apply '" + std::string(op.text) + "' to " + typeName(left.type) + " and " +
                     typeName(right.type),
                 op.position);
        }
    }
    return left;
}

ExpressionCompiler::Operand ExpressionCompiler::parseMultiplicative()
{
    Operand left = parseUnary();
    while (current_.kind == TokenKind::Star || current_.kind == TokenKind::Slash) {
        const Token op = current_;
        advance();
        const Operand right = parseUnary();
        if (left.type != ValueType::Numeric || right.type != ValueType::Numeric) {
            fail("Type mismatch: cannot apply '" + std::string(op.text) + "' to " + typeName(left.type) + " and " +
                     typeName(right.type),
                 op.position);
        }
        emit(instruction(op.kind == TokenKind::Star ? ExprOp::Multiply : ExprOp::Divide), -1);
        left = Operand{ValueType::Numeric, 8, left.position};
    }
    return left;
}

ExpressionCompiler::Operand ExpressionCompiler::parseUnary()
{
    const Token op = current_;
    if (op.kind == TokenKind::Not) {
        // A negation where an operand is expected ("X = !Y") binds to that
        // operand; at the head of a condition parseNot sees it first.
        Nesting nesting(*this, op.position);
        return parseNot();
    }
    if (op.kind != TokenKind::Minus && op.kind != TokenKind::Plus)
        return parsePrimary();
    advance();
    Nesting nesting(*this, op.position);
    Operand operand = parseUnary();
    if (operand.type != ValueType::Numeric)
        fail("Type mismatch: unary '" + std::string(op.text) + "' needs a numeric operand", op.position);
    if (op.kind == TokenKind::Minus) {
        if (operand.isConstant) {
            // The literal's push is the last instruction: negate it in place so
            // that LEFT(x, -1) and the like still see a constant.
            program_->at(program_->size() - 1).number = -program_->at(program_->size() - 1).number;
            operand.constant = -operand.constant;
        } else {
            emit(instruction(ExprOp::Negate), 0);
        }
    }
    operand.position = op.position;
    return operand;
}

ExpressionCompiler::Operand ExpressionCompiler::parsePrimary()
{
    const Token token = current_;
    switch (token.kind) {
    case TokenKind::Number: {
        ExprInstruction in = instruction(ExprOp::PushNumber);
        in.number = token.number;
        emit(in, +1);
        advance();
        Operand operand{ValueType::Numeric, 8, token.position};
        operand.isConstant = true;
        operand.constant = token.number;
        return operand;
    }
    case TokenKind::String:
        emit(instruction(ExprOp::PushString, program_->addConstant(token.text)), +1);
        advance();
        return Operand{ValueType::Character, checkedWidth(static_cast<int64_t>(token.text.size()), token.position),
                       token.position};
    case TokenKind::True:
    case TokenKind::False:
        emit(instruction(ExprOp::PushLogical, token.kind == TokenKind::True ? 1 : 0), +1);
        advance();
        return Operand{ValueType::Logical, 1, token.position};
    case TokenKind::LeftParen: {
        advance();
        Nesting nesting(*this, token.position);
        Operand inner = parseOr();
        expect(TokenKind::RightParen, "Missing ')'");
        inner.position = token.position;
        return inner;
    }
    case TokenKind::Identifier:
        if (lexer_.nextCharIs('('))
            return parseFunction(token);
        return parseField(token);
    case TokenKind::End:
        fail("The expression ends where a value is expected", token.position);
    default:
        fail("Unexpected " + describe(token), token.position);
    }
}

ExpressionCompiler::Operand ExpressionCompiler::parseField(const Token& name)
{
    const std::vector<Field>& fields = schema_.fields();
    const int index = schema_.fieldIndex(name.text);
    if (index < 0 || static_cast<size_t>(index) >= fields.size() || fields[static_cast<size_t>(index)].isSystem())
        fail("Unknown field '" + std::string(name.text) + "'", name.position);
    const Field& field = fields[static_cast<size_t>(index)];
    advance();

    ExprInstruction in = instruction(ExprOp::FieldCharacter, index);
    in.flag = field.nullBit >= 0;
    Operand operand{ValueType::Numeric, 8, name.position};
    if (field.memo) {
        in.op = ExprOp::FieldMemo;
        in.buffer = program_->addBuffer();
        operand.type = ValueType::Character;
        operand.width = field.length;
    } else {
        switch (field.type) {
        case FieldType::Character:
            in.b = program_->addConstant(std::string(field.length, ' '));
            operand.type = ValueType::Character;
            operand.width = field.length;
            break;
        case FieldType::Date:
            in.op = ExprOp::FieldDate;
            in.b = program_->addConstant("        ");
            operand.type = ValueType::Date;
            break;
        case FieldType::Numeric:
        case FieldType::Float:
            in.op = ExprOp::FieldNumeric;
            operand.strWidth = field.length;
            operand.strDecimals = field.decimals;
            break;
        case FieldType::Logical:
            in.op = ExprOp::FieldLogical;
            operand.type = ValueType::Logical;
            operand.width = 1;
            break;
        case FieldType::Integer: in.op = ExprOp::FieldInteger; break;
        case FieldType::Double:
            in.op = ExprOp::FieldDouble;
            operand.strWidth = std::max<int>(field.length, 10);
            operand.strDecimals = field.decimals;
            break;
        case FieldType::Currency:
            in.op = ExprOp::FieldCurrency;
            operand.strDecimals = 4;
            operand.strWidth = 20;
            break;
        case FieldType::DateTime:
            in.op = ExprOp::FieldDateTime;
            in.buffer = program_->addBuffer();
            operand.type = ValueType::Character;
            operand.width = 14;
            break;
        default:
            throw Error(ErrorKind::NotSupported, "Field '" + field.name + "' of type '" + std::string(1, field.type) +
                                                     "' cannot be used in an expression (position " +
                                                     std::to_string(name.position + 1) + ")");
        }
    }
    emit(in, +1);
    return operand;
}

ExpressionCompiler::Operand ExpressionCompiler::parseFunction(const Token& name)
{
    const std::string upper = upperAscii(name.text);
    const FunctionInfo* info = nullptr;
    for (const FunctionInfo& candidate : kFunctions) {
        if (candidate.name == upper)
            info = &candidate;
    }
    if (info == nullptr)
        fail("Unknown function '" + std::string(name.text) + "'", name.position);
    advance();  // the name
    advance();  // "("
    Nesting nesting(*this, name.position);
    if (info->function == Function::Iif)
        return parseIif(name);

    std::vector<Operand> args;
    if (current_.kind != TokenKind::RightParen) {
        for (;;) {
            args.push_back(parseOr());
            if (current_.kind != TokenKind::Comma)
                break;
            advance();
        }
    }
    if (current_.kind == TokenKind::End)
        fail("Missing ')' after the arguments of " + std::string(info->name), current_.position);
    if (current_.kind != TokenKind::RightParen)
        fail("Unexpected " + describe(current_) + " in the arguments of " + std::string(info->name), current_.position);
    advance();
    const int argc = static_cast<int>(args.size());
    if (argc < info->minArgs || argc > info->maxArgs)
        fail(argumentCount(*info) + ", not " + std::to_string(argc), name.position);

    const std::string fname(info->name);
    Operand result{ValueType::Character, 0, name.position};
    auto stringBuffer = [&](ExprOp op) {
        ExprInstruction in = instruction(op);
        in.buffer = program_->addBuffer();
        return in;
    };
    switch (info->function) {
    case Function::Upper:
    case Function::Lower:
        requireType(args[0], ValueType::Character, fname);
        emit(stringBuffer(info->function == Function::Upper ? ExprOp::Upper : ExprOp::Lower), 0);
        result.width = args[0].width;
        break;
    case Function::Left:
    case Function::Right:
        requireType(args[0], ValueType::Character, fname);
        requireType(args[1], ValueType::Numeric, fname);
        emit(instruction(info->function == Function::Left ? ExprOp::Left : ExprOp::Right), -1);
        result.width = args[1].isConstant ? std::clamp<int64_t>(exprCount(args[1].constant), 0, args[0].width)
                                          : args[0].width;
        break;
    case Function::Substr: {
        requireType(args[0], ValueType::Character, fname);
        requireType(args[1], ValueType::Numeric, fname);
        if (argc == 3)
            requireType(args[2], ValueType::Numeric, fname);
        emit(instruction(ExprOp::Substr, argc), -(argc - 1));
        // Worked out as the runtime cuts a value of the operand's width.
        result.width = args[0].width;
        if (args[1].isConstant && (argc == 2 || args[2].isConstant)) {
            int64_t start = exprCount(args[1].constant);
            const int64_t size = args[0].width;
            if (start < 0)
                start = std::max<int64_t>(size + start, 0);
            else if (start > 0)
                --start;
            const int64_t available = std::max<int64_t>(size - start, 0);
            result.width = argc == 2 ? available
                                     : std::min(std::max<int64_t>(exprCount(args[2].constant), 0), available);
        }
        break;
    }
    case Function::Trim:
    case Function::RTrim:
    case Function::LTrim:
    case Function::AllTrim:
        requireType(args[0], ValueType::Character, fname);
        emit(instruction(info->function == Function::LTrim     ? ExprOp::LTrim
                         : info->function == Function::AllTrim ? ExprOp::AllTrim
                                                               : ExprOp::RTrim),
             0);
        result.width = args[0].width;
        break;
    case Function::Empty: {
        ExprOp op = ExprOp::EmptyString;
        if (args[0].type == ValueType::Numeric)
            op = ExprOp::EmptyNumber;
        else if (args[0].type == ValueType::Logical)
            op = ExprOp::EmptyLogical;
        else if (args[0].type == ValueType::Date)
            op = ExprOp::EmptyDate;
        emit(instruction(op), 0);
        result = Operand{ValueType::Logical, 1, name.position};
        break;
    }
    case Function::Deleted:
        emit(instruction(ExprOp::Deleted), +1);
        result = Operand{ValueType::Logical, 1, name.position};
        break;
    case Function::Recno:
        emit(instruction(ExprOp::Recno), +1);
        result = Operand{ValueType::Numeric, 8, name.position};
        break;
    case Function::Str: {
        for (const Operand& arg : args)
            requireType(arg, ValueType::Numeric, fname);
        ExprInstruction in = stringBuffer(ExprOp::Str);
        in.a = argc;
        in.b = args[0].strWidth;
        in.c = args[0].strDecimals;
        emit(in, -(argc - 1));
        int64_t width = 10;
        if (argc == 1)
            width = args[0].strWidth;
        else if (args[1].isConstant)
            width = exprCount(args[1].constant);
        result.width = std::clamp<int64_t>(width, 1, kExprMaxStrWidth);
        break;
    }
    case Function::Val:
        requireType(args[0], ValueType::Character, fname);
        emit(instruction(ExprOp::Val), 0);
        result = Operand{ValueType::Numeric, 8, name.position};
        break;
    case Function::Dtos:
        // A date already is its YYYYMMDD text; only the type changes.
        requireType(args[0], ValueType::Date, fname);
        result.width = 8;
        break;
    case Function::Len:
        requireType(args[0], ValueType::Character, fname);
        emit(instruction(ExprOp::Len), 0);
        result = Operand{ValueType::Numeric, 8, name.position};
        break;
    case Function::At:
        requireType(args[0], ValueType::Character, fname);
        requireType(args[1], ValueType::Character, fname);
        emit(instruction(ExprOp::At), -1);
        result = Operand{ValueType::Numeric, 8, name.position};
        break;
    case Function::Iif: break;  // parsed by parseIif
    }
    return result;
}

// IIF(condition, a, b): only the chosen branch runs.
ExpressionCompiler::Operand ExpressionCompiler::parseIif(const Token& name)
{
    const std::string count = "IIF takes 3 arguments";
    const Operand condition = parseOr();
    requireType(condition, ValueType::Logical, "IIF");
    expect(TokenKind::Comma, count);
    const int toElse = emit(instruction(ExprOp::JumpIfFalsePop), -1);
    const Operand whenTrue = parseOr();
    expect(TokenKind::Comma, count);
    const int toEnd = emit(instruction(ExprOp::Jump), 0);
    --depth_;  // the other branch starts from the depth before the first
    patchJumpToHere(toElse);
    const Operand whenFalse = parseOr();
    expect(TokenKind::RightParen, count);
    patchJumpToHere(toEnd);
    if (whenTrue.type != whenFalse.type) {
        fail("Type mismatch: the branches of IIF are " + std::string(typeName(whenTrue.type)) + " and " +
                 typeName(whenFalse.type),
             name.position);
    }
    Operand result = whenTrue;
    result.position = name.position;
    result.isConstant = false;
    result.concatBuffer = -1;
    result.width = std::max(whenTrue.width, whenFalse.width);
    return result;
}

void ExpressionCompiler::expect(TokenKind kind, const std::string& message)
{
    if (current_.kind != kind)
        fail(message, current_.position);
    advance();
}

int ExpressionCompiler::emit(ExprInstruction instruction, int stackChange)
{
    depth_ += stackChange;
    maxDepth_ = std::max(maxDepth_, depth_);
    return program_->emit(instruction);
}

void ExpressionCompiler::patchJumpToHere(int jump)
{
    program_->at(jump).a = program_->size();
}

int64_t ExpressionCompiler::checkedWidth(int64_t width, size_t position)
{
    if (width > kMaxWidth)
        fail("Expression result too long", position);
    return width;
}

void ExpressionCompiler::requireType(const Operand& operand, ValueType type, const std::string& what)
{
    if (operand.type != type) {
        fail("Type mismatch: " + what + " needs a " + typeName(type) + " value, not " + typeName(operand.type),
             operand.position);
    }
}

std::string ExpressionCompiler::describe(const Token& token) const
{
    switch (token.kind) {
    case TokenKind::End: return "end of the expression";
    case TokenKind::String: return "string";
    default: break;
    }
    const size_t kShown = 40;
    if (token.text.size() > kShown)
        return "'" + std::string(token.text.substr(0, kShown)) + "...'";
    return "'" + std::string(token.text) + "'";
}

void ExpressionCompiler::fail(const std::string& what, size_t position) const
{
    throw Error(ErrorKind::InvalidArgument, what + " at position " + std::to_string(position + 1));
}

}  // namespace xbase

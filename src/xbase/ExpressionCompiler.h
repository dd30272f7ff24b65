#pragma once
// ExpressionCompiler: parses the text of an xBase expression and writes it as
// an ExpressionProgram, resolving field names against a RecordSource's field
// list and checking the type of every operand on the way. One pass: code is
// emitted while parsing, so a long chain "a+b+c+..." needs no tree and no
// recursion; only parentheses, unary operators and function arguments nest,
// and their depth is limited.
//
// Precedence, highest first: unary minus and plus; * /; + -; the comparisons
// = == <> # != < <= > >= $; NOT; AND; OR. All binary operators group left to
// right.
//
// Use once: construct, then compile(). The text and the schema must outlive
// the compiler. compile() throws Error(InvalidArgument) naming the problem and
// its 1-based position, or Error(NotSupported) for a field type that cannot
// be read in an expression.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/ExpressionLexer.h"
#include "xbase/ExpressionProgram.h"
#include "xbase/RecordSource.h"

namespace xbase {

class ExpressionCompiler {
public:
    ExpressionCompiler(std::string_view text, const RecordSource& schema);

    void compile(ExpressionProgram& program);

private:
    // What the compiler knows of a value once its code is emitted.
    struct Operand {
        ValueType type = ValueType::Character;
        int64_t width = 0;       // as an index key
        size_t position = 0;     // of its first token
        bool isConstant = false; // a numeric literal, perhaps negated
        double constant = 0;
        int strWidth = 10;       // STR()'s default width and decimals for it
        int strDecimals = 0;
        // The buffer that holds the value when it is the result of a
        // concatenation, or -1; the next concatenation appends to it.
        int concatBuffer = -1;
    };

    // Counts one level of nesting for as long as it lives.
    class Nesting {
    public:
        Nesting(ExpressionCompiler& compiler, size_t position);
        ~Nesting() { --compiler_.nesting_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ExpressionCompiler& compiler_;
    };

    Operand parseOr();
    Operand parseAnd();
    Operand parseNot();
    Operand parseComparison();
    Operand parseAdditive();
    Operand parseMultiplicative();
    Operand parseUnary();
    Operand parsePrimary();
    Operand parseField(const Token& name);
    Operand parseFunction(const Token& name);
    Operand parseIif(const Token& name);

    void advance() { current_ = lexer_.next(); }
    void expect(TokenKind kind, const std::string& message);
    int emit(ExprInstruction instruction, int stackChange);
    void patchJumpToHere(int jump);
    int64_t checkedWidth(int64_t width, size_t position);
    void requireType(const Operand& operand, ValueType type, const std::string& what);
    std::string describe(const Token& token) const;
    [[noreturn]] void fail(const std::string& what, size_t position) const;

    ExpressionLexer lexer_;
    const RecordSource& schema_;
    ExpressionProgram* program_ = nullptr;
    Token current_;
    int nesting_ = 0;
    int depth_ = 0;
    int maxDepth_ = 0;
};

}  // namespace xbase

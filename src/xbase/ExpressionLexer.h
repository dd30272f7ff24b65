#pragma once
// ExpressionLexer: splits the text of an xBase expression into tokens, one at
// a time, for ExpressionCompiler. It keeps a view of the text: the text must
// outlive the lexer, and the views in its tokens point into it.
//
// Words (AND, OR, NOT and the dotted .AND. .OR. .NOT. .T. .F. .Y. .N.) are
// recognised in any letter case; AND, OR and NOT are always operators, never
// field names. Positions are byte offsets from the start of the text.
// Strings are "...", '...' or [...], without escapes. next() throws
// Error(InvalidArgument) for a character that starts no token and for an
// unterminated string.
#include <cstddef>
#include <string_view>

namespace xbase {

enum class TokenKind {
    End,
    String,      // text holds the characters between the quotes
    Number,      // number holds the value
    True,
    False,
    Identifier,  // text holds the name as written
    And,
    Or,
    Not,         // !  NOT  .NOT.
    LeftParen,
    RightParen,
    Comma,
    Plus,
    Minus,
    Star,
    Slash,
    Equal,       // =
    ExactEqual,  // ==
    NotEqual,    // <>  #  !=
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Dollar,
};

struct Token {
    TokenKind kind = TokenKind::End;
    size_t position = 0;
    // The token as written; for a string, the characters between the quotes.
    std::string_view text;
    double number = 0;
};

class ExpressionLexer {
public:
    explicit ExpressionLexer(std::string_view text) : text_(text) {}

    Token next();
    // True when the next character that is not a blank is c (used to tell a
    // function call from a field name).
    bool nextCharIs(char c) const;
    size_t length() const { return text_.size(); }

private:
    void skipBlanks();
    Token dotted(size_t start);
    Token number(size_t start);

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace xbase

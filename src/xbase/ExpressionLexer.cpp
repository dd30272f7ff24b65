#include "xbase/ExpressionLexer.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "xbase/Error.h"

namespace xbase {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (x != b[i])
            return false;
    }
    return true;
}

std::string describeChar(char c)
{
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F)
        return std::string("'") + c + "'";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", byte);
    return std::string("character ") + hex;
}

[[noreturn]] void fail(const std::string& what, size_t position)
{
    throw Error(ErrorKind::InvalidArgument, what + " at position " + std::to_string(position + 1));
}

}  // namespace

void ExpressionLexer::skipBlanks()
{
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
}

bool ExpressionLexer::nextCharIs(char c) const
{
    size_t i = pos_;
    while (i < text_.size() && isBlank(text_[i]))
        ++i;
    return i < text_.size() && text_[i] == c;
}

Token ExpressionLexer::next()
{
    skipBlanks();
    Token token;
    token.position = pos_;
    if (pos_ >= text_.size())
        return token;

    const size_t start = pos_;
    const char c = text_[pos_];
    auto single = [&](TokenKind kind, size_t length) {
        pos_ += length;
        token.kind = kind;
        token.text = text_.substr(start, length);
        return token;
    };
    auto followedBy = [&](char second) { return pos_ + 1 < text_.size() && text_[pos_ + 1] == second; };

    if (c == '"' || c == '\'' || c == '[') {
        // [...] is the third string delimiter of xBase; no escapes in any.
        const size_t close = text_.find(c == '[' ? ']' : c, start + 1);
        if (close == std::string_view::npos)
            fail("Unterminated string", start);
        token.kind = TokenKind::String;
        token.text = text_.substr(start + 1, close - start - 1);
        pos_ = close + 1;
        return token;
    }
    if (isDigit(c) || (c == '.' && pos_ + 1 < text_.size() && isDigit(text_[pos_ + 1])))
        return number(start);
    if (c == '.')
        return dotted(start);
    if (isLetter(c)) {
        size_t end = start + 1;
        while (end < text_.size() && (isLetter(text_[end]) || isDigit(text_[end])))
            ++end;
        pos_ = end;
        token.text = text_.substr(start, end - start);
        if (equalsIgnoringCase(token.text, "AND"))
            token.kind = TokenKind::And;
        else if (equalsIgnoringCase(token.text, "OR"))
            token.kind = TokenKind::Or;
        else if (equalsIgnoringCase(token.text, "NOT"))
            token.kind = TokenKind::Not;
        else
            token.kind = TokenKind::Identifier;
        return token;
    }

    switch (c) {
    case '(': return single(TokenKind::LeftParen, 1);
    case ')': return single(TokenKind::RightParen, 1);
    case ',': return single(TokenKind::Comma, 1);
    case '+': return single(TokenKind::Plus, 1);
    case '-': return single(TokenKind::Minus, 1);
    case '*': return single(TokenKind::Star, 1);
    case '/': return single(TokenKind::Slash, 1);
    case '$': return single(TokenKind::Dollar, 1);
    case '#': return single(TokenKind::NotEqual, 1);
    case '=': return followedBy('=') ? single(TokenKind::ExactEqual, 2) : single(TokenKind::Equal, 1);
    case '!': return followedBy('=') ? single(TokenKind::NotEqual, 2) : single(TokenKind::Not, 1);
    case '<':
        if (followedBy('>'))
            return single(TokenKind::NotEqual, 2);
        return followedBy('=') ? single(TokenKind::LessEqual, 2) : single(TokenKind::Less, 1);
    case '>': return followedBy('=') ? single(TokenKind::GreaterEqual, 2) : single(TokenKind::Greater, 1);
    default: break;
    }
    fail("Unexpected " + describeChar(c), start);
}

// A dotted word: .T. .F. .Y. .N. .AND. .OR. .NOT. in any letter case.
Token ExpressionLexer::dotted(size_t start)
{
    size_t end = start + 1;
    while (end < text_.size() && isLetter(text_[end]))
        ++end;
    if (end >= text_.size() || text_[end] != '.' || end == start + 1)
        fail("Unexpected '.'", start);
    const std::string_view word = text_.substr(start + 1, end - start - 1);
    Token token;
    token.position = start;
    token.text = text_.substr(start, end + 1 - start);
    if (equalsIgnoringCase(word, "T") || equalsIgnoringCase(word, "Y"))
        token.kind = TokenKind::True;
    else if (equalsIgnoringCase(word, "F") || equalsIgnoringCase(word, "N"))
        token.kind = TokenKind::False;
    else if (equalsIgnoringCase(word, "AND"))
        token.kind = TokenKind::And;
    else if (equalsIgnoringCase(word, "OR"))
        token.kind = TokenKind::Or;
    else if (equalsIgnoringCase(word, "NOT"))
        token.kind = TokenKind::Not;
    else
        fail("Unknown operator '" + std::string(token.text) + "'", start);
    pos_ = end + 1;
    return token;
}

// Digits with an optional fraction. A dot is part of the number only when a
// digit follows it, so "1.AND." is the number 1 and the operator .AND.
Token ExpressionLexer::number(size_t start)
{
    size_t end = start;
    while (end < text_.size() && isDigit(text_[end]))
        ++end;
    if (end + 1 < text_.size() && text_[end] == '.' && isDigit(text_[end + 1])) {
        ++end;
        while (end < text_.size() && isDigit(text_[end]))
            ++end;
    }
    Token token;
    token.kind = TokenKind::Number;
    token.position = start;
    token.text = text_.substr(start, end - start);
    const auto result = std::from_chars(text_.data() + start, text_.data() + end, token.number,
                                        std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != text_.data() + end)
        fail("Number out of range", start);
    pos_ = end;
    return token;
}

}  // namespace xbase

#pragma once
// Expression: an xBase expression compiled once against a table's fields and
// evaluated per record without allocating (in the steady state: buffers keep
// their capacity between evaluations).
//
// The dialect: field names (any letter case; a bare DATE or DELETED is the
// field when the table has one, DELETED() the function), "...", '...' and
// [...] strings (no escapes), numbers, .T. .F. .Y. .N. (any case); + and -
// on strings (- moves the left side's trailing blanks to the end) and on
// numbers, * and /; = == <> # != < <= > >= $; ! NOT .NOT. .AND. .OR. AND OR
// (any case; AND, OR and NOT are never field names); parentheses; the
// functions UPPER LOWER LEFT RIGHT SUBSTR TRIM RTRIM LTRIM ALLTRIM EMPTY
// DELETED RECNO STR VAL DTOS LEN AT IIF (any case). Precedence, highest
// first: unary - +; * /; + -; the comparisons and $; NOT; AND; OR. .AND. and
// .OR. stop at the first operand that decides, and IIF runs only the chosen
// branch.
//
// Values: Character (bytes, code page 1252), Numeric (double), Logical, Date
// (YYYYMMDD). Fields keep their full width, never trimmed. C is Character;
// N and F the number written in them (blank is 0); L true for T t Y y; D a
// Date; I, B (when not a memo), Y (currency) Numeric; T (datetime) Character
// YYYYMMDDhhmmss (blank when empty); memo fields (M, G, P, W, dBase B) their
// memo text. A null field reads as the empty value of its type. Other field
// types are refused at compile time (NotSupported).
//
// Comparing: with the source's exact switch off, = and the ordering
// operators compare strings up to the length of the right operand ("Smith" =
// "Sm" holds, "abc" > "ab" does not); with it on, trailing blanks do not
// count. == always compares whole values. <> # != negate =. "" $ x is false.
// Numbers compare as numbers, .F. < .T., dates as their text. UPPER and LOWER
// change ASCII letters only, as the indexes of other xBase tools do. EMPTY
// holds for text of blanks, tabs, CR and LF only, 0, .F., and a blank date.
// TRIM family: blanks only. SUBSTR counts from 1; a start of 0 is 1 and a
// negative start counts from the end. STR(n, w = 10, d = 0) rounds half away
// from zero and gives w asterisks when the number does not fit (without w, a
// N or F field uses its own width and decimals). VAL reads a leading number.
// A division by zero gives 0.
//
// compile() throws Error(InvalidArgument) naming the position of a syntax or
// type error (nesting deeper than 256 levels is one). Evaluation never throws
// for well-typed expressions except when a memo cannot be read (the
// RecordSource's own errors pass through); asking for the wrong type
// (evalLogical on a character expression) throws Error(InvalidArgument).
//
// An Expression is not thread-safe: evaluation writes into its own buffers.
#include <memory>
#include <string>
#include <string_view>

#include "xbase/RecordSource.h"

namespace xbase {

enum class ValueType { Character, Numeric, Logical, Date };

class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    static Expression compile(std::string_view text, const RecordSource& schema);
    // compile(), and then throws Error(InvalidArgument) unless the result is
    // Logical: what a query or a FOR condition needs.
    static Expression compileLogical(std::string_view text, const RecordSource& schema);

    bool isNull() const { return impl_ == nullptr; }
    const std::string& text() const;
    ValueType type() const;
    // The width of a character result as an index key: the sum of the field
    // and literal widths it is built from; UPPER, LOWER and the TRIM family
    // keep their operand's, LEFT/RIGHT/SUBSTR with constant counts what they
    // cut from it, STR its width, IIF the wider branch (Date 8, Logical 1,
    // Numeric 8).
    int width() const;

    // Each evaluates on the source's current record. Requires: type() matches
    // (Logical for evalLogical, Numeric for evalNumber); evalString serves
    // Character and Date (YYYYMMDD) results. The returned view stays valid
    // until the next evaluation of this expression or a change of record.
    bool evalLogical(const RecordSource& source);
    double evalNumber(const RecordSource& source);
    std::string_view evalString(const RecordSource& source);

    // The index key of the current record: a character result padded with
    // blanks (or cut) to width(); a logical as "T" or "F"; dates as YYYYMMDD;
    // numbers in the 8-byte sortable form of the compound index.
    std::string_view evalKey(const RecordSource& source);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Compares two strings the xBase way: byte by byte (unsigned); with exact off
// only up to the length of b (a = b when a begins with b), with exact on
// ignoring trailing blanks. Returns <0, 0, >0.
int compareStrings(std::string_view a, std::string_view b, bool exact);

}  // namespace xbase

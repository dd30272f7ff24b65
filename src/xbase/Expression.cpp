#include "xbase/Expression.h"

#include <algorithm>
#include <cstring>

#include "xbase/Error.h"
#include "xbase/ExpressionCompiler.h"
#include "xbase/ExpressionProgram.h"

namespace xbase {

struct Expression::Impl {
    std::string text;
    ExpressionProgram program;
    std::string key;  // evalKey's result when it differs from the value
};

namespace {

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

}  // namespace

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(std::string_view text, const RecordSource& schema)
{
    auto impl = std::make_unique<Impl>();
    impl->text = std::string(text);
    ExpressionCompiler(impl->text, schema).compile(impl->program);
    Expression expression;
    expression.impl_ = std::move(impl);
    return expression;
}

Expression Expression::compileLogical(std::string_view text, const RecordSource& schema)
{
    Expression expression = compile(text, schema);
    if (expression.type() != ValueType::Logical) {
        throw Error(ErrorKind::InvalidArgument,
                    std::string("The expression is ") + typeName(expression.type()) + ", not logical");
    }
    return expression;
}

const std::string& Expression::text() const
{
    static const std::string kEmpty;
    return impl_ ? impl_->text : kEmpty;
}

ValueType Expression::type() const
{
    return impl_ ? impl_->program.type() : ValueType::Character;
}

int Expression::width() const
{
    return impl_ ? impl_->program.width() : 0;
}

// The result of a run after checking that the caller asked for the right type;
// a mismatch is a programming error, reported rather than read as garbage.
static const ExprValue& runChecked(Expression::Impl* impl, const RecordSource& source, bool ok, const char* wanted)
{
    if (impl == nullptr)
        throw Error(ErrorKind::InvalidArgument, "Evaluating an empty expression");
    if (!ok) {
        throw Error(ErrorKind::InvalidArgument, "The expression '" + impl->text + "' is " +
                                                    typeName(impl->program.type()) + ", not " + wanted);
    }
    return impl->program.run(source);
}

bool Expression::evalLogical(const RecordSource& source)
{
    return runChecked(impl_.get(), source, type() == ValueType::Logical, "logical").log;
}

double Expression::evalNumber(const RecordSource& source)
{
    return runChecked(impl_.get(), source, type() == ValueType::Numeric, "numeric").num;
}

std::string_view Expression::evalString(const RecordSource& source)
{
    const bool ok = type() == ValueType::Character || type() == ValueType::Date;
    return runChecked(impl_.get(), source, ok, "character or date").str;
}

std::string_view Expression::evalKey(const RecordSource& source)
{
    const ExprValue& value = runChecked(impl_.get(), source, true, "");
    std::string& key = impl_->key;
    switch (type()) {
    case ValueType::Character:
    case ValueType::Date: {
        const auto size = static_cast<size_t>(width());
        if (value.str.size() == size)
            return value.str;
        const std::string_view kept = value.str.substr(0, std::min(size, value.str.size()));
        key.assign(kept.data(), kept.size());
        key.resize(size, ' ');
        return key;
    }
    case ValueType::Logical:
        key.assign(1, value.log ? 'T' : 'F');
        return key;
    case ValueType::Numeric: {
        // IEEE-754 big-endian with the sign bit set for values >= 0 and every
        // bit flipped for negative ones: keys then sort bytewise like numbers.
        const double number = value.num == 0 ? 0.0 : value.num;  // -0 sorts as 0
        uint64_t bits = 0;
        std::memcpy(&bits, &number, sizeof bits);
        constexpr uint64_t kSign = uint64_t{1} << 63;
        bits = (bits & kSign) != 0 ? ~bits : bits | kSign;
        key.resize(8);
        for (int i = 7; i >= 0; --i) {
            key[static_cast<size_t>(i)] = static_cast<char>(bits & 0xFF);
            bits >>= 8;
        }
        return key;
    }
    }
    return key;
}

int compareStrings(std::string_view a, std::string_view b, bool exact)
{
    if (exact) {
        // Trailing blanks do not count: the longer side loses its trailing
        // blanks, down to the length of the shorter one at most.
        while (a.size() > b.size() && a.back() == ' ')
            a.remove_suffix(1);
        while (b.size() > a.size() && b.back() == ' ')
            b.remove_suffix(1);
    }
    const size_t common = std::min(a.size(), b.size());
    if (common > 0) {
        const int order = std::memcmp(a.data(), b.data(), common);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    if (!exact && b.size() < a.size())
        return 0;  // a begins with b
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace xbase

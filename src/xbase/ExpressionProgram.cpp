#include "xbase/ExpressionProgram.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace xbase {
namespace {

constexpr int kMaxStrDecimals = 60;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number written at the start of a text: blanks, a sign, digits with an
// optional fraction and, when allowed, an exponent. Anything after is
// ignored; a text without digits is 0 (a blank numeric field, VAL("abc")).
double parseNumber(std::string_view text, bool allowExponent)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (allowExponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '-' || text[j] == '+'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + i, value,
                                        allowExponent ? std::chars_format::general : std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0;
    return negative ? -value : value;
}

uint64_t readLittleEndian(std::string_view bytes, size_t count)
{
    if (bytes.size() < count)
        return 0;
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

void putDigits(char* out, int64_t value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// A Visual FoxPro datetime (Julian day, milliseconds since midnight) as
// YYYYMMDDhhmmss; blanks for an empty or impossible value.
void formatDateTime(std::string_view bytes, std::string& out)
{
    out.assign(14, ' ');
    const auto day = static_cast<int32_t>(static_cast<uint32_t>(readLittleEndian(bytes, 4)));
    const auto millis = static_cast<int32_t>(static_cast<uint32_t>(readLittleEndian(bytes.substr(std::min<size_t>(4, bytes.size())), 4)));
    if (day <= 0 || millis < 0 || millis >= 86400000)
        return;
    // Julian day number to the Gregorian calendar (Fliegel and Van Flandern).
    int64_t l = int64_t{day} + 68569;
    const int64_t n = 4 * l / 146097;
    l -= (146097 * n + 3) / 4;
    const int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const int64_t j = 80 * l / 2447;
    const int64_t d = l - 2447 * j / 80;
    l = j / 11;
    const int64_t m = j + 2 - 12 * l;
    const int64_t y = 100 * (n - 49) + i + l;
    if (y < 1 || y > 9999)
        return;
    const int64_t seconds = millis / 1000;
    putDigits(out.data(), y, 4);
    putDigits(out.data() + 4, m, 2);
    putDigits(out.data() + 6, d, 2);
    putDigits(out.data() + 8, seconds / 3600, 2);
    putDigits(out.data() + 10, seconds / 60 % 60, 2);
    putDigits(out.data() + 12, seconds % 60, 2);
}

// STR(): the number rounded half away from zero to the decimals, right-aligned
// in width; asterisks when it does not fit.
void formatStr(double value, double width, double decimals, std::string& out)
{
    int w = static_cast<int>(std::clamp<int64_t>(exprCount(width), 1, kExprMaxStrWidth));
    int d = static_cast<int>(std::clamp<int64_t>(exprCount(decimals), 0, kMaxStrDecimals));
    if (!std::isfinite(value)) {
        out.assign(static_cast<size_t>(w), '*');
        return;
    }
    const double scale = std::pow(10.0, d);
    double rounded = value * scale;
    rounded = std::isfinite(rounded) ? std::round(rounded) / scale : value;
    if (rounded == 0)
        rounded = 0;  // no "-0"
    char text[512];
    const int length = std::snprintf(text, sizeof text, "%.*f", d, rounded);
    if (length < 0 || length > w) {
        out.assign(static_cast<size_t>(w), '*');
        return;
    }
    out.assign(static_cast<size_t>(w - length), ' ');
    out.append(text, static_cast<size_t>(length));
}

bool isEmptyText(std::string_view text)
{
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

// A date is empty when it holds no digit other than 0 (blank, or zeros).
bool isEmptyDate(std::string_view text)
{
    for (char c : text) {
        if (c != ' ' && c != '0' && c != '\0')
            return false;
    }
    return true;
}

std::string_view trimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return s.substr(0, n);
}

std::string_view trimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return s.substr(i);
}

template <typename T>
bool compareOrdered(T a, T b, ExprCompare how)
{
    switch (how) {
    case ExprCompare::Equal:
    case ExprCompare::ExactEqual: return a == b;
    case ExprCompare::NotEqual: return a != b;
    case ExprCompare::Less: return a < b;
    case ExprCompare::LessEqual: return a <= b;
    case ExprCompare::Greater: return a > b;
    case ExprCompare::GreaterEqual: return a >= b;
    }
    return false;
}

bool compareText(std::string_view a, std::string_view b, ExprCompare how, const RecordSource& source)
{
    if (how == ExprCompare::ExactEqual)
        return a == b;
    const int order = compareStrings(a, b, source.exactCompare());
    switch (how) {
    case ExprCompare::Equal:
    case ExprCompare::ExactEqual: return order == 0;
    case ExprCompare::NotEqual: return order != 0;
    case ExprCompare::Less: return order < 0;
    case ExprCompare::LessEqual: return order <= 0;
    case ExprCompare::Greater: return order > 0;
    case ExprCompare::GreaterEqual: return order >= 0;
    }
    return false;
}

}  // namespace

int64_t exprCount(double value)
{
    constexpr int64_t kLimit = 1000000000000000;
    if (!(value > -1e15))  // also NaN
        return -kLimit;
    return value > 1e15 ? kLimit : static_cast<int64_t>(value);
}

int ExpressionProgram::emit(const ExprInstruction& instruction)
{
    code_.push_back(instruction);
    return static_cast<int>(code_.size()) - 1;
}

int ExpressionProgram::addConstant(std::string_view text)
{
    constants_.emplace_back(text);
    return static_cast<int>(constants_.size()) - 1;
}

int ExpressionProgram::addBuffer()
{
    buffers_.emplace_back();
    return static_cast<int>(buffers_.size()) - 1;
}

void ExpressionProgram::finish(ValueType type, int width, int maxDepth)
{
    type_ = type;
    width_ = width;
    stack_.assign(static_cast<size_t>(std::max(maxDepth, 1)), ExprValue{});
}

const ExprValue& ExpressionProgram::run(const RecordSource& source)
{
    ExprValue* sp = stack_.data();  // the next free slot; sp[-1] is the top
    const ExprInstruction* const code = code_.data();
    const int count = static_cast<int>(code_.size());

    for (int pc = 0; pc < count; ++pc) {
        const ExprInstruction& in = code[pc];
        switch (in.op) {
        case ExprOp::PushString:
            sp->str = constants_[static_cast<size_t>(in.a)];
            ++sp;
            break;
        case ExprOp::PushNumber:
            sp->num = in.number;
            ++sp;
            break;
        case ExprOp::PushLogical:
            sp->log = in.a != 0;
            ++sp;
            break;
        case ExprOp::FieldCharacter:
        case ExprOp::FieldDate:
            if (in.flag && source.fieldIsNull(in.a))
                sp->str = constants_[static_cast<size_t>(in.b)];
            else
                sp->str = source.fieldBytes(in.a);
            ++sp;
            break;
        case ExprOp::FieldNumeric:
            sp->num = in.flag && source.fieldIsNull(in.a) ? 0 : parseNumber(source.fieldBytes(in.a), true);
            ++sp;
            break;
        case ExprOp::FieldLogical: {
            bool value = false;
            if (!(in.flag && source.fieldIsNull(in.a))) {
                const std::string_view bytes = source.fieldBytes(in.a);
                const char c = bytes.empty() ? ' ' : bytes[0];
                value = c == 'T' || c == 't' || c == 'Y' || c == 'y';
            }
            sp->log = value;
            ++sp;
            break;
        }
        case ExprOp::FieldInteger:
            sp->num = in.flag && source.fieldIsNull(in.a)
                          ? 0
                          : static_cast<double>(static_cast<int32_t>(
                                static_cast<uint32_t>(readLittleEndian(source.fieldBytes(in.a), 4))));
            ++sp;
            break;
        case ExprOp::FieldDouble: {
            double value = 0;
            if (!(in.flag && source.fieldIsNull(in.a))) {
                const uint64_t bits = readLittleEndian(source.fieldBytes(in.a), 8);
                std::memcpy(&value, &bits, sizeof value);
            }
            sp->num = value;
            ++sp;
            break;
        }
        case ExprOp::FieldCurrency:
            sp->num = in.flag && source.fieldIsNull(in.a)
                          ? 0
                          : static_cast<double>(static_cast<int64_t>(readLittleEndian(source.fieldBytes(in.a), 8))) /
                                10000.0;
            ++sp;
            break;
        case ExprOp::FieldDateTime: {
            std::string& out = buffers_[static_cast<size_t>(in.buffer)];
            if (in.flag && source.fieldIsNull(in.a))
                out.assign(14, ' ');
            else
                formatDateTime(source.fieldBytes(in.a), out);
            sp->str = out;
            ++sp;
            break;
        }
        case ExprOp::FieldMemo: {
            std::string& out = buffers_[static_cast<size_t>(in.buffer)];
            if (in.flag && source.fieldIsNull(in.a))
                out.clear();
            else
                source.memoText(in.a, out);
            sp->str = out;
            ++sp;
            break;
        }
        case ExprOp::Deleted:
            sp->log = source.isDeleted();
            ++sp;
            break;
        case ExprOp::Recno:
            sp->num = static_cast<double>(source.recordNumber());
            ++sp;
            break;

        case ExprOp::Concat:
        case ExprOp::ConcatTrimmed: {
            std::string& out = buffers_[static_cast<size_t>(in.buffer)];
            if (in.flag) {
                // The left operand is this buffer already (a chain).
                const std::string_view right = sp[-1].str;
                if (in.op == ExprOp::Concat) {
                    out.append(right);
                } else {
                    const size_t kept = trimRight(out).size();
                    const size_t blanks = out.size() - kept;
                    out.resize(kept);
                    out.append(right);
                    out.append(blanks, ' ');
                }
                --sp;
                sp[-1].str = out;
                break;
            }
            const std::string_view left = sp[-2].str;
            const std::string_view right = sp[-1].str;
            out.resize(left.size() + right.size());
            char* p = out.data();
            const std::string_view kept = in.op == ExprOp::Concat ? left : trimRight(left);
            std::memcpy(p, kept.data(), kept.size());
            std::memcpy(p + kept.size(), right.data(), right.size());
            std::memset(p + kept.size() + right.size(), ' ', left.size() - kept.size());
            --sp;
            sp[-1].str = out;
            break;
        }
        case ExprOp::Upper:
        case ExprOp::Lower: {
            // ASCII letters only, like the indexes other xBase tools write.
            const std::string_view s = sp[-1].str;
            std::string& out = buffers_[static_cast<size_t>(in.buffer)];
            out.resize(s.size());
            const unsigned char from = in.op == ExprOp::Upper ? 'a' : 'A';
            const unsigned char flip = 'a' - 'A';  // the one bit that differs
            const auto* src = reinterpret_cast<const unsigned char*>(s.data());
            auto* dst = reinterpret_cast<unsigned char*>(out.data());
            // Branch-free so that the compiler can vectorise it.
            for (size_t i = 0; i < s.size(); ++i) {
                const unsigned char c = src[i];
                dst[i] = static_cast<unsigned char>(c ^ ((static_cast<unsigned char>(c - from) < 26) * flip));
            }
            sp[-1].str = out;
            break;
        }
        case ExprOp::Left: {
            const int64_t n = exprCount(sp[-1].num);
            --sp;
            const std::string_view s = sp[-1].str;
            sp[-1].str = s.substr(0, static_cast<size_t>(std::clamp<int64_t>(n, 0, static_cast<int64_t>(s.size()))));
            break;
        }
        case ExprOp::Right: {
            const int64_t n = exprCount(sp[-1].num);
            --sp;
            const std::string_view s = sp[-1].str;
            const auto keep = static_cast<size_t>(std::clamp<int64_t>(n, 0, static_cast<int64_t>(s.size())));
            sp[-1].str = s.substr(s.size() - keep);
            break;
        }
        case ExprOp::Substr: {
            int64_t length = -1;  // to the end
            if (in.a == 3) {
                length = std::max<int64_t>(exprCount(sp[-1].num), 0);
                --sp;
            }
            int64_t start = exprCount(sp[-1].num);
            --sp;
            const std::string_view s = sp[-1].str;
            const auto size = static_cast<int64_t>(s.size());
            // 1-based; 0 counts as 1 and a negative start counts from the end.
            if (start < 0)
                start = std::max<int64_t>(size + start, 0);
            else if (start > 0)
                --start;
            if (start >= size) {
                sp[-1].str = s.substr(s.size());
            } else {
                const int64_t available = size - start;
                const int64_t take = length < 0 ? available : std::min(length, available);
                sp[-1].str = s.substr(static_cast<size_t>(start), static_cast<size_t>(take));
            }
            break;
        }
        case ExprOp::RTrim:
            sp[-1].str = trimRight(sp[-1].str);
            break;
        case ExprOp::LTrim:
            sp[-1].str = trimLeft(sp[-1].str);
            break;
        case ExprOp::AllTrim:
            sp[-1].str = trimLeft(trimRight(sp[-1].str));
            break;
        case ExprOp::Len:
            sp[-1].num = static_cast<double>(sp[-1].str.size());
            break;
        case ExprOp::At: {
            const std::string_view needle = sp[-2].str;
            const std::string_view haystack = sp[-1].str;
            const size_t found = needle.empty() ? std::string_view::npos : haystack.find(needle);
            --sp;
            sp[-1].num = found == std::string_view::npos ? 0.0 : static_cast<double>(found + 1);
            break;
        }
        case ExprOp::Contains: {
            const std::string_view needle = sp[-2].str;
            const std::string_view haystack = sp[-1].str;
            --sp;
            sp[-1].log = !needle.empty() && haystack.find(needle) != std::string_view::npos;
            break;
        }
        case ExprOp::Val:
            sp[-1].num = parseNumber(sp[-1].str, false);
            break;
        case ExprOp::Str: {
            double width = in.b;
            double decimals = in.c;
            if (in.a == 3) {
                decimals = sp[-1].num;
                --sp;
            }
            if (in.a >= 2) {
                width = sp[-1].num;
                --sp;
                if (in.a == 2)
                    decimals = 0;
            }
            std::string& out = buffers_[static_cast<size_t>(in.buffer)];
            formatStr(sp[-1].num, width, decimals, out);
            sp[-1].str = out;
            break;
        }
        case ExprOp::EmptyString:
            sp[-1].log = isEmptyText(sp[-1].str);
            break;
        case ExprOp::EmptyNumber:
            sp[-1].log = sp[-1].num == 0;
            break;
        case ExprOp::EmptyLogical:
            sp[-1].log = !sp[-1].log;
            break;
        case ExprOp::EmptyDate:
            sp[-1].log = isEmptyDate(sp[-1].str);
            break;

        case ExprOp::Add:
            sp[-2].num += sp[-1].num;
            --sp;
            break;
        case ExprOp::Subtract:
            sp[-2].num -= sp[-1].num;
            --sp;
            break;
        case ExprOp::Multiply:
            sp[-2].num *= sp[-1].num;
            --sp;
            break;
        case ExprOp::Divide:
            // A zero divisor gives 0, as xBase engines do when the error is
            // not handled, rather than an infinity in a key.
            sp[-2].num = sp[-1].num == 0 ? 0.0 : sp[-2].num / sp[-1].num;
            --sp;
            break;
        case ExprOp::Negate:
            sp[-1].num = -sp[-1].num;
            break;

        case ExprOp::CompareString:
            sp[-2].log = compareText(sp[-2].str, sp[-1].str, static_cast<ExprCompare>(in.a), source);
            --sp;
            break;
        case ExprOp::CompareDate:
            sp[-2].log = compareOrdered(sp[-2].str.compare(sp[-1].str), 0, static_cast<ExprCompare>(in.a));
            --sp;
            break;
        case ExprOp::CompareNumber:
            sp[-2].log = compareOrdered(sp[-2].num, sp[-1].num, static_cast<ExprCompare>(in.a));
            --sp;
            break;
        case ExprOp::CompareLogical:
            sp[-2].log = compareOrdered(int{sp[-2].log}, int{sp[-1].log}, static_cast<ExprCompare>(in.a));
            --sp;
            break;
        case ExprOp::Not:
            sp[-1].log = !sp[-1].log;
            break;

        case ExprOp::JumpIfFalseElsePop:
            if (!sp[-1].log) {
                pc = in.a - 1;
                break;
            }
            --sp;
            break;
        case ExprOp::JumpIfTrueElsePop:
            if (sp[-1].log) {
                pc = in.a - 1;
                break;
            }
            --sp;
            break;
        case ExprOp::JumpIfFalsePop:
            --sp;
            if (!sp->log)
                pc = in.a - 1;
            break;
        case ExprOp::Jump:
            pc = in.a - 1;
            break;
        }
    }
    return stack_[0];
}

}  // namespace xbase

#include "data/FilterQuery.h"

#include <stdexcept>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/db/Cp1252.h"
#include "xbase/Error.h"
#include "xbase/Table.h"

namespace data {
namespace {

// The field expression of each query value, in the order the filter is built.
struct BuildRow {
    QueryField value;
    const char* field;
};
constexpr BuildRow kBuildOrder[kQueryValueCount] = {
    {qvLastName, "LNAME"}, {qvFirstName, "FNAME"}, {qvTitle, "TITLE"},   {qvOrganization, "ORG"},
    {qvStreet, "STREET"},  {qvStreet2, "STREET2"}, {qvZip, "ZIP"},        {qvCity, "CITY+STATE"},
    {qvState, "STATE"},    {qvCountry, "COUNTRY"}, {qvPhone, "PHONE"},    {qvPhone2, "PHONE2"},
    {qvFax, "FAX"},        {qvEmail, "EMAIL"},     {qvUser1, "USER1"},    {qvUser2, "USER2"},
    {qvDate, "DATE"},      {qvCodes, "CODES"},
};

constexpr int kMaxOperand = 99;
constexpr int kMaxQueryLength = 255;
const QString kNotDeletedSuffix = QStringLiteral(".and. !ISDEL");

// The expression's string literal of `text`, whatever it holds: in double
// quotes, else single quotes, else brackets; text holding all three is
// joined from pieces. A typed value never becomes part of the expression.
QString StringLiteral(const QString& text)
{
    const QChar quote = QLatin1Char('"');
    if (!text.contains(quote))
        return quote + text + quote;
    if (!text.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    if (!text.contains(QLatin1Char(']')))
        return QLatin1Char('[') + text + QLatin1Char(']');
    return QLatin1Char('(') + quote + text.split(quote).join(QStringLiteral("\"+'\"'+\"")) + quote + QLatin1Char(')');
}

}  // namespace

QString UpperAscii(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

QStringList SplitByDelimiter(const QString& text, QChar separator)
{
    return text.split(separator, Qt::KeepEmptyParts);
}

QString BuildFieldCondition(const QString& field, const QString& value)
{
    QChar separator;
    QString connector;
    if (value.contains(QLatin1Char(';'))) {
        separator = QLatin1Char(';');
        connector = QStringLiteral(".or.");
    } else if (value.contains(QLatin1Char('+'))) {
        separator = QLatin1Char('+');
        connector = QStringLiteral(".and.");
    } else if (value.contains(QLatin1Char('^'))) {
        separator = QLatin1Char('^');
        connector = QStringLiteral(".and..not.");
    }
    if (!separator.isNull()) {
        QString result = QStringLiteral("(");
        const QStringList parts = SplitByDelimiter(value, separator);
        for (int i = 0; i < parts.size(); ++i)
            result += (i ? connector : QString()) + QLatin1Char('(') + BuildFieldCondition(field, parts[i]) + QLatin1Char(')');
        return result + QLatin1Char(')');
    }
    QString op = QStringLiteral("=");
    QString operand = value;
    for (const char* prefix : {">=", ">", "<=", "<", "$"}) {
        if (value.startsWith(QLatin1String(prefix))) {
            op = QLatin1String(prefix);
            operand = value.mid(op.size()).left(kMaxOperand);
            break;
        }
    }
    const QString quoted = StringLiteral(UpperAscii(operand));
    if (op == QLatin1String("$"))
        return quoted + QStringLiteral("$UPPER(") + field + QLatin1Char(')');
    return QStringLiteral("UPPER(") + field + QLatin1Char(')') + op + quoted;
}

void BuildQueryString(FilterState& state, const QString& globalTagId)
{
    QString expression;
    QString connector;
    for (const BuildRow& row : kBuildOrder) {
        const QString& value = state.QueryValues[row.value];
        if (value.trimmed().isEmpty())
            continue;
        expression += connector + BuildFieldCondition(QLatin1String(row.field), value);
        connector = QStringLiteral(" and ");
    }
    if (state.QueryTaggedOnly)
        expression += connector + QStringLiteral("(UPPER(TAG)=\"") + globalTagId + QStringLiteral("\")");
    if (!expression.isEmpty() && state.QueryReverse)
        expression = QStringLiteral("(!(") + expression + QStringLiteral("))");
    state.FilterExpression = expression;
}

void ClearQueryVars(FilterState& state)
{
    for (QString& value : state.QueryValues)
        value.clear();
    state.QueryTaggedOnly = false;
    state.QueryReverse = false;
    state.FilterExpression.clear();
}

FilterOutcome ApplyFilterTo(xbase::Table& table, FilterState& state, const QString& globalTagId)
{
    BuildQueryString(state, globalTagId);
    auto noFilter = [&](FilterResult result) {
        if (result != FilterResult::NoFilter)
            ClearQueryVars(state);
        table.setQuery(kNoFilterQuery);
        return FilterOutcome{result, 0};
    };
    if (state.FilterExpression.isEmpty())
        return noFilter(FilterResult::NoFilter);
    if (state.FilterExpression.size() + 12 > kMaxQueryLength)
        return noFilter(FilterResult::TooComplex);
    const QString query = state.FilterExpression + kNotDeletedSuffix;
    std::string bytes;
    try {
        bytes = platform::Cp1252::encode(query, QStringLiteral("the filter"));
        table.setQuery(bytes);
    } catch (const std::exception&) {
        // A value the engine cannot read (a double quote, a character outside
        // the file's code page) matches nothing.
        return noFilter(FilterResult::NoMatches);
    }
    const uint32_t matches = table.queryCount();
    if (matches == 0)
        return noFilter(FilterResult::NoMatches);
    return {FilterResult::Applied, static_cast<int>(matches)};
}

std::optional<QString> FilterSavePath(const QString& chosen)
{
    const QString name = QFileInfo(chosen).fileName();
    if (name.endsWith(QLatin1String(".FLT"), Qt::CaseInsensitive))
        return chosen;
    if (name.contains(QLatin1Char('.')))
        return std::nullopt;
    return chosen + QStringLiteral(".FLT");
}

void SaveFilterTo(const FilterState& state, const QString& path)
{
    QStringList lines;
    for (const QString& value : state.QueryValues)
        lines << value;
    lines << QString(state.QueryTaggedOnly ? QStringLiteral("T") : QStringLiteral("F"))
          << QString(state.QueryReverse ? QStringLiteral("T") : QStringLiteral("F"));
    // Windows-1252, as the address files; a value it cannot hold is refused.
    const std::string bytes = platform::Cp1252::encode(lines.join(QStringLiteral("\r\n")), QStringLiteral("the filter"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0 ||
        !file.commit())
        throw std::runtime_error("Cannot write " + path.toStdString());
}

bool RestoreFilterFrom(FilterState& state, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QStringList lines = platform::Cp1252::decode({bytes.constData(), static_cast<size_t>(bytes.size())}).split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    while (lines.size() < kQueryValueCount + 2)
        lines << QString();
    for (int i = 0; i < kQueryValueCount; ++i)
        state.QueryValues[static_cast<size_t>(i)] = lines[i];
    state.QueryTaggedOnly = lines[kQueryValueCount] == QLatin1String("T");
    state.QueryReverse = lines[kQueryValueCount + 1] == QLatin1String("T");
    return true;
}

}  // namespace data

#pragma once
// Filter queries: the 18 values typed field by field in the filter form,
// two flags, and the xBase expression built from them, which becomes the
// address table's query joined with the exclusion of deleted records.
// Kept by the main window for the whole run.
#include <array>
#include <optional>

#include <QString>
#include <QStringList>

namespace xbase {
class Table;
}

namespace data {

constexpr int kQueryValueCount = 18;
// Query values, in the order of the filter form and of saved filter files.
enum QueryField {
    qvLastName, qvFirstName, qvTitle, qvOrganization, qvStreet, qvStreet2, qvZip, qvCity, qvState,
    qvCountry, qvPhone, qvPhone2, qvFax, qvEmail, qvDate, qvCodes, qvUser1, qvUser2,
};

struct FilterState {
    std::array<QString, kQueryValueCount> QueryValues;
    bool QueryTaggedOnly = false;
    bool QueryReverse = false;
    QString FilterExpression;  // empty: no filter
};

// The query that every view of an address file runs under when no filter is set.
inline const char* const kNoFilterQuery = "!ISDEL";

QStringList SplitByDelimiter(const QString& text, QChar separator);
QString BuildFieldCondition(const QString& field, const QString& value);
// Sets state.FilterExpression from the values and flags.
void BuildQueryString(FilterState& state, const QString& globalTagId);
void ClearQueryVars(FilterState& state);

enum class FilterResult { Applied, NoFilter, TooComplex, NoMatches };
struct FilterOutcome {
    FilterResult result = FilterResult::NoFilter;
    int matches = 0;  // what ApplyFilter returns: 0 unless applied
};
// Builds the filter and makes it the table's query (with deleted records
// excluded), or "!ISDEL" alone when there is no filter, it is too long for
// the engine (it and ".and. !ISDEL" over 255 characters) or it matches
// nothing — in the last two cases the values are cleared. An expression
// the engine cannot read counts as matching nothing. The caller shows the
// "too complex" message.
FilterOutcome ApplyFilterTo(xbase::Table& table, FilterState& state, const QString& globalTagId);

// The 20-line filter file: 18 values, then "T"/"F" for tagged-only and reverse.
// Throws std::exception when it cannot be written.
void SaveFilterTo(const FilterState& state, const QString& path);
// Missing lines restore empty values and false flags; returns false when
// the file cannot be read.
bool RestoreFilterFrom(FilterState& state, const QString& path);

// The path a filter is saved under: the chosen path when its extension is
// ".FLT" (any case), the path + ".FLT" when its file name has no extension,
// nothing when the file name has another extension (the caller says "Must
// have a .FLT extension"). Dots in folder names do not count.
std::optional<QString> FilterSavePath(const QString& chosen);

// Upper case as the engine's UPPER has it: ASCII letters only, so that a
// typed value compares with UPPER(field) byte for byte.
QString UpperAscii(const QString& text);

}  // namespace data

#include "TableFromCsv.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "CsvReader.h"
#include "xbase/Error.h"
#include "xbase/Table.h"

namespace mksysdata {

namespace {

// The CDX of a DBF path: the same base name, extension in the same case.
std::string IndexPathOf(const std::string& dbfPath)
{
    const auto slash = dbfPath.find_last_of('/');
    const auto dot = dbfPath.find_last_of('.');
    const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? dbfPath
                                 : dbfPath.substr(0, dot);
    const bool lower = dot != std::string::npos && dot + 1 < dbfPath.size() &&
                       std::islower(static_cast<unsigned char>(dbfPath[dot + 1]));
    return base + (lower ? ".cdx" : ".CDX");
}

void RemoveOutputs(const std::string& dbfPath)
{
    std::remove(dbfPath.c_str());
    std::remove(IndexPathOf(dbfPath).c_str());
}

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Why `text` does not fit a numeric field (empty when it fits as written).
std::string NumberProblem(const std::string& text, const xbase::FieldSpec& field)
{
    size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    const size_t digitsStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    const size_t integerDigits = i - digitsStart;
    size_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const size_t fractionStart = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        decimals = i - fractionStart;
    }
    if (integerDigits == 0 || i != text.size())
        return "is not a number";
    if (decimals > static_cast<size_t>(field.decimals))
        return "has more decimals than the field keeps (" + std::to_string(field.decimals) + ")";
    return {};
}

}  // namespace

int WriteTableFromCsv(const data::SystemTableLayout& layout, const std::string& csvPath, const std::string& dbfPath)
{
    // A failed run leaves no output at all, not the output of an earlier one.
    RemoveOutputs(dbfPath);
    CsvReader csv(csvPath);
    auto fail = [&](const std::string& what) -> std::runtime_error {
        return std::runtime_error(csvPath + ":" + std::to_string(csv.line()) + ": " + what);
    };

    std::vector<std::string> header;
    if (!csv.next(header))
        throw std::runtime_error(csvPath + ": the file is empty");
    // columns[i]: the field of CSV column i.
    std::vector<const xbase::FieldSpec*> columns;
    for (const std::string& name : header) {
        auto it = std::find_if(layout.fields.begin(), layout.fields.end(),
                               [&](const xbase::FieldSpec& f) { return f.name == name; });
        if (it == layout.fields.end())
            throw fail("the table " + std::string(layout.fileName) + " has no field " + name);
        if (std::find(columns.begin(), columns.end(), &*it) != columns.end())
            throw fail("the column " + name + " appears twice");
        columns.push_back(&*it);
    }
    for (const xbase::FieldSpec& field : layout.fields) {
        if (std::find(columns.begin(), columns.end(), &field) == columns.end())
            throw fail("the column " + field.name + " is missing");
    }

    int rows = 0;
    try {
        xbase::Table::create(dbfPath, layout.fields);
        auto table = xbase::Table::open(dbfPath, xbase::OpenMode::Exclusive);
        std::vector<std::string> values;
        while (csv.next(values)) {
            if (values.size() == 1 && values[0].empty())
                continue;  // a blank line
            if (values.size() != columns.size())
                throw fail("the row has " + std::to_string(values.size()) + " values, the header " +
                           std::to_string(columns.size()));
            table->append();
            for (size_t i = 0; i < values.size(); ++i) {
                const xbase::FieldSpec& field = *columns[i];
                const std::string& value = values[i];
                if (!IsAscii(value))
                    throw fail(field.name + " holds a byte outside ASCII");
                if (field.type == xbase::FieldType::Numeric) {
                    if (std::string problem = NumberProblem(value, field); !problem.empty())
                        throw fail(field.name + " \"" + value + "\" " + problem);
                }
                try {
                    table->setString(table->fieldIndex(field.name), value);
                } catch (const xbase::Error& error) {
                    throw fail(field.name + " \"" + value + "\": " + error.message());
                }
            }
            table->post();
            ++rows;
        }
        table->createTag(layout.tagName, layout.keyExpression);
        table->close();
    } catch (...) {
        RemoveOutputs(dbfPath);
        throw;
    }
    return rows;
}

}  // namespace mksysdata

#include "Commands.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>

#include "xbase/Error.h"
#include "xbase/Table.h"

namespace qpdbf {
namespace {

using xbase::Table;

// JSON string escaping; bytes above 0x7F are taken as Windows-1252 and
// written as UTF-8 so the output is valid JSON.
std::string jsonString(std::string_view text)
{
    static const char16_t k1252[32] = {0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F,
                                       0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};
    std::string out = "\"";
    for (unsigned char c : text) {
        char32_t u = c;
        if (c >= 0x80 && c < 0xA0)
            u = k1252[c - 0x80];
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(u));
            out += buffer;
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out + "\"";
}

std::unique_ptr<Table> openTable(const std::string& path, const Options& options, bool write)
{
    auto table = Table::open(path, write ? xbase::OpenMode::Exclusive : xbase::OpenMode::ReadOnly);
    table->setShowDeleted(options.showDeleted);
    table->first();
    return table;
}

int info(Table& table, const Options& options, std::ostream& out)
{
    const auto& dbf = table.dbf();
    if (options.json) {
        out << "{\"version\": " << int(dbf.version()) << ", \"header_len\": " << dbf.headerLength()
            << ", \"record_len\": " << dbf.recordLength() << ", \"reccount\": " << dbf.recordCount()
            << ", \"memo_blocksize\": " << (table.memoFile() ? table.memoFile()->blockSize() : 0) << ", \"fields\": [";
        const char* sep = "";
        for (const auto& f : dbf.fields()) {
            out << sep << "{\"name\": " << jsonString(f.name) << ", \"type\": \"" << f.type << "\", \"len\": " << f.length
                << ", \"dec\": " << int(f.decimals) << "}";
            sep = ", ";
        }
        out << "]}\n";
        return 0;
    }
    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", dbf.version());
    out << "file: " << table.path() << "\nversion: " << version << "\nrecords: " << dbf.recordCount()
        << "\nheader length: " << dbf.headerLength() << "\nrecord length: " << dbf.recordLength() << "\n";
    if (table.memoFile())
        out << "memo file: " << table.memoFile()->path() << " (block size " << table.memoFile()->blockSize() << ")\n";
    out << "fields:\n";
    for (const auto& f : dbf.fields())
        out << "  " << f.name << " " << f.type << " " << f.length << " " << int(f.decimals) << (f.isSystem() ? " (system)" : "") << "\n";
    return 0;
}

template <typename Visit>
void forEachRecord(Table& table, Visit visit)
{
    for (bool more = table.first(); more; more = table.next())
        visit();
}

int dump(Table& table, const Options& options, std::ostream& out)
{
    const auto& fields = table.fields();
    if (options.json)
        out << "[";
    const char* sep = "\n";
    forEachRecord(table, [&] {
        if (options.json) {
            out << sep << "{\"recno\": " << table.recno() << ", \"deleted\": " << (table.deleted() ? "true" : "false")
                << ", \"values\": {";
            const char* inner = "";
            for (size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].isSystem())
                    continue;
                int index = static_cast<int>(i);
                out << inner << jsonString(fields[i].name) << ": ";
                if (fields[i].type == 'L')
                    out << (table.getLogical(index) ? "true" : "false");
                else
                    out << jsonString(table.getString(index));
                inner = ", ";
            }
            out << "}}";
            sep = ",\n";
        } else {
            out << table.recno() << (table.deleted() ? " *" : "  ");
            for (size_t i = 0; i < fields.size(); ++i)
                if (!fields[i].isSystem())
                    out << " " << fields[i].name << "=" << table.getString(static_cast<int>(i));
            out << "\n";
        }
    });
    if (options.json)
        out << "\n]\n";
    return 0;
}

int count(Table& table, const std::string& expr, std::ostream& out)
{
    table.setQuery(expr);
    out << table.queryCount() << "\n";
    return 0;
}

int eval(Table& table, const std::string& text, std::ostream& out)
{
    auto expression = xbase::Expression::compile(text, table);
    forEachRecord(table, [&] {
        out << table.recno() << " ";
        switch (expression.type()) {
        case xbase::ValueType::Logical: out << (expression.evalLogical(table) ? ".T." : ".F."); break;
        case xbase::ValueType::Numeric: out << expression.evalNumber(table); break;
        default: out << "\"" << expression.evalString(table) << "\""; break;
        }
        out << "\n";
    });
    return 0;
}

int create(const std::vector<std::string>& args)
{
    std::vector<xbase::FieldSpec> specs;
    for (size_t i = 2; i < args.size(); ++i) {
        std::vector<std::string> parts;
        size_t start = 0;
        while (true) {
            size_t colon = args[i].find(':', start);
            parts.push_back(args[i].substr(start, colon - start));
            if (colon == std::string::npos)
                break;
            start = colon + 1;
        }
        if (parts.size() < 2 || parts[1].size() != 1)
            throw xbase::Error(xbase::ErrorKind::InvalidArgument, "A field is NAME:TYPE:LEN[:DEC], not " + args[i]);
        xbase::FieldSpec field{parts[0], parts[1][0], 0, 0};
        const std::map<char, int> fixed = {{'L', 1}, {'D', 8}, {'M', 10}};
        field.length = parts.size() > 2 ? std::stoi(parts[2]) : fixed.count(field.type) ? fixed.at(field.type) : 0;
        field.decimals = parts.size() > 3 ? std::stoi(parts[3]) : 0;
        specs.push_back(field);
    }
    Table::create(args[1], specs);
    return 0;
}

// Splits one CSV line (quotes with doubled quotes inside; no line breaks in values).
std::vector<std::string> csvFields(const std::string& line)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                out.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                out.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else if (c != '\r') {
            out.back() += c;
        }
    }
    return out;
}

int appendCsv(Table& table, const std::string& csvPath, std::ostream& out)
{
    std::ifstream in(csvPath, std::ios::binary);
    if (!in)
        throw xbase::Error(xbase::ErrorKind::Io, "Cannot open the CSV file", csvPath);
    std::string line;
    if (!std::getline(in, line))
        return 0;
    std::vector<int> columns;
    for (const auto& name : csvFields(line)) {
        int index = table.fieldIndex(name);
        if (index < 0)
            throw xbase::Error(xbase::ErrorKind::InvalidArgument, "The table has no field " + name, csvPath);
        columns.push_back(index);
    }
    uint32_t added = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r")
            continue;
        auto values = csvFields(line);
        table.append();
        for (size_t i = 0; i < columns.size() && i < values.size(); ++i)
            table.setString(columns[i], values[i]);
        table.post();
        ++added;
    }
    out << added << " records appended\n";
    return 0;
}

int tags(Table& table, const Options& options, std::ostream& out)
{
    if (!table.indexProblem().empty())
        out << "index problem: " << table.indexProblem() << "\n";
    if (options.json)
        out << "[";
    for (int ordinal = 1; ordinal <= table.tagCount(); ++ordinal) {
        const auto& info = table.tagInfo(ordinal);
        if (options.json) {
            out << (ordinal > 1 ? ",\n " : "") << "{\"ordinal\": " << ordinal << ", \"name\": " << jsonString(info.name)
                << ", \"expr\": " << jsonString(info.keyExpression) << ", \"for\": " << jsonString(info.forExpression)
                << ", \"keylen\": " << info.keyLength << ", \"keytype\": \"" << info.keyType << "\", \"unique\": "
                << (info.unique ? "true" : "false") << ", \"descend\": " << (info.descending ? "true" : "false") << "}";
        } else {
            out << ordinal << " " << info.name << " " << info.keyExpression << " (" << info.keyType << " " << info.keyLength << ")";
            if (!info.forExpression.empty())
                out << " FOR " << info.forExpression;
            out << (info.unique ? " unique" : "") << (info.descending ? " descending" : "") << "\n";
        }
    }
    if (options.json)
        out << "]\n";
    return 0;
}

int order(Table& table, const std::string& tag, std::ostream& out)
{
    table.setOrder(tag);
    out << "[";
    const char* sep = "";
    forEachRecord(table, [&] {
        out << sep << table.recno();
        sep = ", ";
    });
    out << "]\n";
    return 0;
}

int seek(Table& table, const std::string& tag, const std::string& key, const Options& options, std::ostream& out)
{
    table.setOrder(tag);
    table.setExact(options.exact);
    table.setSoftSeek(options.soft);
    bool found = table.seek(key);
    out << (found ? "found " : "not found ") << (table.eof() ? std::string("eof") : std::to_string(table.recno())) << "\n";
    return found ? 0 : 3;
}

int reindex(Table& table, std::ostream& out)
{
    std::vector<xbase::IndexTagInfo> infos;
    for (int ordinal = 1; ordinal <= table.tagCount(); ++ordinal)
        infos.push_back(table.tagInfo(ordinal));
    const std::string file = table.indexFileName(1);
    table.closeIndexes();
    if (!file.empty())
        std::remove(file.c_str());
    for (const auto& info : infos)
        table.createTag(info.name, info.keyExpression, info.forExpression);
    out << infos.size() << " tags rebuilt\n";
    return 0;
}

int check(Table& table, std::ostream& out)
{
    if (!table.indexProblem().empty()) {
        out << table.indexProblem() << "\n";
        return 1;
    }
    auto faults = table.checkIndexes();
    for (const auto& fault : faults)
        out << fault << "\n";
    if (faults.empty())
        out << table.tagCount() << " orders sound\n";
    return faults.empty() ? 0 : 1;
}

}  // namespace

int run(const std::vector<std::string>& args, const Options& options, std::ostream& out)
{
    const std::string& command = args[0];
    const std::string& path = args[1];
    if (command == "create")
        return create(args);
    const bool writes = command == "append-csv" || command == "pack" || command == "zap" || command == "index" ||
                        command == "reindex";
    auto table = openTable(path, options, writes);
    if (command == "info")
        return info(*table, options, out);
    if (command == "dump")
        return dump(*table, options, out);
    if (command == "count" && args.size() == 3)
        return count(*table, args[2], out);
    if (command == "eval" && args.size() == 3)
        return eval(*table, args[2], out);
    if (command == "append-csv" && args.size() == 3)
        return appendCsv(*table, args[2], out);
    if (command == "tags")
        return tags(*table, options, out);
    if (command == "order" && args.size() == 3)
        return order(*table, args[2], out);
    if (command == "seek" && args.size() == 4)
        return seek(*table, args[2], args[3], options, out);
    if (command == "index" && args.size() == 4) {
        table->setProgress({});
        out << "tag " << table->createTag(args[2], args[3]) << "\n";
        return 0;
    }
    if (command == "reindex")
        return reindex(*table, out);
    if (command == "check")
        return check(*table, out);
    if (command == "pack") {
        table->pack();
        out << table->recordCount() << " records\n";
        return 0;
    }
    if (command == "zap") {
        table->zap();
        return 0;
    }
    std::cerr << "qpdbf: unknown command or wrong arguments: " << command << "\n";
    return 2;
}

}  // namespace qpdbf

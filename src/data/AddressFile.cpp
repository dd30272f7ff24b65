#include "data/AddressFile.h"

#include <cmath>
#include <memory>

#include <QFileInfo>

#include "platform/db/DataTable.h"
#include "platform/ui/Messages.h"
#include "xbase/Error.h"
#include "xbase/File.h"
#include "xbase/Table.h"

namespace data {

const std::array<AddressFieldDef, 23> kAddressFields = {{
    {"LNAME", 'C', 0, lfLNAME, "Last Name"},
    {"FNAME", 'C', 0, lfFNAME, "First Name"},
    {"MIDDLE", 'C', 1, -1, "Middle"},
    {"PREFIX", 'C', 0, lfPREFIX, "Prefix"},
    {"TITLE", 'C', 0, lfTITLE, "Title"},
    {"ORG", 'C', 0, lfORG, "Organization"},
    {"STREET", 'C', 0, lfSTREET, "Address 1"},
    {"STREET2", 'C', 0, lfSTREET2, "Address 2"},
    {"CITY", 'C', 0, lfCITY, "City"},
    {"STATE", 'C', 0, lfSTATE, "State"},
    {"ZIP", 'C', 0, lfZIP, "Zip/Postal Code"},
    {"COUNTRY", 'C', 0, lfCOUNTRY, "Country"},
    {"DATE", 'C', 15, -1, "Actual Date"},
    {"PHONE", 'C', 0, lfPHONE, "Phone 1"},
    {"PHONE2", 'C', 0, lfPHONE2, "Phone 2"},
    {"FAX", 'C', 0, lfFAX, "Fax"},
    {"EMAIL", 'C', 0, lfEMAIL, "Email"},
    {"CODES", 'C', 0, lfCODES, "Codes"},
    {"USER1", 'C', 0, lfUSER1, "Comment 1"},
    {"USER2", 'C', 0, lfUSER2, "Comment 2"},
    {"ISDEL", 'L', 1, -1, "Deleted"},
    {"TAG", 'C', 8, -1, ""},
    {"MEMO", 'M', 10, -1, ""},
}};

const std::array<AddressTagDef, 26> kAddressTags = {{
    {"NAME", "UPPER(LNAME-FNAME)"}, {"LNAME", "UPPER(LNAME)+UPPER(FNAME)"}, {"FNAME", "UPPER(FNAME)"},
    {"TITLE", "UPPER(TITLE)"},      {"ORG", "UPPER(ORG)"},                  {"STREET", "UPPER(STREET)"},
    {"STREET2", "UPPER(STREET2)"},  {"CITY", "UPPER(CITY+STATE)"},          {"STATE", "UPPER(STATE)"},
    {"ZIP", "UPPER(ZIP)"},          {"COUNTRY", "UPPER(COUNTRY)"},          {"PHONE", "UPPER(PHONE)"},
    {"PHONE2", "UPPER(PHONE2)"},    {"EMAIL", "UPPER(EMAIL)"},              {"FAX", "UPPER(FAX)"},
    {"USER1", "UPPER(USER1)"},      {"USER2", "UPPER(USER2)"},              {"DATE", "UPPER(DATE)"},
    {"TAG", "UPPER(TAG)"},          {"CODES", "UPPER(CODES)"},              {"PREFIX", "UPPER(PREFIX)"},
    {"MIDDLE", "UPPER(MIDDLE)"},    {"DELETED", "DELETED()"},               {"STATEZIP", "UPPER(STATE-ZIP)"},
    {"ISDEL", "ISDEL"},             {"NOTISDEL", "!ISDEL"},
}};

const std::array<const char*, 26> kTagCheckOrder = {
    "NAME", "LNAME", "FNAME", "TITLE", "ORG",    "STREET",  "STREET2",  "CITY",  "STATE",    "ZIP",
    "COUNTRY", "PHONE", "PHONE2", "EMAIL", "FAX", "DATE", "CODES", "PREFIX", "MIDDLE", "USER1",
    "USER2", "DELETED", "STATEZIP", "ISDEL", "NOTISDEL", "TAG",
};

namespace {

const AddressFieldDef* findAddressField(const char* name)
{
    for (const auto& f : kAddressFields)
        if (qstrcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}

// The field list in the browse grid's default order; calculated fields carry
// their label and width (stored ones take theirs from the record layout).
struct ListEntry {
    const char* name;
    bool calculated;
    const char* label;
    int width;
};
constexpr ListEntry kFieldList[] = {
    {"Tagged", true, "Tagged", 1},
    {"FullName", true, "Full Name", 35},
    {"FullNameWithPrefix", true, "Full Name & Prefix", 35},
    {"CityStateZip", true, "City, State & Zip", 35},
    {"LNAME", false, nullptr, 0}, {"FNAME", false, nullptr, 0}, {"MIDDLE", false, nullptr, 0},
    {"PREFIX", false, nullptr, 0}, {"TITLE", false, nullptr, 0}, {"ORG", false, nullptr, 0},
    {"STREET", false, nullptr, 0}, {"STREET2", false, nullptr, 0}, {"CITY", false, nullptr, 0},
    {"STATE", false, nullptr, 0}, {"ZIP", false, nullptr, 0}, {"COUNTRY", false, nullptr, 0},
    {"PHONE", false, nullptr, 0}, {"PHONE2", false, nullptr, 0}, {"FAX", false, nullptr, 0},
    {"EMAIL", false, nullptr, 0}, {"CODES", false, nullptr, 0}, {"USER1", false, nullptr, 0},
    {"USER2", false, nullptr, 0}, {"MEMO", false, nullptr, 0}, {"ISDEL", false, nullptr, 0},
    {"DATE", false, nullptr, 0},
    {"DisplayDate", true, "Date", 12},
    {"TAG", false, nullptr, 0},
};

struct DisplayWidth {
    const char* name;
    int width;
};
constexpr DisplayWidth kDisplayWidths[] = {
    {"LNAME", 20}, {"FNAME", 15}, {"PREFIX", 4},  {"TITLE", 20},   {"ORG", 20},   {"STREET2", 20}, {"CITY", 15},
    {"STATE", 5},  {"ZIP", 10},   {"COUNTRY", 15}, {"PHONE", 15},  {"PHONE2", 15}, {"USER1", 15},  {"USER2", 15},
};

constexpr const char* kHiddenFields[] = {"FullName", "FullNameWithPrefix", "CityStateZip", "MEMO", "ISDEL", "DATE", "TAG"};

std::vector<xbase::FieldSpec> addressSpecs(const NewFieldLengths& widths)
{
    std::vector<xbase::FieldSpec> specs;
    for (const auto& f : kAddressFields)
        specs.push_back({f.name, f.type, f.lengthIndex >= 0 ? widths[f.lengthIndex] : f.fixedWidth, 0});
    return specs;
}

// Builds the 26 tags; throws on the first that fails.
void buildAddressTags(xbase::Table& table)
{
    // The production index goes, whatever the current order is.
    const std::string cdx = xbase::findCompanion(table.path(), ".CDX");
    table.closeIndexes();
    if (!cdx.empty())
        xbase::removeFile(cdx);
    for (const auto& tag : kAddressTags)
        table.createTag(tag.name, tag.expression);
}

}  // namespace

void ConfigureAddressFields(platform::DataTable& table)
{
    table.clearFields();
    for (const ListEntry& entry : kFieldList) {
        platform::DataField* field;
        if (entry.calculated) {
            const bool logical = qstrcmp(entry.name, "Tagged") == 0;
            field = table.addCalculatedField(QLatin1String(entry.name),
                                             logical ? platform::FieldDataType::Boolean : platform::FieldDataType::String,
                                             entry.width);
            field->setDisplayLabel(QLatin1String(entry.label));
            if (logical)
                field->setBooleanTexts(QStringLiteral("Yes"), QStringLiteral("No"));
        } else {
            field = table.addStoredField(QLatin1String(entry.name));
            field->setDisplayLabel(QLatin1String(findAddressField(entry.name)->label));
        }
    }
    for (const DisplayWidth& w : kDisplayWidths)
        table.fieldByName(QLatin1String(w.name))->setDisplayWidth(w.width);
    for (const char* name : kHiddenFields)
        table.fieldByName(QLatin1String(name))->setVisible(false);
}

bool CreateAddressFile(const QString& path, const NewFieldLengths& widths)
{
    const std::string file = path.toStdString();
    try {
        xbase::Table::create(file, addressSpecs(widths));
    } catch (const xbase::Error&) {
        platform::ShowInformation(QStringLiteral("Create failed"));
        return false;
    }
    try {
        auto table = xbase::Table::open(file);
        buildAddressTags(*table);
    } catch (const xbase::Error&) {
        platform::ShowInformation(QStringLiteral("File creation failed"));
        return false;
    }
    return true;
}

bool CreateAddressTags(xbase::Table& table, const std::function<void(int)>& progress)
{
    table.setProgress(progress);
    bool built = true;
    try {
        buildAddressTags(table);
    } catch (const xbase::Error&) {
        built = false;
    }
    table.setProgress({});
    if (!built)
        platform::ShowInformation(QStringLiteral("Unable to create index files"));
    return built;
}

bool AddIndexTag(xbase::Table& table, const QString& name, const QString& expression)
{
    try {
        return table.createTag(name.toStdString(), expression.toStdString()) > 0;
    } catch (const xbase::Error&) {
        return false;
    }
}

bool OpenDBFTable(const QString& path, platform::DataTable& table)
{
    table.close();
    if (!QFileInfo(path).isFile()) {
        platform::ShowInformation(QStringLiteral("File ") + path + QStringLiteral(" not found"));
        return false;
    }
    if (table.fieldCount() == 0)
        ConfigureAddressFields(table);
    try {
        table.open(path, xbase::OpenMode::Exclusive);
    } catch (const xbase::Error&) {
        return false;  // missing field, locked, damaged: the caller says "Unable to open"
    }
    // A stored field of another type is no address file either.
    const auto& fileFields = table.engine()->fields();
    for (const auto& def : kAddressFields) {
        const int index = table.engine()->fieldIndex(def.name);
        if (index < 0 || fileFields[static_cast<size_t>(index)].type != def.type) {
            table.close();
            return false;
        }
    }
    return true;
}

bool CheckValidIndex(const xbase::Table& table)
{
    for (const char* name : kTagCheckOrder)
        if (table.tagOrdinal(name) == 0)
            return false;
    return true;
}

int TagProgress::notify(int percent)
{
    if (percent > last_)
        total_ += percent - last_;
    last_ = percent;
    return std::min(100, static_cast<int>(std::lround(total_ / 21.0)));
}

void RebuildAddressFile(xbase::Table& table, const std::function<void(int)>& packProgress,
                        const std::function<void(int)>& tagProgress)
{
    struct ProgressReset {
        xbase::Table& table;
        ~ProgressReset() { table.setProgress({}); }
    } reset{table};
    if (table.readOnly())  // nothing may be deleted from a table that cannot be rebuilt
        throw xbase::Error(xbase::ErrorKind::InvalidArgument, "The file is open read-only", table.path());
    const std::string cdx = xbase::findCompanion(table.path(), ".CDX");
    table.closeIndexes();
    if (!cdx.empty())
        xbase::removeFile(cdx);
    table.setProgress(packProgress);
    table.pack();
    table.setProgress(tagProgress);
    buildAddressTags(table);
}

}  // namespace data

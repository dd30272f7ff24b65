#include "AddressData.h"

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

namespace bench {

const std::vector<xbase::FieldSpec>& addressFields()
{
    static const std::vector<xbase::FieldSpec> fields = {
        {"LNAME", 'C', 30, 0},   {"FNAME", 'C', 30, 0},  {"MIDDLE", 'C', 1, 0},   {"PREFIX", 'C', 12, 0},
        {"TITLE", 'C', 30, 0},   {"ORG", 'C', 30, 0},    {"STREET", 'C', 40, 0},  {"STREET2", 'C', 40, 0},
        {"CITY", 'C', 30, 0},    {"STATE", 'C', 20, 0},  {"ZIP", 'C', 10, 0},     {"COUNTRY", 'C', 30, 0},
        {"DATE", 'C', 15, 0},    {"PHONE", 'C', 30, 0},  {"PHONE2", 'C', 30, 0},  {"FAX", 'C', 40, 0},
        {"EMAIL", 'C', 40, 0},   {"CODES", 'C', 30, 0},  {"USER1", 'C', 40, 0},   {"USER2", 'C', 40, 0},
        {"ISDEL", 'L', 1, 0},    {"TAG", 'C', 8, 0},     {"MEMO", 'M', 10, 0},
    };
    return fields;
}

void appendAddresses(xbase::Table& table, uint32_t count, uint32_t seed, bool bulk)
{
    table.setBulkAppend(bulk);
    static const char* last[] = {"Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis",
                                 "Rodriguez", "Martinez", "Smithers", "Abbott", "Nguyen", "O'Brien", "Van Der Berg"};
    static const char* first[] = {"John", "Mary", "Robert", "Patricia", "Michael", "Linda", "David", "Susan"};
    static const char* cities[] = {"Springfield", "New York", "Chicago", "Los Angeles", "Ottawa", "Houston"};
    static const char* states[] = {"IL", "NY", "CA", "TX", "Ontario", "WA"};
    static const char* codes[] = {"", "A", "BC", "C", "XYZ", "AC"};
    std::mt19937 random(seed);
    auto pick = [&](auto& list) { return list[random() % (sizeof list / sizeof list[0])]; };
    const int lname = table.fieldIndex("LNAME"), fname = table.fieldIndex("FNAME"), street = table.fieldIndex("STREET"),
              city = table.fieldIndex("CITY"), state = table.fieldIndex("STATE"), zip = table.fieldIndex("ZIP"),
              phone = table.fieldIndex("PHONE"), codesField = table.fieldIndex("CODES"),
              isdel = table.fieldIndex("ISDEL"), date = table.fieldIndex("DATE"), memo = table.fieldIndex("MEMO");
    for (uint32_t i = 0; i < count; ++i) {
        table.append();
        table.setString(lname, std::string(pick(last)) + (random() % 4 == 0 ? std::to_string(random() % 100) : ""));
        table.setString(fname, pick(first));
        table.setString(street, std::to_string(random() % 9999) + " Elm Street");
        table.setString(city, pick(cities));
        table.setString(state, pick(states));
        table.setString(zip, std::to_string(10000 + random() % 89999));
        table.setString(phone, "555-" + std::to_string(1000 + random() % 8999));
        table.setString(codesField, pick(codes));
        table.setString(date, std::to_string(19500101 + random() % 700000));
        table.setLogical(isdel, random() % 10 == 0);
        if (i % 10 == 0)
            table.setMemo(memo, "Called about the order.\r\nPrefers email; call back later.");
        table.post();
    }
    table.setBulkAppend(false);
}

const std::string& sharedAddressTable(uint32_t count)
{
    static std::map<uint32_t, std::string> made;
    auto it = made.find(count);
    if (it != made.end())
        return it->second;
    std::string folder = (std::filesystem::temp_directory_path() / "qpbench-XXXXXX").string();
    if (!mkdtemp(folder.data()))
        std::abort();
    std::string path = folder + "/ADDR.DBF";
    xbase::Table::create(path, addressFields());
    {
        auto table = xbase::Table::open(path);
        appendAddresses(*table, count);
    }
    std::atexit([] {
        for (auto& [n, p] : made)
            std::filesystem::remove_all(std::filesystem::path(p).parent_path());
    });
    return made[count] = path;
}

double peakMemoryMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace bench

// mksysdata: builds a delivered system table from its CSV source.
//
//   mksysdata LBLTPL label-templates.csv OUT/LBLTPL.DBF
//   mksysdata CSZ state-zip-ranges.csv OUT/CSZ.DBF
//
// Writes the DBF and its CDX (tag DESCRIPT or STATE). Exit status 0 on
// success, 1 when the data does not fit the table (the reason on stderr,
// nothing written), 2 on misuse.
#include <exception>
#include <iostream>
#include <string>

#include "TableFromCsv.h"
#include "data/SystemTableLayouts.h"

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::cerr << "usage: mksysdata LBLTPL|CSZ CSV DBF\n";
        return 2;
    }
    const std::string which = argv[1];
    data::SystemTable table;
    if (which == "LBLTPL")
        table = data::SystemTable::LabelTemplate;
    else if (which == "CSZ")
        table = data::SystemTable::CityStateZip;
    else {
        std::cerr << "mksysdata: unknown table " << which << " (LBLTPL or CSZ)\n";
        return 2;
    }
    try {
        const int rows = mksysdata::WriteTableFromCsv(data::SystemTableLayoutOf(table), argv[2], argv[3]);
        std::cout << argv[3] << ": " << rows << " rows\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "mksysdata: " << error.what() << '\n';
        return 1;
    }
}

#pragma once
// Writes one delivered system table (DBF and its CDX with the table's tag)
// from a CSV file whose header row names the table's fields, in any order.
//
// Every value must fit its field as it stands: a text longer than the field,
// a byte outside ASCII, a number with more decimals than the field keeps or
// too wide for it, a row with a missing or extra column, a header naming a
// field the table lacks or leaving one out — each stops the tool with the
// file, line and field, and nothing is left at the output path. Values are
// never cut or rounded to make them fit.
#include <string>

#include "data/SystemTableLayouts.h"

namespace mksysdata {

// Writes dbfPath (and the CDX beside it), replacing what was there. Returns
// the number of rows written. Throws std::runtime_error or xbase::Error.
int WriteTableFromCsv(const data::SystemTableLayout& layout, const std::string& csvPath, const std::string& dbfPath);

}  // namespace mksysdata

#pragma once
// A generated address table for the benchmarks: the 23 fields of the
// address record, plausible values, a memo on every tenth record.
#include <cstdint>
#include <string>
#include <vector>

#include "xbase/Table.h"

namespace bench {

const std::vector<xbase::FieldSpec>& addressFields();
// Appends `count` generated records to an open table, as an import does
// (bulk appends) unless `bulk` is false.
void appendAddresses(xbase::Table& table, uint32_t count, uint32_t seed = 1, bool bulk = true);
// A table of `count` records in a temporary folder, made once per process.
const std::string& sharedAddressTable(uint32_t count);
// Peak resident memory of this process in megabytes.
double peakMemoryMb();

}  // namespace bench

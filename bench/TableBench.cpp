// The table engine at a million address records (no index).
//
// Targets on the 2-core machine class of CI (a mature C engine measured
// 110,000 appends/s and about 2 µs per record for such a count):
//   append (bulk, as imports do)   >= 300,000 records/s
//   append, each record posted with its header count: reported for comparison
//   read every record              <= 0.3 s
//   each query count               <= 0.25 s
//   open and read record 1         <= 5 ms
//   memory                         flat, whatever the table size
#include <benchmark/benchmark.h>

#include <filesystem>

#include "AddressData.h"

namespace {

constexpr uint32_t kRecords = 1'000'000;

void BM_Append(benchmark::State& state, bool bulk)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string folder = (std::filesystem::temp_directory_path() / "qpappend-XXXXXX").string();
        if (!mkdtemp(folder.data()))
            std::abort();
        std::string path = folder + "/ADDR.DBF";
        xbase::Table::create(path, bench::addressFields());
        auto table = xbase::Table::open(path);
        state.ResumeTiming();
        bench::appendAddresses(*table, kRecords, 1, bulk);
        state.PauseTiming();
        table.reset();
        std::filesystem::remove_all(folder);
        state.ResumeTiming();
    }
    state.counters["records/s"] = benchmark::Counter(double(kRecords), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak MB"] = bench::peakMemoryMb();
}
BENCHMARK_CAPTURE(BM_Append, bulk, true)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Append, each_posted, false)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ReadEveryRecord(benchmark::State& state)
{
    auto table = xbase::Table::open(bench::sharedAddressTable(kRecords), xbase::OpenMode::ReadOnly);
    const int lname = table->fieldIndex("LNAME");
    for (auto _ : state) {
        size_t total = 0;
        for (bool more = table->first(); more; more = table->next())
            total += table->fieldBytes(lname).size();
        benchmark::DoNotOptimize(total);
    }
    state.counters["peak MB"] = bench::peakMemoryMb();
}
BENCHMARK(BM_ReadEveryRecord)->Unit(benchmark::kMillisecond);

void BM_QueryCount(benchmark::State& state, const char* query)
{
    auto table = xbase::Table::open(bench::sharedAddressTable(kRecords), xbase::OpenMode::ReadOnly);
    table->setQuery(query);
    uint32_t count = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(count = table->queryCount());
    state.counters["matches"] = count;
}
BENCHMARK_CAPTURE(BM_QueryCount, lname_prefix, "UPPER(LNAME)=\"SMI\" .and. !ISDEL")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_QueryCount, codes_contain, "\"C\"$UPPER(CODES) .and. !ISDEL")->Unit(benchmark::kMillisecond);

void BM_OpenAndReadFirst(benchmark::State& state)
{
    const std::string& path = bench::sharedAddressTable(kRecords);
    for (auto _ : state) {
        auto table = xbase::Table::open(path, xbase::OpenMode::ReadOnly);
        benchmark::DoNotOptimize(table->getString(0));
    }
}
BENCHMARK(BM_OpenAndReadFirst)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

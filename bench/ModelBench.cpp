// The table model over a million address records.
//
// Targets on the 2-core machine class of CI:
//   open the table, make the model, read the first screen (40 rows,
//   every column)                                          <= 50 ms
//   read a screen 500 rows below the last one read         <= 10 ms
// Neither may depend on the table size: no scan, no copy.
//   the row of the last record, from a fresh model (a walk
//   back through the whole view; the price of absolute rows) <= 0.5 s
#include <benchmark/benchmark.h>

#include "AddressData.h"
#include "platform/db/DataSource.h"
#include "platform/db/DataTable.h"
#include "platform/db/DataTableModel.h"

namespace {

constexpr uint32_t kRecords = 1'000'000;
constexpr int kScreenRows = 40;

size_t readScreen(const platform::DataTableModel& model, int firstRow)
{
    size_t characters = 0;
    for (int row = firstRow; row < firstRow + kScreenRows; ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            characters += static_cast<size_t>(model.index(row, column).data().toString().size());
    }
    return characters;
}

void BM_OpenAndFirstScreen(benchmark::State& state)
{
    const QString path = QString::fromStdString(bench::sharedAddressTable(kRecords));
    for (auto _ : state) {
        platform::DataTable table;
        table.open(path, xbase::OpenMode::ReadOnly);
        platform::DataSource source;
        source.setDataSet(&table);
        platform::DataTableModel model(&source);
        benchmark::DoNotOptimize(readScreen(model, 0));
    }
    state.counters["peak MB"] = bench::peakMemoryMb();
}
BENCHMARK(BM_OpenAndFirstScreen)->Unit(benchmark::kMillisecond);

void BM_ScrollDown(benchmark::State& state)
{
    platform::DataTable table;
    table.open(QString::fromStdString(bench::sharedAddressTable(kRecords)), xbase::OpenMode::ReadOnly);
    platform::DataSource source;
    source.setDataSet(&table);
    platform::DataTableModel model(&source);
    int row = 0;
    for (auto _ : state) {
        row += 500;
        benchmark::DoNotOptimize(readScreen(model, row));
    }
}
BENCHMARK(BM_ScrollDown)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RowOfTheLastRecord(benchmark::State& state)
{
    platform::DataTable table;
    table.open(QString::fromStdString(bench::sharedAddressTable(kRecords)), xbase::OpenMode::ReadOnly);
    platform::DataSource source;
    source.setDataSet(&table);
    table.last();
    for (auto _ : state) {
        platform::DataTableModel model(&source);
        benchmark::DoNotOptimize(model.currentRow());
    }
}
BENCHMARK(BM_RowOfTheLastRecord)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

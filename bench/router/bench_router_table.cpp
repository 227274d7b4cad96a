// Reading the routing table and finding a printer's records, as every run does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "router/routing_table.h"

namespace {

std::string WriteTable(int lines) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("bench-table-" + std::to_string(lines) + ".dat")).string();
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < lines - 1; ++i) {
    out << "Printer-" << i << "\t10.0." << (i % 250) << ".1\t20100\t60\r\n";
  }
  out << "Target\tlocalcopy.invalid\t/var/spool/copies\t\r\n";
  return path;
}

void BM_LoadAndLookUp(benchmark::State& state) {
  const std::string path = WriteTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string table;
    AnsiString error;
    LoadRoutingTable(path, table, error);
    int found = 0;
    ForEachTableLine(table, [&found](std::string_view line) {
      if (LineAppliesTo(line, "target")) ++found;
      return true;
    });
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadAndLookUp)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

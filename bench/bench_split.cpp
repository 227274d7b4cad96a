// The routing-table line splitter over a 1 MB table.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/ansi_split.h"

namespace {

std::vector<std::string> MakeTable(std::size_t bytes) {
  std::vector<std::string> lines;
  std::size_t total = 0;
  for (int i = 0; total < bytes; ++i) {
    std::string line = "Printer-" + std::to_string(i) + "\t10.0.0." + std::to_string(i % 250) + "\t20100\t60";
    total += line.size() + 2;
    lines.push_back(std::move(line));
  }
  return lines;
}

void BM_SplitOneMegabyteTable(benchmark::State& state) {
  const auto lines = MakeTable(1 << 20);
  std::size_t fields = 0;
  for (auto _ : state) {
    for (const auto& line : lines) {
      cANSISTRSPLIT split(line, "\t", 4);
      fields += split.size();
    }
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_SplitOneMegabyteTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

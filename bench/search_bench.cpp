// Searching a million rows for a term that is in none of them, both ways,
// beside a baseline that scans the same strings with memmem.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/typical_rows.h"
#include "search/find.h"

namespace ploxen::bench {
namespace {

constexpr char kAbsent[] = "Verbindung 9 abgebrochen";

void BM_MemmemBaseline(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state) {
    std::size_t hits = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const MessageItem& item = rows.Row(r);
      for (std::size_t i = 0; i < item.ColourCount(); ++i) {
        const std::string_view text = item.Text(i);
        hits += memmem(text.data(), text.size(), kAbsent, sizeof kAbsent - 1) != nullptr;
      }
    }
    benchmark::DoNotOptimize(hits);
  }
}

void BM_FindRowCaseSensitive(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state) {
    if (FindRow(rows, 0, kAbsent, true) != kNoRow) state.SkipWithError("found what is not there");
  }
}

void BM_FindRowIgnoringCase(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state) {
    if (FindRow(rows, 0, kAbsent, false) != kNoRow) state.SkipWithError("found what is not there");
  }
}

BENCHMARK(BM_MemmemBaseline)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FindRowCaseSensitive)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FindRowIgnoringCase)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ploxen::bench::TypicalRows();
  using ploxen::bench::Goal;
  using ploxen::bench::RatioReporter;
  RatioReporter reporter(
      "search",
      {{"case-sensitive", "BM_FindRowCaseSensitive/iterations:10", "BM_MemmemBaseline/iterations:10",
        Goal::RatioAtMost(3)},
       {"ignoring case", "BM_FindRowIgnoringCase/iterations:10", "BM_MemmemBaseline/iterations:10",
        Goal::RatioAtMost(5)}},
      std::to_string(ploxen::bench::kRows) + " rows searched for a term in none of them",
      "case-sensitive at most 3.00 x, ignoring case at most 5.00 x the baseline");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

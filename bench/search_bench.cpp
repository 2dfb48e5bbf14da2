// Searching a million rows for a term that is in none of them, beside a
// baseline that scans the same strings with memmem: the typical ASCII rows
// both ways, and rows in every script (bench/mixed_rows.h) ignoring case,
// for an ASCII, a Cyrillic and a Polish term. The baseline looks for the
// folded term, the bytes a hit would have in the rows' folded text.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/mixed_rows.h"
#include "bench/typical_rows.h"
#include "search/find.h"
#include "search/unicode_tables.h"

namespace ploxen::bench {
namespace {

constexpr char kAbsent[] = "Verbindung 9 abgebrochen";
// Terms in none of the mixed rows; the Cyrillic one agrees with a row's
// text for its first eleven characters ("ошибка при подключении").
const char* const kMixedTerms[] = {kAbsent, "ОШИБКА ПРИ ОТКЛЮЧЕНИИ", "ŁÓDŹ-03"};

std::size_t MemmemPass(const MessageRows& rows, const std::string& term) {
  std::size_t hits = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    for (std::size_t i = 0; i < item.ColourCount(); ++i) {
      const std::string_view text = item.Text(i);
      hits += memmem(text.data(), text.size(), term.data(), term.size()) != nullptr;
    }
  }
  return hits;
}

void BM_MemmemBaseline(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state) benchmark::DoNotOptimize(MemmemPass(rows, kAbsent));
}

// The matcher of code page 1252 rows, as it was: case-sensitive by
// string_view::find, otherwise by the upper-casing table, string by string.
// ASCII rows are the same bytes in both, so it stays the measure of ASCII
// search.
class Cp1252Matcher {
 public:
  Cp1252Matcher(std::string_view term, bool caseSensitive)
      : pattern_(caseSensitive ? std::string(term) : ToUpperCp1252(term)), caseSensitive_(caseSensitive) {
    const auto& upper = UpperCaseTable();
    const unsigned char first = static_cast<unsigned char>(pattern_[0]);
    for (int c = 0; c < 256; ++c) starts_[static_cast<std::size_t>(c)] = upper[static_cast<std::size_t>(c)] == first;
  }
  bool Matches(std::string_view text) const {
    const std::size_t m = pattern_.size();
    if (m == 0 || text.size() < m) return false;
    if (caseSensitive_) return text.find(pattern_) != std::string_view::npos;
    const auto& upper = UpperCaseTable();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const auto* p = reinterpret_cast<const unsigned char*>(pattern_.data());
    const std::size_t last = text.size() - m;
    for (std::size_t i = 0; i <= last; ++i) {
      if (!starts_[s[i]]) continue;
      std::size_t k = 1;
      while (k < m && upper[s[i + k]] == p[k]) ++k;
      if (k == m) return true;
    }
    return false;
  }

 private:
  std::string pattern_;
  bool caseSensitive_;
  std::array<bool, 256> starts_{};
};

std::size_t Cp1252FindRow(const MessageRows& rows, std::string_view term, bool caseSensitive) {
  const Cp1252Matcher matcher(term, caseSensitive);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const MessageItem& item = rows.Row(r);
    for (std::size_t i = 0; i < item.ColourCount(); ++i)
      if (matcher.Matches(item.Text(i))) return r;
  }
  return kNoRow;
}

void BM_Cp1252CaseSensitive(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state)
    if (Cp1252FindRow(rows, kAbsent, true) != kNoRow) state.SkipWithError("found what is not there");
}

void BM_Cp1252IgnoringCase(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state)
    if (Cp1252FindRow(rows, kAbsent, false) != kNoRow) state.SkipWithError("found what is not there");
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

void BM_MemmemMixed(benchmark::State& state) {
  const MessageRows& rows = MixedRows();
  const std::string folded = FoldCaseUtf8(kMixedTerms[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(MemmemPass(rows, folded));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TextBytes(rows)));
}

void BM_FindRowMixed(benchmark::State& state) {
  const MessageRows& rows = MixedRows();
  for (auto _ : state) {
    if (FindRow(rows, 0, kMixedTerms[state.range(0)], false) != kNoRow) state.SkipWithError("found what is not there");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TextBytes(rows)));
}

BENCHMARK(BM_MemmemBaseline)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FindRowCaseSensitive)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FindRowIgnoringCase)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Cp1252CaseSensitive)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Cp1252IgnoringCase)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_MemmemMixed)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FindRowMixed)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ploxen::bench::TypicalRows();
  ploxen::bench::MixedRows();
  using ploxen::bench::Goal;
  using ploxen::bench::RatioReporter;
  RatioReporter reporter(
      "search",
      {{"case-sensitive", "BM_FindRowCaseSensitive/iterations:10", "BM_MemmemBaseline/iterations:10",
        Goal::RatioAtMost(3)},
       {"ignoring case", "BM_FindRowIgnoringCase/iterations:10", "BM_MemmemBaseline/iterations:10",
        Goal::RatioAtMost(5)},
       {"case-sensitive, beside the 1252 matcher", "BM_FindRowCaseSensitive/iterations:10",
        "BM_Cp1252CaseSensitive/iterations:10", Goal::RatioAtMost(1.05)},
       {"ignoring case, beside the 1252 matcher", "BM_FindRowIgnoringCase/iterations:10",
        "BM_Cp1252IgnoringCase/iterations:10", Goal::RatioAtMost(1.05)},
       {"mixed, ASCII term", "BM_FindRowMixed/0/iterations:10", "BM_MemmemMixed/0/iterations:10",
        Goal::RatioAtMost(1.5)},
       {"mixed, Cyrillic term", "BM_FindRowMixed/1/iterations:10", "BM_MemmemMixed/1/iterations:10",
        Goal::RatioAtMost(1.5)},
       {"mixed, Polish term", "BM_FindRowMixed/2/iterations:10", "BM_MemmemMixed/2/iterations:10",
        Goal::RatioAtMost(1.5)}},
      std::to_string(ploxen::bench::kRows) +
          " rows searched for a term in none of them; typical ASCII rows, then rows in every script ignoring case",
      "case-sensitive at most 3.00 x, ignoring case at most 5.00 x, mixed rows ignoring case at most 1.50 x the "
      "baseline; ASCII rows at most 1.05 x the code page 1252 matcher");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

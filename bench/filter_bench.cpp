// Filtering a million rows again after a rule change, in the window's
// slices as the list does it: one text rule, ten text rules, one regular
// expression (also in one piece, for what the slicing costs, and one without
// plain text it must hold, which is run on every row), and the cost
// per arriving line of ten rules; beside a baseline of one "Suchen" pass
// (FindRow, ignoring case as "Suchen" does by default) for a term in none of
// the rows. The longest slice is counted too: it is what the window waits.
// The same again over rows in every script (bench/mixed_rows.h), with rules
// in their scripts, beside a search pass over those rows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench/mixed_rows.h"
#include "bench/typical_rows.h"
#include "search/find.h"
#include "search/rule_set.h"
#include "view/view_filter.h"

namespace ploxen::bench {
namespace {

constexpr char kAbsent[] = "Verbindung 9 abgebrochen";
// Terms in none of the rows, with first letters that the rows do have.
const char* const kTerms[] = {"Verbindung 9 abgebrochen", "Timeout beim Senden", "Zugriff verweigert",
                              "Speicher voll",            "Ausnahme 0xC0000005", "Datei nicht gefunden",
                              "Handle ung\xFCltig",        "Puffer zu klein",     "Kein Drucker",
                              "Makro Tabelle.xls: Fehler"};

// The same for the rows in every script: terms in their scripts that
// begin as some of the rows' words do.
const char* const kMixedTerms[] = {"Verbindung 9 abgebrochen", "Ошибка при отключении", "Błąd zapisu pliku",
                                   "Σφάλμα εγγραφής",          "连接已断开",             "Zeitüberschreitung beim Schreiben",
                                   "接続が切断されました",     "Chyba zápisu",          "연결이 끊어졌습니다",
                                   "Bağlantı kesildi"};

// Hide rules that match no row: every rule is looked for in every column
// of every row, the most work rules of this size can make.
std::vector<ViewRule> TextRules(std::size_t count, const char* const* terms = kTerms) {
  std::vector<ViewRule> rules;
  for (std::size_t i = 0; i < count; ++i) {
    ViewRule rule;
    rule.pattern = terms[i];
    rules.push_back(rule);
  }
  return rules;
}

void BM_FindRowBaseline(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  for (auto _ : state)
    if (FindRow(rows, 0, kAbsent, false) != kNoRow) state.SkipWithError("found what is not there");
}

void BM_FindRowBaselineMixed(benchmark::State& state) {
  const MessageRows& rows = MixedRows();
  for (auto _ : state)
    if (FindRow(rows, 0, kAbsent, false) != kNoRow) state.SkipWithError("found what is not there");
}

void Refilter(benchmark::State& state, const std::vector<ViewRule>& rules, const MessageRows& rows = TypicalRows()) {
  ViewFilter view;
  double longestMs = 0;
  std::size_t slices = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // Every row shown again, which takes no work.
    view.SetRules({});
    while (view.Refiltering() && !view.Work(rows, {})) {
    }
    view.TakeOver();
    state.ResumeTiming();
    view.SetRules(rules);
    for (bool done = false; !done;) {
      const auto start = std::chrono::steady_clock::now();
      done = view.Work(rows, SliceOf(kViewSliceMs));
      longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      ++slices;
    }
    view.TakeOver();
    benchmark::DoNotOptimize(view.Shown().ShownCount());
  }
  state.counters["shown"] = static_cast<double>(view.Shown().ShownCount());
  state.counters["slices"] = static_cast<double>(slices) / static_cast<double>(state.iterations());
  state.counters["longest_ms"] = longestMs;
}

ViewRule RegexRule(const char* pattern = "Verbindung [0-9]+ abgebrochen") {
  ViewRule rule;
  rule.kind = RuleKind::kRegex;
  rule.pattern = pattern;
  return rule;
}

// With no plain text every match must hold, the engine looks at every row.
constexpr char kRegexWithoutText[] = "(Verbindung|Timeout) [0-9]+ (abgebrochen|getrennt)";

void BM_Refilter1Text(benchmark::State& state) { Refilter(state, TextRules(1)); }

void BM_Refilter10Text(benchmark::State& state) { Refilter(state, TextRules(10)); }

void BM_Refilter1Regex(benchmark::State& state) { Refilter(state, {RegexRule()}); }

// The same in one piece, as before the slicing: the slices' clock costs the difference.
void BM_Refilter1RegexEngine(benchmark::State& state) { Refilter(state, {RegexRule(kRegexWithoutText)}); }

void BM_Refilter1RegexEngineMixed(benchmark::State& state) {
  Refilter(state, {RegexRule(kRegexWithoutText)}, MixedRows());
}

void BM_Refilter1TextMixed(benchmark::State& state) { Refilter(state, TextRules(1, kMixedTerms), MixedRows()); }

void BM_Refilter10TextMixed(benchmark::State& state) { Refilter(state, TextRules(10, kMixedTerms), MixedRows()); }

void BM_Refilter1RegexMixed(benchmark::State& state) { Refilter(state, {RegexRule()}, MixedRows()); }

void BM_Refilter1RegexWhole(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  const RuleSet set({RegexRule()});
  RowFilter filter;
  for (auto _ : state) {
    filter.Rebuild(rows, set);
    benchmark::DoNotOptimize(filter.ShownCount());
  }
}

// What ten rules add to each line as it arrives (the list filters the new
// rows at each catch-up).
void BM_PerLine10Text(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  const RuleSet set(TextRules(10));
  std::size_t r = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(set.Shows(rows.Row(r)));
    if (++r == rows.size()) r = 0;
  }
}

BENCHMARK(BM_FindRowBaseline)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter1Text)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter10Text)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter1Regex)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Refilter1RegexWhole)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Refilter1RegexEngine)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PerLine10Text)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_FindRowBaselineMixed)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter1TextMixed)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter10TextMixed)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Refilter1RegexMixed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Refilter1RegexEngineMixed)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ploxen::bench::TypicalRows();
  ploxen::bench::MixedRows();
  using ploxen::bench::Goal;
  using ploxen::bench::RatioReporter;
  RatioReporter reporter(
      "filter",
      {{"1 text rule", "BM_Refilter1Text/iterations:10", "BM_FindRowBaseline/iterations:10"},
       {"10 text rules", "BM_Refilter10Text/iterations:10", "BM_FindRowBaseline/iterations:10", Goal::RatioAtMost(3)},
       {"1 regex", "BM_Refilter1Regex/iterations:3", "BM_FindRowBaseline/iterations:10"},
       {"1 regex, whole", "BM_Refilter1RegexWhole/iterations:3", "BM_FindRowBaseline/iterations:10"},
       {"1 regex, no text", "BM_Refilter1RegexEngine/iterations:3", "BM_FindRowBaseline/iterations:10"},
       {"mixed, 1 text rule", "BM_Refilter1TextMixed/iterations:10", "BM_FindRowBaselineMixed/iterations:10"},
       {"mixed, 10 text rules", "BM_Refilter10TextMixed/iterations:10", "BM_FindRowBaselineMixed/iterations:10",
        Goal::RatioAtMost(3)},
       {"mixed, 1 regex", "BM_Refilter1RegexMixed/iterations:3", "BM_FindRowBaselineMixed/iterations:10"},
       {"mixed, 1 regex, no text", "BM_Refilter1RegexEngineMixed/iterations:3", "BM_FindRowBaselineMixed/iterations:10"}},
      std::to_string(ploxen::bench::kRows) + " rows filtered again in slices of " +
          std::to_string(static_cast<int>(ploxen::kViewSliceMs)) +
          " ms, beside one search pass for a term in none of them; typical ASCII rows, then rows in every script",
      "10 text rules at most 3.00 x the baseline, on either set of rows; regular expressions as measured; no slice above " +
          std::to_string(static_cast<int>(ploxen::kViewSliceMs)) + " ms by more than a row");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

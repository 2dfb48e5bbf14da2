// A flood through the intake into the list's model with the row limit of
// kind 1 (the oldest rows dropped, a tenth at a time) at 1000 rows, beside
// the same flood with no limit in the same run. The model catches up as the
// window does between batches, and forgets the rows dropped meanwhile.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/figure_line.h"
#include "core/intake.h"
#include "view/message_list_model.h"

namespace ploxen::bench {
namespace {

constexpr int kBatch = 10000;    // lines per iteration
constexpr int kCatchUpEvery = 500;  // lines between two catch-ups of the view
constexpr int kLimit = 1000;
constexpr double kGoalRatio = 0.95;

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }
};

const std::string& Line() {
  static const std::string line = std::string(kPlaceholderPrefix) + "16:20:12.223  (00012ms)   " +
                                  "CSignal::Send: Verbindung 3 aufgebaut, Status OK";
  return line;
}

// range(0): 0 no limit, 1 the limit that drops; range(1): 0 no rules, 1 a
// rule that hides every other line, so the view keeps an index of its own.
void BM_Flood(benchmark::State& state) {
  const bool limited = state.range(0) != 0;
  const bool filtered = state.range(1) != 0;
  IntakeSwitches switches;
  switches.dbWin32 = 1;
  switches.maxCount = limited ? kLimit : 0;
  switches.grenze = kLimitDropsOldest;
  MessageListModel model;
  if (filtered) {
    ViewRule rule;
    rule.action = RuleAction::kHide;
    rule.pattern = "Zeile 1";
    model.SetRules({rule});
    while (model.RefilterSlice() == RefilterStep::kMore) {
    }
    model.TakeOver(ViewPlace{});
  }
  NoDialogs dialogs;
  MessageIntake intake(switches, model, dialogs);
  const std::string odd = Line() + " Zeile 1";
  auto flood = [&](int lines) {
    for (int i = 0; i < lines; ++i) {
      intake.AddMessage(0x303, (i & 1 ? odd : Line()).c_str(), kSourceDbWin32);
      if (i % kCatchUpEvery == kCatchUpEvery - 1) {
        model.CatchUp();
        model.TakeDropped();
      }
    }
  };
  if (limited) flood(2 * kLimit);  // at the limit already, as in a long run
  for (auto _ : state) {
    flood(kBatch);
    if (!limited) {
      state.PauseTiming();
      intake.ClearList();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(std::string(limited ? "limit" : "none") + (filtered ? "/filtered" : "/all"));
}

BENCHMARK(BM_Flood)->ArgsProduct({{0, 1}, {0, 1}});

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto it = run.counters.find("items_per_second");
      if (it != run.counters.end()) rates_[run.report_label] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nLines per second with the row limit that drops (%d rows) beside no limit\n", kLimit);
    std::printf("%-10s %14s %14s %8s %8s\n", "view", "limit", "no limit", "ratio", "goal");
    for (const char* view : {"all", "filtered"}) {
      const double limit = Rate(std::string("limit/") + view);
      const double none = Rate(std::string("none/") + view);
      std::printf("%-10s %14.0f %14.0f %8.3f %8.2f\n", view, limit, none, none > 0 ? limit / none : 0.0, kGoalRatio);
      ReportFigure("row limit", std::string("lines/s, drops at 1000 rows, ") + view + " (baseline: no limit)", limit,
                   "lines/s", none, Goal::RatioAtLeast(kGoalRatio));
    }
  }

 private:
  double Rate(const std::string& label) const {
    const auto it = rates_.find(label);
    return it == rates_.end() ? kNotMeasured : it->second;
  }
  std::map<std::string, double> rates_;
};

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ploxen::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// A million rows as the intake makes them from typical lines, and a console
// reporter that prints each measured figure beside its baseline.
#pragma once

#include <array>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/figure_line.h"
#include "core/intake.h"

namespace ploxen::bench {

constexpr std::size_t kRows = 1000000;

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }
};

// kRows rows as the intake makes them from `lines` in turn, each with the
// kind of its place in five; the first of five comes as a stamped line.
inline MessageRows RowsFromLines(const std::vector<std::string>& lines, const std::array<MessageKind, 5>& kinds) {
  MessageRows r;
  IntakeSwitches switches;
  switches.maxCount = 0;
  switches.dbWin32 = 1;
  NoDialogs dialogs;
  MessageIntake intake(switches, r, dialogs);
  const MessageSource sources[] = {3, 2, 2, 2, 2};
  for (std::size_t i = 0; i < kRows; ++i)
    intake.AddMessage(kinds[i % 5], lines[i % lines.size()].c_str(), sources[i % 5]);
  return r;
}

inline const MessageRows& TypicalRows() {
  static const MessageRows rows = RowsFromLines(
      {"PID=????,TID=????,   16:20:12.223  (00012ms)   CSignal::Send: Verbindung 3 aufgebaut",
       "Konstruktor der Klasse CSignal (0x00A41230)",
       "16:20:12.240  (00017ms)   Makro Rechnung.xls: Zeile 42 berechnet, Summe 1234,56",
       "Destruktor der Klasse CSignal (0x00A41230)", "(GANTOR-PC)  Auftrag 7781 abgeschlossen"},
      {0x303, 1, 0x403, 2, 0x103});
  return rows;
}

// Prints "what  ours ms  baseline ms  ratio" for each pair after the runs,
// and each pair's figure line (bench/figure_line.h) with its goal.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Pair {
    Pair(const char* w, std::string o, std::string b, Goal g = Goal())
        : what(w), ours(std::move(o)), baseline(std::move(b)), goal(std::move(g)) {}
    const char* what;
    std::string ours, baseline;
    Goal goal;
  };
  RatioReporter(const char* benchmark, std::vector<Pair> pairs, std::string heading, std::string goal)
      : benchmark_(benchmark), pairs_(std::move(pairs)), heading_(std::move(heading)), goal_(std::move(goal)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (!run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%s\n", heading_.c_str());
    for (const Pair& p : pairs_) {
      const double ours = Time(p.ours), baseline = Time(p.baseline);
      if (ours > 0 && baseline > 0)
        std::printf("%-18s %10.1f ms  baseline %10.1f ms  ratio %5.2f\n", p.what, ours, baseline, ours / baseline);
    }
    std::printf("goal: %s\n", goal_.c_str());
    for (const Pair& p : pairs_) {
      const double ours = Time(p.ours), baseline = Time(p.baseline);
      ReportFigure(benchmark_, p.what, ours > 0 ? ours : kNotMeasured, "ms", baseline > 0 ? baseline : kNotMeasured,
                   p.goal);
    }
  }

 private:
  // The median of repeated runs where there is one, else the single run.
  double Time(const std::string& name) const {
    for (const std::string& key : {name + "_median", name}) {
      const auto found = times_.find(key);
      if (found != times_.end()) return found->second;
    }
    return 0;
  }

  const char* benchmark_;
  std::vector<Pair> pairs_;
  std::string heading_, goal_;
  std::map<std::string, double> times_;
};

}  // namespace ploxen::bench

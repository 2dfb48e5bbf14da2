// Lines per second through the entry point into the in-memory list, and heap
// bytes per row, each beside a baseline measured in the same run: the same
// text appended as one std::string to a std::vector.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/figure_line.h"
#include "bench/heap_counter.h"
#include "core/intake.h"
#include "core/line_stamp.h"
#include "net/forward_queue.h"
#include "storage/log_writer.h"

namespace ploxen::bench {
namespace {

constexpr int kBatch = 10000;  // lines per iteration; the list is cleared after each
constexpr double kGoalRate = 14.6e6;  // lines/s of the 80-character line: what the intake reached, kept
constexpr double kGoalHeapPerRow = 200;  // bytes

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }
};

struct Shape {
  const char* name;
  MessageKind kind;
  MessageSource source;
  std::string text;
  bool stamped;  // stamped on the way in, as the automation object does
};

const std::vector<Shape>& Shapes() {
  static const std::vector<Shape> shapes = {
      {"dbwin32_80", 0x303, kSourceDbWin32,
       std::string(kPlaceholderPrefix) + "16:20:12.223  (00012ms)   " +
           "CSignal::Send: Verbindung 3 aufgebaut, Status OK",
       false},
      {"automation_stamped", 0x403, kSourceSystem, "Makro Rechnung.xls: Zeile 42 berechnet", true},
      {"long_2000", 0x103, kSourceSystem, std::string(2000, 'L'), false},
      // The line above in other scripts: 85 characters in 102 bytes.
      {"mixed_80", 0x303, kSourceDbWin32,
       std::string(kPlaceholderPrefix) + "16:20:12.223  (00012ms)   " +
           "CSignal::Send: \xD0\xA1\xD0\xBE\xD0\xB5\xD0\xB4\xD0\xB8\xD0\xBD\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5 3 "
           "\xC3\xBC\xC3\xA4\xC3\xB6, \xE7\x8A\xB6\xE6\x80\x81 OK",
       false},
  };
  return shapes;
}

IntakeSwitches BenchSwitches() {
  IntakeSwitches s;
  s.dbWin32 = 1;
  s.maxCount = 0;
  return s;
}

// One batch of the shape's line, stamped afresh when the shape is.
void AddBatch(MessageIntake& intake, const Shape& shape, LineStamp& stamp) {
  for (int i = 0; i < kBatch; ++i) {
    if (shape.stamped) {
      const std::string line = stamp.Stamp(shape.text);
      intake.AddMessage(shape.kind, line.c_str(), shape.source);
    } else {
      intake.AddMessage(shape.kind, shape.text.c_str(), shape.source);
    }
  }
}

void BM_AddMessage(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  const IntakeSwitches switches = BenchSwitches();
  MessageRows rows;
  NoDialogs dialogs;
  MessageIntake intake(switches, rows, dialogs);
  LineStamp stamp;
  for (auto _ : state) {
    AddBatch(intake, shape, stamp);
    intake.ClearList();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(shape.name);
}

// With forwarding on, the intake's thread also copies each row into the
// forwarding queue; the worker's side is left out of the timing.
class QueueRows : public RowObserver {
 public:
  explicit QueueRows(ForwardQueue& queue) : queue_(queue) {}
  void RowAppended(MessageKind kind, MessageSource, const std::string_view* strings, std::size_t count) override {
    queue_.Push(kind, strings, count, 0);
  }

 private:
  ForwardQueue& queue_;
};

void BM_AddMessageForwarded(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  const IntakeSwitches switches = BenchSwitches();
  MessageRows rows;
  NoDialogs dialogs;
  MessageIntake intake(switches, rows, dialogs);
  ForwardQueue queue;
  QueueRows observer(queue);
  intake.ObserveRows(&observer);
  LineStamp stamp;
  for (auto _ : state) {
    AddBatch(intake, shape, stamp);
    state.PauseTiming();
    intake.ClearList();
    queue.DropAll();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(shape.name);
}

// With the log file on, the intake's thread also encodes each row into the
// log's buffer; the writer's side (a file layer that keeps nothing here) is
// left out of the timing, as the worker does it.
class NoFiles : public LogFileLayer {
 public:
  bool Open(const std::string&, std::uint64_t& size) override {
    size = 0;
    return true;
  }
  bool Append(const char*, std::size_t) override { return true; }
  bool WriteAt(std::uint64_t, const char*, std::size_t) override { return true; }
  void Close() override {}
  std::vector<std::string> Names(const std::string&) override { return {}; }
  bool Remove(const std::string&) override { return true; }
};

class LogRows : public RowObserver {
 public:
  explicit LogRows(LogWriter& writer) : writer_(writer) {}
  void RowAppended(MessageKind kind, MessageSource, const std::string_view* strings, std::size_t count) override {
    writer_.Add(kind, strings, count);
  }

 private:
  LogWriter& writer_;
};

void BM_AddMessageLogged(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  const LogFormat format = state.range(1) ? LogFormat::kBinary : LogFormat::kText;
  const IntakeSwitches switches = BenchSwitches();
  MessageRows rows;
  NoDialogs dialogs;
  MessageIntake intake(switches, rows, dialogs);
  NoFiles files;
  LogWriter writer(files, "bench.log", LogRotation{}, format);
  LogRows observer(writer);
  intake.ObserveRows(&observer);
  LineStamp stamp;
  for (auto _ : state) {
    AddBatch(intake, shape, stamp);
    state.PauseTiming();
    intake.ClearList();
    writer.Flush(LogTime{}, 0);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(std::string(shape.name) + (format == LogFormat::kBinary ? " binary" : " text"));
}

void BM_Baseline(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  std::vector<std::string> rows;
  LineStamp stamp;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      if (shape.stamped)
        rows.push_back(stamp.Stamp(shape.text));
      else
        rows.emplace_back(shape.text);
    }
    benchmark::DoNotOptimize(rows.data());
    std::vector<std::string>().swap(rows);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(shape.name);
}

BENCHMARK(BM_AddMessage)->DenseRange(0, 3);
BENCHMARK(BM_AddMessageForwarded)->DenseRange(0, 3);
BENCHMARK(BM_AddMessageLogged)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});
BENCHMARK(BM_Baseline)->DenseRange(0, 3);

// Heap per row beyond the text, for a list of the default row limit.
void ReportHeapPerRow() {
  constexpr std::size_t kRows = 50000;
  CountHeap(true);
  std::printf("\nHeap per row beyond the text (%zu rows, allocator headers included)\n", kRows);
  std::printf("%-20s %12s %12s %8s\n", "shape", "ploxen", "baseline", "goal");
  std::vector<std::pair<double, double>> perRow;  // ploxen, baseline
  for (const Shape& shape : Shapes()) {
    const IntakeSwitches switches = BenchSwitches();
    NoDialogs dialogs;
    double ploxenPerRow = 0;
    double basePerRow = 0;
    {
      // The stamp is fixed here so that both sides hold the same bytes.
      LineStamp stamp;
      const std::string text = shape.stamped ? stamp.Stamp(shape.text) : shape.text;
      MessageRows rows;
      MessageIntake intake(switches, rows, dialogs);
      const HeapUse before = LiveHeap();
      for (std::size_t i = 0; i < kRows; ++i) intake.AddMessage(shape.kind, text.c_str(), shape.source);
      const HeapUse after = LiveHeap();
      std::size_t textBytes = 0;
      for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t c = 0; c < kColumnCount; ++c) textBytes += rows.Row(i).Text(c).size();
      ploxenPerRow = (static_cast<double>(after.bytes - before.bytes) - static_cast<double>(textBytes)) /
                     static_cast<double>(kRows);

      std::vector<std::string> base;
      const HeapUse beforeBase = LiveHeap();
      for (std::size_t i = 0; i < kRows; ++i) base.push_back(text);
      const HeapUse afterBase = LiveHeap();
      basePerRow = (static_cast<double>(afterBase.bytes - beforeBase.bytes) -
                    static_cast<double>(text.size() * kRows)) /
                   static_cast<double>(kRows);
    }
    std::printf("%-20s %12.1f %12.1f %8.0f\n", shape.name, ploxenPerRow, basePerRow, kGoalHeapPerRow);
    perRow.push_back({ploxenPerRow, basePerRow});
  }
  CountHeap(false);
  for (std::size_t i = 0; i < perRow.size(); ++i)
    ReportFigure("intake", std::string("heap per row, ") + Shapes()[i].name, perRow[i].first, "bytes",
                 perRow[i].second, Goal::AtMost(kGoalHeapPerRow));
}

// Prints each shape's rate beside its baseline once all runs are done.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto it = run.counters.find("items_per_second");
      if (it == run.counters.end()) continue;
      const std::string name = run.benchmark_name();
      if (name.find("Baseline") != std::string::npos)
        base_[run.report_label] = it->second.value;
      else if (name.find("Forwarded") != std::string::npos)
        forwarded_[run.report_label] = it->second.value;
      else if (name.find("Logged") != std::string::npos)
        logged_[run.report_label] = it->second.value;
      else
        ploxen_[run.report_label] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nLines per second through AddMessage beside the baseline\n");
    std::printf("%-20s %14s %14s %8s %14s %8s\n", "shape", "ploxen", "baseline", "ratio", "forwarding", "ratio");
    for (const auto& [label, rate] : ploxen_) {
      const double base = base_.count(label) ? base_[label] : 0.0;
      const double forwarded = forwarded_.count(label) ? forwarded_[label] : 0.0;
      std::printf("%-20s %14.0f %14.0f %8.2f %14.0f %8.2f\n", label.c_str(), rate, base, base > 0 ? rate / base : 0.0,
                  forwarded, rate > 0 ? forwarded / rate : 0.0);
    }
    std::printf("goal: dbwin32_80 at least %.0f lines/s; \"forwarding\": the same with forwarding on, the\n"
                "intake's thread only (its ratio to \"ploxen\"; the flood benchmark gives the program's)\n",
                kGoalRate);
    std::printf("\nLines per second through AddMessage with the log file on (the intake's thread only)\n");
    for (const auto& [label, rate] : logged_) {
      const std::string shape = label.substr(0, label.find(' '));
      const double without = ploxen_.count(shape) ? ploxen_[shape] : 0.0;
      std::printf("%-20s %14.0f %14.0f %8.2f\n", label.c_str(), rate, without, without > 0 ? rate / without : 0.0);
      ReportFigure("intake", "lines/s log " + label + " (baseline: without)", rate, "lines/s",
                   without > 0 ? without : kNotMeasured);
    }
    for (const auto& [label, rate] : ploxen_) {
      ReportFigure("intake", "lines/s, " + label, rate, "lines/s", base_.count(label) ? base_[label] : kNotMeasured,
                   label == "dbwin32_80" ? Goal::AtLeast(kGoalRate) : Goal());
      ReportFigure("intake", "lines/s forwarding, " + label + " (baseline: without)",
                   forwarded_.count(label) ? forwarded_[label] : kNotMeasured, "lines/s", rate);
    }
  }

 private:
  std::map<std::string, double> ploxen_, base_, forwarded_, logged_;
};

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ploxen::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  ploxen::bench::ReportHeapPerRow();
  return 0;
}

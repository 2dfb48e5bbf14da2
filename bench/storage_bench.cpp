// Writing and reading the list's own file for a million rows, each beside a
// baseline that writes and reads the same number of bytes in one buffered
// call. Also the CSV export, against the same kind of baseline.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/stdio_stream.h"
#include "core/intake.h"
#include "storage/binary_file.h"
#include "storage/csv_export.h"

namespace ploxen::bench {
namespace {

constexpr std::size_t kRows = 1000000;

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/ploxen_bench_" + name;
}

class NoDialogs : public UserDialogs {
 public:
  bool AskYesNo(int) override { return false; }
  void Save() override {}
};

// A million rows as the intake makes them from typical lines.
const MessageRows& TypicalRows() {
  static MessageRows rows = [] {
    MessageRows r;
    IntakeSwitches switches;
    switches.maxCount = 0;
    switches.dbWin32 = 1;
    NoDialogs dialogs;
    MessageIntake intake(switches, r, dialogs);
    const char* lines[] = {
        "PID=????,TID=????,   16:20:12.223  (00012ms)   CSignal::Send: Verbindung 3 aufgebaut",
        "Konstruktor der Klasse CSignal (0x00A41230)",
        "16:20:12.240  (00017ms)   Makro Rechnung.xls: Zeile 42 berechnet, Summe 1234,56",
        "Destruktor der Klasse CSignal (0x00A41230)",
        "(GANTOR-PC)  Auftrag 7781 abgeschlossen"};
    const MessageKind kinds[] = {0x303, 1, 0x403, 2, 0x103};
    const MessageSource sources[] = {3, 2, 2, 2, 2};
    for (std::size_t i = 0; i < kRows; ++i) intake.AddMessage(kinds[i % 5], lines[i % 5], sources[i % 5]);
    return r;
  }();
  return rows;
}

std::size_t BinaryBytes() {
  static const std::size_t size = [] {
    MemorySink sink;
    WriteBinaryFile(TypicalRows(), sink);
    return sink.Bytes().size();
  }();
  return size;
}

void BM_WriteBinaryFile(benchmark::State& state) {
  const MessageRows& rows = TypicalRows();
  const std::string path = TempPath("write.bin");
  for (auto _ : state) {
    StdioSink sink(path);
    if (!WriteBinaryFile(rows, sink) || !sink.Close()) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
  std::remove(path.c_str());
}

void BM_WriteBaseline(benchmark::State& state) {
  const std::vector<char> bytes(BinaryBytes(), 'x');
  const std::string path = TempPath("write_base.bin");
  for (auto _ : state) {
    StdioSink sink(path);
    if (!sink.Write(bytes.data(), bytes.size()) || !sink.Close()) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  std::remove(path.c_str());
}

void BM_ReadBinaryFile(benchmark::State& state) {
  const std::string path = TempPath("read.bin");
  {
    StdioSink sink(path);
    WriteBinaryFile(TypicalRows(), sink);
  }
  for (auto _ : state) {
    MessageRows rows;
    StdioSource source(path);
    const BinaryReadResult result = ReadBinaryFile(source, rows);
    if (result.status != BinaryReadResult::kComplete || rows.size() != kRows) state.SkipWithError("read failed");
    state.PauseTiming();  // freeing the rows is the list's business, not the reader's
    rows.DeleteAllRows();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
  std::remove(path.c_str());
}

void BM_ReadBaseline(benchmark::State& state) {
  const std::string path = TempPath("read_base.bin");
  {
    StdioSink sink(path);
    WriteBinaryFile(TypicalRows(), sink);
  }
  for (auto _ : state) {
    std::vector<char> bytes(BinaryBytes());
    StdioSource source(path);
    if (source.Read(bytes.data(), bytes.size()) != bytes.size()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
  std::remove(path.c_str());
}

void BM_ExportCsv(benchmark::State& state) {
  const std::string path = TempPath("export.csv");
  for (auto _ : state) {
    StdioSink sink(path);
    if (!ExportCsv(TypicalRows(), sink) || !sink.Close()) state.SkipWithError("export failed");
  }
  std::remove(path.c_str());
}

BENCHMARK(BM_WriteBinaryFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadBinaryFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(5);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%zu rows, %zu bytes\n", kRows, BinaryBytes());
    Ratio("write", "BM_WriteBinaryFile/iterations:5", "BM_WriteBaseline/iterations:5");
    Ratio("read", "BM_ReadBinaryFile/iterations:5", "BM_ReadBaseline/iterations:5");
    std::printf("goal: each at most 3.00 x its baseline\n");
  }

 private:
  void Ratio(const char* what, const std::string& ours, const std::string& base) {
    if (!times_.count(ours) || !times_.count(base) || times_[base] <= 0) return;
    std::printf("%-6s %10.1f ms  baseline %10.1f ms  ratio %5.2f\n", what, times_[ours], times_[base],
                times_[ours] / times_[base]);
  }
  std::map<std::string, double> times_;
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

// Writing and reading the list's own file for a million rows, each beside a
// baseline that writes and reads the same number of bytes in one buffered
// call. Also the CSV export, against the same kind of baseline.
//
// Both sides of a pair read into memory that the process already holds. By
// default the C runtime hands a cleared list's memory back to the system and
// takes it again on the next read; under virtualisation each fresh page costs
// microseconds, and whichever side happened to get fresh pages would decide
// the ratio. So nothing freed is handed back here, and each benchmark makes
// one untimed pass before it is measured. The repetitions of all benchmarks
// run interleaved and each figure is their median, so that both sides of a
// pair see the same spells of a noisy machine.
#include <benchmark/benchmark.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/stdio_stream.h"
#include "bench/typical_rows.h"
#include "storage/binary_file.h"
#include "storage/csv_export.h"

namespace ploxen::bench {
namespace {

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/ploxen_bench_" + name;
}

std::size_t BinaryBytes() {
  static const std::size_t size = [] {
    MemorySink sink;
    WriteBinaryFile(TypicalRows(), sink);
    return sink.Bytes().size();
  }();
  return size;
}

bool WriteRows(const std::string& path) {
  StdioSink sink(path);
  return WriteBinaryFile(TypicalRows(), sink) && sink.Close();
}

void BM_WriteBinaryFile(benchmark::State& state) {
  const std::string path = TempPath("write.bin");
  WriteRows(path);
  for (auto _ : state) {
    if (!WriteRows(path)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
  std::remove(path.c_str());
}

bool WriteBytes(const std::string& path, const std::vector<char>& bytes) {
  StdioSink sink(path);
  return sink.Write(bytes.data(), bytes.size()) && sink.Close();
}

void BM_WriteBaseline(benchmark::State& state) {
  const std::vector<char> bytes(BinaryBytes(), 'x');
  const std::string path = TempPath("write_base.bin");
  WriteBytes(path, bytes);
  for (auto _ : state) {
    if (!WriteBytes(path, bytes)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  std::remove(path.c_str());
}

// The file both reads take, written once.
const std::string& ReadPath() {
  static const std::string path = [] {
    std::string p = TempPath("read.bin");
    StdioSink sink(p);
    WriteBinaryFile(TypicalRows(), sink);
    return p;
  }();
  return path;
}

bool ReadRows(const std::string& path, MessageRows& rows) {
  StdioSource source(path);
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  return result.status == BinaryReadResult::kComplete && rows.size() == kRows;
}

void BM_ReadBinaryFile(benchmark::State& state) {
  const std::string& path = ReadPath();
  {
    MessageRows rows;
    ReadRows(path, rows);
  }
  for (auto _ : state) {
    MessageRows rows;
    if (!ReadRows(path, rows)) state.SkipWithError("read failed");
    state.PauseTiming();  // freeing the rows is the list's business, not the reader's
    rows.DeleteAllRows();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
}

bool ReadBytes(const std::string& path) {
  std::vector<char> bytes(BinaryBytes());
  StdioSource source(path);
  const bool read = source.Read(bytes.data(), bytes.size()) == bytes.size();
  benchmark::DoNotOptimize(bytes.data());
  return read;
}

void BM_ReadBaseline(benchmark::State& state) {
  const std::string& path = ReadPath();
  ReadBytes(path);
  for (auto _ : state) {
    if (!ReadBytes(path)) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes()));
}

void BM_ExportCsv(benchmark::State& state) {
  const std::string path = TempPath("export.csv");
  for (auto _ : state) {
    StdioSink sink(path);
    if (!ExportCsv(TypicalRows(), sink) || !sink.Close()) state.SkipWithError("export failed");
  }
  std::remove(path.c_str());
}

constexpr int kRepetitions = 5;
BENCHMARK(BM_WriteBinaryFile)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadBinaryFile)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  mallopt(M_MMAP_MAX, 0);  // large blocks from the heap too, so that they stay
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
  // Interleaved unless the command line says otherwise: its flags come after.
  std::vector<char*> args(argv, argv + argc);
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  using ploxen::bench::Goal;
  using ploxen::bench::RatioReporter;
  RatioReporter reporter(
      "storage",
      {{"write", "BM_WriteBinaryFile/iterations:5/repeats:5", "BM_WriteBaseline/iterations:5/repeats:5",
        Goal::RatioAtMost(3)},
       {"read", "BM_ReadBinaryFile/iterations:5/repeats:5", "BM_ReadBaseline/iterations:5/repeats:5",
        Goal::RatioAtMost(3)}},
      std::to_string(ploxen::bench::kRows) + " rows, " + std::to_string(ploxen::bench::BinaryBytes()) + " bytes",
      "each at most 3.00 x its baseline");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// Writing and reading the list's own file for a million rows, each beside a
// baseline that writes and reads the same number of bytes in one buffered
// call. Also the CSV export, against the same kind of baseline.
#include <benchmark/benchmark.h>

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

}  // namespace
}  // namespace ploxen::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  using ploxen::bench::RatioReporter;
  RatioReporter reporter({{"write", "BM_WriteBinaryFile/iterations:5", "BM_WriteBaseline/iterations:5"},
                          {"read", "BM_ReadBinaryFile/iterations:5", "BM_ReadBaseline/iterations:5"}},
                         std::to_string(ploxen::bench::kRows) + " rows, " +
                             std::to_string(ploxen::bench::BinaryBytes()) + " bytes",
                         "each at most 3.00 x its baseline");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

// Writing and reading the list's own file for a million rows, each beside a
// baseline that writes and reads the same number of bytes in one buffered
// call: today's ASCII rows (version 1), and rows of mixed scripts (version
// 2, UTF-8). Also the CSV export of each.
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

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/ploxen_bench_" + name;
}

// A million rows as the intake makes them from lines of many scripts, each
// about as long as a typical line: none fits code page 1252, so the file is
// version 2. The intake takes their bytes as they are.
const MessageRows& MixedRows() {
  static const MessageRows rows = RowsFromLines({
        "PID=????,TID=????,   16:20:12.223  (00012ms)   Serwer \xC5\x82\xC3\xB3" "d\xC5\xBA-02: po\xC5\x82\xC4\x85"
        "czenie 3 nawi\xC4\x85zane",
        "\xD0\x9A\xD0\xBE\xD0\xBD\xD1\x81\xD1\x82\xD1\x80\xD1\x83\xD0\xBA\xD1\x82\xD0\xBE\xD1\x80 "
        "\xD0\xBA\xD0\xBB\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0 CSignal (0x00A41230)",
        "16:20:12.240  (00017ms)   \xE5\xAE\x8F Rechnung.xls\xEF\xBC\x9A\xE7\xAC\xAC 42 \xE8\xA1\x8C\xE5\xB7\xB2"
        "\xE8\xAE\xA1\xE7\xAE\x97\xEF\xBC\x8C\xE6\x80\xBB\xE5\x92\x8C 1234,56",
        "Destruktor der Klasse CSignal (0x00A41230) \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
        "(GANTOR-PC)  \xCE\x95\xCF\x81\xCE\xB3\xCE\xB1\xCF\x83\xCE\xAF\xCE\xB1 7781 "
        "\xCE\xBF\xCE\xBB\xCE\xBF\xCE\xBA\xCE\xBB\xCE\xB7\xCF\x81\xCF\x8E\xCE\xB8\xCE\xB7\xCE\xBA\xCE\xB5"},
                                                {0x303, 1, 0x403, 2, 0x103});
  return rows;
}

// The rows of each benchmark: range 0 today's ASCII rows, 1 the mixed ones.
const MessageRows& RowsOf(const benchmark::State& state) { return state.range(0) ? MixedRows() : TypicalRows(); }
const char* NameOf(const benchmark::State& state) { return state.range(0) ? "mixed" : "ascii"; }

std::size_t BinaryBytes(const MessageRows& rows) {
  MemorySink sink;
  WriteBinaryFile(rows, sink);
  return sink.Bytes().size();
}

// Each set of rows is made only when a benchmark of it runs.
std::size_t BinaryBytes(bool mixed) {
  if (mixed) {
    static const std::size_t size = BinaryBytes(MixedRows());
    return size;
  }
  static const std::size_t size = BinaryBytes(TypicalRows());
  return size;
}

bool WriteRows(const std::string& path, const MessageRows& rows) {
  StdioSink sink(path);
  return WriteBinaryFile(rows, sink) && sink.Close();
}

void BM_WriteBinaryFile(benchmark::State& state) {
  const std::string path = TempPath(std::string("write_") + NameOf(state) + ".bin");
  const MessageRows& rows = RowsOf(state);
  WriteRows(path, rows);
  for (auto _ : state) {
    if (!WriteRows(path, rows)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes(state.range(0) != 0)));
  std::remove(path.c_str());
}

bool WriteBytes(const std::string& path, const std::vector<char>& bytes) {
  StdioSink sink(path);
  return sink.Write(bytes.data(), bytes.size()) && sink.Close();
}

void BM_WriteBaseline(benchmark::State& state) {
  const std::vector<char> bytes(BinaryBytes(state.range(0) != 0), 'x');
  const std::string path = TempPath(std::string("write_base_") + NameOf(state) + ".bin");
  WriteBytes(path, bytes);
  for (auto _ : state) {
    if (!WriteBytes(path, bytes)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  std::remove(path.c_str());
}

// The file both reads of a kind of rows take, written once.
std::string WrittenOnce(const char* name, const MessageRows& rows, std::int32_t version) {
  const std::string path = TempPath(name);
  StdioSink sink(path);
  WriteBinaryFile(rows, sink);
  sink.Close();
  StdioSource source(path);
  unsigned char first[4] = {};
  if (source.Read(first, 4) != 4 || GetLittleEndian(first) != static_cast<std::uint32_t>(version))
    std::fprintf(stderr, "%s is not version %d\n", path.c_str(), static_cast<int>(version));
  return path;
}

const std::string& ReadPath(bool mixed) {
  if (mixed) {
    static const std::string path = WrittenOnce("read_mixed.bin", MixedRows(), kBinaryFileVersionUtf8);
    return path;
  }
  static const std::string path = WrittenOnce("read_ascii.bin", TypicalRows(), kBinaryFileVersion1252);
  return path;
}

bool ReadRows(const std::string& path, MessageRows& rows) {
  StdioSource source(path);
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  return result.status == BinaryReadResult::kComplete && rows.size() == kRows;
}

void BM_ReadBinaryFile(benchmark::State& state) {
  const std::string& path = ReadPath(state.range(0) != 0);
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
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes(state.range(0) != 0)));
}

bool ReadBytes(const std::string& path, std::size_t size) {
  std::vector<char> bytes(size);
  StdioSource source(path);
  const bool read = source.Read(bytes.data(), bytes.size()) == bytes.size();
  benchmark::DoNotOptimize(bytes.data());
  return read;
}

void BM_ReadBaseline(benchmark::State& state) {
  const bool mixed = state.range(0) != 0;
  const std::string& path = ReadPath(mixed);
  ReadBytes(path, BinaryBytes(mixed));
  for (auto _ : state) {
    if (!ReadBytes(path, BinaryBytes(mixed))) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BinaryBytes(mixed)));
}

void BM_ExportCsv(benchmark::State& state) {
  const std::string path = TempPath(std::string("export_") + NameOf(state) + ".csv");
  for (auto _ : state) {
    StdioSink sink(path);
    if (!ExportCsv(RowsOf(state), sink) || !sink.Close()) state.SkipWithError("export failed");
  }
  std::remove(path.c_str());
}

constexpr int kRepetitions = 5;
void Measured(benchmark::internal::Benchmark* b) {
  b->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_WriteBinaryFile)->Apply(Measured);
BENCHMARK(BM_WriteBaseline)->Apply(Measured);
BENCHMARK(BM_ReadBinaryFile)->Apply(Measured);
BENCHMARK(BM_ReadBaseline)->Apply(Measured);
BENCHMARK(BM_ExportCsv)->Apply(Measured);

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
  // Today's rows keep the goal they had; the mixed rows' is the one they
  // were given with version 2.
  auto name = [](const char* benchmark, int mixed) {
    return std::string(benchmark) + "/" + std::to_string(mixed) + "/iterations:5/repeats:5";
  };
  RatioReporter reporter(
      "storage",
      {{"write", name("BM_WriteBinaryFile", 0), name("BM_WriteBaseline", 0), Goal::RatioAtMost(3)},
       {"read", name("BM_ReadBinaryFile", 0), name("BM_ReadBaseline", 0), Goal::RatioAtMost(3)},
       {"write version 2", name("BM_WriteBinaryFile", 1), name("BM_WriteBaseline", 1), Goal::RatioAtMost(1.5)},
       {"read version 2", name("BM_ReadBinaryFile", 1), name("BM_ReadBaseline", 1), Goal::RatioAtMost(1.5)}},
      std::to_string(ploxen::bench::kRows) + " rows: ASCII " + std::to_string(ploxen::bench::BinaryBytes(false)) +
          " bytes (version 1), mixed scripts " + std::to_string(ploxen::bench::BinaryBytes(true)) +
          " bytes (version 2)",
      "ASCII at most 3.00 x its baseline, version 2 at most 1.50 x");
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

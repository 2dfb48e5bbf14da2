// Lines per second through the 8-bit roads' rule (core/text.h), beside a
// baseline in the same run: copying the same line into a string, which the
// intake does with every line anyway. An ASCII or UTF-8 line is only looked
// at; a code page 1252 line is converted.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/figure_line.h"
#include "core/text.h"

namespace ploxen::bench {
namespace {

constexpr int kBatch = 10000;

struct Shape {
  const char* name;
  std::string line;
};

const std::vector<Shape>& Shapes() {
  static const std::vector<Shape> shapes = {
      {"ascii_80", "PID=1208,TID=3344,   16:20:12.223  CSignal::Send: Verbindung 3 aufgebaut, OK 712"},
      {"mixed_80", "Serwer łódź-02: Größe 12 KB, ошибка 110, 连接失败 ✅ Ελλάδα, Zeitüberschreitung 30 s!"},
      {"cp1252_80", "\xC4nderung gespeichert: Datei \x84\xDC" "bersicht M\xE4rz.xls\x93, Summe 1.250,00 \x80 (Gr\xF6\xDF" "e 30 KB)"},
      {"chinese_80", "连接服务器失败：等待超时（错误代码 110），请检查网络设置与防火墙规则，然后重新启动服务。连接服务器失败：等待超时（错误代码 110），请稍后再试一次谢谢！！"},
  };
  return shapes;
}

void BM_EightBitRowText(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  std::string converted;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      const std::string_view text = EightBitRowText(shape.line, converted);
      benchmark::DoNotOptimize(text.data());
      benchmark::DoNotOptimize(text.size());
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetBytesProcessed(state.iterations() * kBatch * static_cast<std::int64_t>(shape.line.size()));
  state.SetLabel(shape.name);
}

void BM_Baseline(benchmark::State& state) {
  const Shape& shape = Shapes()[static_cast<std::size_t>(state.range(0))];
  std::string copy;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      copy.assign(shape.line);
      benchmark::DoNotOptimize(copy.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  state.SetLabel(shape.name);
}

BENCHMARK(BM_EightBitRowText)->DenseRange(0, 3);
BENCHMARK(BM_Baseline)->DenseRange(0, 3);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto it = run.counters.find("items_per_second");
      if (it == run.counters.end()) continue;
      if (!run.aggregate_name.empty() && run.aggregate_name != "median") continue;
      const bool base = run.benchmark_name().find("Baseline") != std::string::npos;
      (base ? base_ : rule_)[run.report_label] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nLines per second through the 8-bit roads' rule beside copying the line\n");
    std::printf("%-12s %6s %6s %14s %14s %8s\n", "shape", "chars", "bytes", "rule", "copy", "ratio");
    for (const Shape& shape : Shapes()) {
      const double rule = rule_.count(shape.name) ? rule_[shape.name] : 0.0;
      const double base = base_.count(shape.name) ? base_[shape.name] : 0.0;
      std::printf("%-12s %6zu %6zu %14.0f %14.0f %8.2f\n", shape.name, CharacterCount(EightBitToUtf8(shape.line)),
                  shape.line.size(), rule, base,
                  base > 0 ? rule / base : 0.0);
    }
    for (const Shape& shape : Shapes())
      ReportFigure("text", std::string("lines/s, ") + shape.name + " (baseline: copying it)",
                   rule_.count(shape.name) ? rule_[shape.name] : kNotMeasured, "lines/s",
                   base_.count(shape.name) ? base_[shape.name] : kNotMeasured);
  }

 private:
  std::map<std::string, double> rule_, base_;
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

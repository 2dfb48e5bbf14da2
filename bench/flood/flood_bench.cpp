// Floods a receiver with copy-data lines from tools/ploxen_send, twice in one
// run: a null receiver of ours (a hidden window that only answers), which
// gives the rate the transport carries here, and the real PLOXEN.EXE, timed
// until every line is shown in its list. Reports both rates and the ratio.
//   ploxen_flood_bench [lines] [rounds]
#include <atomic>
#include <cstdlib>
#include <thread>

#include "bench/flood/flood_rounds.h"

namespace {

constexpr char kShownFigure[] = "lines/s shown (baseline: null receiver)";
constexpr char kNullTitle[] = "PLOXEN flood null receiver";
constexpr char kNullClass[] = "PloxenFloodNullReceiver";

using namespace ploxen::bench;

// The null receiver: a hidden window on a thread of its own.
std::atomic<long> g_nullLines{0};

LRESULT CALLBACK NullProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    ++g_nullLines;
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class NullReceiver {
 public:
  NullReceiver() {
    thread_ = std::thread([this] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = NullProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kNullClass;
      RegisterClassA(&wc);
      window_ = CreateWindowExA(0, kNullClass, kNullTitle, 0, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
      ready_ = true;
      MSG m;
      while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    });
    while (!ready_) Sleep(1);
  }
  ~NullReceiver() {
    PostMessageA(window_, WM_QUIT, 0, 0);
    thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND window_ = nullptr;
};

double NullRound(int lines) {
  g_nullLines = 0;
  const double start = Seconds();
  PROCESS_INFORMATION sender = Launch(SenderLine("-title \"" + std::string(kNullTitle) + "\"", lines));
  if (!sender.hProcess || !SenderSucceeded(sender) || g_nullLines != lines) return 0;
  return lines / (Seconds() - start);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_flood_bench.ini";

  NullReceiver nullReceiver;
  std::vector<double> nullRates, ploxenRates, ratios;
  // Alternating rounds, so that a noisy moment of the machine hurts both.
  for (int r = 0; r < rounds; ++r) {
    nullRates.push_back(NullRound(lines));
    ploxenRates.push_back(PloxenRound(lines, profile));
    if (nullRates.back() > 0) ratios.push_back(ploxenRates.back() / nullRates.back());
    std::printf("round %d: null receiver %.0f lines/s, PLOXEN %.0f lines/s\n", r + 1, nullRates.back(),
                ploxenRates.back());
    std::fflush(stdout);
  }
  const double baseline = Median(nullRates);
  const double shown = Median(ploxenRates);
  if (baseline <= 0 || shown <= 0) {
    std::printf("flood of %d lines: a round failed (a rate of 0 above)\n", lines);
    ReportFigure("flood", kShownFigure, kNotMeasured, "lines/s", kNotMeasured, Goal::RatioAtLeast(0.9));
    return 1;
  }
  std::printf("flood of %d lines, median of %d rounds:\n", lines, rounds);
  std::printf("  null receiver (baseline)  %8.0f lines/s\n", baseline);
  std::printf("  PLOXEN.EXE, all shown     %8.0f lines/s\n", shown);
  std::printf("  ratio of the medians %.2f, median of the rounds' ratios %.2f (goal: at least 0.90)\n",
              shown / baseline, Median(ratios));
  ReportFigure("flood", kShownFigure, shown, "lines/s", baseline, Goal::RatioAtLeast(0.9));
  return 0;
}

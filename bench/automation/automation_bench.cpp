// How long a script's Write calls take on the real PLOXEN.EXE against a null
// automation server of ours on the same dispatch path (its lines go
// nowhere), in alternating rounds of the same run.
//   ploxen_automation_bench [calls] [rounds]
#include <cstdlib>

#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"
#include "tools/automation_client.h"

namespace {

using namespace ploxen::bench;
using ploxen::client::Object;
using ploxen::client::Variant;

constexpr char kCallsFigure[] = "Write calls on PLOXEN (baseline: null server)";

bool RunToEnd(const std::string& commandLine) {
  PROCESS_INFORMATION p = Launch(commandLine);
  if (!p.hProcess) return false;
  WaitForSingleObject(p.hProcess, 60000);
  DWORD code = 1;
  GetExitCodeProcess(p.hProcess, &code);
  Release(p);
  return code == 0;
}

// Seconds for the calls; 0 when the object or a call failed.
double TimeWrites(Object& object, int calls) {
  DISPID write = 0;
  if (FAILED(object.Id("Write", write))) return 0;
  const double start = Seconds();
  for (int i = 0; i < calls; ++i) {
    std::vector<Variant> args{Variant::Long(0), Variant::Text("Zeile der Messung mit etwas Text")};
    if (FAILED(object.Invoke(write, DISPATCH_METHOD, args))) return 0;
  }
  return Seconds() - start;
}

double NullRound(int calls) {
  Object object;
  return SUCCEEDED(object.Create("PloxenNull")) ? TimeWrites(object, calls) : 0;
}

HWND FindAnyPloxen() {
  for (int i = 0; i < 600; ++i) {
    if (HWND w = FindWindowA(nullptr, kPloxenTitle)) return w;
    Sleep(50);
  }
  return nullptr;
}

struct PloxenTimes {
  double calls = 0;  // the Write calls themselves
  double shown = 0;  // until every line is a row
};

PloxenTimes PloxenRound(int calls) {
  PloxenTimes times;
  Object object;
  if (FAILED(object.Create("Ploxen"))) return times;
  HWND main = FindAnyPloxen();
  HWND list = main ? GetDlgItem(main, kListControlId) : nullptr;
  const double start = Seconds();
  times.calls = TimeWrites(object, calls);
  while (list && RowCount(list) < calls && Seconds() - start < 120) Sleep(2);
  if (!list || RowCount(list) != calls) times.calls = 0;
  times.shown = Seconds() - start;
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  object.Release();
  // Released, the window closes when asked.
  HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  PostMessageA(main, WM_CLOSE, 0, 0);
  if (handle) {
    WaitForSingleObject(handle, 30000);
    CloseHandle(handle);
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_automation_bench.ini";
  UseFreshProfile(profile);
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "0", profile.c_str());
  if (!RunToEnd("\"" + Directory() + "\\PLOXEN.EXE\" /Reg") ||
      !RunToEnd("\"" + Directory() + "\\ploxen_null_automation.exe\"")) {
    std::printf("cannot register the two servers\n");
    return 1;
  }
  if (FAILED(CoInitialize(nullptr))) return 1;
  std::vector<double> bare, ploxen, shown, ratios;
  for (int r = 0; r < rounds; ++r) {
    bare.push_back(NullRound(calls));
    const PloxenTimes times = PloxenRound(calls);
    ploxen.push_back(times.calls);
    shown.push_back(times.shown);
    if (bare.back() > 0 && times.calls > 0) ratios.push_back(times.calls / bare.back());
    std::printf("round %d: null server %.2f s, PLOXEN %.2f s (all %d rows after %.2f s)\n", r + 1, bare.back(),
                times.calls, calls, times.shown);
    std::fflush(stdout);
  }
  CoUninitialize();
  DeleteFileA(profile.c_str());
  if (ratios.size() != static_cast<std::size_t>(rounds)) {
    std::printf("%d Write calls: a round failed (a time of 0 above)\n", calls);
    ReportFigure("automation", kCallsFigure, kNotMeasured, "s", kNotMeasured, Goal::RatioAtMost(1.3));
    return 1;
  }
  std::printf("%d Write calls, median of %d rounds:\n", calls, rounds);
  std::printf("  null automation server (baseline)  %7.2f s  (%.0f calls/s)\n", Median(bare), calls / Median(bare));
  std::printf("  PLOXEN.EXE                         %7.2f s  (%.0f calls/s), every line a row after %.2f s\n",
              Median(ploxen), calls / Median(ploxen), Median(shown));
  std::printf("  ratio of the medians %.2f, median of the rounds' ratios %.2f (goal: at most 1.30)\n",
              Median(ploxen) / Median(bare), Median(ratios));
  ReportFigure("automation", kCallsFigure, Median(ploxen), "s", Median(bare), Goal::RatioAtMost(1.3));
  return 0;
}

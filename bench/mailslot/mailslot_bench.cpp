// A burst of remote lines written at once, twice in one run: into a mailslot
// of our own, drained with the receiver's own calls as fast as they go (the
// baseline: what the transport carries here), and into the real PLOXEN.EXE's
// mailslot, timed until every line is a row of its list. Reports both times,
// the ratio, and whether PLOXEN stays within 1.5 times the baseline plus one
// polling interval.
//   ploxen_mailslot_bench [lines] [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"
#include "roads/win32_mailslot.h"

namespace {

using namespace ploxen::bench;

constexpr char kBaselineName[] = "\\\\.\\mailslot\\ploxen_bench_baseline";
constexpr int kInterval = 250;  // INTERVALL as the program ships
constexpr char kShownFigure[] = "every line a row (baseline: own mailslot drained)";

// The same lines for both rounds, as a sender writes them, NUL and all.
bool WriteBurst(const char* name, int lines) {
  HANDLE slot = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (slot == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (int i = 1; i <= lines && ok; ++i) {
    const std::string line = std::to_string(i) + ",BENCH,771,Zeile der Flut mit etwas Text wie ihn ein Programm schreibt";
    DWORD written = 0;
    ok = WriteFile(slot, line.c_str(), static_cast<DWORD>(line.size() + 1), &written, nullptr) != FALSE;
  }
  CloseHandle(slot);
  return ok;
}

class NullWindow : public ploxen::RemoteWindow {
 public:
  void AddMessage(ploxen::MessageKind, const char*, ploxen::MessageSource) override {}
  void ShowNotice(ploxen::RemoteNotice) override {}
};

// Seconds from the first line written until the last one was read; 0 on failure.
double BaselineRound(int lines) {
  ploxen::Win32Mailslot mailslot(kBaselineName);
  int remoteActive = 1;
  NullWindow window;
  ploxen::MailslotReceiver receiver(remoteActive, mailslot, window);
  receiver.UpdateMailslot();
  if (!mailslot.IsOpen()) return 0;
  const double start = Seconds();
  bool written = false;
  std::thread writer([&] { written = WriteBurst(kBaselineName, lines); });
  std::vector<std::string> got;
  int read = 0;
  while (read < lines && Seconds() - start < 120) {
    if (receiver.DrainMailslot(got) != ploxen::MailslotReceiver::Drain::kDone) break;
    read += static_cast<int>(got.size());
    if (got.empty()) Sleep(0);
  }
  const double end = Seconds();
  writer.join();
  return written && read == lines ? end - start : 0;
}

bool MailslotHeld() {
  HANDLE slot = CreateFileA(ploxen::kMailslotName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (slot == INVALID_HANDLE_VALUE) return false;
  CloseHandle(slot);
  return true;
}

// Seconds from the first line written until the list shows the last; 0 on failure.
double PloxenRound(int lines, const std::string& profile) {
  if (MailslotHeld()) {
    std::fprintf(stderr, "another program holds %s\n", ploxen::kMailslotName);
    return 0;
  }
  UseFreshProfile(profile);
  WritePrivateProfileStringA("ALLGEMEIN", "FERNDEBUG", "1", profile.c_str());
  WritePrivateProfileStringA("ALLGEMEIN", "INTERVALL", std::to_string(kInterval).c_str(), profile.c_str());
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "0", profile.c_str());
  PROCESS_INFORMATION ploxen = Launch("\"" + Directory() + "\\PLOXEN.EXE\"");
  if (!ploxen.hProcess) return 0;
  const PloxenWindow window = FindPloxen(ploxen.dwProcessId);
  // The first tick creates the mailslot.
  for (int i = 0; i < 600 && window.list && !MailslotHeld(); ++i) Sleep(20);
  double seconds = 0;
  if (window.list && MailslotHeld()) {
    const double start = Seconds();
    const bool written = WriteBurst(ploxen::kMailslotName, lines);
    while (written && RowCount(window.list) < lines && Seconds() - start < 120) Sleep(2);
    if (written && RowCount(window.list) == lines) seconds = Seconds() - start;
  }
  ClosePloxen(ploxen, window.main);
  DeleteFileA(profile.c_str());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_mailslot_bench.ini";
  // Takes turns with the system tests, which need the same mailslot name.
  HANDLE turn = CreateMutexA(nullptr, FALSE, "ploxen_system_test_mailslot");
  if (turn) WaitForSingleObject(turn, INFINITE);

  std::vector<double> baseline, shown;
  // Alternating rounds, so that a noisy moment of the machine hurts both.
  for (int r = 0; r < rounds; ++r) {
    baseline.push_back(BaselineRound(lines));
    shown.push_back(PloxenRound(lines, profile));
    std::printf("round %d: own mailslot drained in %.3f s, PLOXEN shows all in %.3f s\n", r + 1, baseline.back(),
                shown.back());
    std::fflush(stdout);
  }
  if (turn) {
    ReleaseMutex(turn);
    CloseHandle(turn);
  }
  const double base = Median(baseline);
  const double ploxen = Median(shown);
  if (base <= 0 || ploxen <= 0) {
    std::printf("mailslot burst of %d lines: a round failed (a time of 0 above)\n", lines);
    ReportFigure("mailslot", kShownFigure, kNotMeasured, "s");
    return 1;
  }
  const double goal = 1.5 * base + kInterval / 1000.0;
  std::printf("mailslot burst of %d lines, median of %d rounds:\n", lines, rounds);
  std::printf("  own mailslot drained (baseline)  %7.3f s\n", base);
  std::printf("  PLOXEN.EXE, all shown            %7.3f s\n", ploxen);
  std::printf("  ratio %.2f; goal 1.5 x baseline + %d ms = %.3f s: %s\n", ploxen / base, kInterval, goal,
              ploxen <= goal ? "met" : "not met");
  ReportFigure("mailslot", kShownFigure, ploxen, "s", base,
               Goal::AtMost(goal).WithFormula("1.5 x baseline + " + std::to_string(kInterval) + " ms"));
  return 0;
}

// How much the debug monitor slows a program that writes a burst of debug
// strings, beyond what the debugging interface itself costs: the same burst
// of the test child runs under a bare debug loop of ours (wait, read,
// continue, nothing else) and under the real PLOXEN.EXE, in alternating
// rounds. Each time is the child's own life, from its creation to its end.
//   ploxen_debug_bench [lines] [rounds]
#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"

#include <tlhelp32.h>

#include <cstdlib>

namespace {

using namespace ploxen::bench;

constexpr char kChildFigure[] = "child's life under PLOXEN (baseline: bare debug loop)";

std::string ChildLine(int lines) {
  return "\"" + Directory() + "\\ploxen_debug_child.exe\" burst:" + std::to_string(lines);
}

double FileTimeSeconds(const FILETIME& t) {
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

// Creation to exit of an ended process.
double Lifetime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return FileTimeSeconds(exited) - FileTimeSeconds(created);
}

double BareLoopRound(int lines) {
  PROCESS_INFORMATION child = Launch(ChildLine(lines), DEBUG_PROCESS);
  if (!child.hProcess) return 0;
  char area[512];
  int strings = 0;
  for (bool ended = false; !ended;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, INFINITE)) break;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        const SIZE_T size = event.u.DebugString.nDebugStringLength < sizeof area
                                ? event.u.DebugString.nDebugStringLength : sizeof area;
        SIZE_T read = 0;
        strings += ReadProcessMemory(child.hProcess, event.u.DebugString.lpDebugStringData, area, size, &read) != 0;
        break;
      }
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        ended = event.dwProcessId == child.dwProcessId;
        break;
      default:
        break;
    }
    if (!ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status)) break;
  }
  WaitForSingleObject(child.hProcess, 30000);
  const double seconds = strings == lines ? Lifetime(child.hProcess) : 0;
  Release(child);
  return seconds;
}

HANDLE OpenChildOf(DWORD parent) {
  for (int i = 0; i < 600; ++i) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
      if (entry.th32ParentProcessID == parent) child = entry.th32ProcessID;
    CloseHandle(snapshot);
    if (child) return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child);
    Sleep(20);
  }
  return nullptr;
}

struct PloxenTimes {
  double child = 0;  // the child's life under the monitor
  double shown = 0;  // from the child's start until every line is a row
};

PloxenTimes PloxenRound(int lines, const std::string& profile) {
  UseFreshProfile(profile);
  // Only the debug strings, so that the row count says when all are there.
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "1000000", profile.c_str());
  for (const char* key : {"B_DLL", "B_EXCEPTION", "B_THREAD", "B_PROCESS"})
    WritePrivateProfileStringA("LISTBOX", key, "0", profile.c_str());
  WritePrivateProfileStringA("LISTBOX", "B_TRACE", "1", profile.c_str());
  PloxenTimes times;
  PROCESS_INFORMATION ploxen = Launch("\"" + Directory() + "\\PLOXEN.EXE\" " + ChildLine(lines));
  if (!ploxen.hProcess) return times;
  const PloxenWindow window = FindPloxen(ploxen.dwProcessId);
  HANDLE child = window.list ? OpenChildOf(ploxen.dwProcessId) : nullptr;
  if (child) {
    const double start = Seconds();
    WaitForSingleObject(child, 300000);
    while (RowCount(window.list) < lines && Seconds() - start < 300) Sleep(5);
    const double allShown = Seconds();
    FILETIME created, exited, kernel, user, now;
    if (RowCount(window.list) == lines && GetProcessTimes(child, &created, &exited, &kernel, &user)) {
      times.child = FileTimeSeconds(exited) - FileTimeSeconds(created);
      GetSystemTimeAsFileTime(&now);
      times.shown = FileTimeSeconds(now) - (Seconds() - allShown) - FileTimeSeconds(created);
    }
    CloseHandle(child);
  }
  ClosePloxen(ploxen, window.main);
  DeleteFileA(profile.c_str());
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_debug_bench.ini";

  std::vector<double> bare, monitored, shown, ratios;
  // Alternating rounds, so that a noisy moment of the machine hurts both.
  for (int r = 0; r < rounds; ++r) {
    bare.push_back(BareLoopRound(lines));
    const PloxenTimes times = PloxenRound(lines, profile);
    monitored.push_back(times.child);
    shown.push_back(times.shown);
    if (bare.back() > 0 && times.child > 0) ratios.push_back(times.child / bare.back());
    std::printf("round %d: bare loop %.2f s, under PLOXEN %.2f s (all %d rows shown after %.2f s)\n", r + 1,
                bare.back(), times.child, lines, times.shown);
    std::fflush(stdout);
  }
  if (ratios.size() != static_cast<std::size_t>(rounds)) {
    std::printf("burst of %d debug strings: a round failed (a time of 0 above)\n", lines);
    ReportFigure("debug", kChildFigure, kNotMeasured, "s", kNotMeasured, Goal::RatioAtMost(1.2));
    return 1;
  }
  std::printf("burst of %d debug strings, median of %d rounds (the child's life from start to end):\n", lines, rounds);
  std::printf("  bare debug loop (baseline)  %7.2f s\n", Median(bare));
  std::printf("  under PLOXEN.EXE            %7.2f s, every line a row after %.2f s\n", Median(monitored), Median(shown));
  std::printf("  ratio of the medians %.2f, median of the rounds' ratios %.2f (goal: at most 1.20)\n",
              Median(monitored) / Median(bare), Median(ratios));
  ReportFigure("debug", kChildFigure, Median(monitored), "s", Median(bare), Goal::RatioAtMost(1.2));
  ReportFigure("debug", "every line a row, from the child's start", Median(shown), "s", Median(bare));
  return 0;
}

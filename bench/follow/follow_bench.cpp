// "Datei verfolgen" against `tail -F`: a native writer (seq through /bin/sh)
// appends N lines to a file as fast as it can, in alternating rounds
//   - while `tail -F -n 0 file` runs into /dev/null, counted by `head -n N`
//     (the shell times it from the writer's start to the last line out);
//   - while PLOXEN.EXE follows the file, empty at its start (no row limit), timed here
//     from the writer's start until the list holds every line.
// Reports lines shown a second in each and PLOXEN's ratio to tail's of the
// same round; the goal is at least 0.5, with every line a row (none lost,
// the lost-lines pane empty).
//   ploxen_follow_bench [lines] [rounds]
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"

namespace {

using namespace ploxen::bench;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Unix {
  std::string base;  // Unix path prefix of this run's files
  std::string Windows(const std::string& suffix) const {
    std::string path = "Z:" + base + suffix;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }
  // A script run by /bin/sh; Wait tells when it ended (its last act is a
  // file): Wine gives no handle of a Unix program to wait on.
  bool Start(const std::string& script, const std::string& name) const {
    {
      std::ofstream out(Windows(name + ".sh"), std::ios::binary);
      out << script << "\nmv " << base << name << ".tmp " << base << name << ".done\n";
    }
    DeleteFileA(Windows(name + ".done").c_str());
    PROCESS_INFORMATION info = Launch("/bin/sh " + base + name + ".sh");
    Release(info);
    return true;
  }
  bool Wait(const std::string& name, DWORD timeoutMs = 120000) const {
    const ULONGLONG start = GetTickCount64();
    while (GetFileAttributesA(Windows(name + ".done").c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount64() - start > timeoutMs) return false;
      Sleep(5);
    }
    return true;
  }
};

std::string Writer(const Unix& unix, int lines) {
  return "seq -f 'Zeile %.0f eines Programms, das viel schreibt' 1 " + std::to_string(lines) + " >> " + unix.base +
         "follow.log";
}

// tail's lines a second, or 0 when the round failed.
double TailRound(const Unix& unix, int lines) {
  const std::string log = unix.base + "follow.log";
  const std::string script = ": > " + log + "\n(tail -F -n 0 " + log + " 2>/dev/null | head -n " + std::to_string(lines) +
                             " > /dev/null; date +%s.%N > " + unix.base + "tail.end) &\nsleep 0.5\ndate +%s.%N > " +
                             unix.base + "tail.start\n" + Writer(unix, lines) + "\nwait\npkill -P $$ tail 2>/dev/null\n: > " +
                             unix.base + "tail.tmp";
  if (!unix.Start(script, "tail") || !unix.Wait("tail")) {
    std::fprintf(stderr, "the tail round did not end\n");
    return 0;
  }
  const double start = std::atof(FileText(unix.Windows("tail.start")).c_str());
  const double end = std::atof(FileText(unix.Windows("tail.end")).c_str());
  if (end <= start) std::fprintf(stderr, "tail round: start %s end %s\n", FileText(unix.Windows("tail.start")).c_str(),
                                 FileText(unix.Windows("tail.end")).c_str());
  return end > start ? lines / (end - start) : 0;
}

struct PloxenResult {
  double rate = 0;
  bool whole = false;
  std::string lost;
};

std::string PaneText(HWND main, int pane) {
  HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
  if (!bar) return {};
  const LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, pane, 0) & 0xFFFF;
  if (length == 0) return {};
  // The text lives in PLOXEN's memory; its length is enough to say a loss showed.
  return std::string(static_cast<std::size_t>(length), '?');
}

PloxenResult PloxenRound(const Unix& unix, int lines) {
  PloxenResult result;
  const std::string profile = unix.Windows("follow.ini");
  UseFreshProfile(profile);
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "0", profile.c_str());
  WritePrivateProfileStringA("DATEIEN", "ANZAHL", "1", profile.c_str());
  WritePrivateProfileStringA("DATEIEN", "DATEI1", unix.Windows("follow.log").c_str(), profile.c_str());
  {
    std::ofstream empty(unix.Windows("follow.log"), std::ios::binary | std::ios::trunc);
  }
  PROCESS_INFORMATION ploxen = Launch("\"" + Directory() + "\\PLOXEN.EXE\"");
  const PloxenWindow window = FindPloxen(ploxen.dwProcessId);
  if (!window.list) {
    std::fprintf(stderr, "PLOXEN.EXE showed no window\n");
    ClosePloxen(ploxen, window.main);
    return result;
  }
  Sleep(500);  // the road has looked at the file once
  const double start = Seconds();
  if (unix.Start(Writer(unix, lines) + "\n: > " + unix.base + "write.tmp", "write")) {
    const double deadline = start + 300;
    while (RowCount(window.list) < lines && Seconds() < deadline) Sleep(2);
    const double end = Seconds();
    result.whole = RowCount(window.list) == lines;
    if (result.whole) result.rate = lines / (end - start);
    unix.Wait("write");
    Sleep(300);
    result.whole = result.whole && RowCount(window.list) == lines;
    result.lost = PaneText(window.main, 2);
    if (!result.whole) std::fprintf(stderr, "PLOXEN round: %d rows\n", RowCount(window.list));
  }
  ClosePloxen(ploxen, window.main);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const Unix unix{"/tmp/ploxen_follow_bench_" + std::to_string(GetCurrentProcessId()) + "_"};
  std::vector<double> tails, ploxens, ratios;
  bool whole = true;
  for (int round = 0; round < rounds; ++round) {
    const double tail = TailRound(unix, lines);
    const PloxenResult ploxen = PloxenRound(unix, lines);
    whole = whole && ploxen.whole && ploxen.lost.empty();
    std::printf("round %d: tail -F %.0f lines/s, PLOXEN %.0f lines/s%s%s\n", round + 1, tail, ploxen.rate,
                ploxen.whole ? "" : " (not every line a row)", ploxen.lost.empty() ? "" : " (lost lines shown)");
    if (tail > 0 && ploxen.rate > 0) {
      tails.push_back(tail);
      ploxens.push_back(ploxen.rate);
      ratios.push_back(ploxen.rate / tail);
    }
  }
  const double tail = tails.empty() ? kNotMeasured : Median(tails);
  const double ploxen = ploxens.empty() || !whole ? kNotMeasured : Median(ploxens);
  std::printf("%d lines, %d rounds: median ratio %.3f\n", lines, rounds, ratios.empty() ? 0.0 : Median(ratios));
  ReportFigure("follow", "tail -F into /dev/null", tail, "lines/s");
  const bool met = ReportFigure("follow", "PLOXEN following a file", ploxen, "lines/s", tail, Goal::RatioAtLeast(0.5));
  std::string cleanup = "rm -f " + unix.base + "*";
  if (std::getenv("PLOXEN_BENCH_KEEP")) cleanup = "true";
  PROCESS_INFORMATION info = Launch("/bin/sh -c \"" + cleanup + "\"");
  Release(info);
  return met ? 0 : 1;
}

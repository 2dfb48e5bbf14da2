// The copy-data flood into the real PLOXEN.EXE with the row limit that drops
// the oldest rows (MAXCOUNT=1000, GRENZE=1), against the same flood with no
// limit, in alternating rounds of one run. A round is timed from the first
// line sent until the list shows the last one.
//   ploxen_row_limit_flood_bench [lines] [rounds]
#include <cstdlib>
#include <vector>

#include "bench/flood/flood_rounds.h"

namespace {

using namespace ploxen::bench;

constexpr char kFigure[] = "lines/s shown, drops at 1000 rows (baseline: no limit)";
constexpr double kGoalRatio = 0.95;

// The message of the list's last row, read as another program reads it.
std::string LastMessage(HWND list) {
  const int count = RowCount(list);
  if (count <= 0) return {};
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return {};
  constexpr SIZE_T kTextSize = 512;
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextSize, MEM_COMMIT,
                                                    PAGE_READWRITE));
  std::string text;
  if (remote) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = 2;
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = static_cast<int>(kTextSize);
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &item, sizeof item, &moved);
    const LRESULT length = SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(count - 1),
                                        reinterpret_cast<LPARAM>(remote));
    std::vector<char> buffer(kTextSize + 1, '\0');
    ReadProcessMemory(process, remote + sizeof(LVITEMA), buffer.data(), kTextSize, &moved);
    if (length > 0) text.assign(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(length), kTextSize));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

double LimitRound(int lines, const std::string& profile) {
  UseFreshProfile(profile);
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "1000", profile.c_str());
  WritePrivateProfileStringA("ALLGEMEIN", "GRENZE", "1", profile.c_str());
  PROCESS_INFORMATION ploxen = Launch("\"" + Directory() + "\\PLOXEN.EXE\"");
  if (!ploxen.hProcess) return 0;
  const PloxenWindow window = FindPloxen(ploxen.dwProcessId);
  double rate = 0;
  if (window.list) {
    const std::string last = " " + std::to_string(lines);
    const auto done = [&] {
      const std::string text = LastMessage(window.list);
      return text.size() >= last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0;
    };
    const double start = Seconds();
    PROCESS_INFORMATION sender = Launch(SenderLine("-pid " + std::to_string(ploxen.dwProcessId), lines));
    const bool sent = sender.hProcess && SenderSucceeded(sender);
    const double sentAt = Seconds();
    const double deadline = sentAt + 120;
    while (sent && !done() && Seconds() < deadline) Sleep(2);
    if (sent && done() && RowCount(window.list) <= 1000) rate = lines / (Seconds() - start);
    std::printf("  drops at 1000 rows: sent in %.2f s, the last row shown %.2f s later\n", sentAt - start,
                Seconds() - sentAt);
  }
  ClosePloxen(ploxen, window.main);
  DeleteFileA(profile.c_str());
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string profile = std::string(temp) + "ploxen_row_limit_flood_bench.ini";
  std::vector<double> none, limit, ratios;
  for (int r = 0; r < rounds; ++r) {
    none.push_back(PloxenRound(lines, profile));
    limit.push_back(LimitRound(lines, profile));
    if (none.back() > 0) ratios.push_back(limit.back() / none.back());
    std::printf("round %d: no limit %.0f lines/s, drops at 1000 rows %.0f lines/s\n", r + 1, none.back(),
                limit.back());
    std::fflush(stdout);
  }
  const double baseline = Median(none);
  const double limited = Median(limit);
  if (baseline <= 0 || limited <= 0) {
    std::printf("flood of %d lines: a round failed (a rate of 0 above)\n", lines);
    ReportFigure("row limit flood", kFigure, kNotMeasured, "lines/s", kNotMeasured, Goal::RatioAtLeast(kGoalRatio));
    return 1;
  }
  std::printf("flood of %d lines, median of %d rounds:\n", lines, rounds);
  std::printf("  no limit (baseline)       %8.0f lines/s\n", baseline);
  std::printf("  drops at 1000 rows        %8.0f lines/s\n", limited);
  std::printf("  ratio of the medians %.2f, median of the rounds' ratios %.2f (goal: at least %.2f)\n",
              limited / baseline, Median(ratios), kGoalRatio);
  ReportFigure("row limit flood", kFigure, limited, "lines/s", baseline, Goal::RatioAtLeast(kGoalRatio));
  return 0;
}

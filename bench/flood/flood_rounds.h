// One round of the copy-data flood: tools/ploxen_send floods a PLOXEN.EXE of
// its own, timed until every line is shown in its list. Shared by the flood
// benchmark and the forwarding benchmark.
#pragma once

#include <functional>
#include <string>

#include "bench/figure_line.h"
#include "bench/ploxen_launch.h"

namespace ploxen::bench {

inline bool SenderSucceeded(PROCESS_INFORMATION& sender) {
  DWORD code = 1;
  WaitForSingleObject(sender.hProcess, INFINITE);
  GetExitCodeProcess(sender.hProcess, &code);
  Release(sender);
  return code == 0;
}

// Lines "Zeile der Flut ... 1" to "... lines".
inline std::string SenderLine(const std::string& target, int lines) {
  return "\"" + Directory() + "\\ploxen_send.exe\" " + target + " -kind 0x303 -count " + std::to_string(lines) +
         " Zeile der Flut mit etwas Text wie ihn ein Programm schreibt";
}

// Lines per second from the first line sent until the list shows the last;
// 0 when a step failed. setUp writes into the fresh profile before the start;
// shown runs once every line is shown, before PLOXEN.EXE is closed, with
// the time the first line was sent.
inline double PloxenRound(int lines, const std::string& profile,
                          const std::function<void(const std::string&)>& setUp = {},
                          const std::function<void(double)>& shown = {}) {
  UseFreshProfile(profile);
  WritePrivateProfileStringA("LISTBOX", "MAXCOUNT", "0", profile.c_str());
  if (setUp) setUp(profile);
  PROCESS_INFORMATION ploxen = Launch("\"" + Directory() + "\\PLOXEN.EXE\"");
  if (!ploxen.hProcess) return 0;
  const PloxenWindow window = FindPloxen(ploxen.dwProcessId);
  double rate = 0;
  if (window.list) {
    const double start = Seconds();
    PROCESS_INFORMATION sender = Launch(SenderLine("-pid " + std::to_string(ploxen.dwProcessId), lines));
    bool sent = sender.hProcess && SenderSucceeded(sender);
    const double deadline = Seconds() + 120;
    while (sent && RowCount(window.list) < lines && Seconds() < deadline) Sleep(2);
    if (sent && RowCount(window.list) == lines) {
      rate = lines / (Seconds() - start);
      if (shown) shown(start);
    }
  }
  ClosePloxen(ploxen, window.main);
  DeleteFileA(profile.c_str());
  return rate;
}

}  // namespace ploxen::bench

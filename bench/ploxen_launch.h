// What the benchmarks that run the real PLOXEN.EXE under Wine share: starting
// programs beside the benchmark, finding PLOXEN's list, a clock, the median.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace ploxen::bench {

constexpr char kPloxenTitle[] = "PLOXEN - Meldungssystem";
constexpr int kListControlId = 1000;

inline std::string Directory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/"));
}

inline double Seconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline PROCESS_INFORMATION Launch(const std::string& commandLine, DWORD flags = 0) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info))
    std::fprintf(stderr, "cannot start %s\n", commandLine.c_str());
  return info;
}

inline void Release(PROCESS_INFORMATION& info) {
  if (info.hThread) CloseHandle(info.hThread);
  if (info.hProcess) CloseHandle(info.hProcess);
  info = {};
}

// A fresh profile for the PLOXEN.EXE started next: no first-run notice.
inline void UseFreshProfile(const std::string& profile) {
  DeleteFileA(profile.c_str());
  WritePrivateProfileStringA("ALLGEMEIN", "ERSTER_AUFRUF", "0", profile.c_str());
  SetEnvironmentVariableA("PLOXEN_INI", profile.c_str());
}

struct PloxenWindow {
  HWND main = nullptr;
  HWND list = nullptr;
};

// The visible main window of that process and its list, which exists only
// after the window shows; empty after a minute.
inline PloxenWindow FindPloxen(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
  } search{processId, nullptr};
  PloxenWindow window;
  for (int i = 0; i < 1200 && !window.list; ++i) {
    if (!window.main) {
      EnumWindows(
          [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char title[64] = {};
            GetWindowTextA(hwnd, title, sizeof title);
            if (owner != s->processId || !IsWindowVisible(hwnd) || std::string(title) != kPloxenTitle) return TRUE;
            s->found = hwnd;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&search));
      window.main = search.found;
    }
    if (window.main) window.list = GetDlgItem(window.main, kListControlId);
    if (!window.list) Sleep(50);
  }
  return window;
}

inline int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

inline void ClosePloxen(PROCESS_INFORMATION& ploxen, HWND main) {
  if (main) PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(ploxen.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(ploxen.hProcess, 1);
  Release(ploxen);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace ploxen::bench

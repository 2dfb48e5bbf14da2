// Sends lines to a running PLOXEN by copy-data, from a batch file or a test:
//   ploxen_send [-dbwin32] [-kind N] [-count N] [-pid N] [-title T] [-stdin] text...
// Without -dbwin32 the line goes to the main window with the kind (default
// 0x303); with it, to the hidden "DBWin32" window, which takes text only.
// -count N sends the text N times, numbered; -stdin sends each input line;
// -pid N picks the PLOXEN of that process when several run; -title T sends
// to another receiver, a window with that title. Arguments are taken as
// Unicode and sent as UTF-8; -stdin sends each line's bytes as they come.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/utf8_arguments.h"

namespace {

constexpr char kMainTitle[] = "PLOXEN - Meldungssystem";
constexpr char kDbWin32[] = "DBWin32";

int Usage() {
  std::fprintf(stderr,
               "usage: ploxen_send [-dbwin32] [-kind N] [-count N] [-pid N] [-title T] [-stdin] text...\n");
  return 2;
}

struct Target {
  const char* className;  // null: any class
  std::wstring title;
  DWORD processId;        // 0: any process
  HWND found;
};

BOOL CALLBACK MatchTarget(HWND window, LPARAM param) {
  auto* target = reinterpret_cast<Target*>(param);
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  if (target->title != text) return TRUE;
  if (target->className) {
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, target->className) != 0) return TRUE;
  }
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (target->processId != 0 && owner != target->processId) return TRUE;
  target->found = window;
  return FALSE;
}

HWND FindReceiver(bool dbwin32, const char* title, DWORD processId) {
  Target target{dbwin32 ? kDbWin32 : nullptr, ploxen::WideOf(dbwin32 ? kDbWin32 : title), processId, nullptr};
  EnumWindows(MatchTarget, reinterpret_cast<LPARAM>(&target));
  return target.found;
}

bool Send(HWND target, ULONG_PTR kind, const std::string& text) {
  COPYDATASTRUCT data{};
  data.dwData = kind;
  data.cbData = static_cast<DWORD>(text.size() + 1);
  data.lpData = const_cast<char*>(text.c_str());
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_BLOCK, 10000,
                             &result) != 0;
}

}  // namespace

namespace {

int Run(int argc, char** argv) {
  bool dbwin32 = false;
  bool fromStdin = false;
  ULONG_PTR kind = 0x303;
  long count = 1;
  DWORD processId = 0;
  const char* title = kMainTitle;
  std::string text;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-dbwin32") {
      dbwin32 = true;
    } else if (arg == "-kind" && i + 1 < argc) {
      kind = static_cast<ULONG_PTR>(std::strtoul(argv[++i], nullptr, 0));
    } else if (arg == "-count" && i + 1 < argc) {
      count = std::strtol(argv[++i], nullptr, 0);
    } else if (arg == "-pid" && i + 1 < argc) {
      processId = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 0));
    } else if (arg == "-title" && i + 1 < argc) {
      title = argv[++i];
    } else if (arg == "-stdin") {
      fromStdin = true;
    } else {
      if (!text.empty()) text += ' ';
      text += arg;
    }
  }
  if (text.empty() && !fromStdin) return Usage();

  HWND target = FindReceiver(dbwin32, title, processId);
  if (!target) {
    std::fprintf(stderr, "ploxen_send: no window \"%s\" found: is PLOXEN running%s?\n",
                 dbwin32 ? kDbWin32 : title, dbwin32 ? " with DBWin32 switched on" : "");
    return 1;
  }
  if (fromStdin) {
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
      std::string s(line);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      if (!Send(target, kind, s)) {
        std::fprintf(stderr, "ploxen_send: the receiver did not answer\n");
        return 1;
      }
    }
    return 0;
  }
  for (long n = 0; n < count; ++n) {
    const std::string line = count > 1 ? text + " " + std::to_string(n + 1) : text;
    if (!Send(target, kind, line)) {
      std::fprintf(stderr, "ploxen_send: the receiver did not answer\n");
      return 1;
    }
  }
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  ploxen::Utf8Arguments arguments(argc, argv);
  return Run(arguments.Count(), arguments.Values());
}

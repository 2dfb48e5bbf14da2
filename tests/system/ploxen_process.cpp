#include "tests/system/ploxen_process.h"

#include <tlhelp32.h>

#include <vector>

namespace ploxen::system_test {

std::string ProgramDirectory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  const auto slash = dir.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

PloxenProcess::~PloxenProcess() { Release(); }

void PloxenProcess::Release() {
  if (info_.hProcess) {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
  }
  if (info_.hThread) CloseHandle(info_.hThread);
  info_ = {};
  exitCode_ = STILL_ACTIVE;
}

bool PloxenProcess::Start(const std::string& arguments) {
  Release();
  const std::string exe = ProgramDirectory() + "\\PLOXEN.EXE";
  std::string commandLine = "\"" + exe + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_) != FALSE;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

namespace {
struct Search {
  DWORD processId;
  const std::function<bool(HWND)>* match;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && (*search->match)(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& match) {
  Search search{processId, &match, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND PloxenProcess::WaitForWindow(const char* title, DWORD timeoutMs) const {
  const DWORD start = GetTickCount();
  do {
    HWND found = FindProcessWindow(info_.dwProcessId, [title](HWND window) {
      return IsWindowVisible(window) && WindowText(window) == title;
    });
    if (found) return found;
    if (WaitForSingleObject(info_.hProcess, 100) == WAIT_OBJECT_0) return nullptr;
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool PloxenProcess::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(info_.hProcess, &exitCode_);
  return true;
}

ToolRun RunTool(const std::string& program, const std::string& arguments) {
  ToolRun run;
  ToolProcess tool;
  if (!tool.Start("\"" + ProgramDirectory() + "\\" + program + "\" " + arguments)) return run;
  run.exitCode = tool.Wait(30000);
  run.errors = tool.Output();
  return run;
}

ToolProcess::~ToolProcess() {
  if (info_.hProcess) {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  if (readEnd_) CloseHandle(readEnd_);
}

bool ToolProcess::Start(const std::string& commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd_, &writeEnd, &inherit, 0)) return false;
  SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &info_) != FALSE;
  CloseHandle(writeEnd);
  return started;
}

DWORD ToolProcess::Wait(DWORD timeoutMs) {
  // Read while it runs, but do not wait for the pipe's end: a console host
  // that Wine starts for the program may hold the pipe open after it exited.
  const DWORD start = GetTickCount();
  for (bool ended = false; !ended && GetTickCount() - start < timeoutMs;) {
    ended = WaitForSingleObject(info_.hProcess, 20) == WAIT_OBJECT_0;
    DWORD available = 0;
    while (PeekNamedPipe(readEnd_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      char buffer[512];
      DWORD got = 0;
      if (!ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
      output_.append(buffer, got);
    }
  }
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

DWORD ChildProcessOf(DWORD parent, const char* fileName, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
      if (entry.th32ParentProcessID == parent && (!fileName || lstrcmpiA(entry.szExeFile, fileName) == 0))
        child = entry.th32ProcessID;
    CloseHandle(snapshot);
    if (child || GetTickCount() - start >= timeoutMs) return child;
    Sleep(50);
  }
}

}  // namespace ploxen::system_test

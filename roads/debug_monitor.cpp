#include "roads/debug_monitor.h"

#include <psapi.h>

#include <cstdint>
#include <vector>

#include "core/text.h"

namespace ploxen {

namespace {

// The worker looks at its stop request this often while the child is quiet;
// waiting without end would leave no way to detach when the window closes.
constexpr DWORD kWaitSliceMs = 100;
constexpr DWORD kModuleNameMax = 1024;

std::int64_t HandleValue(HANDLE handle) { return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle)); }
std::uint64_t AddressValue(const void* address) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address));
}

// "\\?\C:\dir\x.dll" → "C:\dir\x.dll", "\\?\UNC\host\share\x" → "\\host\share\x".
std::string DosPath(std::string path) {
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + path.substr(7);
  if (path.compare(0, 4, "\\\\?\\") == 0) return path.substr(4);
  return path;
}

}  // namespace

bool DebugMonitor::Start(const std::string& commandLine) {
  if (thread_) return false;
  commandLine_ = commandLine;
  stop_ = false;
  thread_ = CreateThread(nullptr, 0, DebugMonitorThread, this, 0, nullptr);
  return thread_ != nullptr;
}

// The worker hands lines to the intake, which may go only once the worker has
// ended. With the queue closed nothing holds the worker up: it sees the
// request within one wait slice.
void DebugMonitor::Stop() {
  if (!thread_) return;
  stop_ = true;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI DebugMonitor::DebugMonitorThread(void* self) { return static_cast<DebugMonitor*>(self)->Run(); }

unsigned DebugMonitor::Run() {
  moduleNameService_ = nullptr;
  processes_.clear();
  if (HMODULE psapi = LoadLibraryA("PSAPI.DLL"))
    moduleNameService_ = reinterpret_cast<ModuleNameService>(
        reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExW")));
  // Only a debugger that waits with the Ex form gets OutputDebugStringW's
  // text as UTF-16 (Windows 10 and later); the plain form gets it narrowed
  // to the child's ANSI code page.
  wait_ = WaitForDebugEvent;
  if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
    if (FARPROC ex = GetProcAddress(kernel, "WaitForDebugEventEx"))
      wait_ = reinterpret_cast<WaitService>(reinterpret_cast<void*>(ex));

  std::vector<char> line(commandLine_.begin(), commandLine_.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DEBUG_PROCESS | NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &child_))
    return 0;
  CloseHandle(child_.hThread);
  child_.hThread = nullptr;
  // However the worker ends, what it still debugs is detached, not killed:
  // the explicit detach below covers only the processes it knows of.
  DebugSetProcessKillOnExit(FALSE);

  // Not the exit code: a child may end with 259, which reads as still running.
  bool childEnded = false;
  while (!childEnded && !stop_) {
    DEBUG_EVENT event{};
    if (!wait_(&event, kWaitSliceMs)) {
      const DWORD error = GetLastError();
      if (error == ERROR_SEM_TIMEOUT || error == WAIT_TIMEOUT) continue;
      break;
    }
    const DWORD status = HandleEvent(event);
    childEnded = event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT && event.dwProcessId == child_.dwProcessId;
    if (!ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status)) break;
  }
  DetachAll(childEnded);
  CloseHandle(child_.hProcess);
  child_ = {};
  return 0;
}

// Processes still debugged when the loop ends (the window closed, or the
// child's own children outlive it) run on as if never watched. Before its
// create-process event the child is known only by the id CreateProcess gave.
void DebugMonitor::DetachAll(bool childEnded) {
  if (!childEnded && processes_.count(child_.dwProcessId) == 0) DebugActiveProcessStop(child_.dwProcessId);
  for (const auto& entry : processes_) DebugActiveProcessStop(entry.first);
  processes_.clear();
}

DWORD DebugMonitor::HandleEvent(const DEBUG_EVENT& event) {
  switch (event.dwDebugEventCode) {
    case EXCEPTION_DEBUG_EVENT: {
      const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
      if (event.u.Exception.dwFirstChance)
        Hand(kCategoryException, ExceptionLine(record.ExceptionCode, AddressValue(record.ExceptionAddress)));
      // The child's own handlers get every other exception; one it does not
      // handle ends it instead of being raised again and again.
      return ContinuationOf(record.ExceptionCode) == ExceptionContinuation::kHandled ? DBG_CONTINUE
                                                                                      : DBG_EXCEPTION_NOT_HANDLED;
    }
    case CREATE_THREAD_DEBUG_EVENT:
      Hand(kCategoryThread, ThreadCreatedLine(HandleValue(event.u.CreateThread.hThread)));
      break;
    case CREATE_PROCESS_DEBUG_EVENT: {
      const CREATE_PROCESS_DEBUG_INFO& info = event.u.CreateProcessInfo;
      processes_[event.dwProcessId] = info.hProcess;
      Hand(kCategoryProcess, ProcessCreatedLine(GetChildModuleName(info.lpBaseOfImage, info.hFile, info.hProcess),
                                                HandleValue(info.hProcess)));
      if (info.hFile) CloseHandle(info.hFile);
      break;
    }
    case EXIT_THREAD_DEBUG_EVENT:
      Hand(kCategoryThread, ThreadEndedLine(event.u.ExitThread.dwExitCode));
      break;
    case EXIT_PROCESS_DEBUG_EVENT:
      // The platform closes that process's handles when the event is continued.
      processes_.erase(event.dwProcessId);
      Hand(kCategoryProcess, ProcessEndedLine(event.u.ExitProcess.dwExitCode));
      break;
    case LOAD_DLL_DEBUG_EVENT: {
      const LOAD_DLL_DEBUG_INFO& info = event.u.LoadDll;
      const auto process = processes_.find(event.dwProcessId);
      const HANDLE handle = process != processes_.end() ? process->second : child_.hProcess;
      Hand(kCategoryDll, DllLoadedLine(GetChildModuleName(info.lpBaseOfDll, info.hFile, handle),
                                       AddressValue(info.lpBaseOfDll)));
      if (info.hFile) CloseHandle(info.hFile);
      break;
    }
    case UNLOAD_DLL_DEBUG_EVENT:
      Hand(kCategoryDll, DllUnloadedLine(AddressValue(event.u.UnloadDll.lpBaseOfDll)));
      break;
    case OUTPUT_DEBUG_STRING_EVENT:
      OnDebugString(event);
      break;
    default:
      break;
  }
  return DBG_CONTINUE;
}

// A piece is read from the process that wrote it, so the child's own
// children are read correctly too.
void DebugMonitor::OnDebugString(const DEBUG_EVENT& event) {
  const OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
  const auto process = processes_.find(event.dwProcessId);
  const HANDLE handle = process != processes_.end() ? process->second : child_.hProcess;
  SIZE_T read = 0;
  if (info.fUnicode) {
    const std::size_t units = DebugStringReadUnits(info.nDebugStringLength);
    const std::size_t size = units * sizeof(char16_t);
    if (units == 0 || !ReadProcessMemory(handle, info.lpDebugStringData, workArea_.units, size, &read) ||
        read != size)
      return;
    if (auto text = accumulator_.AddWide(workArea_.units, units, units < info.nDebugStringLength)) Hand(kCategoryTrace, *text);
    return;
  }
  const std::size_t size = DebugStringReadSize(info.nDebugStringLength);
  if (size == 0 || !ReadProcessMemory(handle, info.lpDebugStringData, workArea_.bytes, size, &read) || read != size)
    return;
  if (auto text = accumulator_.Add(workArea_.bytes, size, size < info.nDebugStringLength))
    Hand(kCategoryTrace, *text);
}

// At the create-process and DLL-load events the loader may not have listed
// the module yet, so the module-name service often has no answer (always on
// Wine); the event's own file handle names it.
std::string DebugMonitor::GetChildModuleName(void* base, HANDLE imageFile, HANDLE process) const {
  wchar_t name[kModuleNameMax + 1] = {};
  const auto utf8 = [&name](DWORD n) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name), n));
  };
  if (imageFile) {
    const DWORD n = GetFinalPathNameByHandleW(imageFile, name, kModuleNameMax, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n > 0 && n < kModuleNameMax) return DosPath(utf8(n));
  }
  if (moduleNameService_ && process) {
    const DWORD n = moduleNameService_(process, static_cast<HMODULE>(base), name, kModuleNameMax);
    if (n > 0 && n <= kModuleNameMax) return utf8(n);
  }
  return {};
}

}  // namespace ploxen

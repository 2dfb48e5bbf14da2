// Runs the program named on the command line under the debugging interface,
// on a worker thread of its own, and turns its debug events into text lines
// for the intake's queue.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "core/intake.h"
#include "core/message_kind.h"
#include "sources/debug_events.h"

namespace ploxen {

class DebugMonitor {
 public:
  // Each line is queued on the worker, and the child stays stopped until it
  // is: while the queue is full, the child waits.
  explicit DebugMonitor(MessageIntake& intake) : intake_(intake) {}
  DebugMonitor(const DebugMonitor&) = delete;
  DebugMonitor& operator=(const DebugMonitor&) = delete;
  ~DebugMonitor() { Stop(); }

  // Starts the worker for this command line. Once per object: a second call,
  // like a failed start of the child, does nothing.
  bool Start(const std::string& commandLine);
  // Lets every debugged program run on unmonitored and waits for the worker
  // to end, however long that takes. The intake's queue must no longer hold
  // the worker up: it is closed first.
  void Stop();
  bool Started() const { return thread_ != nullptr; }

 private:
  using ModuleNameService = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
  using WaitService = BOOL(WINAPI*)(LPDEBUG_EVENT, DWORD);

  static DWORD WINAPI DebugMonitorThread(void* self);
  unsigned Run();
  DWORD HandleEvent(const DEBUG_EVENT& event);
  void OnDebugString(const DEBUG_EVENT& event);
  std::string GetChildModuleName(void* base, HANDLE imageFile, HANDLE process) const;
  void DetachAll(bool childEnded);
  void Hand(MessageKind kind, const std::string& line) { intake_.Queue(kind, line.c_str(), kSourceSystem); }

  MessageIntake& intake_;
  std::string commandLine_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};

  // Worker's own state.
  PROCESS_INFORMATION child_{};
  std::map<DWORD, HANDLE> processes_;  // every debugged process still running, by id
  ModuleNameService moduleNameService_ = nullptr;
  WaitService wait_ = nullptr;
  DebugStringAccumulator accumulator_;
  union {
    char bytes[kDebugWorkArea];
    char16_t units[kDebugWorkArea / 2];
  } workArea_ = {};
};

}  // namespace ploxen

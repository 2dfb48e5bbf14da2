// Starts the real PLOXEN.EXE for a system test and finds its main window,
// as a user would see it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ploxen::system_test {

class PloxenProcess {
 public:
  PloxenProcess() = default;
  ~PloxenProcess();
  PloxenProcess(const PloxenProcess&) = delete;
  PloxenProcess& operator=(const PloxenProcess&) = delete;

  // PLOXEN.EXE beside the test program, with the given command line
  // arguments. A process started before is ended first.
  bool Start(const std::string& arguments = "");
  // The top-level window of this process with that title, or null after the timeout.
  HWND WaitForWindow(const char* title, DWORD timeoutMs = 30000) const;
  // True when the process ended within the timeout; its exit code is kept.
  bool WaitForExit(DWORD timeoutMs = 15000);
  DWORD ExitCode() const { return exitCode_; }
  DWORD Id() const { return info_.dwProcessId; }

 private:
  void Release();

  PROCESS_INFORMATION info_{};
  DWORD exitCode_ = STILL_ACTIVE;
};

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The first top-level window of the process that match accepts, or null.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& match);
std::string ProgramDirectory();

struct ToolRun {
  DWORD exitCode = STILL_ACTIVE;
  std::string errors;  // standard output and error
};
// Runs a program beside the test and waits for it to end.
ToolRun RunTool(const std::string& program, const std::string& arguments);

// A program the test runs, with its standard output and error collected.
class ToolProcess {
 public:
  ToolProcess() = default;
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;
  ~ToolProcess();  // ends it when it still runs

  bool Start(const std::string& commandLine);
  // Collects its output until it ended or the timeout passed: the exit code,
  // or STILL_ACTIVE.
  DWORD Wait(DWORD timeoutMs);
  DWORD Id() const { return info_.dwProcessId; }
  const std::string& Output() const { return output_; }

 private:
  PROCESS_INFORMATION info_{};
  HANDLE readEnd_ = nullptr;
  std::string output_;
};
// A process that the parent started (with that file name, when one is
// given), or 0 after the timeout.
DWORD ChildProcessOf(DWORD parent, const char* fileName = nullptr, DWORD timeoutMs = 30000);

}  // namespace ploxen::system_test

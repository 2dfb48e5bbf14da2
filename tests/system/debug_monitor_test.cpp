// A program named on the command line runs under the debug monitor: what it
// does shows up as rows behind their switches, and neither a misbehaving
// child nor closing PLOXEN early hurts either side.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

constexpr char kChildFile[] = "ploxen_debug_child.exe";
std::string ChildPath() { return ProgramDirectory() + "\\" + kChildFile; }
// The same program built for 32 bits, with its own ploxen_debug_dll32.dll.
std::string Child32Path() { return ProgramDirectory() + "\\ploxen_debug_child32.exe"; }

// Some machines cannot run 32-bit programs at all (a kernel without 32-bit
// support gives Wine's 32-bit loader "Exec format error"): started without
// the monitor, the child does not even run there.
bool Runs32BitPrograms() {
  std::string command = "\"" + Child32Path() + "\" exit:7";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  DWORD code = 0;
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  GetExitCodeProcess(process.hProcess, &code);
  if (!ended) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended && code == 7;
}

// The monitored child, found as the process PLOXEN started, and by its name:
// Wine soon gives a process id again, and a process left running (Wine's own
// explorer.exe, say) may name a parent that had PLOXEN's id before.
HANDLE OpenChildOf(DWORD parent, DWORD timeoutMs, const char* fileName = kChildFile) {
  const DWORD child = ChildProcessOf(parent, fileName, timeoutMs);
  return child ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child) : nullptr;
}

// The same, looked for without a pause: a child is opened within a
// millisecond or so of the platform listing it.
HANDLE OpenChildAtOnce(DWORD parent, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
      if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, kChildFile) == 0)
        child = entry.th32ProcessID;
    CloseHandle(snapshot);
    if (child) return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, child);
    Sleep(1);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

// The exit code of a child once it ended by itself within the timeout (the
// handle is closed); STILL_ACTIVE when it did not end.
DWORD EndOf(HANDLE child, DWORD timeoutMs) {
  const bool ended = WaitForSingleObject(child, timeoutMs) == WAIT_OBJECT_0;
  DWORD code = STILL_ACTIVE;
  if (ended) GetExitCodeProcess(child, &code);
  CloseHandle(child);
  return code;
}

class DebugMonitorTest : public PloxenTest {
 protected:
  // PLOXEN watching the child with the arguments (none: no child at all).
  // switches: B_TRACE, B_DLL, B_EXCEPTION, B_THREAD, B_PROCESS.
  void Watch(const char* name, const std::string& childArguments, const char* switches = "11111") {
    WatchProgram(name, ChildPath(), childArguments, switches);
  }
  void WatchProgram(const char* name, const std::string& child, const std::string& childArguments,
                    const char* switches = "11111") {
    StartWith(name, childArguments.empty() ? "" : "\"" + child + "\" " + childArguments, [&](TestProfile& p) {
      const char* keys[] = {"B_TRACE", "B_DLL", "B_EXCEPTION", "B_THREAD", "B_PROCESS"};
      for (int i = 0; i < 5; ++i) p.Write("LISTBOX", keys[i], std::string(1, switches[i]));
    });
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> rows;
    const int count = ListRowCount(main_);
    for (int i = 0; i < count; ++i) rows.push_back(ListRowText(main_, i, 2));
    return rows;
  }
  // Waits for a row with that text; the rows so far either way.
  std::vector<std::string> WaitForMessage(const std::string& text, DWORD timeoutMs = 30000) const {
    const DWORD start = GetTickCount();
    for (;;) {
      std::vector<std::string> rows = Messages();
      if (std::find(rows.begin(), rows.end(), text) != rows.end() || GetTickCount() - start > timeoutMs) return rows;
      Sleep(100);
    }
  }
};

std::size_t CountStartingWith(const std::vector<std::string>& rows, const std::string& start) {
  return static_cast<std::size_t>(std::count_if(
      rows.begin(), rows.end(), [&](const std::string& row) { return row.compare(0, start.size(), start) == 0; }));
}

TEST_F(DebugMonitorTest, EveryEventOfTheChildBecomesARow) {
  Watch("debug_all", "abcdef long ab nonul unreadable thread dll av throw partial child:exit:3 crash");
  const auto rows = WaitForMessage("Prozess mit Exitcode -1073741819 beendet.");
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back(), "Prozess mit Exitcode -1073741819 beendet.");
  const std::string created = "Prozess '" + ChildPath() + "' mit Handle ";
  EXPECT_EQ(rows.front().substr(0, created.size()), created) << rows.front();
  EXPECT_EQ(CountStartingWith(rows, created), 2u);  // the child and its own child
  EXPECT_EQ(CountStartingWith(rows, "Exception BREAKPOINT (Code=0x80000003) aufgetreten (Adresse=0x"), 2u);

  auto has = [&](const std::string& text) { return std::find(rows.begin(), rows.end(), text) != rows.end(); };
  EXPECT_TRUE(has("abcdef"));
  EXPECT_TRUE(has(std::string(492, 'x') + " Z"));  // the first 512 bytes only
  EXPECT_TRUE(has("a b"));
  EXPECT_TRUE(has("ohne Null"));
  EXPECT_EQ(CountStartingWith(rows, "unfertig"), 0u);
  EXPECT_GE(CountStartingWith(rows, "Thread mit Handle "), 1u);
  EXPECT_TRUE(has("Thread mit Exitcode 7 beendet."));
  EXPECT_TRUE(has("Prozess mit Exitcode 3 beendet."));

  const std::string loaded = ProgramDirectory() + "\\ploxen_debug_dll.dll wurde geladen an Adresse 0x";
  const auto dll = std::find_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.rfind(loaded, 0) == 0; });
  ASSERT_NE(dll, rows.end());
  const std::string base = dll->substr(loaded.size(), dll->size() - loaded.size() - 1);
  EXPECT_TRUE(has("DLL von Adresse: 0x" + base + " wurde entladen.")) << base;

  // The handled one and the crash's first chance; its second chance says nothing.
  EXPECT_EQ(CountStartingWith(rows, "Exception ACCESS_VIOLATION (Code=0xc0000005) aufgetreten (Adresse=0x"), 2u);
  EXPECT_EQ(CountStartingWith(rows, "Exception aufgetreten (Code=0xe06d7363, Adresse=0x"), 1u);
  Close();
}

TEST_F(DebugMonitorTest, WithEverySwitchOffTheChildRunsToItsEndUnseen) {
  Watch("debug_off", "sleep:1500 abcdef thread dll av exit:5", "00000");
  HANDLE child = OpenChildOf(ploxen_.Id(), 15000);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(EndOf(child, 30000), 5u);
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(ListRowCount(main_), 0);
  Close();
}

TEST_F(DebugMonitorTest, NoCommandLineStartsNoChild) {
  Watch("debug_none", "");
  Sleep(2500);  // well past the start of the monitor
  ASSERT_TRUE(Responsive(main_));
  EXPECT_EQ(OpenChildOf(ploxen_.Id(), 0), nullptr);
  EXPECT_EQ(ListRowCount(main_), 0);
  Close();
}

TEST_F(DebugMonitorTest, ClosingPloxenLeavesTheChildRunning) {
  Watch("debug_close", "abcdef sleep:3000 exit:9");
  ASSERT_FALSE(WaitForMessage("abcdef").empty());
  HANDLE child = OpenChildOf(ploxen_.Id(), 5000);
  ASSERT_NE(child, nullptr);
  Close();
  EXPECT_EQ(WaitForSingleObject(child, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(EndOf(child, 30000), 9u);  // its own end, not killed with the monitor
}

// PLOXEN closes right behind the start of its monitor, before the platform
// reported the child to it: the monitor knows the child only by its id. The
// monitor's start timer (2) is posted so that the close follows it at once,
// not at some moment a second later. The window is hidden first: Wine
// without a window manager waits two seconds for a shown window to be
// withdrawn before it destroys it, long enough for the child's first events.
TEST_F(DebugMonitorTest, ClosingPloxenAsTheChildStartsLeavesTheChildRunning) {
  Watch("debug_close_early", "sleep:1000 exit:11");
  ShowWindowAsync(main_, SW_HIDE);
  PostMessageA(main_, WM_TIMER, 2, 0);
  PostMessageA(main_, WM_CLOSE, 0, 0);
  // A child killed with the monitor is gone a moment later: looked for at once.
  HANDLE child = OpenChildAtOnce(ploxen_.Id(), 15000);
  ASSERT_NE(child, nullptr);
  ExpectExit();
  EXPECT_EQ(EndOf(child, 30000), 11u);  // its own end, not killed with the monitor
}

// A 32-bit child under the 64-bit PLOXEN.EXE: its breakpoints reach a 64-bit
// debugger on Windows under codes of their own, and must not end it.
TEST_F(DebugMonitorTest, A32BitChildIsWatchedAndEndsByItself) {
  if (!Runs32BitPrograms()) GTEST_SKIP() << "this machine runs no 32-bit programs, with or without PLOXEN";
  WatchProgram("debug_32", Child32Path(), "sleep:1500 abcdef dll break exit:42");
  HANDLE child = OpenChildOf(ploxen_.Id(), 15000, "ploxen_debug_child32.exe");
  ASSERT_NE(child, nullptr);
  const auto rows = WaitForMessage("Prozess mit Exitcode 42 beendet.");
  EXPECT_EQ(EndOf(child, 30000), 42u);

  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back(), "Prozess mit Exitcode 42 beendet.");
  const std::string created = "Prozess '" + Child32Path() + "' mit Handle ";
  EXPECT_EQ(rows.front().substr(0, created.size()), created) << rows.front();
  auto at = [&](const std::string& text) { return std::find(rows.begin(), rows.end(), text); };
  EXPECT_NE(at("abcdef"), rows.end());

  const std::string loaded = ProgramDirectory() + "\\ploxen_debug_dll32.dll wurde geladen an Adresse 0x";
  const auto dll =
      std::find_if(rows.begin(), rows.end(), [&](const std::string& r) { return r.rfind(loaded, 0) == 0; });
  ASSERT_NE(dll, rows.end());
  const std::string base = dll->substr(loaded.size(), dll->size() - loaded.size() - 1);
  const auto unloaded = at("DLL von Adresse: 0x" + base + " wurde entladen.");
  ASSERT_NE(unloaded, rows.end()) << base;

  // DebugBreak comes after the DLL. Wine's 32-bit part reports it as any
  // breakpoint; Windows would report the WOW64 code.
  const auto isBreakpoint = [](const std::string& r) {
    return r.rfind("Exception BREAKPOINT (Code=0x80000003) aufgetreten (Adresse=0x", 0) == 0 ||
           r.rfind("Exception WX86_BREAKPOINT (Code=0x4000001f) aufgetreten (Adresse=0x", 0) == 0;
  };
  EXPECT_TRUE(std::any_of(unloaded, rows.end(), isBreakpoint));
  Close();
}

TEST_F(DebugMonitorTest, BurstAndBrokenStringsLoseNoLineThatWasRead) {
  Watch("debug_burst", "burst:3000 unreadable nonul partial", "10000");
  HANDLE child = OpenChildOf(ploxen_.Id(), 15000);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(WaitForSingleObject(child, 60000), WAIT_OBJECT_0);
  CloseHandle(child);
  ASSERT_TRUE(Responsive(main_));
  ASSERT_TRUE(WaitForRows(main_, 3001));
  EXPECT_EQ(ListRowText(main_, 0, 2), "Zeile 1");
  EXPECT_EQ(ListRowText(main_, 2999, 2), "Zeile 3000");
  EXPECT_EQ(ListRowText(main_, 3000, 2), "ohne Null");
  Close();
}

}  // namespace
}  // namespace ploxen::system_test

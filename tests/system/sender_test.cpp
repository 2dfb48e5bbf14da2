// The command-line sender as a developer's batch file uses it.
#include <gtest/gtest.h>

#include <string>

#include "tests/system/ploxen_process.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {
namespace {

struct ToolRun {
  DWORD exitCode = STILL_ACTIVE;
  std::string errors;
};

// Runs ploxen_send beside the test with its standard error in a pipe.
ToolRun RunSender(const std::string& arguments) {
  ToolRun run;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::string commandLine = "\"" + ProgramDirectory() + "\\ploxen_send.exe\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION info{};
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(writeEnd);
    writeEnd = nullptr;
    // Read while it runs, but do not wait for the pipe's end: a console host
    // that Wine starts for the sender may hold the pipe open after it exited.
    const DWORD start = GetTickCount();
    for (bool ended = false; !ended && GetTickCount() - start < 30000;) {
      ended = WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0;
      DWORD available = 0;
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[512];
        DWORD got = 0;
        if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        run.errors.append(buffer, got);
      }
    }
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  if (writeEnd) CloseHandle(writeEnd);
  CloseHandle(readEnd);
  return run;
}

TEST(Sender, DeliversToTheMainWindowAndToDbWin32) {
  TestProfile profile("sender");
  profile.Write("ALLGEMEIN", "ERSTER_AUFRUF", "0");
  profile.Write("ALLGEMEIN", "DBWIN32", "1");
  PloxenProcess ploxen;
  ASSERT_TRUE(ploxen.Start());
  HWND main = ploxen.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr);
  const std::string pid = " -pid " + std::to_string(ploxen.Id());

  ToolRun run = RunSender(pid + " -kind 0x103 -count 3 Zeile");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  run = RunSender(pid + " -dbwin32 vom Listener");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  ASSERT_TRUE(WaitForRows(main, 4));
  EXPECT_EQ(ListRowText(main, 0, 2), "Zeile 1");
  EXPECT_EQ(ListRowText(main, 2, 2), "Zeile 3");
  EXPECT_EQ(ListRowText(main, 3, 0), "PID=????,TID=????");
  EXPECT_EQ(ListRowText(main, 3, 2), "(00000ms)   vom Listener");

  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ploxen.WaitForExit());
}

TEST(Sender, SaysSoWhenThereIsNoReceiver) {
  // Process ids are multiples of four: 3 names no process.
  ToolRun run = RunSender("-pid 3 Hallo");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_NE(run.errors.find("no window \"PLOXEN - Meldungssystem\" found"), std::string::npos) << run.errors;
  run = RunSender("-pid 3 -dbwin32 Hallo");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_NE(run.errors.find("DBWin32"), std::string::npos) << run.errors;
  run = RunSender("");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_NE(run.errors.find("usage"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace ploxen::system_test

// The command-line sender as a developer's batch file uses it.
#include <gtest/gtest.h>

#include <string>

#include "tests/system/ploxen_process.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {
namespace {

ToolRun RunSender(const std::string& arguments) { return RunTool("ploxen_send.exe", arguments); }

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

// The command-line sender as a developer's batch file uses it.
#include <gtest/gtest.h>

#include <string>

#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

ToolRun RunSender(const std::string& arguments) { return RunTool("ploxen_send.exe", arguments); }

using Sender = PloxenTest;

TEST_F(Sender, DeliversToTheMainWindowAndToDbWin32) {
  Start("sender", [](TestProfile& p) { p.Write("ALLGEMEIN", "DBWIN32", "1"); });
  const std::string pid = " -pid " + std::to_string(ploxen_.Id());

  ToolRun run = RunSender(pid + " -kind 0x103 -count 3 Zeile");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  run = RunSender(pid + " -dbwin32 vom Listener");
  EXPECT_EQ(run.exitCode, 0u) << run.errors;
  ASSERT_TRUE(WaitForRows(main_, 4));
  EXPECT_EQ(ListRowText(main_, 0, 2), "Zeile 1");
  EXPECT_EQ(ListRowText(main_, 2, 2), "Zeile 3");
  EXPECT_EQ(ListRowText(main_, 3, 0), "PID=????,TID=????");
  EXPECT_EQ(ListRowText(main_, 3, 2), "(00000ms)   vom Listener");
  Close();
}

TEST_F(Sender, SaysSoWhenThereIsNoReceiver) {
  // Process ids are multiples of four: 3 names no process.
  const struct {
    const char* arguments;
    DWORD exitCode;
    const char* says;
  } cases[] = {
      {"-pid 3 Hallo", 1, "no window \"PLOXEN - Meldungssystem\" found"},
      {"-pid 3 -dbwin32 Hallo", 1, "DBWin32"},
      {"", 2, "usage"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunSender(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
    EXPECT_NE(run.errors.find(c.says), std::string::npos) << c.arguments << ": " << run.errors;
  }
}

}  // namespace
}  // namespace ploxen::system_test

// PLOXEN.EXE comes up with its title and goes when it is closed.
#include <gtest/gtest.h>

#include "tests/system/ploxen_process.h"
#include "tests/system/ploxen_window.h"

namespace ploxen::system_test {
namespace {

TEST(Startup, MainWindowAppearsWithItsTitleAndClosesCleanly) {
  TestProfile profile("startup");
  profile.Write("ALLGEMEIN", "ERSTER_AUFRUF", "0");
  PloxenProcess ploxen;
  ASSERT_TRUE(ploxen.Start()) << "cannot start PLOXEN.EXE, error " << GetLastError();
  HWND main = ploxen.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr) << "no visible window titled \"" << kTitle << "\"";
  EXPECT_EQ(WindowText(main), kTitle);

  RECT r{};
  ASSERT_TRUE(GetWindowRect(main, &r));
  EXPECT_GT(r.right - r.left, 100);
  EXPECT_GT(r.bottom - r.top, 50);

  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ploxen.WaitForExit()) << "PLOXEN.EXE did not end after WM_CLOSE";
  EXPECT_EQ(ploxen.ExitCode(), 0u);
  EXPECT_FALSE(IsWindow(main));
}

}  // namespace
}  // namespace ploxen::system_test

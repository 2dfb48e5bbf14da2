// PLOXEN.EXE comes up with its title and goes when it is closed.
#include "tests/system/ploxen_test.h"

namespace ploxen::system_test {
namespace {

using Startup = PloxenTest;

TEST_F(Startup, MainWindowAppearsWithItsTitleAndClosesCleanly) {
  Start("startup");
  EXPECT_EQ(WindowText(main_), kTitle);

  RECT r{};
  ASSERT_TRUE(GetWindowRect(main_, &r));
  EXPECT_GT(r.right - r.left, 100);
  EXPECT_GT(r.bottom - r.top, 50);

  const HWND main = main_;
  Close();
  EXPECT_FALSE(IsWindow(main));
}

}  // namespace
}  // namespace ploxen::system_test

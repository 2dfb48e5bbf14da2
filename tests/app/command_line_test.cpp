// The registration switch.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace ploxen::test {
namespace {

struct SwitchCase {
  const char* line;
  bool matches;
  const char* rest;
};

class MatchSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(MatchSwitchTest, FindsAndRemovesTheFirstSwitch) {
  std::string line = GetParam().line;
  EXPECT_EQ(MatchSwitch(line, "Reg"), GetParam().matches) << GetParam().line;
  EXPECT_EQ(line, GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MatchSwitchTest,
    ::testing::Values(SwitchCase{"/Reg", true, ""}, SwitchCase{"-Reg", true, ""},
                      SwitchCase{"/REG", false, "/REG"}, SwitchCase{"/reg", false, "/reg"},
                      SwitchCase{"-Registry x", true, "istry x"},
                      SwitchCase{"c:\\tools-Reg\\prog.exe", true, "c:\\tools\\prog.exe"},
                      SwitchCase{"prog.exe /Reg /Reg", true, "prog.exe  /Reg"},
                      SwitchCase{"", false, ""}, SwitchCase{"-", false, "-"}, SwitchCase{"/Re", false, "/Re"},
                      SwitchCase{"--Reg", true, "-"}));

}  // namespace
}  // namespace ploxen::test

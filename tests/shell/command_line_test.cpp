// The switches of the command line.
#include <gtest/gtest.h>

#include "shell/command_line.h"

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

TEST(AutomationSwitch, IsTakenAsAWordOfItsOwnInAnyCase) {
  for (const char* given : {"-Embedding", "/Automation", "  -EMBEDDING  ", "/automation", "/Automation -Embedding"}) {
    std::string line = given;
    EXPECT_TRUE(TakeAutomationSwitch(line)) << given;
    EXPECT_EQ(line, "") << given;
  }
  std::string line = "c:\\x\\prog.exe -Embedding arg";
  EXPECT_TRUE(TakeAutomationSwitch(line));
  EXPECT_EQ(line, "c:\\x\\prog.exe  arg");
  for (const char* kept : {"c:\\-Embedding\\prog.exe", "-Embeddings", "Automation", ""}) {
    std::string other = kept;
    EXPECT_FALSE(TakeAutomationSwitch(other)) << kept;
    EXPECT_EQ(other, kept);
  }
}

}  // namespace
}  // namespace ploxen::test

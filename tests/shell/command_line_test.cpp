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

namespace ploxen {
namespace {

// "/protokoll FILE" only at the start; the rest names the program to watch.
TEST(LogSwitch, TakenOnlyAtTheStartWithItsFile) {
  struct Case {
    const char* line;
    std::optional<std::string> file;
    const char* rest;
  } cases[] = {
      {"/protokoll C:\\log\\p.txt c:\\lumo\\gantor32", "C:\\log\\p.txt", "c:\\lumo\\gantor32"},
      {"  -PROTOKOLL   p.bin", "p.bin", ""},
      {"/protokoll \"C:\\mit Leer\\p.txt\" prog a b", "C:\\mit Leer\\p.txt", "prog a b"},
      {"/protokoll \"C:\\offen", "C:\\offen", ""},
      {"/protokoll", "", ""},
      {"/protokoll\tp.txt\tprog", "p.txt", "prog"},
      {"prog /protokoll p.txt", std::nullopt, "prog /protokoll p.txt"},
      {"/protokollieren p.txt", std::nullopt, "/protokollieren p.txt"},
      {"/Reg", std::nullopt, "/Reg"},
      {"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    EXPECT_EQ(TakeLogSwitch(line), c.file) << c.line;
    EXPECT_EQ(line, c.rest) << c.line;
  }
}

}  // namespace
}  // namespace ploxen

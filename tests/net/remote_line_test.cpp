// Remote lines as they come through the mailslot: the four fields, the
// numbers as atol reads them, the line the list shows, the repeat rule.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "net/remote_line.h"

namespace ploxen::test {
namespace {

using namespace std::string_literals;

TEST(ParseRemoteLine, CutsAtTheFirstThreeCommasOnly) {
  struct Case {
    std::string message;
    std::int32_t sequence;
    const char* computer;
    MessageKind kind;
    const char* text;
  };
  const Case cases[] = {
      {"17,PC07,259,Verbindung getrennt", 17, "PC07", 259, "Verbindung getrennt"},
      {"1,HOST,259,a,b,c", 1, "HOST", 259, "a,b,c"},
      {"1,HOST,259,", 1, "HOST", 259, ""},
      {",,,", 0, "", 0, ""},
      {"abc,H\xC4,0x103,\xE4\xF6\xFC", 0, "H\xC4", 0, "\xE4\xF6\xFC"},  // atol stops at the x
      {"2,H,259,vor\0nach"s, 2, "H", 259, "vor"},                      // the line ends at a NUL
  };
  for (const Case& c : cases) {
    const auto line = ParseRemoteLine(c.message);
    ASSERT_TRUE(line) << c.message;
    EXPECT_EQ(line->sequence, c.sequence) << c.message;
    EXPECT_EQ(line->computer, c.computer) << c.message;
    EXPECT_EQ(line->kind, c.kind) << c.message;
    EXPECT_EQ(line->text, c.text) << c.message;
  }
  for (const std::string& bad : {"1,HOST,259"s, ""s, "ohne Komma"s, "1,H\0,259,x"s})
    EXPECT_FALSE(ParseRemoteLine(bad)) << bad;
}

TEST(ParseRemoteLine, SeesOnlyTheFirst1023Characters) {
  const std::string head = "1,H,259,";
  std::string longText(5000, 'x');
  const auto line = ParseRemoteLine(head + longText);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text.size(), kRemoteLineMax - head.size());
  // A third comma beyond the work area is not there.
  const std::string late = "1,H," + std::string(kRemoteLineMax, '9') + ",x";
  EXPECT_FALSE(ParseRemoteLine(late));
  EXPECT_TRUE(ParseRemoteLine(late.substr(0, 1020) + ","));
}

TEST(ReadDecimal, ReadsAsAtolAndSaturatesBeyond32Bits) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::pair<const char*, std::int32_t> cases[] = {
      {"259", 259},      {"  -12x", -12},    {"+7", 7},         {"\t\r\n 5", 5},
      {"", 0},           {"-", 0},           {"- 5", 0},        {"x1", 0},
      {"1 2", 1},        {"007", 7},         {"2147483647", kMax}, {"2147483648", kMax},
      {"-2147483648", kMin}, {"-2147483649", kMin},
      {"99999999999999999999999999999999", kMax}, {"-99999999999999999999999999999999", kMin},
  };
  for (const auto& [field, value] : cases) EXPECT_EQ(ReadDecimal(field), value) << '"' << field << '"';
}

TEST(ComposeRemoteLine, ComputerInParenthesesTwoBlanksAndTheTextCutTo1023) {
  EXPECT_EQ(ComposeRemoteLine("PC07", "Verbindung getrennt"), "(PC07)  Verbindung getrennt");
  EXPECT_EQ(ComposeRemoteLine("HOST", ""), "(HOST)  ");
  const std::string composed = ComposeRemoteLine(std::string(600, 'c'), std::string(600, 't'));
  EXPECT_EQ(composed.size(), kRemoteLineMax);
  EXPECT_EQ(composed.substr(600, 5), "c)  t");
}

TEST(RemoteSequence, DropsOnlyARepeatOfTheLastNumberTaken) {
  RemoteSequence sequence;
  EXPECT_FALSE(sequence.Take(-1)) << "-1 is the number before the first line";
  for (auto [number, taken] : {std::pair{5, true}, {5, false}, {6, true}, {5, true}, {0, true}, {0, false}})
    EXPECT_EQ(sequence.Take(number), taken) << number;
  EXPECT_EQ(sequence.Last(), 0);
}

}  // namespace
}  // namespace ploxen::test

// Colour of the message column, and the fixed pairs of the other columns.
#include "tests/support/intake_fixture.h"

#include <cstdio>

namespace ploxen::test {
namespace {

struct ColourCase {
  MessageKind kind;
  Colour expected;
};

class MessageColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(MessageColourTest, KindGivesItsColour) {
  EXPECT_EQ(MessageColour(GetParam().kind), GetParam().expected) << std::hex << GetParam().kind;
}

INSTANTIATE_TEST_SUITE_P(
    ColourTable, MessageColourTest,
    ::testing::Values(ColourCase{1, kDarkGreen}, ColourCase{0x301, kDarkGreen},
                      ColourCase{2, kDarkGreen}, ColourCase{0x102, kDarkGreen},
                      ColourCase{0x103, kRed}, ColourCase{0x603, kRed},
                      ColourCase{0x203, kMagenta}, ColourCase{0x403, kDarkBlue},
                      ColourCase{0x503, kDarkBlue}, ColourCase{3, kBlack},
                      ColourCase{0x303, kBlack}, ColourCase{0x703, kBlack},
                      ColourCase{0x10103, kBlack}, ColourCase{0x10203, kBlack},
                      ColourCase{4, kBlue}, ColourCase{0x204, kBlue}, ColourCase{100, kGrey},
                      ColourCase{101, kGrey}, ColourCase{102, kGrey}, ColourCase{103, kGrey},
                      ColourCase{0x268, kGrey}),
    [](const auto& info) {
      char name[24];
      std::snprintf(name, sizeof name, "Kind%X", static_cast<unsigned>(info.param.kind));
      return std::string(name);
    });

TEST(ColourValues, AreColorrefOrder) {
  // 0x00BBGGRR: red is the low byte.
  EXPECT_EQ(kRed, 0x0000FFu);
  EXPECT_EQ(kBlue, 0xFF0000u);
  EXPECT_EQ(kDarkBlue, 0x800000u);
}

TEST_F(IntakeTest, RowCarriesThreePairsWithFixedFirstColumns) {
  switches.bException = 1;
  Add(0x403, "info");
  Add(102, "exception");
  ASSERT_EQ(rows.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const MessageItem& item = rows.Row(i);
    ASSERT_EQ(item.ColourCount(), 3u);
    EXPECT_EQ(item.Colours(0).text, 0x000000u);
    EXPECT_EQ(item.Colours(0).back, 0xC0FFFFu);
    EXPECT_EQ(item.Colours(1).text, 0x000000u);
    EXPECT_EQ(item.Colours(1).back, 0xFFFFC0u);
    EXPECT_EQ(item.Colours(2).back, 0xFFFFFFu);
  }
  EXPECT_EQ(rows.Row(0).Colours(2).text, kDarkBlue);
  EXPECT_EQ(rows.Row(1).Colours(2).text, kGrey);
}

}  // namespace
}  // namespace ploxen::test

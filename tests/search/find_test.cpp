// Finding the next row with a term: start after the selection, every column,
// case folded for code page 1252, no wrap-around.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "search/find.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

class FindRowTest : public ::testing::Test {
 protected:
  void Add(std::string_view process, std::string_view time, std::string_view message) {
    AddRow(rows, 0x303, process, time, message);
  }
  MessageRows rows;
};

TEST_F(FindRowTest, StartsAtTheGivenRowAndDoesNotWrap) {
  for (int i = 0; i < 10; ++i) Add("", "", i == 3 || i == 8 ? "Treffer hier" : "nichts");
  EXPECT_EQ(FindRow(rows, 0, "Treffer", false), 3u);
  EXPECT_EQ(FindRow(rows, 6, "Treffer", false), 8u) << "row 5 selected: the search starts at 6";
  EXPECT_EQ(FindRow(rows, 9, "Treffer", false), kNoRow);
  EXPECT_EQ(FindRow(rows, 10, "Treffer", false), kNoRow);
  EXPECT_EQ(FindRow(rows, 500, "Treffer", false), kNoRow);
}

TEST_F(FindRowTest, EveryColumnIsSearched) {
  Add("PID=1208,TID=3344", "12:03:44.100", "erste");
  Add("PID=77,TID=78", "12:04:00.000", "zweite");
  EXPECT_EQ(FindRow(rows, 0, "12:04", true), 1u);
  EXPECT_EQ(FindRow(rows, 0, "1208", true), 0u);
  EXPECT_EQ(FindRow(rows, 0, "zweite", true), 1u);
}

// Written in code page 1252 as before; rows and terms hold UTF-8 now.
TEST_F(FindRowTest, IgnoringCaseFoldsTheAccentedLettersToo) {
  const auto u = [](std::string_view cp1252) { return Cp1252ToUtf8(cp1252); };
  Add("", "", "VERBINDUNG FEHLER");
  Add("", "", u("\xC4NDERUNG \xDC" "BER GR\xD6\xDF" "E"));  // ÄNDERUNG ÜBER GRÖßE
  Add("", "", u("\x8A" "koda \x9F"));                       // Škoda Ÿ
  EXPECT_EQ(FindRow(rows, 0, "fehler", false), 0u);
  EXPECT_EQ(FindRow(rows, 0, "fehler", true), kNoRow);
  EXPECT_EQ(FindRow(rows, 0, u("\xE4nderung"), false), 1u);  // änderung
  EXPECT_EQ(FindRow(rows, 0, u("gr\xF6\xDF" "e"), false), 1u);  // größe: ß has no capital
  EXPECT_EQ(FindRow(rows, 0, u("\x9A" "KODA \xFF"), false), 2u);  // š ... ÿ
  EXPECT_EQ(FindRow(rows, 0, u("\xE4nderung"), true), kNoRow);
}

TEST_F(FindRowTest, PartialHitsAtTheEndAndEmptyTerms) {
  Add("", "", "abcab");
  Add("", "", "xxabcd");
  EXPECT_EQ(FindRow(rows, 0, "abcd", false), 1u) << "a prefix at the end of a string is no hit";
  EXPECT_EQ(FindRow(rows, 0, "abcabx", false), kNoRow) << "longer than the text";
  EXPECT_EQ(FindRow(rows, 0, "", false), kNoRow);
  EXPECT_EQ(FindRow(rows, 0, "", true), kNoRow);
}

TEST_F(FindRowTest, OnlyTheItemsOwnStringsCount) {
  // An item with one string, as an old file may hold.
  AddItem(rows, 3, {"nur eine"}, {ColourPair{kBlack, kWhite}});
  Add("", "", "eine");
  EXPECT_EQ(FindRow(rows, 0, "nur", false), 0u);
  EXPECT_EQ(FindRow(rows, 1, "nur", false), kNoRow);
}

TEST(UpperCaseTable, LettersOnlyAndEveryOtherByteUnchanged) {
  const auto& upper = UpperCaseTable();
  EXPECT_EQ(upper['a'], 'A');
  EXPECT_EQ(upper['z'], 'Z');
  EXPECT_EQ(upper[0xE4], 0xC4);  // ä
  EXPECT_EQ(upper[0xFE], 0xDE);  // þ
  EXPECT_EQ(upper[0xF7], 0xF7);  // ÷ stays
  EXPECT_EQ(upper[0xDF], 0xDF);  // ß stays
  EXPECT_EQ(upper[0xB5], 0xB5);  // µ has no capital in the code page
  int changed = 0;
  for (int c = 0; c < 256; ++c) changed += upper[static_cast<std::size_t>(c)] != c;
  EXPECT_EQ(changed, 26 + 30 + 4);
  EXPECT_EQ(ToUpperCp1252("gr\xF6\xDF" "e 50%"), "GR\xD6\xDF" "E 50%");
}

}  // namespace
}  // namespace ploxen::test

// The index of the shown rows: filtered again after a rule change, extended
// as rows arrive, and where the selected row went; the clipboard's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/clipboard_text.h"
#include "search/rule_set.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

ViewRule Hide(std::string pattern, RuleAction action = RuleAction::kHide) {
  ViewRule rule;
  rule.action = action;
  rule.pattern = std::move(pattern);
  return rule;
}

class RowFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 10; ++i) AddRow(rows, 0x303, "PID=" + std::to_string(i % 3), "", "Zeile " + std::to_string(i));
  }
  MessageRows rows;
  RowFilter filter;
};

TEST_F(RowFilterTest, WithoutRulesEveryRowIsShownInOrder) {
  filter.Rebuild(rows, RuleSet());
  EXPECT_EQ(filter.ShownCount(), 10u);
  EXPECT_EQ(filter.Row(7), 7u);
  EXPECT_EQ(filter.ShownIndexOf(9), 9u);
  EXPECT_EQ(filter.ShownIndexOf(10), RowFilter::kNoShownRow);
}

TEST_F(RowFilterTest, ARuleChangeFiltersAllRowsAgainAndKeepsTheSelectedRow) {
  filter.Rebuild(rows, RuleSet());
  const std::size_t selectedRow = filter.Row(8);  // "Zeile 8", PID=2
  filter.Rebuild(rows, RuleSet({Hide("PID=0")}));
  EXPECT_EQ(filter.ShownRows(), (std::vector<std::size_t>{1, 2, 4, 5, 7, 8}));
  EXPECT_EQ(filter.ShownIndexOf(selectedRow), 5u);
  EXPECT_EQ(filter.ShownIndexOf(3), RowFilter::kNoShownRow);
  // Row 8 was 3 rows below the top (5); it stays 3 below.
  EXPECT_EQ(KeptTop(5, 8, 5), 2u);
  EXPECT_EQ(KeptTop(1, 8, 5), 0u) << "never above the first row";
  filter.Rebuild(rows, RuleSet({Hide("PID=2", RuleAction::kShowOnly)}));
  EXPECT_EQ(filter.ShownRows(), (std::vector<std::size_t>{2, 5, 8}));
  filter.Rebuild(rows, RuleSet());
  EXPECT_EQ(filter.ShownCount(), 10u);
}

TEST_F(RowFilterTest, SearchLooksAtTheShownRowsOnly) {
  filter.Rebuild(rows, RuleSet({Hide("Zeile 4")}));
  EXPECT_EQ(FindShownRow(rows, filter, 0, "zeile 5", false), 4u) << "a shown index";
  EXPECT_EQ(FindShownRow(rows, filter, 0, "zeile 4", false), kNoRow);
  EXPECT_EQ(FindShownRow(rows, filter, 5, "zeile 5", false), kNoRow);
  EXPECT_EQ(FindShownRow(rows, filter, 0, "", false), kNoRow);
}

TEST_F(RowFilterTest, RowsArrivingAreFilteredAsTheyCome) {
  const RuleSet set({Hide("PID=1")});
  filter.Rebuild(rows, set);
  EXPECT_EQ(filter.ShownCount(), 7u);
  AddRow(rows, 0x303, "PID=1", "", "neu versteckt");
  AddRow(rows, 0x303, "PID=5", "", "neu gezeigt");
  filter.Extend(rows, set);
  EXPECT_EQ(filter.Looked(), 12u);
  EXPECT_EQ(filter.ShownCount(), 8u);
  EXPECT_EQ(filter.Row(7), 11u);
}

TEST_F(RowFilterTest, ARuleArrivingWhileUnfilteredKeepsTheRowsLookedAt) {
  filter.Extend(rows, RuleSet());
  AddRow(rows, 0x303, "PID=0", "", "neu");
  filter.Extend(rows, RuleSet({Hide("PID=0")}));
  EXPECT_EQ(filter.ShownCount(), 10u) << "rows looked at before stay; the new one is hidden";
  filter.Clear();
  EXPECT_EQ(filter.ShownCount(), 0u);
}

TEST(ClipboardTextTest, TabsBetweenColumnsAndCrLfAfterEachRow) {
  MessageRows rows;
  AddRow(rows, 0x303, "PID=1,TID=2", "12:00:00.000", "erste Zeile");
  AddRow(rows, 0x303, "", "", "zweite \xE4\xF6\xFC");
  AddItem(rows, 3, {"nur eine Spalte"}, {kProcessColumnColours});
  EXPECT_EQ(ClipboardText(rows, {0, 1}).text, "PID=1,TID=2\t12:00:00.000\terste Zeile\r\n\t\tzweite \xE4\xF6\xFC\r\n");
  EXPECT_EQ(ClipboardText(rows, {2}).text, "nur eine Spalte\t\t\r\n");
  EXPECT_EQ(ClipboardText(rows, {}).text, "");
}

// Copied columns and rows stay apart whatever a message holds, and a copy
// keeps to its bound with whole rows and says how many it left out.
TEST(ClipboardTextTest, SeparatorsInAColumnAreSpacesAndTheBoundKeepsWholeRows) {
  MessageRows rows;
  AddRow(rows, 0x303, "P\t1", "", "a\tb\rc\nd\r");
  AddRow(rows, 0x303, "", "", "zwei");
  AddRow(rows, 0x303, "", "", "drei");
  const ClipboardCopy all = ClipboardText(rows, {0, 1, 2});
  EXPECT_EQ(all.text, "P 1\t\ta b c d \r\n\t\tzwei\r\n\t\tdrei\r\n");
  EXPECT_EQ(all.rows, 3u);
  const ClipboardCopy bounded = ClipboardText(rows, {0, 1, 2}, all.text.size() - 1);
  EXPECT_EQ(bounded.text, "P 1\t\ta b c d \r\n\t\tzwei\r\n");
  EXPECT_EQ(bounded.rows, 2u);
  EXPECT_EQ(ClipboardText(rows, {0}, 3).rows, 0u);
  EXPECT_EQ(LeftOutNotice(3, 3), "");
  EXPECT_EQ(LeftOutNotice(153240, 1000000).substr(0, 75),
            "Es wurden nur die ersten 153240 von 1000000 Zeilen kopiert: PLOXEN kopiert ");
  EXPECT_NE(LeftOutNotice(2, 3).find("16 MB"), std::string::npos);
}

TEST(ClipboardTextTest, Cp1252ToUtf16AsThePlatformConverts) {
  EXPECT_EQ(Utf16FromCp1252("a\xE4\xDF\x80\x9F\x81\xFF"), u"a\u00E4\u00DF\u20AC\u0178\u0081\u00FF");
  EXPECT_EQ(Utf16FromCp1252("\x8A\x9A\x96\x97\x85"), u"\u0160\u0161\u2013\u2014\u2026");
}

}  // namespace
}  // namespace ploxen::test

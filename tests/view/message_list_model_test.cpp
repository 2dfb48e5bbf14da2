// What the list shows, as the list control asks for it: the rows taken and
// the count shown apart, the control told before the rows go, the steps of
// filtering again, highlights that give up, and "Suchen" from the selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/find.h"
#include "tests/support/row_builders.h"
#include "view/message_list_model.h"

namespace ploxen::test {
namespace {

ViewRule Rule(RuleAction action, std::string pattern, RuleKind kind = RuleKind::kText) {
  ViewRule rule;
  rule.action = action;
  rule.pattern = std::move(pattern);
  rule.kind = kind;
  return rule;
}

const std::string kRunaway = std::string(498, 'a') + "b";

// The new rules filtered to the end and in force, from a view at the top.
ViewPlace FilterAgain(MessageListModel& model, const std::vector<ViewRule>& rules, ViewPlace was = {}) {
  model.SetRules(rules);
  EXPECT_EQ(model.RefilterSlice(), RefilterStep::kComplete);
  return model.TakeOver(was);
}

TEST(MessageListModelTest, RowsTakenAreShownOnlyAtCatchUpAndTheFirstOfABatchWakesTheView) {
  MessageListModel model;
  int woken = 0;
  model.OnBehind([&] { ++woken; });
  AddRow(model, 0x303, "PID=1", "", "eins");
  AddRow(model, 0x303, "PID=2", "", "zwei");
  EXPECT_EQ(woken, 1);
  EXPECT_EQ(model.RowCount(), 2);
  EXPECT_EQ(model.ShownCount(), 0u) << "the control's count, not yet caught up";
  EXPECT_EQ(model.RowOf(0), kNoRow);
  EXPECT_EQ(model.ShownText(0, kColumnMessage), "");

  EXPECT_TRUE(model.CatchUp());
  EXPECT_FALSE(model.Behind());
  EXPECT_EQ(model.ShownCount(), 2u);
  EXPECT_EQ(model.ShownText(1, kColumnMessage), "zwei");
  EXPECT_EQ(model.ShownText(1, kColumnCount), "") << "a column the list does not have";
  EXPECT_EQ(model.ShownText(2, kColumnMessage), "");
  EXPECT_FALSE(model.CatchUp()) << "nothing new";

  AddRow(model, 0x303, "PID=3", "", "drei");
  EXPECT_EQ(woken, 2) << "a new batch";
  FilterAgain(model, {Rule(RuleAction::kHide, "PID=2")});
  EXPECT_EQ(model.ShownCount(), 2u);
  EXPECT_EQ(model.RowOf(1), 2u) << "shown index 1 is the third row";
  EXPECT_EQ(model.ShownText(1, kColumnMessage), "drei");
}

// Rows dropped between two catch-ups stay the control's first items, as
// rows that went, so that its selection and top row never point at another
// row; filtering again meanwhile takes over from the control's place.
TEST(MessageListModelTest, DroppedRowsKeepTheControlsItemsInPlaceUntilItCatchesUp) {
  MessageListModel model;
  for (int i = 0; i < 20; ++i) AddRow(model, 0x303, "", "", "Zeile " + std::to_string(i));
  model.CatchUp();
  FilterAgain(model, {Rule(RuleAction::kHide, "3")});
  ASSERT_EQ(model.ShownCount(), 18u);

  model.DropOldestRows(5);
  EXPECT_EQ(model.RowCount(), 15);
  EXPECT_EQ(model.Dropped(), 4u) << "Zeile 0, 1, 2 and 4 were shown";
  EXPECT_EQ(model.ListCount(), 18u);
  EXPECT_EQ(model.ShownCount(), 14u);
  EXPECT_EQ(model.RowOf(3), kNoRow);
  EXPECT_EQ(model.ShownRow(0), nullptr);
  EXPECT_EQ(model.ShownText(3, kColumnMessage), "");
  EXPECT_EQ(model.ShownText(4, kColumnMessage), "Zeile 5");
  EXPECT_EQ(model.RowOf(4), 0u) << "the store's first row now";
  EXPECT_EQ(model.FindNext(2, "Zeile 1", false), 9u) << "from a row that went: from the first";
  EXPECT_EQ(model.FindNext(9, "Zeile 1", false), 10u);
  ViewPlace place;
  place.top = 8;
  place.page = 10;
  EXPECT_TRUE(model.AtEnd(place)) << "by the control's count";

  EXPECT_EQ(model.TakeDropped(), 4u);
  EXPECT_EQ(model.ListCount(), 14u);
  EXPECT_EQ(model.ShownText(0, kColumnMessage), "Zeile 5");

  // Rows go while filtering again: the control's place still finds its rows.
  model.SetRules({Rule(RuleAction::kHide, "Zeile 1[0-2]", RuleKind::kRegex)});
  model.DropOldestRows(3);
  EXPECT_EQ(model.Dropped(), 3u);
  ASSERT_EQ(model.RefilterSlice(), RefilterStep::kComplete);
  ViewPlace was;
  was.top = 3;       // Zeile 8
  was.page = 5;
  was.selected = 8;  // Zeile 14, out of view
  const ViewPlace now = model.TakeOver(was);
  EXPECT_EQ(model.Dropped(), 0u);
  EXPECT_EQ(model.ListCount(), 9u);
  EXPECT_EQ(model.ShownText(now.top, kColumnMessage), "Zeile 8");
  EXPECT_EQ(model.ShownText(now.selected, kColumnMessage), "Zeile 14");

  // Every row goes: the control's items are all rows that went.
  model.CatchUp();
  model.DropOldestRows(100);
  EXPECT_EQ(model.RowCount(), 0);
  EXPECT_EQ(model.ListCount(), 9u);
  EXPECT_EQ(model.RowOf(8), kNoRow);
  EXPECT_FALSE(model.Behind());
}

TEST(MessageListModelTest, TheControlForgetsItsItemsWhileTheRowsAreStillThere) {
  MessageListModel model;
  for (const char* text : {"a", "b", "c"}) AddRow(model, 0x303, "", "", text);
  model.CatchUp();
  int rowsWhenTold = -1;
  std::size_t shownWhenTold = 0;
  model.OnDeleting([&] {
    rowsWhenTold = model.RowCount();
    shownWhenTold = model.ShownCount();
  });
  model.DeleteAllRows();
  EXPECT_EQ(rowsWhenTold, 3);
  EXPECT_EQ(shownWhenTold, 3u);
  EXPECT_EQ(model.RowCount(), 0);
  EXPECT_EQ(model.ShownCount(), 0u);
  EXPECT_FALSE(model.Behind());
}

TEST(MessageListModelTest, FilteringAgainEndsWhenTheOnlyRuleGivesUpAndTakesOverWithThePlace) {
  MessageListModel model;
  int switchedOff = 0;
  model.OnRulesSwitchedOff([&] { ++switchedOff; });
  for (int i = 0; i < 10; ++i) AddRow(model, 0x303, "", "", i == 4 ? kRunaway : "Zeile " + std::to_string(i));
  model.CatchUp();
  EXPECT_EQ(model.RefilterSlice(), RefilterStep::kNone);

  model.SetRules({Rule(RuleAction::kShowOnly, "(a+)+$", RuleKind::kRegex)});
  AddRow(model, 0x303, "", "", "Zeile 10");
  EXPECT_FALSE(model.CatchUp()) << "nothing joins while filtering again";
  EXPECT_EQ(model.RefilterSlice(), RefilterStep::kEnded) << "without the rule the rows in force stay";
  EXPECT_EQ(switchedOff, 1);
  EXPECT_EQ(model.ShownCount(), 10u);
  EXPECT_TRUE(model.CatchUp());
  EXPECT_EQ(model.ShownCount(), 11u);

  // Following at the end stays at the end of the new rows.
  model.SetFollowing(true);
  ViewPlace was;
  was.top = 8;
  was.page = 3;
  ASSERT_TRUE(model.AtEnd(was));
  const ViewPlace now = FilterAgain(model, {Rule(RuleAction::kHide, "Zeile [0-5]", RuleKind::kRegex)}, was);
  EXPECT_EQ(model.ShownCount(), 5u);
  EXPECT_EQ(now.top, 2u);
  EXPECT_TRUE(model.AtEnd(now));
}

TEST(MessageListModelTest, AHighlightThatGivesUpWhenDrawnAsksForARepaintOnce) {
  MessageListModel model;
  int switchedOff = 0;
  model.OnRulesSwitchedOff([&] { ++switchedOff; });
  AddRow(model, 0x303, "", "", kRunaway);
  AddRow(model, 0x303, "", "", "Zeile");
  model.CatchUp();
  // Highlights alone filter nothing again: they are in force at once.
  model.SetRules({Rule(RuleAction::kHighlight, "(a+)+$", RuleKind::kRegex), Rule(RuleAction::kHighlight, "Zeile")});
  EXPECT_EQ(model.RefilterSlice(), RefilterStep::kNone);
  bool repaint = true;
  EXPECT_EQ(model.Highlight(0, repaint), nullptr);
  EXPECT_TRUE(repaint);
  EXPECT_EQ(switchedOff, 1);
  ASSERT_NE(model.Highlight(1, repaint), nullptr);
  EXPECT_EQ(model.Highlight(1, repaint)->pattern, "Zeile");
  EXPECT_FALSE(repaint);
  EXPECT_EQ(model.Highlight(2, repaint), nullptr) << "past the rows shown";
  EXPECT_FALSE(repaint);
}

TEST(MessageListModelTest, FindStartsAfterTheSelectedShownRow) {
  MessageListModel model;
  for (const char* text : {"Treffer", "nichts", "Treffer", "versteckt Treffer", "Treffer"})
    AddRow(model, 0x303, "", "", text);
  model.CatchUp();
  FilterAgain(model, {Rule(RuleAction::kHide, "versteckt")});
  constexpr std::size_t kNone = RowFilter::kNoShownRow;
  const struct {
    std::size_t selected;
    std::size_t found;  // a shown index
  } cases[] = {{kNone, 0}, {0, 2}, {2, 3}, {3, kNoRow}};
  for (const auto& c : cases) EXPECT_EQ(model.FindNext(c.selected, "treffer", false), c.found) << c.selected;
  EXPECT_EQ(model.FindNext(kNone, "treffer", true), kNoRow) << "case matters";
}

}  // namespace
}  // namespace ploxen::test

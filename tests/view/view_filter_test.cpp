// What the view shows: filtering again a slice at a time, rules switched off
// for giving up on a row, each row's highlight, following the newest row and
// where the view goes once the new rows are in force.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/view_filter.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

ViewRule Rule(RuleAction action, std::string pattern, RuleKind kind = RuleKind::kText) {
  ViewRule rule;
  rule.action = action;
  rule.pattern = std::move(pattern);
  rule.kind = kind;
  rule.caseSensitive = true;
  return rule;
}

const std::string kRunaway = std::string(498, 'a') + "b";

std::vector<std::string> ShownMessages(const ViewFilter& view, const MessageRows& rows) {
  std::vector<std::string> shown;
  for (std::size_t i = 0; i < view.Shown().ShownCount(); ++i) shown.emplace_back(rows.Row(view.Shown().Row(i)).Text(2));
  return shown;
}

// Filters again to the end in slices that are over at once; how many it took.
int WorkToTheEnd(ViewFilter& view, const MessageRows& rows) {
  int slices = 1;
  while (!view.Work(rows, [] { return true; })) {
    if (!view.Refiltering()) return slices;
    ++slices;
  }
  view.TakeOver();
  return slices;
}

TEST(ViewFilterTest, FilteringAgainGoesASliceAtATimeAndRowsArrivingJoinAtTheEnd) {
  MessageRows rows;
  for (int i = 0; i < 4; ++i) AddRow(rows, 0x303, "", "", "Zeile " + std::to_string(i));
  ViewFilter view;
  view.Extend(rows, {});
  ASSERT_EQ(view.Shown().ShownCount(), 4u);
  view.SetRules({Rule(RuleAction::kHide, "Zeile [13]", RuleKind::kRegex)});
  ASSERT_TRUE(view.Refiltering());
  EXPECT_FALSE(view.Work(rows, [] { return true; })) << "a slice over at once looks at one row";
  AddRow(rows, 0x303, "", "", "Zeile 4");
  AddRow(rows, 0x303, "", "", "Zeile 3 neu");
  view.Extend(rows, {});
  EXPECT_EQ(ShownMessages(view, rows), (std::vector<std::string>{"Zeile 0", "Zeile 1", "Zeile 2", "Zeile 3"}))
      << "meanwhile the view shows what it showed";
  EXPECT_EQ(WorkToTheEnd(view, rows), 5);
  EXPECT_EQ(ShownMessages(view, rows), (std::vector<std::string>{"Zeile 0", "Zeile 2", "Zeile 4"}));
  EXPECT_FALSE(view.Refiltering());

  // Text rules look at the clock seldom; a change of highlights alone
  // filters nothing again.
  view.SetRules({Rule(RuleAction::kHide, "Zeile 0")});
  EXPECT_EQ(WorkToTheEnd(view, rows), 1);
  view.SetRules({Rule(RuleAction::kHide, "Zeile 0"), Rule(RuleAction::kHighlight, "4")});
  EXPECT_FALSE(view.Refiltering());
  EXPECT_EQ(view.Highlight(rows, 4)->pattern, "4");
  EXPECT_EQ(view.Highlight(rows, 3), nullptr);
  view.SetRules({Rule(RuleAction::kHide, "Zeile 0"), Rule(RuleAction::kHighlight, "Zeile 3")});
  EXPECT_EQ(view.Highlight(rows, 4), nullptr) << "no highlight kept from the rules before";
  EXPECT_EQ(view.Highlight(rows, 3)->pattern, "Zeile 3");

  // Rows deleted while filtering again: the new rules are in force at once.
  view.SetRules({Rule(RuleAction::kShowOnly, "neu")});
  view.Clear();
  rows.DeleteAllRows();
  EXPECT_FALSE(view.Refiltering());
  AddRow(rows, 0x303, "", "", "alt");
  AddRow(rows, 0x303, "", "", "neu");
  view.Extend(rows, {});
  EXPECT_EQ(ShownMessages(view, rows), (std::vector<std::string>{"neu"}));
}

// A rule that gives up on a row would hide or show it unjudged: it is
// switched off, the rows are filtered again without it, and the user is told
// once.
TEST(ViewFilterTest, ARuleThatGivesUpIsSwitchedOffAndToldOnce) {
  MessageRows rows;
  AddRow(rows, 0x303, "", "", "Zeile 1");
  AddRow(rows, 0x303, "", "", kRunaway);
  AddRow(rows, 0x303, "", "", "Zeile 2");
  const ViewRule runaway = Rule(RuleAction::kShowOnly, "(a+)+$", RuleKind::kRegex);
  ViewRule markRunaway = runaway;
  markRunaway.action = RuleAction::kHighlight;
  ViewFilter view;
  view.SetRules({Rule(RuleAction::kHide, "Zeile 2"), runaway, markRunaway, Rule(RuleAction::kHighlight, "Zeile")});
  WorkToTheEnd(view, rows);
  EXPECT_EQ(ShownMessages(view, rows), (std::vector<std::string>{"Zeile 1", kRunaway}))
      << "the show-only rule would have hidden every row";
  EXPECT_FALSE(view.Rules()[1].on);
  EXPECT_EQ(view.TakeSwitchedOff(), (std::vector<std::size_t>{1}));
  EXPECT_TRUE(view.TakeSwitchedOff().empty()) << "told once";

  EXPECT_EQ(view.Highlight(rows, 1), nullptr);
  EXPECT_EQ(view.TakeSwitchedOff(), (std::vector<std::size_t>{2})) << "the highlight gave up when drawn";
  EXPECT_FALSE(view.Rules()[2].on);
  EXPECT_EQ(view.Highlight(rows, 0)->pattern, "Zeile");

  // A rule switched on again that gives up on a row arriving.
  std::vector<ViewRule> again = view.Rules();
  again[1].on = true;
  again[1].action = RuleAction::kHide;
  view.SetRules(again);
  rows.DeleteAllRows();
  view.Clear();
  AddRow(rows, 0x303, "", "", "Zeile 3");
  view.Extend(rows, {});
  AddRow(rows, 0x303, "", "", kRunaway);
  AddRow(rows, 0x303, "", "", "Zeile 4");
  view.Extend(rows, {});
  EXPECT_TRUE(view.Refiltering());
  WorkToTheEnd(view, rows);
  EXPECT_EQ(ShownMessages(view, rows), (std::vector<std::string>{"Zeile 3", kRunaway, "Zeile 4"}));
  EXPECT_EQ(view.TakeSwitchedOff(), (std::vector<std::size_t>{1}));
}

// The oldest rows go from the store: the index in force, the highlights
// worked out and a filtering again in progress move up with the rows.
TEST(ViewFilterTest, DroppedRowsLeaveTheIndexTheHighlightsAndAFilteringInProgress) {
  MessageRows rows;
  ViewFilter view;
  for (int i = 0; i < 30; ++i) AddRow(rows, 0x303, "", "", "Zeile " + std::to_string(i));
  view.SetRules({Rule(RuleAction::kHide, "Zeile 1"), Rule(RuleAction::kHighlight, "5")});
  WorkToTheEnd(view, rows);
  for (std::size_t r = 0; r < rows.size(); ++r) view.Highlight(rows, r);  // every row's byte known

  rows.DropOldestRows(12);
  EXPECT_EQ(view.DropOldest(12), 9u) << "Zeile 0 and 2 to 9 were shown";
  std::vector<std::string> expected;
  for (int i = 20; i < 30; ++i) expected.push_back("Zeile " + std::to_string(i));
  EXPECT_EQ(ShownMessages(view, rows), expected);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const ViewRule* marked = view.Highlight(rows, r);
    EXPECT_EQ(marked != nullptr, rows.Row(r).Text(2).find('5') != std::string_view::npos) << rows.Row(r).Text(2);
  }

  // Filtering again, one row per slice, when more rows go.
  view.SetRules({Rule(RuleAction::kHide, "Zeile (1[24]|2[0-4])", RuleKind::kRegex)});
  for (int slice = 0; slice < 3; ++slice) ASSERT_FALSE(view.Work(rows, [] { return true; }));
  rows.DropOldestRows(2);
  EXPECT_EQ(view.DropOldest(2), 0u) << "Zeile 12 and 13 were hidden";
  WorkToTheEnd(view, rows);
  EXPECT_EQ(ShownMessages(view, rows),
            (std::vector<std::string>{"Zeile 15", "Zeile 16", "Zeile 17", "Zeile 18", "Zeile 19", "Zeile 25",
                                      "Zeile 26", "Zeile 27", "Zeile 28", "Zeile 29"}));

  // Rows the view has not looked at yet go too.
  AddRow(rows, 0x303, "", "", "Zeile 30");
  AddRow(rows, 0x303, "", "", "Zeile 31");
  rows.DropOldestRows(rows.size() - 1);
  EXPECT_EQ(view.DropOldest(17), 10u);
  view.Extend(rows, {});
  EXPECT_EQ(ShownMessages(view, rows), std::vector<std::string>{"Zeile 31"});
}

TEST(ViewFilterTest, NoticeNamesTheRulesFromOne) {
  EXPECT_EQ(SwitchedOffNotice({}), "");
  EXPECT_EQ(SwitchedOffNotice({2}).substr(0, 58), "Regel 3 ist zu aufwendig und wurde ausgeschaltet: Ihr regu");
  EXPECT_EQ(SwitchedOffNotice({0, 4, 6}).substr(0, 60), "Die Regeln 1, 5 und 7 sind zu aufwendig und wurden ausgescha");
}

// The view follows while it shows the last row, whichever row is selected.
TEST(ViewPlaceTest, TheLastRowIsInViewWhenThePageReachesIt) {
  const struct {
    std::size_t top, page, count;
    bool inView;
  } cases[] = {
      {0, 30, 0, true},     {0, 30, 20, true},  {70, 30, 100, true}, {69, 30, 100, false},
      {99, 0, 100, true},   {98, 0, 100, false}, {120, 30, 100, true}, {0, 30, 31, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LastRowInView(c.top, c.page, c.count), c.inView) << c.top << " " << c.page << " " << c.count;
}

// A hundred rows, then every third hidden (row numbers 0, 3, 6, ...).
class PlaceAfterRefilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 100; ++i) AddRow(rows, 0x303, "PID=" + std::to_string(i % 3) + ",", "", "Zeile");
    before.Rebuild(rows, RuleSet());
    after.Rebuild(rows, RuleSet({Rule(RuleAction::kHide, "PID=0,")}));
  }
  MessageRows rows;
  RowFilter before, after;
};

TEST_F(PlaceAfterRefilterTest, FollowingThenTheSelectedRowInViewThenTheTopRow) {
  constexpr std::size_t kNone = RowFilter::kNoShownRow;
  const struct {
    const char* what;
    std::size_t top, selected;
    bool following;
    std::size_t topRow, selectedRow;  // row numbers; kNone for none
  } cases[] = {
      {"the top row stays", 40, kNone, false, 40, kNone},
      {"a hidden top row: the next one", 39, kNone, false, 40, kNone},
      {"the selected row as far from the top", 40, 44, false, 38, 44},
      {"a selected row out of view stays selected", 40, 10, false, 40, 10},
      {"a selected row now hidden", 40, 42, false, 40, kNone},
      {"following at the end goes to the end", 90, 95, true, 85, 95},
      {"following away from the end stays", 80, kNone, true, 80, kNone},
  };
  for (const auto& c : cases) {
    ViewPlace was;
    was.top = c.top;
    was.page = 10;
    was.selected = c.selected;
    const ViewPlace now = PlaceAfterRefilter(before, after, was, c.following);
    EXPECT_EQ(after.Row(now.top), c.topRow) << c.what;
    if (c.selectedRow == kNone)
      EXPECT_EQ(now.selected, kNone) << c.what;
    else
      EXPECT_EQ(now.selected < after.ShownCount() ? after.Row(now.selected) : kNone, c.selectedRow) << c.what;
  }
  // Nothing shown from the top row on: the last page; nothing shown at all: the top.
  RowFilter few;
  few.Rebuild(rows, RuleSet({Rule(RuleAction::kShowOnly, "PID=1,")}));
  ViewPlace was;
  was.top = 99;
  was.page = 10;
  EXPECT_EQ(PlaceAfterRefilter(before, few, was, false).top, few.ShownCount() - 10);
  RowFilter none;
  none.Rebuild(rows, RuleSet({Rule(RuleAction::kHide, "Zeile")}));
  EXPECT_EQ(PlaceAfterRefilter(before, none, was, false).top, 0u);
}

// Where the view goes when the oldest rows go: the same rows stay on screen
// and selected where they are still there.
TEST(ViewPlaceTest, AfterADropTheSameRowsStaySelectedAndInView) {
  constexpr std::size_t kNone = RowFilter::kNoShownRow;
  const struct {
    const char* what;
    std::size_t top, selected, gone, count;
    std::size_t nowTop, nowSelected;
  } cases[] = {
      {"the rows in view stay in view", 40, 45, 10, 90, 30, 35},
      {"a selected row that went leaves none selected", 40, 5, 10, 90, 30, kNone},
      {"the first row left was selected", 40, 10, 10, 90, 30, 0},
      {"the last row dropped was selected", 40, 9, 10, 90, 30, kNone},
      {"a top row that went: the first row left", 5, kNone, 10, 90, 0, kNone},
      {"at the end stays at the end", 90, 99, 10, 90, 80, 89},
      {"a list shorter than the page", 0, 3, 2, 4, 0, 1},
      {"every row went", 50, 55, 100, 0, 0, kNone},
      {"nothing shown went", 40, 45, 0, 100, 40, 45},
  };
  for (const auto& c : cases) {
    ViewPlace was;
    was.top = c.top;
    was.page = 10;
    was.selected = c.selected;
    const ViewPlace now = PlaceAfterDrop(was, c.gone, c.count);
    EXPECT_EQ(now.top, c.nowTop) << c.what;
    EXPECT_EQ(now.selected, c.nowSelected) << c.what;
    EXPECT_EQ(now.page, 10u) << c.what;
  }
}

}  // namespace
}  // namespace ploxen::test

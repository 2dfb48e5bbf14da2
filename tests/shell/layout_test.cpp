// Placement of the list and the button row, and the status bar's panes.
#include <gtest/gtest.h>

#include "shell/layout.h"

namespace ploxen::test {
namespace {

TEST(LayoutControls, ListFillsTheAreaAboveTheButtonRow) {
  const MainLayout l = LayoutControls(600, 180, 80, false);
  EXPECT_EQ(l.listPosition.x, 3);
  EXPECT_EQ(l.listPosition.y, 0);
  EXPECT_EQ(l.listWidth, 594);
  EXPECT_EQ(l.listHeight, 149);
  for (const Point& p : {l.close, l.clear, l.save, l.search, l.combo, l.remark}) EXPECT_EQ(p.y, 155);
  EXPECT_EQ(l.close.x, 5);
  EXPECT_EQ(l.clear.x, 90);
  EXPECT_EQ(l.save.x, 175);
  EXPECT_EQ(l.search.x, 260);
  EXPECT_EQ(l.combo.x, 340);
}

TEST(LayoutControls, RemarkButtonStandsFivePixelsRightOfTheCombo) {
  for (int cw : {0, 80, 137}) EXPECT_EQ(LayoutControls(600, 180, cw, false).remark.x, 340 + cw + 5);
}

TEST(LayoutControls, ToolBarMovesEverythingDown) {
  const MainLayout l = LayoutControls(600, 180, 80, true);
  EXPECT_EQ(l.listPosition.y, 22);
  EXPECT_EQ(l.close.y, 177);
}

TEST(LayoutControls, TinyWindowGivesAnEmptyListNotANegativeOne) {
  const MainLayout l = LayoutControls(4, 20, 80, false);
  EXPECT_EQ(l.listWidth, 0);
  EXPECT_EQ(l.listHeight, 0);
}

TEST(StatusPartEdges, FixedPanesSitAtTheRightAndEmptyOnesAtTheEndAreLeftOut) {
  EXPECT_EQ(StatusPartEdges(600, 17, {0, 40, 120}), (std::vector<int>{423, 463, -1})) << "the last under the grip";
  EXPECT_EQ(StatusPartEdges(600, 17, {0, 40, 0}), (std::vector<int>{543, -1}));
  EXPECT_EQ(StatusPartEdges(600, 17, {0, 0, 50}), (std::vector<int>{533, 533, -1})) << "one between keeps its place";
  EXPECT_EQ(StatusPartEdges(100, 17, {0, 40, 120}), (std::vector<int>{0, 40, -1})) << "only the prompt is squeezed";
}

}  // namespace
}  // namespace ploxen::test

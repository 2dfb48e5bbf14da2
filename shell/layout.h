// Where the main window's list and button row go for a given free client
// area, and how the status bar shares its width among its panes.
#pragma once

#include <vector>

namespace ploxen {

struct Point {
  int x = 0;
  int y = 0;
};

struct MainLayout {
  Point listPosition;
  int listWidth = 0;
  int listHeight = 0;
  // Positions only: buttons and combo box keep their template sizes.
  Point close, clear, save, search, combo, remark;
};

// w, h: the free client rectangle's size; comboWidth: the combo box's current
// width, which decides where the remark button goes.
MainLayout LayoutControls(int w, int h, int comboWidth, bool hasToolBar);

// The right edges of the status bar's parts, as SB_SETPARTS takes them. Pane
// 0 stretches; every other pane is as wide as paneWidths says, and the last
// part reaches under the size grip (-1). Panes of width 0 at the end are left
// out, so that a pane with nothing to show takes no room at all.
std::vector<int> StatusPartEdges(int barWidth, int gripWidth, const std::vector<int>& paneWidths);

}  // namespace ploxen

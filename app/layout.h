// Where the main window's list and button row go for a given free client area.
#pragma once

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

}  // namespace ploxen

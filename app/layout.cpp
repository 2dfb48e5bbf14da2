#include "app/layout.h"

#include <algorithm>

namespace ploxen {

MainLayout LayoutControls(int w, int h, int comboWidth, bool hasToolBar) {
  const int t = hasToolBar ? 22 : 0;
  MainLayout l;
  l.listPosition = {3, t};
  // A window shrunk below the button row gets an empty list, not a negative one.
  l.listWidth = std::max(0, w - 6);
  l.listHeight = std::max(0, h - 31);
  const int row = h + t - 25;
  l.close = {5, row};
  l.clear = {90, row};
  l.save = {175, row};
  l.search = {260, row};
  l.combo = {340, row};
  l.remark = {345 + comboWidth, row};
  return l;
}

}  // namespace ploxen

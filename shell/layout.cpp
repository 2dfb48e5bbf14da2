#include "shell/layout.h"

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

std::vector<int> StatusPartEdges(int barWidth, int gripWidth, const std::vector<int>& paneWidths) {
  std::size_t count = paneWidths.size();
  while (count > 1 && paneWidths[count - 1] <= 0) --count;
  int fixed = 0;
  for (std::size_t i = 1; i < count; ++i) fixed += std::max(0, paneWidths[i]);
  std::vector<int> edges(count);
  // Too narrow a bar squeezes the stretching pane to nothing, never below.
  int right = std::max(0, barWidth - gripWidth - fixed);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) right += std::max(0, paneWidths[i]);
    edges[i] = i + 1 == count ? -1 : right;
  }
  return edges;
}

}  // namespace ploxen

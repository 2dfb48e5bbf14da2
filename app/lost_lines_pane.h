// The status bar's pane of lost lines: left out of the bar until a road lost
// a line. The roads count their lost lines as they go; the pane looks at the
// counts once a second, so that no line costs anything for it. At the same
// tick the status bar is told once when the log file cannot be written, and
// once when it can again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/modeless_main.h"
#include "roads/roads.h"

namespace ploxen {

class LostLinesPane {
 public:
  // frame: the window whose status bar's pane this is.
  LostLinesPane(CModelessMain& frame, const Roads& roads) : frame_(frame), roads_(roads) {}

  void Start();
  void Stop();
  // Its timer's tick; false for any other timer.
  bool OnTimer(UINT_PTR id);
  // The pane's tool tip; none for another pane.
  std::optional<std::string> ToolTip(std::size_t pane) const;

 private:
  CModelessMain& frame_;
  const Roads& roads_;
  std::uint64_t shown_ = 0;  // the total the pane shows
  bool logFailing_ = false;  // what the status bar last said of the log file
};

}  // namespace ploxen

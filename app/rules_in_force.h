// The view's rules as the main window changes them: the settings' rules put
// in force, a rule added from the row menu, every rule switched off; and the
// rules the view switched off for giving up on a row, told once each.
#pragma once

#include <windows.h>

#include <vector>

#include "app/list_catch_up.h"
#include "app/message_list_view.h"
#include "fw/window.h"
#include "search/view_rules.h"
#include "view/message_list_model.h"

namespace ploxen {

class RulesInForce {
 public:
  // rules: the settings' rules, which these commands change.
  RulesInForce(std::vector<ViewRule>& rules, MessageListModel& model, MessageListView& list, ListCatchUp& catchUp)
      : rules_(rules), model_(model), list_(list), catchUp_(catchUp) {}

  void Apply();
  // Refused with a word to the user when the rules are at their bound.
  void Add(const ViewRule& rule, HWND owner);
  void AllOff();
  // From the message loop, never from the middle of a paint or of a
  // sender's line.
  void TellSwitchedOff(const fw::Window& owner);

 private:
  std::vector<ViewRule>& rules_;
  MessageListModel& model_;
  MessageListView& list_;
  ListCatchUp& catchUp_;
  bool noticeOpen_ = false;
};

}  // namespace ploxen

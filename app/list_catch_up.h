// The list control and its count pane catch up with the rows taken: at
// least every 50 ms while lines arrive, less often where that is dear, and at
// once after a quiet spell; and filtering again after a rule change goes a
// slice per timer tick.
#pragma once

#include <windows.h>

#include <string>

#include "app/message_list_view.h"
#include "app/modeless_main.h"
#include "core/catch_up_pacer.h"
#include "view/message_list_model.h"

namespace ploxen {

class ListCatchUp {
 public:
  // frame: the window whose timers and count pane these are.
  ListCatchUp(CModelessMain& frame, MessageListModel& model, MessageListView& list)
      : frame_(frame), model_(model), list_(list) {}

  // Every line taken: the list catches up when it is time.
  void LineTaken();
  // The list is behind the rows: a quiet spell is waited for.
  void Behind();
  // The model filters every row again, a slice per tick.
  void Refilter();
  // The list and the count at once.
  void Now();
  // "120 / 5000" while rules hide rows, otherwise the count.
  void ShowCount();
  // The ticks of the timers above; false for any other timer.
  bool OnTimer(UINT_PTR id);

 private:
  void CatchUpTick();

  CModelessMain& frame_;
  MessageListModel& model_;
  MessageListView& list_;
  CatchUpPacer pacer_;
  bool timer_ = false;
  int shownCount_ = -1;
  std::string paneText_;
  unsigned linesTaken_ = 0;  // to notice a quiet spell
  unsigned linesAtLastTick_ = 0;
};

}  // namespace ploxen

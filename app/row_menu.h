// The row menu of the list: copy the row or every shown row, hide or show
// only the row's process, highlight its text, switch the rules off.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/message_list_view.h"
#include "core/row_store.h"
#include "search/view_rules.h"

namespace ploxen {

class RowMenu {
 public:
  // Shows the menu at a point of the screen for the row there, or from the
  // key (no point) for the selected row, below the list's corner; the
  // command chosen, 0 for none.
  int Track(HWND owner, const MessageListView& list, const MessageRows& rows, LPARAM point);

  // Whether an item that needs the row, or its process part, can be chosen;
  // false for any other command.
  bool Offers(unsigned id) const;
  // The row's text as copied; empty without a row.
  const std::string& RowText() const { return row_.text; }
  // The rule an item asks for: hiding or showing only the row's process at
  // once, a highlight of its text as the rule dialog leaves it. None when
  // the dialog was cancelled or the row has no process part.
  std::optional<ViewRule> RuleFor(int command, HWND owner) const;

 private:
  // The row the menu was opened for, as it was then: lines may arrive while
  // the menu is open, and the row limit may clear the list.
  struct Row {
    bool valid = false;
    std::string text;  // as copied
    std::string process;
    std::string message;
  };
  static Row Take(const MessageRows& rows, std::size_t row);

  Row row_;
};

}  // namespace ploxen

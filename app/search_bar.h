// The search bar of the main window: the search-term box, whose items are
// the history of terms kept in the profile, and "Suchen" in the list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/message_list_view.h"
#include "storage/profile.h"

namespace ploxen {

class SearchBar {
 public:
  // The box's items anew from the profile's terms.
  void Load(HWND combo, const Profile& profile);
  // The box's notifications (CBN_...): leaving it keeps or drops a term,
  // picking an item remembers which.
  void OnNotification(int code);
  // The next row holding the term typed; the user is told when there is no
  // term, or no row holds it.
  void Find(MessageListView& list, bool caseSensitive, HWND owner) const;
  // The box's items (UTF-8), as the profile keeps them.
  std::vector<std::string> Terms() const;

 private:
  std::string Term() const;

  HWND combo_ = nullptr;
  int rememberedTermIndex_ = -1;  // the item last picked
};

}  // namespace ploxen

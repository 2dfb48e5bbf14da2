// Copying rows: their text on the clipboard, and the user told what could
// not be copied.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/message_list_view.h"
#include "view/message_list_model.h"

namespace ploxen {

// The text on the clipboard in place of what was there; when it cannot be,
// the user is told why, and false returned.
bool CopyText(HWND owner, std::string_view text);
// Every row the list shows, or only the selected one (none: nothing is
// copied), as far as the clipboard's bound lets them; the user is told how
// many were left out.
void CopyRows(HWND owner, const MessageListModel& model, const MessageListView& list, bool allShown);

}  // namespace ploxen

#include "app/row_copy.h"

#include <vector>

#include "app/message_box.h"
#include "fw/controls.h"
#include "search/clipboard_text.h"

namespace ploxen {

bool CopyText(HWND owner, std::string_view text) {
  const char* failure = fw::Clipboard(owner).PutText(text);
  if (failure) Tell(owner, failure, MB_OK | MB_ICONEXCLAMATION);
  return !failure;
}

void CopyRows(HWND owner, const MessageListModel& model, const MessageListView& list, bool allShown) {
  std::vector<std::size_t> rows;
  if (allShown) {
    rows = model.ShownRows();
  } else if (list.SelectedRow() != kNoRow) {
    rows.push_back(list.SelectedRow());
  }
  if (rows.empty()) return;
  const ClipboardCopy copy = ClipboardText(model.Rows(), rows);
  if (CopyText(owner, copy.text) && copy.rows < rows.size())
    Tell(owner, LeftOutNotice(copy.rows, rows.size()), MB_OK | MB_ICONINFORMATION);
}

}  // namespace ploxen

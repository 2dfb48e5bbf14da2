#include "app/row_menu.h"

#include <windowsx.h>

#include "fw/window.h"
#include "pages/filter_page.h"
#include "res/resource.h"
#include "search/clipboard_text.h"

namespace ploxen {

namespace {

// How far below and right of the list's corner the menu opens from the key.
constexpr int kKeyMenuOffset = 20;

}  // namespace

int RowMenu::Track(HWND owner, const MessageListView& list, const MessageRows& rows, LPARAM point) {
  std::size_t row = kNoRow;
  POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  // The key gives -1 for both coordinates, which 64-bit Windows may hand
  // over zero-extended: the whole lParam is then not -1.
  const bool fromKey = at.x == -1 && at.y == -1;
  if (!fromKey) {
    POINT client = at;
    ScreenToClient(list.hwnd(), &client);
    row = list.RowAt(client);
  }
  if (row == kNoRow) row = list.SelectedRow();
  if (fromKey) {
    RECT r{};
    GetWindowRect(list.hwnd(), &r);
    at = {r.left + kKeyMenuOffset, r.top + kKeyMenuOffset};
  }
  row_ = row != kNoRow ? Take(rows, row) : Row{};
  HMENU menu = LoadMenuA(fw::Instance(), MAKEINTRESOURCEA(IDR_ROW_MENU));
  if (!menu) return 0;
  const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN;
  const int command = static_cast<int>(TrackPopupMenu(GetSubMenu(menu, 0), flags, at.x, at.y, 0, owner, nullptr));
  DestroyMenu(menu);
  return command;
}

RowMenu::Row RowMenu::Take(const MessageRows& rows, std::size_t row) {
  const MessageItem& item = rows.Row(row);
  Row taken;
  taken.valid = true;
  taken.text = ClipboardText(rows, {row}).text;
  taken.process = std::string(ProcessPart(item.Text(kColumnProcess)));
  taken.message = std::string(item.Text(kColumnMessage));
  return taken;
}

bool RowMenu::Offers(unsigned id) const {
  switch (id) {
    case IDM_COPY_ROW: case IDM_HIGHLIGHT_TEXT: return row_.valid;
    case IDM_HIDE_PROCESS: case IDM_ONLY_PROCESS: return row_.valid && !row_.process.empty();
    default: return false;
  }
}

std::optional<ViewRule> RowMenu::RuleFor(int command, HWND owner) const {
  if (command == IDM_HIDE_PROCESS || command == IDM_ONLY_PROCESS) {
    if (row_.process.empty()) return std::nullopt;
    return ProcessRule(row_.process, command == IDM_HIDE_PROCESS ? RuleAction::kHide : RuleAction::kShowOnly);
  }
  if (command != IDM_HIGHLIGHT_TEXT) return std::nullopt;
  CRuleDlg dialog;
  dialog.rule.action = RuleAction::kHighlight;
  dialog.rule.column = RuleColumn::kMessage;
  dialog.rule.pattern = row_.message;
  if (dialog.RunModal(IDD_RULE, owner) != IDOK) return std::nullopt;
  return dialog.rule;
}

}  // namespace ploxen

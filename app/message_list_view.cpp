#include "app/message_list_view.h"

#include <algorithm>

#include "fw/controls.h"
#include "fw/message_pointer.h"
#include "fw/wide_text.h"
#include "search/find.h"
#include "view/reading_order.h"

namespace ploxen {

namespace {
struct ColumnSpec {
  const char* header;
  int width;
};
constexpr ColumnSpec kColumns[kColumnCount] = {{"ProzessID,ThreadID", 114}, {"Uhrzeit", 74}, {"Meldungen", 400}};
}  // namespace

MessageListView::MessageListView(MessageListModel& model) : model_(model) {
  // The control forgets its rows before the model frees what it paints them from.
  model_.OnDeleting([this] {
    if (hwnd_) fw::ListView(hwnd_).DeleteAllItems();
  });
}

MessageListView::~MessageListView() { model_.OnDeleting(nullptr); }

bool MessageListView::Create(HWND parent) {
  hwnd_ = CreateWindowExW(0, WC_LISTVIEWW, L"", kListStyle, 10, 10, 450, 190, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListControlId)), GetModuleHandleW(nullptr),
                          nullptr);
  if (!hwnd_) return false;
  fw::GuardPointerMessages(hwnd_);
  fw::ListView control(hwnd_);
  control.SetExtendedStyle(kListExStyle);
  for (int i = 0; i < kColumnCount; ++i) {
    std::wstring header = fw::WideFromCp1252(kColumns[i].header);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumns[i].width;
    column.pszText = header.data();
    column.iSubItem = i;
    control.InsertColumn(i, column);
  }
  return true;
}

int MessageListView::SelectedItem() const {
  return fw::ListView(hwnd_).Selected();
}

ViewPlace MessageListView::Place() const {
  ViewPlace place;
  const int selected = SelectedItem();
  if (selected >= 0) place.selected = static_cast<std::size_t>(selected);
  const fw::ListView control(hwnd_);
  place.top = static_cast<std::size_t>(control.TopIndex());
  place.page = static_cast<std::size_t>(control.CountPerPage());
  return place;
}

bool MessageListView::CatchUp() {
  if (!hwnd_) return false;
  const bool dropped = ShowDropped();
  if (!model_.Behind() || model_.Refiltering()) return dropped;
  const bool follow = model_.Following() && model_.AtEnd(Place());
  if (!model_.CatchUp()) return dropped;
  const std::size_t count = model_.ListCount();
  // The new rows are at the end; the view neither scrolls nor redraws what it shows.
  fw::ListView control(hwnd_);
  control.SetItemCount(count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  if (follow && count > 0) control.EnsureVisible(static_cast<int>(count - 1));
  return true;
}

// The rows dropped since the last catch-up leave the control; the rows that
// stay keep their selection and their place on screen.
bool MessageListView::ShowDropped() {
  if (model_.Dropped() == 0) return false;
  const ViewPlace was = Place();
  Reshow(PlaceAfterDrop(was, model_.TakeDropped(), model_.ShownCount()));
  return true;
}

void MessageListView::SetFollowing(bool on) {
  model_.SetFollowing(on);
  const std::size_t count = model_.ListCount();
  if (on && hwnd_ && count > 0) fw::ListView(hwnd_).EnsureVisible(static_cast<int>(count - 1));
}

void MessageListView::SetRules(const std::vector<ViewRule>& rules) {
  model_.SetRules(rules);
  // A short list is done within the first slice, as if at once.
  if (RefilterSlice()) {
    model_.AskForRefilter();
  } else if (hwnd_) {
    InvalidateRect(hwnd_, nullptr, FALSE);  // the highlights may be others
  }
}

bool MessageListView::RefilterSlice() {
  switch (model_.RefilterSlice()) {
    case RefilterStep::kNone:
      return false;
    case RefilterStep::kMore:
      return true;
    case RefilterStep::kEnded:
      if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
      return false;
    case RefilterStep::kComplete:
      break;
  }
  if (!hwnd_) {
    model_.TakeOver(ViewPlace{});
    return false;
  }
  Reshow(model_.TakeOver(Place()));
  return false;
}

void MessageListView::Reshow(const ViewPlace& now) {
  const std::size_t count = model_.ListCount();
  // Emptied first: the control's selection and focus were by shown index.
  fw::ListView control(hwnd_);
  control.SetRedraw(false);
  control.SetItemCount(0, 0);
  control.SetItemCount(count, LVSICF_NOSCROLL);
  if (now.selected != RowFilter::kNoShownRow) SelectOnly(static_cast<int>(now.selected));
  if (count > 0) {
    // To the last row, then back up to the top, which leaves that row first on screen.
    control.EnsureVisible(static_cast<int>(count - 1));
    control.EnsureVisible(static_cast<int>(now.top));
  }
  control.SetRedraw(true);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

std::size_t MessageListView::SelectedRow() const {
  if (!hwnd_) return kNoRow;
  const int selected = SelectedItem();
  return selected < 0 ? kNoRow : model_.RowOf(static_cast<std::size_t>(selected));
}

std::size_t MessageListView::RowAt(POINT client) const {
  if (!hwnd_) return kNoRow;
  const int item = fw::ListView(hwnd_).ItemAt(client);
  return item < 0 ? kNoRow : model_.RowOf(static_cast<std::size_t>(item));
}

void MessageListView::SelectOnly(int item) {
  fw::ListView control(hwnd_);
  control.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  control.SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int MessageListView::FindNext(std::string_view term, bool caseSensitive) {
  if (!hwnd_) return -1;
  CatchUp();  // the search sees every row taken so far
  const int selected = SelectedItem();
  DeselectAll();
  const std::size_t hit = model_.FindNext(selected < 0 ? RowFilter::kNoShownRow : static_cast<std::size_t>(selected),
                                          term, caseSensitive);
  if (hit == kNoRow) return -1;
  const int row = static_cast<int>(hit);
  fw::ListView control(hwnd_);
  control.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  control.EnsureVisible(row);
  control.RedrawItems(row, row);
  return row;
}

void MessageListView::DeselectAll() {
  if (!hwnd_) return;
  fw::ListView control(hwnd_);
  for (int row = control.Selected(); row >= 0;) {
    const int next = control.NextItem(row, LVNI_SELECTED);
    control.SetItemState(row, 0, LVIS_SELECTED);
    if (next <= row) break;  // the control wraps no further
    row = next;
  }
  const int top = control.TopIndex();
  control.RedrawItems(top, top + control.CountPerPage());
  UpdateWindow(hwnd_);
}

bool MessageListView::AnswerNotification(const NMHDR& header, LRESULT& result) const {
  if (!hwnd_ || header.hwndFrom != hwnd_) return false;
  switch (header.code) {
    case LVN_GETDISPINFOA:
      GetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header)));
      result = 0;
      return true;
    case LVN_GETDISPINFOW:
      GetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      result = 0;
      return true;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      // Typing a letter into the list must neither select nor scroll.
      result = -1;
      return true;
    case LVN_ODCACHEHINT:
    case LVN_ODSTATECHANGED:
      // The rows are all in memory, and the selection is the control's own.
      result = 0;
      return true;
    default:
      return false;
  }
}

void MessageListView::GetDispInfo(NMLVDISPINFOW& info) const {
  LVITEMW& row = info.item;
  if (!(row.mask & LVIF_TEXT) || !row.pszText || row.cchTextMax <= 0) return;
  row.pszText[0] = L'\0';
  if (row.iItem < 0 || row.iSubItem < 0) return;
  const std::u16string wide = Utf8ToUtf16(
      model_.ShownText(static_cast<std::size_t>(row.iItem), static_cast<std::size_t>(row.iSubItem)));
  // A text longer than the buffer is cut on a character's boundary.
  const std::u16string_view fits = CutToUnits(wide, static_cast<std::size_t>(row.cchTextMax) - 1);
  fits.copy(reinterpret_cast<char16_t*>(row.pszText), fits.size());
  row.pszText[fits.size()] = L'\0';
}

void MessageListView::GetDispInfo(NMLVDISPINFOA& info) const {
  LVITEMA& row = info.item;
  if (!(row.mask & LVIF_TEXT) || !row.pszText || row.cchTextMax <= 0) return;
  row.pszText[0] = '\0';
  if (row.iItem < 0 || row.iSubItem < 0) return;
  // A program that asks narrow gets code page 1252, with "?" for what it lacks.
  const std::string text = Utf8ToCp1252(
      model_.ShownText(static_cast<std::size_t>(row.iItem), static_cast<std::size_t>(row.iSubItem)));
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(row.cchTextMax) - 1);
  text.copy(row.pszText, n);
  row.pszText[n] = '\0';
}

void MessageListView::DrawItem(const DRAWITEMSTRUCT& d) {
  const MessageItem* item = model_.ShownRow(d.itemID);
  if (!item) {
    // A row dropped since the last catch-up: nothing until the control forgets it.
    HBRUSH back = CreateSolidBrush(GetBkColor(d.hDC));
    FillRect(d.hDC, &d.rcItem, back);
    DeleteObject(back);
    return;
  }
  // A highlight rule's colours replace the row's own, for the screen only.
  bool repaint = false;
  const ViewRule* marked = model_.Highlight(d.itemID, repaint);
  // Rows painted before with that rule's colours get others.
  if (repaint) InvalidateRect(hwnd_, nullptr, FALSE);
  HDC dc = d.hDC;
  const fw::ListView control(hwnd_);
  const bool focused = GetFocus() == hwnd_;
  const COLORREF oldText = GetTextColor(dc);
  const COLORREF oldBack = GetBkColor(dc);
  bool highlighted = false;
  if (d.itemState & ODS_SELECTED) {
    if (focused) {
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
      FillRect(dc, &d.rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else {
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      FillRect(dc, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    }
    highlighted = true;
  } else {
    HBRUSH back = CreateSolidBrush(oldBack);
    FillRect(dc, &d.rcItem, back);
    DeleteObject(back);
  }
  if ((d.itemState & ODS_FOCUS) && focused) DrawFocusRect(dc, &d.rcItem);

  for (std::size_t i = 0; i < item->ColourCount() && i < kColumnCount; ++i) {
    RECT cell = control.SubItemRect(static_cast<int>(d.itemID), static_cast<int>(i), LVIR_LABEL);
    if (highlighted) {
      SetBkMode(dc, TRANSPARENT);
    } else {
      const ColourPair pair = marked ? ColourPair{marked->textColour, marked->backColour} : item->Colours(i);
      SetTextColor(dc, pair.text);
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, pair.back);
      HBRUSH back = CreateSolidBrush(pair.back);
      FillRect(dc, &cell, back);
      DeleteObject(back);
    }
    LVCOLUMNW column{};
    column.mask = LVCF_FMT;
    control.Column(static_cast<int>(i), column);
    UINT align = DT_LEFT;
    if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) align = DT_CENTER;
    if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) align = DT_RIGHT;
    cell.left += 2;
    cell.right -= 2;
    // Only the cells painted are converted, into one buffer kept for them.
    cellText_.clear();
    AppendUtf8AsUtf16(cellText_, item->Text(i));
    // The platform orders right-to-left runs and keeps combining marks on
    // their letter; a cell whose first letter is right-to-left reads so whole.
    const UINT reading = ReadsRightToLeft(item->Text(i)) ? DT_RTLREADING : 0;
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(cellText_.data()), static_cast<int>(cellText_.size()), &cell,
              align | reading | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

}  // namespace ploxen

// The list control that shows the rows: owner-drawn report view, three
// columns, each cell in its own colour pair. What it shows is the model's
// (MessageListModel): the control holds no items, only their count (owner
// data), and catches up in batches, so a flood of lines costs one redraw per
// batch, not one per line: an inserted item costs a quarter of a millisecond
// under Wine even with redraw off, while a new count costs the same for one
// row as for a thousand. This class only translates: it asks the model and
// sends the control its count, scroll position and selection.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "res/resource.h"
#include "view/message_list_model.h"

namespace ploxen {

constexpr int kListControlId = IDC_LIST;
// child, visible, border, tab stop, report, single selection, owner data, owner-drawn fixed
constexpr DWORD kListStyle = 0x50811405;
constexpr DWORD kListExStyle = 0x31;      // grid lines, full-row selection, header drag and drop

class MessageListView {
 public:
  explicit MessageListView(MessageListModel& model);
  ~MessageListView();
  MessageListView(const MessageListView&) = delete;
  MessageListView& operator=(const MessageListView&) = delete;

  bool Create(HWND parent);
  HWND hwnd() const { return hwnd_; }

  // Shows the rows taken so far that the rules let through, as many as one
  // slice of work filters. Returns true when rows were added.
  bool CatchUp();
  // New rules. When they show other rows, every row is filtered again a slice
  // at a time (RefilterSlice); meanwhile the list shows what it showed.
  void SetRules(const std::vector<ViewRule>& rules);
  // One slice of filtering again; once the new rows are complete the list
  // shows them (see PlaceAfterRefilter). True while there is more to do.
  bool RefilterSlice();
  // While on, the last row stays in view as rows arrive, unless the user
  // scrolled it out of view.
  void SetFollowing(bool on);

  // Row numbers of the store: the selected row, the row under a point of the
  // control's client area; kNoRow for none.
  std::size_t SelectedRow() const;
  std::size_t RowAt(POINT client) const;

  // From the row after the selected one, the first shown row holding the term in
  // any column; it is selected and scrolled fully into view. -1 when none
  // is, and then no row stays selected, so the next search starts at the top.
  int FindNext(std::string_view term, bool caseSensitive);
  void DeselectAll();

  void DrawItem(const DRAWITEMSTRUCT& item);
  // The control's notifications to its parent, answered as a list that keeps
  // no text of its own must: the texts it asks for, and nothing found,
  // cached or selected on its own. False for any other notification.
  bool AnswerNotification(const NMHDR& header, LRESULT& result) const;

 private:
  // The texts the control asks for: screen readers and other programs read
  // the rows this way, the drawing does not need them.
  void GetDispInfo(NMLVDISPINFOA& info) const;
  void GetDispInfo(NMLVDISPINFOW& info) const;

  // The selected item, -1 for none.
  int SelectedItem() const;
  ViewPlace Place() const;
  void SelectOnly(int item);
  bool ShowDropped();
  // The control takes the model's rows anew: the count, the selection, the top row.
  void Reshow(const ViewPlace& now);

  MessageListModel& model_;
  HWND hwnd_ = nullptr;
  std::u16string cellText_;  // the cell being drawn, as UTF-16
};

}  // namespace ploxen

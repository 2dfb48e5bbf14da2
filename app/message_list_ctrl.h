// The list control that shows the rows: owner-drawn report view, three
// columns, each cell in its own colour pair. Rows live in the model
// (MessageRows) the moment they are taken; the control catches up in batches,
// so a flood of lines costs one redraw per batch, not one per line. The
// control holds no items, only their count (owner data): an inserted item
// costs a quarter of a millisecond under Wine even with redraw off, while a
// new count costs the same for one row as for a thousand.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string_view>
#include <vector>

#include "core/row_store.h"
#include "res/resource.h"
#include "search/view_filter.h"

namespace ploxen {

constexpr int kListControlId = IDC_LIST;
// child, visible, border, tab stop, report, single selection, owner data, owner-drawn fixed
constexpr DWORD kListStyle = 0x50811405;
constexpr DWORD kListExStyle = 0x31;      // grid lines, full-row selection, header drag and drop

class MessageListCtrl : public RowStore {
 public:
  bool Create(HWND parent);
  HWND hwnd() const { return hwnd_; }

  // The row count is the model's: it includes rows not yet shown.
  int RowCount() const override { return model_.RowCount(); }
  void AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                 std::size_t stringCount) override;
  bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                      std::size_t blockSize) override;
  void DeleteAllRows() override;
  void UpdateListState() override { if (onStateChange_) onStateChange_(); }
  void ReserveMore(std::size_t rows) override { model_.ReserveMore(rows); }

  // Shows the rows taken so far that the rules let through, as many as one
  // slice of work filters. Returns true when rows were added.
  bool CatchUp();
  bool Behind() const { return view_.Shown().Looked() < model_.size(); }

  // New rules. When they show other rows, every row is filtered again a slice
  // at a time (RefilterSlice); meanwhile the list shows what it showed.
  void SetRules(const std::vector<ViewRule>& rules);
  // One slice of filtering again; once the new rows are complete the list
  // shows them (see PlaceAfterRefilter). True while there is more to do.
  bool RefilterSlice();
  // The rules as set, less those switched off for giving up on a row.
  const std::vector<ViewRule>& Rules() const { return view_.Rules(); }
  // The places of the rules switched off since the last call.
  std::vector<std::size_t> TakeSwitchedOff() { return view_.TakeSwitchedOff(); }
  // Some rule hides rows.
  bool Filtering() const { return view_.Filters(); }
  std::size_t ShownCount() const { return shown_; }
  // Row numbers of the store: the selected row (kNoRow for none), every row shown.
  std::size_t SelectedRow() const;
  std::vector<std::size_t> ShownRows() const { return view_.Shown().ShownRows(); }
  // The row under a point of the control's client area; kNoRow for none.
  std::size_t RowAt(POINT client) const;

  // While on, the last row stays in view as rows arrive, unless the user
  // scrolled it out of view.
  void SetFollowing(bool on);
  bool Following() const { return following_; }

  // From the row after the selected one, the first shown row holding the term in
  // any column; it is selected and scrolled fully into view. -1 when none
  // is, and then no row stays selected, so the next search starts at the top.
  int FindNext(std::string_view term, bool caseSensitive);
  void DeselectAll();

  // Not const: each row's highlight is worked out once and kept.
  void DrawItem(const DRAWITEMSTRUCT& item);
  // The control's notifications to its parent, answered as a list that keeps
  // no text of its own must: the texts it asks for, and nothing found,
  // cached or selected on its own. False for any other notification.
  bool AnswerNotification(const NMHDR& header, LRESULT& result) const;
  const MessageRows& Rows() const { return model_; }

  void OnStateChange(std::function<void()> f) { onStateChange_ = std::move(f); }
  // Called once when the first row of a batch is waiting.
  void OnBehind(std::function<void()> f) { onBehind_ = std::move(f); }
  // Called when filtering again begins and RefilterSlice is wanted.
  void OnRefilter(std::function<void()> f) { onRefilter_ = std::move(f); }
  // Called when a rule was switched off for giving up on a row.
  void OnRulesSwitchedOff(std::function<void()> f) { onRulesSwitchedOff_ = std::move(f); }

 private:
  // The texts the control asks for: screen readers and other programs read
  // the rows this way, the drawing does not need them.
  void GetDispInfo(NMLVDISPINFOA& info) const;
  void GetDispInfo(NMLVDISPINFOW& info) const;

  // After a row was taken: the first row of a batch wakes the view.
  void Taken(bool wasCurrent) {
    if (wasCurrent && onBehind_) onBehind_();
  }

  ViewPlace Place() const;
  bool AtEnd() const;
  void SelectOnly(int item);
  // The window is told when the view switched rules off since the count
  // was taken, and when it filters again.
  void Noticed(std::size_t switchedOffBefore);

  HWND hwnd_ = nullptr;
  MessageRows model_;
  ViewFilter view_;
  std::size_t shown_ = 0;  // the control's item count
  bool following_ = false;
  std::function<void()> onStateChange_;
  std::function<void()> onBehind_;
  std::function<void()> onRefilter_;
  std::function<void()> onRulesSwitchedOff_;
};

}  // namespace ploxen

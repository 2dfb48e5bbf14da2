// What the list of messages shows, without a window: the rows taken (the
// store the intake fills), the view's rules and the index of the rows they
// show, the count of them the list control shows, following the newest row,
// and finding a term in what is shown. The rows are taken at once and shown
// in batches: the control catches up (CatchUp) and asks here for its count,
// the rows it paints and where its view goes; it only passes that on.
//
// The row limit may drop the oldest rows on any line, many times between two
// catch-ups. The index here moves up at once; the control keeps its items
// until it catches up (TakeDropped), so everything it asks by item ("list
// index") is translated: the first Dropped() items are rows that went, the
// rest are shown rows in order. A selection or a top row thus never points
// at another row, and a flood costs one reset of the control per catch-up,
// not one per drop.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/row_store.h"
#include "search/view_rules.h"
#include "view/view_filter.h"

namespace ploxen {

// A step of filtering again after a rule change.
enum class RefilterStep {
  kNone,      // nothing was being filtered again
  kMore,      // the slice is over and rows are left
  kEnded,     // a rule switched off ended it: the rows in force stay, their highlights may be others
  kComplete,  // the new index is complete: TakeOver puts it in force
};

class MessageListModel : public RowStore {
 public:
  // The row count is the store's: it includes rows not yet shown.
  int RowCount() const override { return rows_.RowCount(); }
  void AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                 std::size_t stringCount) override;
  bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                      std::size_t blockSize) override;
  bool AppendUtf8BlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                          std::size_t blockSize) override;
  void DeleteAllRows() override;
  void DropOldestRows(std::size_t count) override;
  void UpdateListState() override {
    if (onStateChange_) onStateChange_();
  }
  void ReserveMore(std::size_t rows) override { rows_.ReserveMore(rows); }
  const MessageRows& Rows() const { return rows_; }

  // Rows were taken that the rules have not looked at yet.
  bool Behind() const { return view_.Shown().Looked() < rows_.size(); }
  // Shows the rows taken so far that the rules let through, as many as one
  // slice of work filters; nothing while filtering again. True when more
  // rows are shown now.
  bool CatchUp();

  // The rows shown, as the count pane counts them.
  std::size_t ShownCount() const { return shown_; }
  // The list control's item count: the rows shown and those dropped since
  // it last caught up.
  std::size_t ListCount() const { return shown_ + dropped_; }
  // Items of the control that are rows dropped since it last caught up; the
  // control takes the count and shows the rest from the top.
  std::size_t Dropped() const { return dropped_; }
  std::size_t TakeDropped() { return std::exchange(dropped_, 0); }
  // By list index: the row's number in the store (kNoRow for a row dropped
  // or past the rows shown), the row (nullptr likewise), a column's text
  // (empty likewise).
  std::size_t RowOf(std::size_t item) const;
  const MessageItem* ShownRow(std::size_t item) const;
  std::string_view ShownText(std::size_t item, std::size_t column) const;
  // Row numbers of the store, every row shown.
  std::vector<std::size_t> ShownRows() const { return view_.Shown().ShownRows(); }
  // Some rule hides rows.
  bool Filtering() const { return view_.Filters(); }

  // New rules. When they show other rows, every row is filtered again a
  // slice at a time (RefilterSlice); meanwhile the list shows what it showed.
  void SetRules(const std::vector<ViewRule>& rules) { view_.SetRules(rules); }
  // The rules as set, less those switched off for giving up on a row.
  const std::vector<ViewRule>& Rules() const { return view_.Rules(); }
  // The places of the rules switched off since the last call.
  std::vector<std::size_t> TakeSwitchedOff() { return view_.TakeSwitchedOff(); }
  bool Refiltering() const { return view_.Refiltering(); }
  // One slice of filtering again.
  RefilterStep RefilterSlice();
  // Puts the complete new index in force and says where the view goes, from
  // where it was by list index (see PlaceAfterRefilter); the rows shown are
  // the new ones, and the control holds none dropped once it takes them.
  ViewPlace TakeOver(const ViewPlace& was);
  // Asks the window for RefilterSlice until filtering again is done.
  void AskForRefilter() const {
    if (onRefilter_) onRefilter_();
  }

  // The highlight rule of a shown row by list index; nullptr for none. Not const: each
  // row's highlight is worked out once and kept. A rule that gives up on the
  // row is switched off on the way, and then repaint says that rows painted
  // with its colours need painting again.
  const ViewRule* Highlight(std::size_t shown, bool& repaint);

  // While on, the last row stays in view as rows arrive, when it was in view.
  void SetFollowing(bool on) { following_ = on; }
  bool Following() const { return following_; }
  // The last row shown is in view at that place.
  bool AtEnd(const ViewPlace& place) const { return LastRowInView(place.top, place.page, ListCount()); }

  // From the shown row after the selected one (from the first when none is),
  // the first shown row holding the term in any column; kNoRow when none is.
  // Both by list index.
  std::size_t FindNext(std::size_t selected, std::string_view term, bool caseSensitive) const;

  void OnStateChange(std::function<void()> f) { onStateChange_ = std::move(f); }
  // Called once when the first row of a batch is waiting.
  void OnBehind(std::function<void()> f) { onBehind_ = std::move(f); }
  // Called when filtering again begins and RefilterSlice is wanted.
  void OnRefilter(std::function<void()> f) { onRefilter_ = std::move(f); }
  // Called when a rule was switched off for giving up on a row.
  void OnRulesSwitchedOff(std::function<void()> f) { onRulesSwitchedOff_ = std::move(f); }
  // Called before every row goes, while the rows are still there: the
  // control forgets its items before the rows it paints them from are freed.
  void OnDeleting(std::function<void()> f) { onDeleting_ = std::move(f); }

 private:
  // After a row was taken: the first row of a batch wakes the view.
  void Taken(bool wasCurrent) {
    if (wasCurrent && onBehind_) onBehind_();
  }
  // The window is told when the view switched rules off since the count
  // was taken, and when it filters again.
  void Noticed(std::size_t switchedOffBefore);

  MessageRows rows_;
  ViewFilter view_;
  // A list index as a shown index of the index in force; kNoShownRow for a
  // row dropped.
  std::size_t Shown(std::size_t item) const { return item >= dropped_ ? item - dropped_ : RowFilter::kNoShownRow; }

  std::size_t shown_ = 0;
  std::size_t dropped_ = 0;  // shown rows dropped that the control still counts first
  bool following_ = false;
  std::function<void()> onStateChange_;
  std::function<void()> onBehind_;
  std::function<void()> onRefilter_;
  std::function<void()> onRulesSwitchedOff_;
  std::function<void()> onDeleting_;
};

}  // namespace ploxen

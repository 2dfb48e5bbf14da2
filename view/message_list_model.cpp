#include "view/message_list_model.h"

#include <algorithm>

#include "search/find.h"

namespace ploxen {

void MessageListModel::AppendRow(MessageKind kind, const MessageItem::ColourList& colours,
                                 const std::string_view* strings, std::size_t stringCount) {
  const bool wasCurrent = !Behind();
  rows_.AppendRow(kind, colours, strings, stringCount);
  Taken(wasCurrent);
}

bool MessageListModel::AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                                      std::size_t blockSize) {
  const bool wasCurrent = !Behind();
  if (!rows_.AppendBlockRow(kind, colours, block, blockSize)) return false;
  Taken(wasCurrent);
  return true;
}

bool MessageListModel::AppendUtf8BlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                                          std::size_t blockSize) {
  const bool wasCurrent = !Behind();
  if (!rows_.AppendUtf8BlockRow(kind, colours, block, blockSize)) return false;
  Taken(wasCurrent);
  return true;
}

void MessageListModel::DeleteAllRows() {
  if (onDeleting_) onDeleting_();
  shown_ = 0;
  dropped_ = 0;
  view_.Clear();
  rows_.DeleteAllRows();
}

void MessageListModel::DropOldestRows(std::size_t count) {
  count = std::min(count, rows_.size());
  if (count == 0) return;
  // The index first: the highlights and the shown rows are by row number.
  const std::size_t gone = view_.DropOldest(count);
  rows_.DropOldestRows(count);
  shown_ -= gone;
  dropped_ += gone;
}

void MessageListModel::Noticed(std::size_t switchedOffBefore) {
  if (view_.SwitchedOffCount() == switchedOffBefore) return;
  if (onRulesSwitchedOff_) onRulesSwitchedOff_();
  if (view_.Refiltering() && onRefilter_) onRefilter_();
}

bool MessageListModel::CatchUp() {
  if (!Behind() || view_.Refiltering()) return false;
  const std::size_t switchedOff = view_.SwitchedOffCount();
  view_.Extend(rows_, SliceOf(kViewSliceMs));
  Noticed(switchedOff);
  const std::size_t count = view_.Shown().ShownCount();
  if (count == shown_) return false;
  shown_ = count;
  return true;
}

std::size_t MessageListModel::RowOf(std::size_t item) const {
  const std::size_t shown = Shown(item);
  return shown < shown_ ? view_.Shown().Row(shown) : kNoRow;
}

const MessageItem* MessageListModel::ShownRow(std::size_t item) const {
  const std::size_t row = RowOf(item);
  return row == kNoRow ? nullptr : &rows_.Row(row);
}

std::string_view MessageListModel::ShownText(std::size_t item, std::size_t column) const {
  const MessageItem* row = ShownRow(item);
  if (!row || column >= kColumnCount) return {};
  return row->Text(column);
}

RefilterStep MessageListModel::RefilterSlice() {
  if (!view_.Refiltering()) return RefilterStep::kNone;
  const std::size_t switchedOff = view_.SwitchedOffCount();
  const bool done = view_.Work(rows_, SliceOf(kViewSliceMs));
  if (view_.SwitchedOffCount() != switchedOff && onRulesSwitchedOff_) onRulesSwitchedOff_();
  if (done) return RefilterStep::kComplete;
  return view_.Refiltering() ? RefilterStep::kMore : RefilterStep::kEnded;
}

ViewPlace MessageListModel::TakeOver(const ViewPlace& was) {
  const bool atEnd = AtEnd(was);
  const ViewPlace inForce = PlaceAfterDrop(was, TakeDropped(), shown_);
  const RowFilter before = view_.TakeOver();
  shown_ = view_.Shown().ShownCount();
  return PlaceAfterRefilter(before, view_.Shown(), inForce, following_ && atEnd);
}

const ViewRule* MessageListModel::Highlight(std::size_t item, bool& repaint) {
  repaint = false;
  const std::size_t row = RowOf(item);
  if (row == kNoRow) return nullptr;
  const std::size_t switchedOff = view_.SwitchedOffCount();
  const ViewRule* marked = view_.Highlight(rows_, row);
  if (view_.SwitchedOffCount() != switchedOff) {
    repaint = true;
    Noticed(switchedOff);
  }
  return marked;
}

std::size_t MessageListModel::FindNext(std::size_t selected, std::string_view term, bool caseSensitive) const {
  const std::size_t from = selected == RowFilter::kNoShownRow ? RowFilter::kNoShownRow : Shown(selected);
  const std::size_t start = from == RowFilter::kNoShownRow ? 0 : from + 1;
  const std::size_t hit = FindShownRow(rows_, view_.Shown(), start, term, caseSensitive);
  return hit == kNoRow ? kNoRow : hit + dropped_;
}

}  // namespace ploxen

#include "core/row_store.h"

#include <algorithm>
#include <stdexcept>

#include "core/text.h"

namespace ploxen {

static_assert(alignof(MessageItem) <= RowArena::kAlignment, "rows are laid out at the arena's alignment");

void MessageRows::AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                            std::size_t stringCount) {
  const std::size_t blockSize = MessageItem::BlockSize(strings, stringCount);
  if (blockSize > MessageItem::kMaxBlockSize) throw std::length_error("row text too long");
  void* const memory = memory_.AllocateInRun(MessageItem::Footprint(blockSize));
  Add(MessageItem::Build(memory, kind, colours, strings, stringCount));
}

bool RowStore::AppendUtf8BlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                                  std::size_t blockSize) {
  return IsValidUtf8(std::string_view(block, blockSize)) && AppendBlockRow(kind, colours, block, blockSize);
}

bool MessageRows::AppendBlock(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                              std::size_t blockSize, bool utf8Only) {
  if (blockSize > MessageItem::kMaxBlockSize || (blockSize > 0 && block[blockSize - 1] != '\0')) return false;
  // The block is checked as it is copied: one pass over it instead of two.
  void* const memory = memory_.AllocateInRun(MessageItem::Footprint(blockSize));
  bool utf8 = true;
  const MessageItem* const item = MessageItem::Build(memory, kind, colours, block, blockSize, utf8Only ? &utf8 : nullptr);
  if (item->StringCount() < colours.size() || !utf8) {
    memory_.GiveBack(memory);
    return false;
  }
  Add(item);
  return true;
}

void MessageRows::Add(const MessageItem* item) {
  rows_.push_back(item);
  if (!widestStale_ && item->ColourCount() > widest_) widest_ = item->ColourCount();
}

void MessageRows::DeleteAllRows() {
  // The index goes first, then the memory it points into. The index's own
  // memory is given back too; the rows' chunks are kept for the rows to come,
  // up to RowArena's limit.
  std::vector<const MessageItem*>().swap(rows_);
  first_ = 0;
  memory_.Release();
  widest_ = 0;
  widestStale_ = false;
}

void MessageRows::DropOldestRows(std::size_t count) {
  if (count == 0) return;
  if (count >= size()) {
    // The index keeps its room: a list that drops rows fills again.
    rows_.clear();
    first_ = 0;
    memory_.Release();
    widest_ = 0;
    widestStale_ = false;
    return;
  }
  // Rows go oldest first: the long rows one by one, the chunks up to the
  // last row dropped at once. Most lists have no long row: no row is read.
  const auto last = rows_.begin() + static_cast<std::ptrdiff_t>(first_ + count);
  bool lastWasOwn = false;
  auto from = rows_.begin() + static_cast<std::ptrdiff_t>(first_);
  for (const void* own = memory_.OldestOwn(); own; own = memory_.OldestOwn()) {
    from = std::find(from, last, own);
    if (from == last) break;
    memory_.DropOwn(own);
    lastWasOwn = ++from == last;
  }
  const std::size_t end = first_ + count;
  if (!lastWasOwn) memory_.DropChunksBefore(rows_[end - 1]);
  first_ = end;
  if (first_ >= rows_.size() - first_) {
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(first_));
    first_ = 0;
  }
  widestStale_ = true;
}

std::size_t MessageRows::WidestRow() const {
  if (widestStale_) {
    widest_ = 0;
    for (std::size_t r = first_; r < rows_.size(); ++r) widest_ = std::max(widest_, rows_[r]->ColourCount());
    widestStale_ = false;
  }
  return widest_;
}

}  // namespace ploxen

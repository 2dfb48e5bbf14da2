#include "core/row_store.h"

#include <algorithm>
#include <stdexcept>

namespace ploxen {

static_assert(alignof(MessageItem) <= RowArena::kAlignment, "rows are laid out at the arena's alignment");

void MessageRows::AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                            std::size_t stringCount) {
  const std::size_t blockSize = MessageItem::BlockSize(strings, stringCount);
  if (blockSize > MessageItem::kMaxBlockSize) throw std::length_error("row text too long");
  void* const memory = memory_.Allocate(MessageItem::Footprint(blockSize));
  Add(MessageItem::Build(memory, kind, colours, strings, stringCount));
}

bool MessageRows::AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                                 std::size_t blockSize) {
  if (blockSize > MessageItem::kMaxBlockSize || (blockSize > 0 && block[blockSize - 1] != '\0')) return false;
  // The block is checked as it is copied: one pass over it instead of two.
  void* const memory = memory_.Allocate(MessageItem::Footprint(blockSize));
  const MessageItem* const item = MessageItem::Build(memory, kind, colours, block, blockSize);
  if (item->StringCount() < colours.size()) {
    memory_.GiveBack(memory);
    return false;
  }
  Add(item);
  return true;
}

void MessageRows::Add(const MessageItem* item) {
  rows_.push_back(item);
  if (item->ColourCount() > widest_) widest_ = item->ColourCount();
}

void MessageRows::DeleteAllRows() {
  // The index goes first, then the memory it points into. The index's own
  // memory is given back too; the rows' chunks are kept for the rows to come,
  // up to RowArena's limit.
  std::vector<const MessageItem*>().swap(rows_);
  memory_.Release();
  widest_ = 0;
}

void MessageRows::DropOldestRows(std::size_t count) {
  if (count == 0) return;
  if (count >= rows_.size()) {
    // The index keeps its room: a list that drops rows fills again.
    rows_.clear();
    memory_.Release();
    widest_ = 0;
    return;
  }
  bool widestGone = false;
  for (std::size_t r = 0; r < count; ++r) {
    widestGone = widestGone || rows_[r]->ColourCount() == widest_;
    memory_.Drop(rows_[r]);
  }
  // The index never grows past the most rows it held; moving the rest up
  // costs a pointer per row kept, a few per row taken at a tenth a time.
  rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(count));
  if (widestGone) {
    widest_ = 0;
    for (const MessageItem* row : rows_) widest_ = std::max(widest_, row->ColourCount());
  }
}

}  // namespace ploxen

// What the entry point needs of the list, and the in-memory list itself.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "core/message_item.h"
#include "core/row_arena.h"

namespace ploxen {

// A store makes each row's item itself and owns it until its rows are deleted.
class RowStore {
 public:
  virtual ~RowStore() = default;
  virtual int RowCount() const = 0;
  // Appends a row at the end whose block holds the given strings.
  virtual void AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                         std::size_t stringCount) = 0;
  // Appends a row with a ready block, as a file holds it. A block that does
  // not end with a terminator or holds fewer strings than there are colour
  // pairs is refused: nothing is appended and the answer is false.
  virtual bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                              std::size_t blockSize) = 0;
  // As AppendBlockRow, and only when the block is valid UTF-8 as well; a
  // false leaves it to the caller to tell which it was not.
  virtual bool AppendUtf8BlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                                  std::size_t blockSize);
  // Frees every row's item.
  virtual void DeleteAllRows() = 0;
  // Frees the items of the oldest rows, as many as count (all when there
  // are fewer); the rows after them move up.
  virtual void DropOldestRows(std::size_t count) = 0;
  // Brings the row count display and the buttons that need rows up to date.
  virtual void UpdateListState() = 0;
  // Room for that many more rows, when the store can make it ahead.
  virtual void ReserveMore(std::size_t /*rows*/) {}
};

// The rows themselves, in order. A view draws from it and is told to catch up;
// the count and the row-limit check always see every row taken so far.
class MessageRows : public RowStore {
 public:
  MessageRows() = default;
  // A moved-from list holds no rows.
  MessageRows(MessageRows&& other) noexcept { *this = std::move(other); }
  MessageRows& operator=(MessageRows&& other) noexcept {
    memory_ = std::move(other.memory_);
    rows_ = std::exchange(other.rows_, {});
    first_ = std::exchange(other.first_, 0);
    widest_ = std::exchange(other.widest_, 0);
    widestStale_ = std::exchange(other.widestStale_, false);
    return *this;
  }
  int RowCount() const override { return static_cast<int>(size()); }
  void AppendRow(MessageKind kind, const MessageItem::ColourList& colours, const std::string_view* strings,
                 std::size_t stringCount) override;
  bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                      std::size_t blockSize) override {
    return AppendBlock(kind, colours, block, blockSize, false);
  }
  // The block is checked as it is copied: one pass over it.
  bool AppendUtf8BlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                          std::size_t blockSize) override {
    return AppendBlock(kind, colours, block, blockSize, true);
  }
  void DeleteAllRows() override;
  void DropOldestRows(std::size_t count) override;
  void UpdateListState() override {}

  std::size_t size() const { return rows_.size() - first_; }
  bool empty() const { return size() == 0; }
  const MessageItem& Row(std::size_t index) const { return *rows_[first_ + index]; }
  // The most colour pairs any row has; 0 for no rows.
  std::size_t WidestRow() const;
  void ReserveMore(std::size_t rows) override { rows_.reserve(rows_.size() + rows); }
  // The memory the rows take, to see that it stays bounded.
  const RowArena& Memory() const { return memory_; }
  std::size_t IndexCapacity() const { return rows_.capacity(); }

 private:
  bool AppendBlock(MessageKind kind, const MessageItem::ColourList& colours, const char* block, std::size_t blockSize,
                   bool utf8Only);
  void Add(const MessageItem* item);

  RowArena memory_;
  // The rows from first_ on; those before it were dropped. They are moved
  // out once they are as many as the rows kept: a pointer moved per row
  // dropped at most, and the index at most twice the rows it holds.
  std::vector<const MessageItem*> rows_;
  std::size_t first_ = 0;
  // Counted again when asked after rows were dropped: only a save asks,
  // and it reads every row anyway.
  mutable std::size_t widest_ = 0;
  mutable bool widestStale_ = false;
};

}  // namespace ploxen

// What the entry point needs of the list, and the in-memory list itself.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "core/message_item.h"

namespace ploxen {

class RowStore {
 public:
  virtual ~RowStore() = default;
  virtual int RowCount() const = 0;
  // Appends at the end; the store owns the item from now on.
  virtual void AppendRow(std::unique_ptr<MessageItem> item) = 0;
  // Frees every row's item.
  virtual void DeleteAllRows() = 0;
  // Brings the row count display and the buttons that need rows up to date.
  virtual void UpdateListState() = 0;
  // Room for that many more rows, when the store can make it ahead.
  virtual void ReserveMore(std::size_t /*rows*/) {}
};

// The rows themselves, in order. A view draws from it and is told to catch up;
// the count and the row-limit check always see every row taken so far.
class MessageRows : public RowStore {
 public:
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  void AppendRow(std::unique_ptr<MessageItem> item) override { rows_.push_back(std::move(item)); }
  void DeleteAllRows() override;
  void UpdateListState() override {}

  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const MessageItem& Row(std::size_t index) const { return *rows_[index]; }
  void Reserve(std::size_t rows) { rows_.reserve(rows); }
  void ReserveMore(std::size_t rows) override { rows_.reserve(rows_.size() + rows); }

 private:
  std::vector<std::unique_ptr<MessageItem>> rows_;
};

}  // namespace ploxen

// The record each list row owns: one colour pair per column, one block with
// the column strings back to back (each NUL-terminated), and the full kind.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/colours.h"
#include "core/message_kind.h"

namespace ploxen {

// Column order of every row.
enum Column : int { kColumnProcess = 0, kColumnTime = 1, kColumnMessage = 2, kColumnCount = 3 };

// A row's colour pairs, held inside the row: one per column at the most, so
// a row costs no allocation for its colours.
class ColourPairs {
 public:
  static constexpr std::size_t kCapacity = kColumnCount;

  ColourPairs() = default;
  ColourPairs(std::initializer_list<ColourPair> pairs) {
    for (const ColourPair& p : pairs) push_back(p);
  }
  // A pair beyond the capacity is not kept: no row has more columns.
  bool push_back(const ColourPair& pair) {
    if (count_ == kCapacity) return false;
    pairs_[count_++] = pair;
    return true;
  }
  std::size_t size() const { return count_; }
  const ColourPair& operator[](std::size_t i) const { return pairs_[i]; }

 private:
  std::array<ColourPair, kCapacity> pairs_{};
  std::size_t count_ = 0;
};

class MessageItem {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  using ColourList = ColourPairs;

  // Each row is one allocation: the record and its block behind it.
  //
  // Builds the block from the given strings. A string must not contain NUL;
  // anything after an embedded NUL would belong to the next column.
  static std::unique_ptr<MessageItem> Make(MessageKind kind, ColourList colours, const std::string_view* strings,
                                           std::size_t stringCount);

  // Copies a ready block, as a file holds it. Returns null when the block
  // ends without a terminator or holds fewer strings than there are colour
  // pairs, so that no row can be drawn from past its block.
  static std::unique_ptr<MessageItem> FromBlock(MessageKind kind, ColourList colours, const char* block,
                                                std::size_t blockSize);

  // For a reader that fills the block in place: blockSize bytes to fill
  // through MutableTextBlock, then the kind and pairs; Valid() must hold
  // before the row is handed to the list.
  static std::unique_ptr<MessageItem> WithBlock(std::size_t blockSize);
  char* MutableTextBlock() { return Block(); }
  void SetKindAndColours(MessageKind kind, ColourList colours) {
    kind_ = kind;
    colours_ = colours;
  }
  bool Valid() const;

  MessageItem(const MessageItem&) = delete;
  MessageItem& operator=(const MessageItem&) = delete;
  // The allocation holds the block too.
  static void operator delete(void* memory) { ::operator delete(memory); }

  MessageKind Kind() const { return kind_; }
  std::size_t ColourCount() const { return colours_.size(); }
  const ColourPair& Colours(std::size_t column) const { return colours_[column]; }

  // The whole block, terminators included.
  const char* TextBlock() const { return Block(); }
  std::size_t TextBlockSize() const { return textsSize_; }

  // Number of strings in the block (terminators counted).
  std::size_t StringCount() const;
  // Bytes of the first n strings with their terminators; npos when the block
  // holds fewer.
  std::size_t PrefixLength(std::size_t n) const;
  // String i of the block; empty when there is no such string.
  std::string_view Text(std::size_t index) const;

 private:
  MessageItem(MessageKind kind, ColourList colours, std::size_t blockSize)
      : colours_(colours), textsSize_(static_cast<std::uint32_t>(blockSize)), kind_(kind) {}
  static std::unique_ptr<MessageItem> Allocate(MessageKind kind, ColourList colours, std::size_t blockSize);
  char* Block() { return reinterpret_cast<char*>(this) + sizeof(MessageItem); }
  const char* Block() const { return reinterpret_cast<const char*>(this) + sizeof(MessageItem); }

  ColourList colours_;
  std::uint32_t textsSize_;
  MessageKind kind_;
};

}  // namespace ploxen

// The record each list row owns: one colour pair per column, one block with
// the column strings back to back (each NUL-terminated), and the full kind.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <type_traits>

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
  std::uint32_t count_ = 0;
};

class MessageItem {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  using ColourList = ColourPairs;

  // A row is the record with its block right behind it, built in memory that
  // the row store hands out (Footprint bytes, aligned for MessageItem) and
  // freed by the store with every other row; it owns nothing else.
  static std::size_t Footprint(std::size_t blockSize) { return sizeof(MessageItem) + blockSize; }
  // Bytes of the block the strings make, terminators included.
  static std::size_t BlockSize(const std::string_view* strings, std::size_t stringCount);
  // The largest block a row can hold.
  static constexpr std::size_t kMaxBlockSize = 0xFFFFFFFFu;

  // Builds the block from the given strings. A string must not contain NUL;
  // anything after an embedded NUL would belong to the next column.
  static MessageItem* Build(void* memory, MessageKind kind, const ColourList& colours,
                            const std::string_view* strings, std::size_t stringCount);
  // Copies a ready block, as a file holds it, counting its strings on the
  // way. The caller keeps the row only when the block ends with a terminator
  // and holds a string per colour pair, so that no column is ever drawn from
  // past it (MessageRows::AppendBlockRow). With validUtf8, it tells too
  // whether the block is valid UTF-8, checked as it is copied.
  static MessageItem* Build(void* memory, MessageKind kind, const ColourList& colours, const char* block,
                            std::size_t blockSize, bool* validUtf8 = nullptr);

  MessageItem(const MessageItem&) = delete;
  MessageItem& operator=(const MessageItem&) = delete;

  MessageKind Kind() const { return kind_; }
  std::size_t ColourCount() const { return colours_.size(); }
  const ColourPair& Colours(std::size_t column) const { return colours_[column]; }

  // The whole block, terminators included.
  const char* TextBlock() const { return Block(); }
  std::size_t TextBlockSize() const { return textsSize_; }

  // Number of strings in the block (terminators counted).
  std::size_t StringCount() const { return strings_; }
  // Bytes of the first n strings with their terminators; npos when the block
  // holds fewer.
  std::size_t PrefixLength(std::size_t n) const;
  // String i of the block; empty when there is no such string.
  std::string_view Text(std::size_t index) const;

 private:
  MessageItem(MessageKind kind, const ColourList& colours, std::size_t blockSize, std::size_t strings)
      : colours_(colours),
        textsSize_(static_cast<std::uint32_t>(blockSize)),
        strings_(static_cast<std::uint32_t>(strings)),
        kind_(kind) {}
  char* Block() { return reinterpret_cast<char*>(this) + sizeof(MessageItem); }
  const char* Block() const { return reinterpret_cast<const char*>(this) + sizeof(MessageItem); }

  ColourList colours_;
  std::uint32_t textsSize_;
  std::uint32_t strings_;  // every block is empty or ends with a terminator
  MessageKind kind_;
};

// The store frees rows without running anything of theirs.
static_assert(std::is_trivially_destructible<MessageItem>::value, "a row must own nothing but its memory");

}  // namespace ploxen

// The record each list row owns: one colour pair per column, one block with
// the column strings back to back (each NUL-terminated), and the full kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/colours.h"
#include "core/message_kind.h"

namespace ploxen {

// Column order of every row.
enum Column : int { kColumnProcess = 0, kColumnTime = 1, kColumnMessage = 2, kColumnCount = 3 };

class MessageItem {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  // The pairs are held by value in one growable array: one allocation per
  // row instead of one per column.
  using ColourList = std::vector<ColourPair>;

  // Builds the block from the given strings. A string must not contain NUL;
  // anything after an embedded NUL would belong to the next column.
  MessageItem(MessageKind kind, ColourList colours, const std::string_view* strings,
              std::size_t stringCount);

  // Takes a ready block, as a file holds it. Returns null when the block ends
  // without a terminator or holds fewer strings than there are colour pairs,
  // so that no row can be drawn from past its block.
  static std::unique_ptr<MessageItem> FromBlock(MessageKind kind, ColourList colours,
                                                std::unique_ptr<char[]> block,
                                                std::size_t blockSize);

  MessageKind Kind() const { return kind_; }
  std::size_t ColourCount() const { return colours_.size(); }
  const ColourPair& Colours(std::size_t column) const { return colours_[column]; }

  // The whole block, terminators included.
  const char* TextBlock() const { return texts_.get(); }
  std::size_t TextBlockSize() const { return textsSize_; }

  // Number of strings in the block (terminators counted).
  std::size_t StringCount() const;
  // Bytes of the first n strings with their terminators; npos when the block
  // holds fewer.
  std::size_t PrefixLength(std::size_t n) const;
  // String i of the block; empty when there is no such string.
  std::string_view Text(std::size_t index) const;

 private:
  MessageItem(MessageKind kind, ColourList colours, std::unique_ptr<char[]> block,
              std::size_t blockSize);

  ColourList colours_;
  std::unique_ptr<char[]> texts_;
  std::uint32_t textsSize_;
  MessageKind kind_;
};

}  // namespace ploxen

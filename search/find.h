// Finding the next row that holds a term, in any of its columns, with or
// without regard to case (code page 1252 upper-casing).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/row_store.h"

namespace ploxen {

// The upper case of every code page 1252 byte, as the platform's ANSI
// upper-casing gives it: a-z, the accented small letters, š œ ž ÿ.
const std::array<unsigned char, 256>& UpperCaseTable();
std::string ToUpperCp1252(std::string_view text);
// The other way: each letter of the upper table back to its small letter.
const std::array<unsigned char, 256>& LowerCaseTable();

// A term prepared once for a whole search: the upper-cased pattern and the
// bytes that can start a hit. Matching allocates nothing.
class TermMatcher {
 public:
  TermMatcher(std::string_view term, bool caseSensitive);
  bool Matches(std::string_view text) const;

 private:
  std::string pattern_;
  bool caseSensitive_;
  std::array<bool, 256> starts_{};  // bytes whose upper case is the pattern's first
};

constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

// The first row from start on with a string that holds the term; kNoRow when
// none does. An empty term is found nowhere.
std::size_t FindRow(const MessageRows& rows, std::size_t start, std::string_view term, bool caseSensitive);

}  // namespace ploxen

// Splits the optional "PID=...,TID=...,   time " prefix off a line.
#pragma once

#include <cstddef>
#include <string_view>

namespace ploxen {

constexpr std::size_t kPrefixPartMax = 49;  // process/thread and time columns

struct LinePrefix {
  std::string_view process;   // empty when the line has no prefix
  std::string_view time;      // empty when the line has no prefix
  std::size_t messageStart = 0;  // offset of the message part in the line
};

// Parts longer than kPrefixPartMax are cut, not rejected: the line keeps its
// columns and only the overlong part loses its end.
LinePrefix SplitPrefix(std::string_view line);

}  // namespace ploxen

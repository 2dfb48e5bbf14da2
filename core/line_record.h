// What a road hands the intake: the three columns of a row, its kind and the
// road it came by. A road that reads its fields itself fills the columns; the
// roads of text lines hand the line, whose prefix the intake splits.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "core/message_kind.h"

namespace ploxen {

constexpr std::int64_t kNoStamp = std::numeric_limits<std::int64_t>::min();

struct LineRecord {
  MessageKind kind = 0;
  MessageSource source = kSourceSystem;
  // Before cutting and trimming: the intake cuts each column at its first
  // NUL, the process and time columns at kPrefixPartMax, the message at
  // kMessageMax, and trims the message's line ends.
  std::string process;
  std::string time;
  std::string message;
  std::int64_t stampMs = kNoStamp;  // UTC milliseconds where the road has its own time
};

}  // namespace ploxen

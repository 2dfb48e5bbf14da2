// What a road hands the intake: the three columns of a row, its kind and the
// road it came by. A road that reads its fields itself fills the columns; the
// roads of text lines hand the line, whose prefix the intake splits.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

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

// The records of one round of a road that reads many lines at a time, their
// columns side by side in one piece of memory: a round costs a few
// allocations instead of several a line, which under Wine's heap are what
// bounds such a road. The columns are cut as a record's are; no own time.
class LineBatch {
 public:
  // For about this many lines and bytes of columns without growing.
  void Reserve(std::size_t lines, std::size_t bytes) {
    lines_.reserve(lines);
    text_.reserve(bytes);
  }
  void Add(MessageKind kind, MessageSource source, std::string_view process, std::string_view time,
           std::string_view message) {
    lines_.push_back(Line{kind, source, text_.size(), process.size(), time.size(), message.size()});
    text_.append(process).append(time).append(message);
  }
  // Emptied, its memory kept for the next round.
  void Clear() {
    lines_.clear();
    text_.clear();
  }
  std::size_t Size() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }
  std::size_t TextBytes() const { return text_.size(); }
  MessageKind Kind(std::size_t i) const { return lines_[i].kind; }
  MessageSource Source(std::size_t i) const { return lines_[i].source; }
  std::string_view Process(std::size_t i) const { return Column(lines_[i].start, lines_[i].processSize); }
  std::string_view Time(std::size_t i) const {
    return Column(lines_[i].start + lines_[i].processSize, lines_[i].timeSize);
  }
  std::string_view Message(std::size_t i) const {
    return Column(lines_[i].start + lines_[i].processSize + lines_[i].timeSize, lines_[i].messageSize);
  }

 private:
  struct Line {
    MessageKind kind;
    MessageSource source;
    std::size_t start;
    std::size_t processSize, timeSize, messageSize;
  };
  std::string_view Column(std::size_t start, std::size_t size) const { return std::string_view(text_).substr(start, size); }

  std::vector<Line> lines_;
  std::string text_;
};

}  // namespace ploxen

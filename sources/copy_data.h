// What a copy-data record means to each of its two receivers, apart from any
// window: the arguments of the intake's AddMessage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/line_stamp.h"
#include "core/message_kind.h"

namespace ploxen {

struct IncomingLine {
  MessageKind kind = 0;
  std::string text;
  MessageSource source = 0;
};

// The bytes up to the first NUL, never more than size of them; none without data.
std::string CopyDataText(const void* data, std::size_t size);

// The main window: the sender's number is the kind, the text goes on as it
// is, read by the 8-bit roads' rule. A record without data adds nothing.
std::optional<IncomingLine> MainWindowLine(std::uintptr_t number, const void* data, std::size_t size);

// The "DBWin32" receiver: the sender's number is not read; every line is a
// stamped debug line behind the unknown-process placeholder, even an empty one.
class ListenerLines {
 public:
  explicit ListenerLines(Clock clock = LocalTimeOfDay) : stamp_(std::move(clock)) {}

  // A new receiver window: stamping on, and no previous line.
  void Restart();
  // The record's text by the 8-bit roads' rule.
  IncomingLine Line(const void* data, std::size_t size);
  // type is a sender's message type; the copy-data road always passes 0.
  // text is UTF-8.
  IncomingLine StampedLine(int type, const std::string& text);

 private:
  LineStamp stamp_;
};

}  // namespace ploxen

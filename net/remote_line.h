// The remote line "sequence,computer,kind,text" that other computers send
// through the mailslot, and what the list makes of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/message_kind.h"

namespace ploxen {

// Both work areas, the received line and the composed one, hold this many
// characters; longer ones are cut, never written past.
constexpr std::size_t kRemoteLineMax = 1023;

struct RemoteLine {
  std::int32_t sequence = 0;
  MessageKind kind = 0;
  std::string_view computer;  // views into the parsed message
  std::string_view text;
};

// A decimal number as atol reads one: leading white space and one sign, then
// digits up to the first non-digit; no digits give 0. Beyond 32 bits the
// value saturates at the 32-bit limits, as the Windows C runtime's atol
// documents for its 32-bit long, instead of wrapping into an arbitrary value.
std::int32_t ReadDecimal(std::string_view field);

// A remote line's bytes (up to the first NUL) as UTF-8, by the 8-bit roads'
// rule over the whole line, whose mark may also lead its text field; `cut`
// when a bound cut it off, so that its end may be part of a character.
std::string RemoteLineText(std::string_view bytes, bool cut = false);

// Cuts the message (up to its first NUL, at most kRemoteLineMax characters)
// at its first three commas; the text is the rest, commas and all. None when
// a comma is missing.
std::optional<RemoteLine> ParseRemoteLine(std::string_view message);

// "(computer)  text", cut to kRemoteLineMax characters.
std::string ComposeRemoteLine(std::string_view computer, std::string_view text);

// Drops only a repeat of the number taken last. One per receiver: the
// program has one main window and so one receiver for its whole run.
class RemoteSequence {
 public:
  // False for a repeat, which leaves the last number as it was.
  bool Take(std::int32_t sequence) {
    if (sequence == last_) return false;
    last_ = sequence;
    return true;
  }
  std::int32_t Last() const { return last_; }

 private:
  std::int32_t last_ = -1;  // a first line numbered -1 counts as a repeat
};

}  // namespace ploxen

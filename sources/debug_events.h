// What the debug monitor says about a debugged program, apart from the
// debugging interface: the line of each event, and how debug-string pieces
// become lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/message_kind.h"

namespace ploxen {

// A formatted event line, like a debug-string piece, fits this work area.
constexpr std::size_t kDebugWorkArea = 512;

// The platform's name of a well-known exception code, or null.
const char* ExceptionName(std::uint32_t code);

// How the monitor continues an exception event: a breakpoint, a 32-bit
// program's one included, as handled; every other exception goes back to the
// program's own handlers.
enum class ExceptionContinuation { kHandled, kNotHandled };
ExceptionContinuation ContinuationOf(std::uint32_t code);

// Addresses and handles are written with all their bits: on a 64-bit system
// neither fits the 32 bits of the original formats.
std::string ExceptionLine(std::uint32_t code, std::uint64_t address);
std::string ThreadCreatedLine(std::int64_t handle);
std::string ThreadEndedLine(std::uint32_t exitCode);
std::string ProcessCreatedLine(std::string_view moduleName, std::int64_t handle);
std::string ProcessEndedLine(std::uint32_t exitCode);
// An empty name gives the unnamed form.
std::string DllLoadedLine(std::string_view moduleName, std::uint64_t base);
std::string DllUnloadedLine(std::uint64_t base);

// Bytes to read for a debug string whose length (NUL included) the event gives.
constexpr std::size_t DebugStringReadSize(std::uint16_t length) {
  return length < kDebugWorkArea ? length : kDebugWorkArea;
}
// UTF-16 units to read for a wide debug string, whose length the event gives
// in characters (NUL included): the same work area holds half as many.
constexpr std::size_t DebugStringReadUnits(std::uint16_t length) {
  return length < kDebugWorkArea / 2 ? length : kDebugWorkArea / 2;
}

// Collects debug-string pieces until one holds a line feed; what is left at
// the end is never shown. A line is UTF-8: the ANSI pieces next to each other
// in it are read together by the 8-bit roads' rule, wide pieces are UTF-16.
class DebugStringAccumulator {
 public:
  static constexpr std::size_t kAccumulatorMax = 64 * 1024;

  // piece: the bytes read, cut at the first NUL; `cut` when the piece was
  // longer than what was read, so that its end may be part of a character.
  // Returns the line to hand on when this piece completed one.
  std::optional<std::string> Add(const char* bytes, std::size_t size, bool cut = false);
  std::optional<std::string> AddWide(const char16_t* units, std::size_t count, bool cut = false);
  bool Pending() const { return !text_.empty() || !bytes_.empty(); }

 private:
  std::size_t Room() const { return kAccumulatorMax - text_.size() - bytes_.size(); }
  void ReadBytes();
  std::optional<std::string> LineIfEnded(bool ended);

  std::string text_;   // UTF-8
  std::string bytes_;  // ANSI pieces after it, not read yet
  bool bytesCut_ = false;
};

}  // namespace ploxen

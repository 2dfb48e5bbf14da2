// Frames on a TCP connection (RFC 6587): octet-counted "LEN SP MSG" and
// frames ended by a line feed, told apart per frame. One framer per
// connection, fed with whatever chunks the socket gives.
//
// Nothing is held beyond kFrameMax: a longer frame is handed on cut at
// kFrameMax, flagged, and its rest is passed over up to its end. A line's
// rest is counted, one lost line per kFrameMax of it: after one stray byte an
// octet-counted stream without line feeds reads as one endless line, and its
// frames must not vanish unseen. An octet
// count is believed only when it is one: a nonzero digit, at most
// kCountDigitsMax digits, then a blank. Anything else (a sign, a leading
// zero, letters, a number too long) makes the frame a line-feed one, so a
// lying count costs at most that one line. A count above kFrameMax is
// followed: its first kFrameMax bytes are the (cut) frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace ploxen {

constexpr std::size_t kFrameMax = 64 * 1024;
constexpr std::size_t kCountDigitsMax = 7;  // counts up to 9,999,999 bytes

class StreamFramer {
 public:
  enum class Mode {
    kSyslog,  // octet counting or line feed, per frame
    kLines,   // line feed only (the remote-line format)
  };
  // A frame without its count or its line end (a CR before the LF goes too);
  // cut is true when it was longer than kFrameMax, or the connection ended
  // inside an octet-counted frame. Empty lines give no frame.
  using Sink = std::function<void(std::string_view frame, bool cut)>;

  explicit StreamFramer(Mode mode) : mode_(mode) {}

  void Feed(std::string_view chunk, const Sink& sink);
  // At the end of the connection: an unfinished line is a frame, an
  // unfinished counted frame a cut one.
  void Finish(const Sink& sink);

  std::uint64_t CutFrames() const { return cutFrames_; }
  // Lines lost in the rest of overlong lines since the last call: one for
  // each whole kFrameMax passed over.
  std::uint64_t TakePassedOver() { return std::exchange(passedOver_, 0); }
  std::size_t Buffered() const { return buffer_.size() + digits_.size(); }

 private:
  enum class State { kStart, kCount, kCounted, kLine, kSkipCounted, kSkipLine };

  void Deliver(const Sink& sink, bool cut);
  void StartLine();
  // The steps of Feed, one per state: each takes what it can of the chunk
  // from position i and returns the position after it.
  void Start(char first);
  std::size_t TakeCount(std::string_view chunk, std::size_t i);
  std::size_t TakeCounted(std::string_view chunk, std::size_t i, const Sink& sink);
  std::size_t SkipCounted(std::string_view chunk, std::size_t i);
  std::size_t TakeLine(std::string_view chunk, std::size_t i, const Sink& sink);
  std::size_t SkipLine(std::string_view chunk, std::size_t i);

  Mode mode_;
  State state_ = State::kStart;
  std::string digits_;     // an octet count being read
  std::string buffer_;     // the frame so far, at most kFrameMax
  std::size_t remaining_ = 0;  // bytes still owed by a counted frame
  std::uint64_t cutFrames_ = 0;
  std::size_t skipped_ = 0;  // of the line being passed over, short of a kFrameMax
  std::uint64_t passedOver_ = 0;
};

}  // namespace ploxen

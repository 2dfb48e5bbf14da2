#include "net/stream_framer.h"

#include <algorithm>

namespace ploxen {

void StreamFramer::Deliver(const Sink& sink, bool cut) {
  if (cut) ++cutFrames_;
  std::string_view frame = buffer_;
  if (!cut && !frame.empty() && frame.back() == '\r') frame.remove_suffix(1);
  if (!frame.empty() || cut) sink(frame, cut);
  buffer_.clear();
}

void StreamFramer::StartLine() {
  // What looked like a count belongs to the line.
  buffer_ = digits_;
  digits_.clear();
  state_ = State::kLine;
}

void StreamFramer::Feed(std::string_view chunk, const Sink& sink) {
  std::size_t i = 0;
  while (i < chunk.size()) {
    switch (state_) {
      case State::kStart: Start(chunk[i]); break;
      case State::kCount: i = TakeCount(chunk, i); break;
      case State::kCounted: i = TakeCounted(chunk, i, sink); break;
      case State::kSkipCounted: i = SkipCounted(chunk, i); break;
      case State::kLine: i = TakeLine(chunk, i, sink); break;
      case State::kSkipLine: i = SkipLine(chunk, i); break;
    }
  }
}

void StreamFramer::Start(char first) {
  state_ = mode_ == Mode::kSyslog && first >= '1' && first <= '9' ? State::kCount : State::kLine;
}

std::size_t StreamFramer::TakeCount(std::string_view chunk, std::size_t i) {
  const char c = chunk[i];
  if (c >= '0' && c <= '9' && digits_.size() < kCountDigitsMax) {
    digits_ += c;
    return i + 1;
  }
  if (c == ' ' && !digits_.empty()) {
    remaining_ = 0;
    for (char d : digits_) remaining_ = remaining_ * 10 + static_cast<std::size_t>(d - '0');
    digits_.clear();
    state_ = State::kCounted;
    return i + 1;
  }
  StartLine();
  return i;
}

std::size_t StreamFramer::TakeCounted(std::string_view chunk, std::size_t i, const Sink& sink) {
  const std::size_t room = kFrameMax - buffer_.size();
  const std::size_t take = std::min({remaining_, room, chunk.size() - i});
  buffer_.append(chunk.data() + i, take);
  remaining_ -= take;
  if (remaining_ == 0) {
    Deliver(sink, false);
    state_ = State::kStart;
  } else if (buffer_.size() == kFrameMax) {
    Deliver(sink, true);
    state_ = State::kSkipCounted;
  }
  return i + take;
}

std::size_t StreamFramer::SkipCounted(std::string_view chunk, std::size_t i) {
  const std::size_t skip = std::min(remaining_, chunk.size() - i);
  remaining_ -= skip;
  if (remaining_ == 0) state_ = State::kStart;
  return i + skip;
}

std::size_t StreamFramer::TakeLine(std::string_view chunk, std::size_t i, const Sink& sink) {
  const std::size_t lf = chunk.find('\n', i);
  const std::size_t end = lf == std::string_view::npos ? chunk.size() : lf;
  const std::size_t room = kFrameMax - buffer_.size();
  if (end - i > room) {
    buffer_.append(chunk.data() + i, room);
    Deliver(sink, true);
    state_ = State::kSkipLine;
    skipped_ = 0;
    return i + room;
  }
  buffer_.append(chunk.data() + i, end - i);
  if (lf == std::string_view::npos) return end;
  Deliver(sink, false);
  state_ = State::kStart;
  return end + 1;
}

std::size_t StreamFramer::SkipLine(std::string_view chunk, std::size_t i) {
  const std::size_t lf = chunk.find('\n', i);
  const std::size_t end = lf == std::string_view::npos ? chunk.size() : lf;
  skipped_ += end - i;
  passedOver_ += skipped_ / kFrameMax;
  skipped_ %= kFrameMax;
  if (lf == std::string_view::npos) return end;
  state_ = State::kStart;
  return end + 1;
}

void StreamFramer::Finish(const Sink& sink) {
  switch (state_) {
    case State::kCount:
      StartLine();
      Deliver(sink, false);
      break;
    case State::kLine:
      Deliver(sink, false);
      break;
    case State::kCounted:
      Deliver(sink, true);
      break;
    default:
      break;
  }
  buffer_.clear();
  digits_.clear();
  remaining_ = 0;
  skipped_ = 0;
  state_ = State::kStart;
}

}  // namespace ploxen

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
      case State::kStart: {
        const char c = chunk[i];
        if (mode_ == Mode::kSyslog && c >= '1' && c <= '9') {
          state_ = State::kCount;
        } else {
          state_ = State::kLine;
        }
        break;
      }
      case State::kCount: {
        const char c = chunk[i];
        if (c >= '0' && c <= '9' && digits_.size() < kCountDigitsMax) {
          digits_ += c;
          ++i;
        } else if (c == ' ' && !digits_.empty()) {
          remaining_ = 0;
          for (char d : digits_) remaining_ = remaining_ * 10 + static_cast<std::size_t>(d - '0');
          digits_.clear();
          ++i;
          state_ = State::kCounted;
        } else {
          StartLine();
        }
        break;
      }
      case State::kCounted: {
        const std::size_t room = kFrameMax - buffer_.size();
        const std::size_t take = std::min({remaining_, room, chunk.size() - i});
        buffer_.append(chunk.data() + i, take);
        i += take;
        remaining_ -= take;
        if (remaining_ == 0) {
          Deliver(sink, false);
          state_ = State::kStart;
        } else if (buffer_.size() == kFrameMax) {
          Deliver(sink, true);
          state_ = State::kSkipCounted;
        }
        break;
      }
      case State::kSkipCounted: {
        const std::size_t skip = std::min(remaining_, chunk.size() - i);
        i += skip;
        remaining_ -= skip;
        if (remaining_ == 0) state_ = State::kStart;
        break;
      }
      case State::kLine: {
        const std::size_t lf = chunk.find('\n', i);
        const std::size_t end = lf == std::string_view::npos ? chunk.size() : lf;
        const std::size_t room = kFrameMax - buffer_.size();
        if (end - i > room) {
          buffer_.append(chunk.data() + i, room);
          i += room;
          Deliver(sink, true);
          state_ = State::kSkipLine;
          skipped_ = 0;
          break;
        }
        buffer_.append(chunk.data() + i, end - i);
        i = end;
        if (lf != std::string_view::npos) {
          ++i;
          Deliver(sink, false);
          state_ = State::kStart;
        }
        break;
      }
      case State::kSkipLine: {
        const std::size_t lf = chunk.find('\n', i);
        const std::size_t end = lf == std::string_view::npos ? chunk.size() : lf;
        skipped_ += end - i;
        passedOver_ += skipped_ / kFrameMax;
        skipped_ %= kFrameMax;
        i = end;
        if (lf != std::string_view::npos) {
          ++i;
          state_ = State::kStart;
        }
        break;
      }
    }
  }
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

// Per-source time stamp: time of day and the milliseconds since the source's
// previous stamped line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ploxen {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Injectable so that tests can stand on midnight or on one millisecond twice.
using Clock = std::function<TimeOfDay()>;

TimeOfDay LocalTimeOfDay();

class LineStamp {
 public:
  explicit LineStamp(Clock clock = LocalTimeOfDay);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }

  // Milliseconds since midnight of the previous stamped line; 0 = none yet.
  std::int32_t Previous() const { return previous_; }
  // A source that starts again begins without a previous line.
  void Restart() { previous_ = 0; }

  // "hh:mm:ss.mmm  (ddddms)   text", or the text unchanged while switched off.
  // The difference is negative across midnight and printed with its sign.
  std::string Stamp(std::string_view text);
  // The same as the time and message columns of a record: "hh:mm:ss.mmm" and
  // "(ddddms)   text"; while switched off, no time and the text.
  void StampColumns(std::string_view text, std::string& time, std::string& message);

 private:
  // "hh:mm:ss.mmm  (ddddms)   " into head; its length.
  std::size_t Head(char* head, std::size_t size);

  Clock clock_;
  bool enabled_ = true;
  std::int32_t previous_ = 0;
};

}  // namespace ploxen

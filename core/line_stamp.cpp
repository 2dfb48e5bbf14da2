#include "core/line_stamp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace ploxen {

TimeOfDay LocalTimeOfDay() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  const auto sinceEpoch = duration_cast<milliseconds>(now.time_since_epoch()).count();
  TimeOfDay t;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(((sinceEpoch % 1000) + 1000) % 1000);
  return t;
}

LineStamp::LineStamp(Clock clock) : clock_(std::move(clock)) {}

std::size_t LineStamp::Head(char* head, std::size_t size) {
  const TimeOfDay t = clock_();
  const std::int32_t now = t.hour * 3600000 + t.minute * 60000 + t.second * 1000 + t.millisecond;
  if (previous_ == 0) previous_ = now;
  const long difference = static_cast<long>(now) - static_cast<long>(previous_);
  previous_ = now;
  // A fast road stamps every line: the usual head is written digit by
  // digit, as the formatting call costs more than the rest of the line.
  constexpr char kUsual[] = "00:00:00.000  (00000ms)   ";
  constexpr std::size_t kUsualSize = sizeof kUsual - 1;
  if (size > kUsualSize && t.hour >= 0 && t.hour < 100 && t.minute >= 0 && t.minute < 100 && t.second >= 0 &&
      t.second < 100 && t.millisecond >= 0 && t.millisecond < 1000 && difference >= 0 && difference < 100000) {
    std::memcpy(head, kUsual, kUsualSize + 1);
    const auto digits = [head](std::size_t end, long value, int count) {
      for (; count > 0; --count, value /= 10) head[--end] = static_cast<char>('0' + value % 10);
    };
    digits(2, t.hour, 2);
    digits(5, t.minute, 2);
    digits(8, t.second, 2);
    digits(12, t.millisecond, 3);
    digits(20, difference, 5);
    return kUsualSize;
  }
  const int n = std::snprintf(head, size, "%02d:%02d:%02d.%03d  (%05ldms)   ", t.hour, t.minute, t.second,
                              t.millisecond, difference);
  return n > 0 ? std::min(static_cast<std::size_t>(n), size - 1) : 0;
}

std::string LineStamp::Stamp(std::string_view text) {
  if (!enabled_) return std::string(text);
  char head[80];
  const std::size_t headLength = Head(head, sizeof head);
  std::string line;
  line.reserve(headLength + text.size());
  line.append(head, headLength);
  line.append(text.data(), text.size());
  return line;
}

// Split where a stamped text line's prefix is split: the time ends at its
// blank, and the message starts two characters after it.
void LineStamp::StampColumns(std::string_view text, std::string& time, std::string& message) {
  if (!enabled_) {
    time.clear();
    message.assign(text.data(), text.size());
    return;
  }
  char head[80];
  const std::string_view stamped(head, Head(head, sizeof head));
  const std::size_t blank = std::min(stamped.find(' '), stamped.size());
  time.assign(stamped.data(), blank);
  const std::size_t start = std::min(blank + 2, stamped.size());
  message.reserve(stamped.size() - start + text.size());
  message.assign(stamped.data() + start, stamped.size() - start);
  message.append(text.data(), text.size());
}

}  // namespace ploxen

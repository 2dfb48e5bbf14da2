#include "core/line_stamp.h"

#include <chrono>
#include <cstdio>
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

std::string LineStamp::Stamp(std::string_view text) {
  if (!enabled_) return std::string(text);
  const TimeOfDay t = clock_();
  const std::int32_t now = t.hour * 3600000 + t.minute * 60000 + t.second * 1000 + t.millisecond;
  if (previous_ == 0) previous_ = now;
  char head[80];
  const int n = std::snprintf(head, sizeof head, "%02d:%02d:%02d.%03d  (%05ldms)   ", t.hour,
                              t.minute, t.second, t.millisecond,
                              static_cast<long>(now) - static_cast<long>(previous_));
  previous_ = now;
  std::string line;
  const std::size_t headLength = n > 0 ? static_cast<std::size_t>(n) : 0;
  line.reserve(headLength + text.size());
  line.append(head, headLength);
  line.append(text.data(), text.size());
  return line;
}

}  // namespace ploxen

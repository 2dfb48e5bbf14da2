#include "storage/log_plan.h"

#include <algorithm>
#include <cstdio>

namespace ploxen {

namespace {
constexpr std::size_t kStampSize = 1 + 8 + 1 + 6 + 1 + 3;  // "-YYYYMMDD-HHMMSS-NNN"

bool Digits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Stamp(const LogTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "-%04d%02d%02d-%02d%02d%02d-", t.year % 10000, t.month % 100, t.day % 100,
                t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}
}  // namespace

LogPlan::LogPlan(std::string path, LogRotation rotation) : rotation_(rotation) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  folder_ = path.substr(0, nameAt);
  std::string name = path.substr(nameAt);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    extension_ = name.substr(dot);
    name.erase(dot);
  }
  stem_ = name;
}

bool LogPlan::OwnName(std::string_view name) const {
  if (name.size() != stem_.size() + kStampSize + extension_.size()) return false;
  // Names on Windows do not care for case; the stamp is digits either way.
  auto same = [](std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
      return lower(x) == lower(y);
    });
  };
  if (!same(name.substr(0, stem_.size()), stem_) || !same(name.substr(name.size() - extension_.size()), extension_))
    return false;
  const std::string_view stamp = name.substr(stem_.size(), kStampSize);
  return stamp[0] == '-' && stamp[9] == '-' && stamp[16] == '-' && Digits(stamp.substr(1, 8)) &&
         Digits(stamp.substr(10, 6)) && Digits(stamp.substr(17, 3));
}

std::string LogPlan::NextName(const LogTime& now, const std::vector<std::string>& existing) const {
  // After the newest file of the log, so that a clock set back or a restart
  // within the same second never sorts a new file before an old one.
  const std::string stamp = Stamp(now);
  std::string newest;
  for (const std::string& name : existing)
    if (OwnName(name) &&
        (newest.empty() || name.compare(stem_.size(), kStampSize, newest, stem_.size(), kStampSize) > 0))
      newest = name;
  std::string base = stem_ + stamp;
  int sequence = 1;
  if (!newest.empty()) {
    const std::string newestStamp = newest.substr(stem_.size(), kStampSize - 3);
    if (newestStamp >= stamp) {
      base = stem_ + newestStamp;
      sequence = std::stoi(newest.substr(stem_.size() + kStampSize - 3, 3)) + 1;
      // A thousand files in one second: the next second's stamp, still after.
      if (sequence > 999) return NextName(LogTime{now.year, now.month, now.day, now.hour, now.minute, now.second + 1},
                                          existing);
    }
  }
  char seq[8];
  std::snprintf(seq, sizeof seq, "%03d", sequence);
  return base + seq + extension_;
}

bool LogPlan::NeedsNewFile(const LogTime& begun, const LogTime& now, std::uint64_t size, std::uint64_t header,
                           std::uint64_t more) const {
  if (rotation_.daily && !begun.SameDay(now)) return true;
  if (rotation_.maxBytes == 0 || size <= header) return false;
  return size + more > rotation_.maxBytes;
}

std::vector<std::string> LogPlan::ToDelete(const std::vector<std::string>& existing) const {
  std::vector<std::string> own;
  for (const std::string& name : existing)
    if (OwnName(name)) own.push_back(name);
  if (rotation_.keep <= 0 || own.size() <= static_cast<std::size_t>(rotation_.keep)) return {};
  // The stamps decide, not the stem's case.
  std::sort(own.begin(), own.end(), [this](const std::string& a, const std::string& b) {
    return a.compare(stem_.size(), kStampSize, b, stem_.size(), kStampSize) < 0;
  });
  own.resize(own.size() - static_cast<std::size_t>(rotation_.keep));
  return own;
}

}  // namespace ploxen

// The log file's rotation: which file the rows go into, when a new one
// starts (a size limit, a new day, or both), and which old ones go so that
// a chosen number stay. The clock is the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ploxen {

// Local wall time, to the second.
struct LogTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  bool SameDay(const LogTime& o) const { return year == o.year && month == o.month && day == o.day; }
};

struct LogRotation {
  std::uint64_t maxBytes = 0;  // 0: no size limit
  bool daily = false;
  int keep = 0;  // files kept, the one being written included; 0: all
};

// The files of one log: "C:\logs\ploxen.log" is written as
// "C:\logs\ploxen-20261209-021500-001.log" and its followers. The stamp is
// the time the file began; the sequence orders files begun within the same
// second (a flood fills a small limit several times a second), so plain
// name order is time order.
class LogPlan {
 public:
  LogPlan(std::string path, LogRotation rotation);

  const std::string& Folder() const { return folder_; }  // with its separator, or empty
  // The name (without folder) of a file begun at `now`, after every name in
  // `existing` of this log (names of the folder, others are passed over).
  std::string NextName(const LogTime& now, const std::vector<std::string>& existing) const;
  // True when the name is one of this log's files.
  bool OwnName(std::string_view name) const;
  // A file begun at `begun` that holds `size` bytes, of which `header` are
  // its own start, takes `more` bytes more at `now`, or a new file starts
  // first. A file of nothing but its header always takes the bytes, so a
  // row larger than the limit still gets written.
  bool NeedsNewFile(const LogTime& begun, const LogTime& now, std::uint64_t size, std::uint64_t header,
                    std::uint64_t more) const;
  // The oldest of this log's files in `existing` beyond the number kept
  // (the newest stay); names of other files are never among them.
  std::vector<std::string> ToDelete(const std::vector<std::string>& existing) const;

 private:
  std::string folder_, stem_, extension_;
  LogRotation rotation_;
};

}  // namespace ploxen

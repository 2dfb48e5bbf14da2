// The log file's writer: every row a live road brings is encoded into a
// memory buffer on the intake's thread, and written out by the caller's
// regular Flush (a worker, at least once a second) through a small file
// layer. A file that cannot be written keeps the rows up to a bound and is
// tried again every few seconds; rows beyond the bound are counted lost.
//
// Formats: text, one line per row, the three columns tab-separated, CR LF,
// UTF-8 with a byte order mark at the start of each new file; or the list's
// own binary file (version 2, UTF-8), whose row count in the header is set
// after every write, so that "Öffnen" reads every row written so far even
// while the file grows or after the process was killed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/message_kind.h"
#include "storage/log_plan.h"

namespace ploxen {

enum class LogFormat { kText = 0, kBinary = 1 };

// What the writer needs of files. Paths are the plan's folder and name.
class LogFileLayer {
 public:
  virtual ~LogFileLayer() = default;
  // Creates the file, or opens it to append when it exists, others still
  // able to read it; its size in `size`.
  virtual bool Open(const std::string& path, std::uint64_t& size) = 0;
  // All of the bytes at the end, or false and the file as it was before
  // (what a failed write left is cut off again).
  virtual bool Append(const char* data, std::size_t size) = 0;
  // Overwrites bytes already in the file (the binary header's count).
  virtual bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) = 0;
  virtual void Close() = 0;
  // The names (without folder) in a folder; empty when it cannot be read.
  virtual std::vector<std::string> Names(const std::string& folder) = 0;
  virtual bool Remove(const std::string& path) = 0;
};

class LogWriter {
 public:
  // Bytes of rows waiting for a file that cannot be written, at most, by
  // default: beyond it they are counted lost. About a second of a flood,
  // minutes of a busy program.
  static constexpr std::size_t kBacklogMax = 4u << 20;
  // The most one write takes: after a failure, what fits is written before
  // the disk is full again.
  static constexpr std::size_t kWriteMax = 256u << 10;
  static constexpr std::uint64_t kRetryMs = 3000;
  static constexpr std::size_t kBinaryHeaderSize = 12;  // version, row count, colour pairs

  LogWriter(LogFileLayer& files, std::string path, LogRotation rotation, LogFormat format,
            std::size_t backlogMax = kBacklogMax);
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // On the intake's thread: the row joins the buffer, or is counted lost.
  void Add(MessageKind kind, const std::string_view* strings, std::size_t count);
  // On the writer's own thread, with the wall time and a monotonic tick.
  // Writes what waits; after a failure only once kRetryMs have passed.
  void Flush(const LogTime& now, std::uint64_t tickMs);
  // The file is closed; rows still waiting stay for a later Flush.
  void Close();

  std::uint64_t Lost() const { return lost_.load(std::memory_order_relaxed); }
  // Rows taken and not yet written.
  std::uint64_t Waiting() const { return waiting_.load(std::memory_order_relaxed); }
  // The last write or open failed, and no later one succeeded.
  bool Failing() const { return failing_.load(std::memory_order_relaxed); }
  // The file rows go into now (its full path); empty before the first.
  std::string CurrentFile() const;

 private:
  // Rows as bytes, and where each ends, so that files split between rows.
  struct Rows {
    std::string bytes;
    std::vector<std::size_t> ends;
    void Clear() {
      bytes.clear();
      ends.clear();
    }
  };
  void Encode(MessageKind kind, const std::string_view* strings, std::size_t count);
  bool StartFile(const LogTime& now);
  bool WriteOut(const LogTime& now);
  void Fail(std::uint64_t tickMs);

  LogFileLayer& files_;
  LogPlan plan_;
  const LogFormat format_;
  const std::size_t backlogMax_;

  std::mutex mutex_;  // guards added_
  Rows added_;
  std::atomic<std::size_t> backlog_{0};  // bytes in added_ and unsent_
  std::atomic<std::uint64_t> lost_{0};
  std::atomic<std::uint64_t> waiting_{0};
  std::atomic<bool> failing_{false};

  // The writer's thread only.
  Rows unsent_;
  Rows taken_;  // the buffer last swapped out, kept for its capacity
  std::size_t unsentAt_ = 0;  // rows of unsent_ already written
  bool open_ = false;
  std::uint64_t size_ = 0, header_ = 0;
  std::uint32_t fileRows_ = 0;
  LogTime begun_;
  std::uint64_t retryAt_ = 0;
  mutable std::mutex nameMutex_;
  std::string current_;
  std::string scratch_;
};

}  // namespace ploxen

// The log file on Windows: told of every row by the intake, it hands the row
// to the portable writer, and a worker of its own writes the rows out four
// times a second with WriteFile, so that a row the window showed is in the
// system's cache, where a killed process cannot take it, within a second.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/intake.h"
#include "storage/log_writer.h"

namespace ploxen {

class LogFile : public RowObserver, private LogFileLayer {
 public:
  // How often the worker writes what waits; well inside the second the
  // rows may take to reach the file.
  static constexpr DWORD kWriteMs = 250;
  // How often the file is also flushed to the disk (FlushFileBuffers): for
  // a machine that loses power, not for a killed process, whose rows the
  // cache keeps. Measured in bench/flood: see docs/architecture.md.
  static constexpr ULONGLONG kDiskMs = 5000;

  LogFile() = default;
  ~LogFile() override { Stop(); }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // From now on into the log at path (its name is the base of the files'
  // names); a log already running is ended first. On the intake's thread.
  void Start(const std::string& path, LogRotation rotation, LogFormat format, std::size_t backlogBytes);
  // Writes what waits, then closes the file; rows that could not be
  // written are counted lost.
  void Stop();
  bool Running() const { return writer_ != nullptr; }
  LogFormat Format() const { return format_; }

  void RowAppended(MessageKind kind, MessageSource source, const std::string_view* strings,
                   std::size_t count) override;

  // Rows that never reached a file, over every log of this run.
  std::uint64_t Lost() const;
  // The file cannot be written now; PLOXEN tries again.
  bool Failing() const { return writer_ && writer_->Failing(); }
  // The file the rows go into; empty while none is open.
  std::string CurrentFile() const { return writer_ ? writer_->CurrentFile() : std::string(); }

 private:
  // LogFileLayer.
  bool Open(const std::string& path, std::uint64_t& size) override;
  bool Append(const char* data, std::size_t size) override;
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override;
  void Close() override;
  std::vector<std::string> Names(const std::string& folder) override;
  bool Remove(const std::string& path) override;

  void Work();
  void FlushNow();

  std::unique_ptr<LogWriter> writer_;
  LogFormat format_ = LogFormat::kText;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  ULONGLONG diskAt_ = 0;  // the next FlushFileBuffers
  std::uint64_t lostBefore_ = 0;
};

}  // namespace ploxen

// The "Datei verfolgen" road: a worker thread of its own that reads the
// files followed as they grow and hands their lines to the intake's queue.
// It never waits for the window: while the queue is full it leaves the bytes
// in the files, so only what is truncated or rotated away before it was read
// is lost, and that is counted.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/intake.h"
#include "core/line_stamp.h"
#include "fw/tail_files.h"
#include "sources/file_tail.h"

namespace ploxen {

class FileFollower {
 public:
  explicit FileFollower(MessageIntake& intake);
  ~FileFollower();
  FileFollower(const FileFollower&) = delete;
  FileFollower& operator=(const FileFollower&) = delete;

  // The files followed from now on. A file still named goes on where it
  // was; a new one starts with its last lastLines lines. The worker runs
  // while there is a file to follow.
  void Follow(const std::vector<std::string>& names, int lastLines);
  // Lines handed to no one are dropped and counted.
  void Stop();
  std::uint64_t Lost() const { return lost_.load(std::memory_order_relaxed); }

 private:
  struct Followed {
    std::unique_ptr<FileTail> tail;
    LineStamp stamp;
  };
  void Run();
  void TakeNames();
  enum class Round { kStill, kGrew, kMore };
  Round ReadRound();
  void CountLost();

  MessageIntake& intake_;
  fw::TailFiles files_;
  HANDLE wake_ = nullptr;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> lost_{0};

  std::mutex mutex_;  // the names asked for, taken over by the worker
  std::vector<std::string> names_;
  int lastLines_ = kTailLastLinesDefault;
  bool namesChanged_ = false;

  // The worker's own while it runs.
  std::vector<Followed> followed_;
  std::unique_ptr<LineBatch> waiting_;  // lines read, not yet in the intake's queue
  std::size_t batchBytes_ = 0;          // the last batch's, to reserve the next
  std::uint64_t lostGone_ = 0;          // of files no longer followed, and at stops
  // The lines of one read share its time: the local time is not asked per line.
  TimeOfDay roundTime_;
};

}  // namespace ploxen

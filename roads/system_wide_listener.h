// The "Systemweit" road: the system-wide capture, and a worker thread of its
// own that joins the pieces, names the programs, stamps each line and hands
// the records to the intake's queue. Neither waits for the window: while the
// queue is full (the row-limit question, a Save) the worker leaves the lines
// in the capture's queue, whose bound counts what it cannot keep.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>
#include <vector>

#include "core/intake.h"
#include "core/line_stamp.h"
#include "roads/system_debug_capture.h"
#include "sources/system_wide_lines.h"

namespace ploxen {

class SystemWideListener {
 public:
  explicit SystemWideListener(MessageIntake& intake);
  ~SystemWideListener();
  SystemWideListener(const SystemWideListener&) = delete;
  SystemWideListener& operator=(const SystemWideListener&) = delete;

  // The capture and its worker; the time differences start again. kBusy,
  // kDenied: another monitor reads the buffer, and nothing runs; kFailed:
  // StartError() says why.
  SystemDebugCapture::Begun Start();
  unsigned long StartError() const { return startError_; }
  // The objects are closed at once; lines not yet handed to the intake are
  // dropped and counted with the lost ones, and no process is held any more.
  void Stop();
  bool Running() const { return capture_.Capturing(); }
  bool Global() const { return capture_.Global(); }
  // Lines the capture had no room for since the program started, shown or
  // not yet shown as a red row, and those dropped at a stop.
  std::uint64_t Lost() const { return capture_.Lost() + droppedAtStop_; }

 private:
  // The worker's rounds: woken by the capture, and every kLookMs while lines,
  // pieces or records wait.
  void Run();
  bool HandOverWaiting();
  void TakeCaptured();
  bool Quiet();

  MessageIntake& intake_;
  SystemDebugCapture capture_;
  HANDLE wake_ = nullptr;  // set by the capture when lines come
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::uint64_t droppedAtStop_ = 0;
  unsigned long startError_ = 0;

  // The worker's own while it runs.
  Win32ProcessProbe probe_;
  ProgramNames names_{probe_};
  LineJoiner joiner_;
  std::int64_t stampTime_ = 0;  // arrival of the line being stamped
  LineStamp stamp_;
  std::vector<JoinedLine> lines_;
  std::deque<LineRecord> waiting_;  // records the intake's queue had no room for yet
  std::uint64_t lostShown_ = 0;
  std::int64_t lastSweepMs_ = 0;
};

}  // namespace ploxen

// The "Systemweit" road of the main window: the system-wide capture, and on
// the user-interface thread the taker of its lines, which joins pieces, names
// the programs, stamps each line and hands it on as a row. The capture never
// waits for this side: while the intake is busy (the row-limit question, a
// Save) lines wait in the capture's queue.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "core/line_stamp.h"
#include "core/message_kind.h"
#include "fw/window.h"
#include "roads/system_debug_capture.h"
#include "sources/system_wide_lines.h"

namespace ploxen {

class SystemWideListener : public fw::Window {
 public:
  using Deliver = std::function<void(MessageKind kind, const char* text)>;
  // False while lines should not be handed on yet.
  using Ready = std::function<bool()>;

  SystemWideListener(Deliver deliver, Ready ready);
  ~SystemWideListener() override;

  // A message-only window of its own takes the lines; its time differences
  // start again. kBusy, kDenied: another monitor reads the buffer, and
  // nothing runs; kFailed: StartError() says why.
  SystemDebugCapture::Begun Start();
  unsigned long StartError() const { return startError_; }
  // The objects are closed at once; lines not yet shown are dropped and
  // counted with the lost ones, and no process is held any more.
  void Stop();
  bool Running() const { return capture_.Capturing(); }
  bool Global() const { return capture_.Global(); }
  // Lines the capture had no room for since the program started, shown or
  // not yet shown as a red row.
  std::uint64_t Lost() const { return capture_.Lost() + droppedAtStop_; }

 protected:
  bool OnTimer(UINT_PTR id) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Take();

  Deliver deliver_;
  Ready ready_;
  SystemDebugCapture capture_;
  Win32ProcessProbe probe_;
  ProgramNames names_{probe_};
  LineJoiner joiner_;
  std::int64_t stampTime_ = 0;  // arrival of the line being stamped
  LineStamp stamp_;
  std::vector<JoinedLine> lines_;
  std::uint64_t lostShown_ = 0;
  std::uint64_t droppedAtStop_ = 0;
  unsigned long startError_ = 0;
  std::int64_t lastSweepMs_ = 0;
  bool taking_ = false;
  bool looking_ = false;  // the batch timer runs
};

}  // namespace ploxen

#include "roads/system_wide_listener.h"

#include "core/intake.h"

namespace ploxen {

namespace {
constexpr char kClassName[] = "PLOXEN_Systemweit";
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kTimerLines = 1;
// While lines come they are taken in batches; a piece waiting for its line
// feed is looked at as often.
constexpr UINT kLinesMs = 15;
constexpr std::int64_t kSweepMs = 500;
constexpr MessageKind kLineKind = 0x303;
constexpr MessageKind kLostKind = 0x103;
}  // namespace

SystemWideListener::SystemWideListener(Deliver deliver, Ready ready)
    : deliver_(std::move(deliver)),
      ready_(std::move(ready)),
      stamp_([this] { return CaptureTimeOfDay(stampTime_); }) {}

SystemWideListener::~SystemWideListener() { Stop(); }

SystemDebugCapture::Begun SystemWideListener::Start() {
  if (capture_.Capturing()) return SystemDebugCapture::Begun::kCapturing;
  startError_ = 0;
  if (!hwnd_ || !IsWindow(hwnd_)) {
    RegisterHiddenWindowClass(kClassName, 0);
    if (!Create(kClassName, kClassName, 0, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr)) {
      startError_ = GetLastError();
      return SystemDebugCapture::Begun::kFailed;
    }
  }
  stamp_.Restart();
  lostShown_ = capture_.Lost();
  HWND window = hwnd_;
  const auto begun = capture_.Begin([window] { PostMessageA(window, kWakeMessage, 0, 0); });
  if (begun != SystemDebugCapture::Begun::kCapturing) {
    startError_ = capture_.Error();
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
  return begun;
}

void SystemWideListener::Stop() {
  capture_.End();
  // What was not shown is counted as lines: those still queued, as they
  // would have been joined, and the pieces waiting for their line feed.
  std::vector<JoinedLine> dropped;
  capture_.Drain([this, &dropped](std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
    joiner_.Add(processId, arrivalMs, text, dropped);
  });
  droppedAtStop_ += dropped.size() + joiner_.Drop();
  lostShown_ = capture_.Lost();
  names_.Clear();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  looking_ = false;
}

bool SystemWideListener::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
  if (msg != kWakeMessage) return false;
  Take();
  if (!looking_) looking_ = SetTimer(hwnd_, kTimerLines, kLinesMs, nullptr) != 0;
  result = 0;
  return true;
}

bool SystemWideListener::OnTimer(UINT_PTR id) {
  if (id != kTimerLines) return false;
  Take();
  // Quiet: the capture wakes this side again with its next line.
  if (!taking_ && capture_.Empty() && !joiner_.Pending() && !capture_.Rearm()) {
    KillTimer(hwnd_, kTimerLines);
    looking_ = false;
  }
  return true;
}

// On the user-interface thread. A line handed on can open the row-limit
// question, whose message loop comes back here: that call leaves the rest
// to the one running.
void SystemWideListener::Take() {
  if (!capture_.Capturing()) return;
  // Taken over even while the lines wait: the processes may end meanwhile.
  auto adopt = [this](std::uint32_t processId, ProcessProbe::Handle process) { names_.Adopt(processId, process); };
  capture_.TakeOpened(adopt);
  if (taking_ || (ready_ && !ready_())) return;
  taking_ = true;
  const std::int64_t now = fw::SteadyWholeMs();
  // Its own batch: a Stop from within a question's message loop must not
  // pull the lines from under this loop.
  std::vector<JoinedLine> lines = std::move(lines_);
  lines.clear();
  capture_.Drain([this, &lines](std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
    joiner_.Add(processId, arrivalMs, text, lines);
  });
  joiner_.Flush(now, lines);
  capture_.TakeOpened(adopt);  // those opened with the lines just taken
  const std::uint64_t lost = capture_.Lost();
  for (const JoinedLine& line : lines) {
    const std::string program = names_.Name(line.processId, now);
    stampTime_ = line.arrivalMs;
    const std::string row = SystemWideRowText(line.processId, program, line.text, stamp_);
    deliver_(kLineKind, row.c_str());
  }
  lines_ = std::move(lines);
  // Where lines were lost, after the last that was kept.
  if (lost > lostShown_) {
    stampTime_ = now;
    const std::string row = std::string(kPlaceholderPrefix) + stamp_.Stamp(LostLinesText(lost - lostShown_));
    lostShown_ = lost;
    deliver_(kLostKind, row.c_str());
  }
  if (now - lastSweepMs_ >= kSweepMs) {
    names_.Sweep();
    lastSweepMs_ = now;
  }
  // Stopped from within a question: the lines named since hold processes.
  if (!capture_.Capturing()) names_.Clear();
  taking_ = false;
}

}  // namespace ploxen

#include "roads/system_wide_listener.h"

#include <algorithm>

#include "fw/platform.h"

namespace ploxen {

namespace {
// While lines come they are taken in batches; a piece waiting for its line
// feed, and records waiting for room in the intake's queue, are looked at as
// often.
constexpr DWORD kLookMs = 15;
constexpr std::int64_t kSweepMs = 500;
// Taken from the capture's queue at once: no more than the intake's queue
// holds, so that what cannot go on yet waits in the capture's bounded queue.
constexpr std::size_t kBatchMax = MessageIntake::kQueuedMax;
constexpr MessageKind kNoticeKind = 0x103;
}  // namespace

SystemWideListener::SystemWideListener(MessageIntake& intake)
    : intake_(intake), stamp_([this] { return CaptureTimeOfDay(stampTime_); }) {}

SystemWideListener::~SystemWideListener() {
  Stop();
  if (wake_) CloseHandle(wake_);
}

SystemDebugCapture::Begun SystemWideListener::Start() {
  if (capture_.Capturing()) return SystemDebugCapture::Begun::kCapturing;
  startError_ = 0;
  if (!wake_) wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!wake_) {
    startError_ = GetLastError();
    return SystemDebugCapture::Begun::kFailed;
  }
  stamp_.Restart();
  lostShown_ = capture_.Lost();
  HANDLE wake = wake_;
  const auto begun = capture_.Begin([wake] { SetEvent(wake); });
  if (begun != SystemDebugCapture::Begun::kCapturing) {
    startError_ = capture_.Error();
    return begun;
  }
  stop_ = false;
  worker_ = std::thread([this] { Run(); });
  return begun;
}

// The worker goes first: the capture's end closes the handles of processes
// it opened, which the worker takes over while it runs.
void SystemWideListener::Stop() {
  if (worker_.joinable()) {
    stop_ = true;
    SetEvent(wake_);
    worker_.join();
  }
  capture_.End();
  // What was not handed on is counted as lines: the records that waited for
  // room (not the road's own red row), those still queued, as they would
  // have been joined, and the pieces waiting for their line feed.
  std::vector<JoinedLine> dropped;
  capture_.Drain([this, &dropped](std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
    joiner_.Add(processId, arrivalMs, text, dropped);
  });
  droppedAtStop_ += static_cast<std::uint64_t>(std::count_if(
      waiting_.begin(), waiting_.end(), [](const LineRecord& r) { return r.kind != kNoticeKind; }));
  droppedAtStop_ += dropped.size() + joiner_.Drop();
  waiting_.clear();
  lostShown_ = capture_.Lost();
  names_.Clear();
}

void SystemWideListener::Run() {
  bool looking = true;
  while (!stop_.load(std::memory_order_acquire)) {
    WaitForSingleObject(wake_, looking ? kLookMs : INFINITE);
    if (stop_.load(std::memory_order_acquire)) break;
    TakeCaptured();
    looking = !Quiet();
  }
}

// False while the intake's queue has no room for what waits.
bool SystemWideListener::HandOverWaiting() {
  return waiting_.empty() || intake_.TryQueueFront(waiting_) == MessageIntake::TryResult::kQueued;
}

void SystemWideListener::TakeCaptured() {
  // Taken over even while the lines wait: the processes may end meanwhile.
  auto adopt = [this](std::uint32_t processId, ProcessProbe::Handle process) { names_.Adopt(processId, process); };
  capture_.TakeOpened(adopt);
  if (!HandOverWaiting()) return;
  const std::int64_t now = fw::SteadyWholeMs();
  lines_.clear();
  const std::size_t taken = capture_.Drain(
      [this](std::uint32_t processId, std::int64_t arrivalMs, std::string_view text) {
        joiner_.Add(processId, arrivalMs, text, lines_);
      },
      kBatchMax);
  // A piece's rest may still be among the lines left for later.
  if (taken < kBatchMax) joiner_.Flush(now, lines_);
  capture_.TakeOpened(adopt);  // those opened with the lines just taken
  const std::uint64_t lost = capture_.Lost();
  for (const JoinedLine& line : lines_) {
    stampTime_ = line.arrivalMs;
    waiting_.push_back(SystemWideRecord(line.processId, names_.Name(line.processId, now), line.text, stamp_));
  }
  // Where lines were lost, after the last that was kept.
  if (lost > lostShown_) {
    stampTime_ = now;
    waiting_.push_back(SystemWideNotice(LostLinesText(lost - lostShown_), stamp_));
    lostShown_ = lost;
  }
  HandOverWaiting();
  // Only once every line read is named: a process that ended lets its id go.
  if (taken < kBatchMax && now - lastSweepMs_ >= kSweepMs) {
    names_.Sweep();
    lastSweepMs_ = now;
  }
}

// Nothing to look at: the capture wakes the worker with its next line.
bool SystemWideListener::Quiet() {
  return waiting_.empty() && capture_.Empty() && !joiner_.Pending() && !capture_.Rearm();
}

}  // namespace ploxen

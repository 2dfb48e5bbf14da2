#include "roads/file_follower.h"

#include <algorithm>

#include "fw/platform.h"
#include "fw/tail_files.h"

namespace ploxen {

namespace {
// A file that grows is looked at again this soon; a still one at the slower pace.
constexpr DWORD kBusyMs = 5;
constexpr DWORD kStillMs = 150;
// One round reads no more of a file than this, so that the lines read wait
// in memory only as long as it takes the intake's queue to take them.
constexpr std::size_t kRoundBytes = 1 << 20;
constexpr std::size_t kRoundLines = MessageIntake::kQueuedMax;

}  // namespace

FileFollower::FileFollower(MessageIntake& intake) : intake_(intake) {}

FileFollower::~FileFollower() {
  Stop();
  if (wake_) CloseHandle(wake_);
}

void FileFollower::Follow(const std::vector<std::string>& names, int lastLines) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    names_ = names;
    lastLines_ = lastLines;
    namesChanged_ = true;
  }
  if (names.empty()) {
    Stop();
    return;
  }
  if (!wake_) wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (worker_.joinable()) {
    SetEvent(wake_);
    return;
  }
  stop_ = false;
  worker_ = std::thread([this] { Run(); });
}

void FileFollower::Stop() {
  if (!worker_.joinable()) return;
  stop_ = true;
  SetEvent(wake_);
  worker_.join();
  // Read but handed to no one.
  if (waiting_)
    for (std::size_t i = 0; i < waiting_->Size(); ++i) lostGone_ += waiting_->Kind(i) != FollowedFileLines::kNoticeKind;
  waiting_.reset();
  for (const Followed& f : followed_) lostGone_ += f.tail->LostLines();
  followed_.clear();
  CountLost();
}

void FileFollower::CountLost() {
  std::uint64_t lost = lostGone_;
  for (const Followed& f : followed_) lost += f.tail->LostLines();
  lost_.store(lost, std::memory_order_relaxed);
}

void FileFollower::TakeNames() {
  std::vector<std::string> names;
  int lastLines = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!namesChanged_) return;
    namesChanged_ = false;
    names = names_;
    lastLines = lastLines_;
  }
  std::vector<Followed> kept;
  for (const std::string& name : names) {
    auto same = std::find_if(followed_.begin(), followed_.end(),
                             [&](const Followed& f) { return f.tail && f.tail->Name() == name; });
    if (same != followed_.end()) {
      kept.push_back(std::move(*same));
    } else {
      Followed added{std::make_unique<FileTail>(files_, name, lastLines), LineStamp([this] { return roundTime_; })};
      kept.push_back(std::move(added));
    }
  }
  for (const Followed& f : followed_)
    if (f.tail) lostGone_ += f.tail->LostLines();
  followed_ = std::move(kept);
}

// Whether a file grew, and whether one has more to read than a round takes.
FileFollower::Round FileFollower::ReadRound() {
  const std::int64_t now = fw::SteadyWholeMs();
  Round round = Round::kStill;
  const std::size_t lines = std::max<std::size_t>(1, kRoundLines / std::max<std::size_t>(1, followed_.size()));
  if (!waiting_) {
    waiting_ = std::make_unique<LineBatch>();
    waiting_->Reserve(kRoundLines, batchBytes_);
  }
  for (Followed& f : followed_) {
    roundTime_ = LocalTimeOfDay();
    FollowedFileLines rows(*waiting_, *f.tail, f.stamp);
    const std::size_t before = waiting_->Size();
    if (f.tail->Poll(now, rows, lines, kRoundBytes)) round = std::max(round, Round::kGrew);
    if (waiting_->Size() - before >= lines) round = Round::kMore;
    rows.AddNotices();
  }
  batchBytes_ = std::max(batchBytes_, waiting_->TextBytes());
  CountLost();
  return round;
}

void FileFollower::Run() {
  DWORD wait = 0;
  while (!stop_.load(std::memory_order_acquire)) {
    if (wait) WaitForSingleObject(wake_, wait);
    if (stop_.load(std::memory_order_acquire)) break;
    TakeNames();
    if (waiting_ && !waiting_->Empty()) {
      const auto handed = intake_.TryQueueBatch(waiting_);
      if (handed == MessageIntake::TryResult::kClosed) break;
      // The queue is full: what is not read yet waits in the files.
      if (handed == MessageIntake::TryResult::kFull) {
        for (Followed& f : followed_) f.tail->NoteSize();
        wait = kBusyMs;
        continue;
      }
    }
    const Round round = ReadRound();
    const auto handed = intake_.TryQueueBatch(waiting_);
    if (handed == MessageIntake::TryResult::kClosed) break;
    // A file with more than a round took is read on at once while the
    // queue takes everything: a pause per round would bound the lines a
    // second by the pauses, not by the list.
    if (handed == MessageIntake::TryResult::kFull) wait = kBusyMs;
    else if (round == Round::kMore) wait = 0;
    else wait = round == Round::kGrew ? kBusyMs : kStillMs;
  }
}

}  // namespace ploxen

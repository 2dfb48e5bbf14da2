// The one hand-over from worker threads to the intake's thread: one wake-up
// per batch, a timer while lines keep coming, and no line left waiting with
// nobody coming for it, however the workers and the taker interleave.
#include "core/hand_over.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The intake's thread's message loop as the roads' window gives one: a
// posted wake-up first, then the timer when it is due.
class LoopPort : public HandOver::Port {
 public:
  void PostWake() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++posted_;
    most_ = std::max(most_, posted_);
    posted_cv_.notify_all();
  }
  void StartTicks() override {
    ticking_ = true;
    due_ = SteadyClock::now() + milliseconds(HandOver::kTickMs);
  }
  void StopTicks() override {
    ticking_ = false;
    if (onStop) onStop();
  }

  // One message, waiting for it up to `wait`: false when none came.
  bool PumpOne(HandOver& handOver, milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto until = ticking_ ? std::min(due_, SteadyClock::now() + wait) : SteadyClock::now() + wait;
    posted_cv_.wait_until(lock, until, [this] { return posted_ > 0; });
    if (posted_ > 0) {
      --posted_;
      lock.unlock();
      handOver.Woken();
      return true;
    }
    if (!ticking_ || SteadyClock::now() < due_) return false;
    due_ += milliseconds(HandOver::kTickMs);
    lock.unlock();
    handOver.Tick();
    return true;
  }
  // Messages for a while, as a nested message loop under a question does.
  void PumpFor(HandOver& handOver, milliseconds spell) {
    for (const auto end = SteadyClock::now() + spell; SteadyClock::now() < end;) PumpOne(handOver, milliseconds(1));
  }

  bool Ticking() const { return ticking_; }
  int Posted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_;
  }
  int MostPosted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return most_;
  }
  std::function<void()> onStop;  // runs as the timer stops: a worker queues right then

 private:
  std::mutex mutex_;
  std::condition_variable posted_cv_;
  int posted_ = 0;
  int most_ = 0;
  bool ticking_ = false;  // the intake's thread's own
  SteadyClock::time_point due_;
};

// Every row the intake stores, also those a row-limit question clears away.
class Rows : public RowObserver {
 public:
  void RowAppended(MessageKind, MessageSource, const std::string_view* strings, std::size_t) override {
    messages.emplace_back(strings[2]);
  }
  std::vector<std::string> messages;
};

class HandOverTest : public IntakeTest {
 protected:
  HandOverTest() { intake.ObserveRows(&rows); }
  // The intake's thread runs its loop until `done`; false when it did not
  // come to that within a generous time, lines left waiting for nobody.
  bool PumpUntil(const std::function<bool()>& done) {
    for (const auto end = SteadyClock::now() + std::chrono::seconds(30); !done();)
      if (!port.PumpOne(handOver, milliseconds(50)) && SteadyClock::now() > end) return false;
    return true;
  }
  LoopPort port;
  HandOver handOver{intake, port};
  Rows rows;
};

// Three workers, two that wait for room and one that must not, while the
// row-limit question keeps coming up and holds the taker in a nested loop:
// every line arrives, in each worker's order, and each batch woke the taker
// once. When all is quiet the timer stops, and a line long after it is taken
// by a wake-up of its own.
TEST_F(HandOverTest, BusyWorkersAndABusyTakerLoseNoLineAndNoWakeUp) {
  constexpr int kLines = 20000;
  switches.maxCount = 5000;
  dialogs.onAsk = [this] { port.PumpFor(handOver, milliseconds(5)); };
  auto waiting = [this](int worker) {
    for (int i = 0; i < kLines; ++i)
      intake.Queue(3, ("w" + std::to_string(worker) + " " + std::to_string(i)).c_str(), kSourceSystem);
  };
  auto neverWaiting = [this] {
    std::deque<LineRecord> lines;
    for (int i = 0; i < kLines; ++i) {
      LineRecord line;
      line.kind = 3;
      line.message = "w2 " + std::to_string(i);
      lines.push_back(std::move(line));
      if (intake.TryQueueFront(lines) == MessageIntake::TryResult::kFull) std::this_thread::yield();
    }
    while (!lines.empty()) intake.TryQueueFront(lines);
  };
  std::thread first(waiting, 0), second(waiting, 1), third(neverWaiting);
  const bool allTaken = PumpUntil([this] { return rows.messages.size() == 3u * kLines; });
  intake.CloseQueue();  // lets a worker go that still waits, should a line be missing
  first.join();
  second.join();
  third.join();
  ASSERT_TRUE(allTaken) << rows.messages.size() << " of " << 3 * kLines << " rows";
  EXPECT_GT(dialogs.questions.size(), 1u);
  EXPECT_EQ(port.MostPosted(), 1) << "one wake-up on its way at most";

  std::map<std::string, int> next;
  for (const std::string& message : rows.messages) {
    const std::string worker = message.substr(0, message.find(' '));
    ASSERT_EQ(message, worker + " " + std::to_string(next[worker]++)) << "in each worker's order";
  }
}

TEST_F(HandOverTest, TheTimerStopsWhenQuietAndTheNextLineWakesTheTakerAgain) {
  switches.maxCount = 0;
  for (const char* late : {"eins", "zwei"}) {
    std::thread([this, late] { intake.Queue(3, late, kSourceSystem); }).join();
    ASSERT_TRUE(PumpUntil([&] { return !rows.messages.empty() && rows.messages.back() == late; }));
    ASSERT_TRUE(PumpUntil([this] { return !port.Ticking(); })) << "quiet: the timer stops";
    EXPECT_FALSE(handOver.Armed());
    EXPECT_EQ(port.Posted(), 0);
  }
}

// A worker queues just as the timer stops, after the tick's last look: the
// flag it finds down makes it wake the taker.
TEST_F(HandOverTest, ALineQueuedAsTheTimerStopsIsWokenFor) {
  switches.maxCount = 0;
  intake.Queue(3, "zuerst", kSourceSystem);
  port.onStop = [this] {
    port.onStop = nullptr;
    std::thread([this] { intake.Queue(3, "knapp", kSourceSystem); }).join();
  };
  ASSERT_TRUE(PumpUntil([this] { return rows.messages.size() == 2; }));
  EXPECT_EQ(rows.messages.back(), "knapp");
}

// The wake-up arrives while a call runs under the row-limit question: the
// timer keeps running through it, the lines wait for that call and follow
// its own line.
TEST_F(HandOverTest, AWakeUpWhileACallRunsLeavesItsLinesToThatCall) {
  switches.maxCount = 1;
  Add(3, "alt");
  bool tickingDuringQuestion = false;
  dialogs.onAsk = [&] {
    dialogs.onAsk = nullptr;
    std::thread([this] { intake.Queue(3, "waehrend der Frage", kSourceSystem); }).join();
    port.PumpFor(handOver, milliseconds(3 * HandOver::kTickMs));
    tickingDuringQuestion = port.Ticking();
    EXPECT_EQ(intake.HeldLineCount(), 0u);
    EXPECT_TRUE(intake.QueuedWaiting()) << "left to the running call";
  };
  intake.AddMessage(3, "neu", kSourceSystem);
  EXPECT_TRUE(tickingDuringQuestion);
  ASSERT_EQ(rows.messages.size(), 3u);  // "alt", and after the answer "neu", then the queued line
  EXPECT_EQ(rows.messages[1], "neu");
  EXPECT_EQ(rows.messages[2], "waehrend der Frage");
  EXPECT_TRUE(PumpUntil([this] { return !port.Ticking(); }));
}

}  // namespace
}  // namespace ploxen::test

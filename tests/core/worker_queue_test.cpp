// Lines that a worker thread queues for the intake's own thread.
#include "tests/support/intake_fixture.h"

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <thread>

namespace ploxen::test {
namespace {

// A record whose message is the text, as a remote line over the network.
LineRecord Line(MessageKind kind, std::string_view text) {
  LineRecord record;
  record.kind = kind;
  record.message = std::string(text);
  return record;
}

class WorkerQueueTest : public IntakeTest {
 protected:
  WorkerQueueTest() { intake.OnQueued([this] { ++wakes; }); }
  bool Queue(const char* text) { return intake.Queue(100, text, kSourceSystem); }
  int wakes = 0;
};

TEST_F(WorkerQueueTest, QueuedLinesComeFirstInOrderAndWakeOncePerBatch) {
  EXPECT_TRUE(Queue("w1"));
  EXPECT_TRUE(Queue("w2"));
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(rows.size(), 0u);  // nothing until the intake's thread takes them
  Add(3, "later, by another road");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(MessageAt(0), "w1");
  EXPECT_EQ(MessageAt(1), "w2");
  EXPECT_EQ(MessageAt(2), "later, by another road");
  EXPECT_TRUE(Queue("w3"));
  EXPECT_EQ(wakes, 2);
  intake.TakeQueued();
  intake.TakeQueued();  // a second wake-up finds nothing
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(MessageAt(3), "w3");
}

TEST_F(WorkerQueueTest, LinesQueuedDuringTheRowLimitQuestionAreTakenAfterIt) {
  switches.maxCount = 2;
  Add(3, "alt");
  Add(3, "alt");
  dialogs.onAsk = [&] {
    dialogs.onAsk = nullptr;
    Queue("waehrend der Frage");
    intake.TakeQueued();  // the wake-up arrives while the question is open
  };
  Add(3, "neu");
  EXPECT_EQ(dialogs.questions.size(), 1u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MessageAt(0), "neu");
  EXPECT_EQ(MessageAt(1), "waehrend der Frage");
}

TEST_F(WorkerQueueTest, AFullQueueHoldsTheWorkerUntilTakenAndClosingReleasesIt) {
  switches.maxCount = 0;
  std::atomic<int> queued{0};
  std::thread worker([&] {
    while (Queue("zeile")) ++queued;
  });
  while (queued < static_cast<int>(MessageIntake::kQueuedMax)) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(queued, static_cast<int>(MessageIntake::kQueuedMax));  // waiting, not growing
  intake.TakeQueued();
  while (queued <= static_cast<int>(MessageIntake::kQueuedMax)) std::this_thread::yield();  // room again
  intake.CloseQueue();
  worker.join();
  EXPECT_FALSE(Queue("nach dem Schliessen"));
  intake.TakeQueued();
  EXPECT_EQ(rows.size(), MessageIntake::kQueuedMax);  // what waited at the close is dropped
}

TEST_F(WorkerQueueTest, TryQueueNeverWaitsAndTellsFullFromClosed) {
  switches.maxCount = 0;
  using Result = MessageIntake::TryResult;
  const auto tryQueue = [this](std::string_view text) {
    std::deque<LineRecord> one{Line(100, text)};
    return intake.TryQueueFront(one);
  };
  for (std::size_t i = 0; i < MessageIntake::kQueuedMax; ++i) ASSERT_EQ(tryQueue("zeile"), Result::kQueued);
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(tryQueue("zu viel"), Result::kFull);
  intake.TakeQueued();
  ASSERT_EQ(rows.size(), MessageIntake::kQueuedMax);
  // Room again: the next batch wakes the taker once more, in order with Queue.
  EXPECT_EQ(tryQueue(std::string_view("danach\0Rest", 11)), Result::kQueued);
  EXPECT_TRUE(Queue("mit Queue"));
  EXPECT_EQ(wakes, 2);
  intake.TakeQueued();
  ASSERT_EQ(rows.size(), MessageIntake::kQueuedMax + 2);
  EXPECT_EQ(MessageAt(MessageIntake::kQueuedMax), "danach");  // cut at a NUL like every road
  EXPECT_EQ(MessageAt(MessageIntake::kQueuedMax + 1), "mit Queue");
  intake.CloseQueue();
  EXPECT_EQ(tryQueue("geschlossen"), Result::kClosed);
}

TEST_F(WorkerQueueTest, ABatchTakesWhatFitsInOrderAndKeepsTheRest) {
  switches.maxCount = 0;
  using Result = MessageIntake::TryResult;
  std::deque<LineRecord> lines;
  for (std::size_t i = 0; i < MessageIntake::kQueuedMax - 1; ++i) lines.push_back(Line(100, "vorher"));
  EXPECT_EQ(intake.TryQueueFront(lines), Result::kQueued);
  EXPECT_TRUE(lines.empty());
  lines = {Line(0x103, "passt"), Line(100, "wartet 1"), Line(100, "wartet 2")};
  EXPECT_EQ(intake.TryQueueFront(lines), Result::kFull);
  ASSERT_EQ(lines.size(), 2u);  // the worker keeps these for later
  EXPECT_EQ(lines.front().message, "wartet 1");
  EXPECT_EQ(wakes, 1);  // one wake-up for the whole batch
  intake.TakeQueued();
  EXPECT_EQ(intake.TryQueueFront(lines), Result::kQueued);
  EXPECT_EQ(wakes, 2);
  intake.TakeQueued();
  ASSERT_EQ(rows.size(), MessageIntake::kQueuedMax + 2);
  EXPECT_EQ(MessageAt(MessageIntake::kQueuedMax - 1), "passt");
  EXPECT_EQ(RowAt(MessageIntake::kQueuedMax - 1).kind, 0x103);
  EXPECT_EQ(MessageAt(MessageIntake::kQueuedMax), "wartet 1");
  EXPECT_EQ(MessageAt(MessageIntake::kQueuedMax + 1), "wartet 2");
  intake.CloseQueue();
  lines = {Line(100, "geschlossen")};
  EXPECT_EQ(intake.TryQueueFront(lines), Result::kClosed);
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(WorkerQueueTest, AWholeBatchGoesWhileTheQueueHasRoomAndNoneBeyond) {
  switches.maxCount = 0;
  using Result = MessageIntake::TryResult;
  constexpr std::size_t kMax = MessageIntake::kBatchQueuedMax;
  const auto batchOf = [](std::size_t count, std::string_view text) {
    auto batch = std::make_unique<LineBatch>();
    for (std::size_t i = 0; i < count; ++i) batch->Add(100, kSourceSystem, "", "", text);
    return batch;
  };
  EXPECT_TRUE(Queue("davor"));
  auto batch = batchOf(kMax - 2, "erste");
  EXPECT_EQ(intake.TryQueueBatch(batch), Result::kQueued);
  EXPECT_FALSE(batch);
  EXPECT_EQ(wakes, 1);
  std::deque<LineRecord> one{Line(100, "einzeln")};
  EXPECT_EQ(intake.TryQueueFront(one), Result::kFull) << "single lines keep their own bound";
  // One line of room takes a whole batch; then none is left.
  batch = batchOf(3, "zweite");
  EXPECT_EQ(intake.TryQueueBatch(batch), Result::kQueued);
  batch = batchOf(1, "dritte");
  EXPECT_EQ(intake.TryQueueBatch(batch), Result::kFull);
  ASSERT_TRUE(batch);
  EXPECT_EQ(batch->Size(), 1u);  // the worker keeps it
  intake.TakeQueued();
  ASSERT_EQ(rows.size(), kMax + 2);
  EXPECT_EQ(MessageAt(0), "davor");
  EXPECT_EQ(MessageAt(1), "erste");
  EXPECT_EQ(MessageAt(kMax - 1), "zweite");
  // Taken, it is replaced by one the taker emptied.
  EXPECT_EQ(intake.TryQueueBatch(batch), Result::kQueued);
  ASSERT_TRUE(batch);
  EXPECT_TRUE(batch->Empty());
  EXPECT_TRUE(Queue("danach"));
  intake.TakeQueued();
  EXPECT_EQ(MessageAt(rows.size() - 2), "dritte");
  EXPECT_EQ(MessageAt(rows.size() - 1), "danach");
  intake.CloseQueue();
  batch = batchOf(1, "geschlossen");
  EXPECT_EQ(intake.TryQueueBatch(batch), Result::kClosed);
  EXPECT_TRUE(batch);
}

}  // namespace
}  // namespace ploxen::test

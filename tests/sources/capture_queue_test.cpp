// The hand-over of the capture thread: lines out in order across the ring's
// end, a bound in bytes with every line that did not fit counted, and a
// writer that never waits for the reader.
#include "sources/capture_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sources/system_wide_lines.h"

namespace ploxen::test {
namespace {

struct Taken {
  std::uint32_t processId;
  std::int64_t arrivalMs;
  std::string text;
};

std::vector<Taken> DrainAll(CaptureQueue& queue) {
  std::vector<Taken> out;
  queue.Drain([&](std::uint32_t id, std::int64_t ms, std::string_view text) { out.push_back({id, ms, std::string(text)}); });
  return out;
}

// Lengths that land the records on every offset of the ring, the wrap mark's
// smallest room included.
class QueueOrderTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(QueueOrderTest, LinesComeOutWholeAndInOrderAcrossTheRingsEnd) {
  CaptureQueue queue(4 * (CaptureQueue::kRecordHeader + 4096));
  const std::size_t length = GetParam();
  std::uint32_t next = 0, expected = 0;
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < 3; ++i, ++next) {
      const std::string text(length, static_cast<char>('a' + next % 26));
      ASSERT_TRUE(queue.Push(next, 1000 + next, text)) << "round " << round;
    }
    for (const Taken& t : DrainAll(queue)) {
      EXPECT_EQ(t.processId, expected);
      EXPECT_EQ(t.arrivalMs, 1000 + expected);
      EXPECT_EQ(t.text, std::string(length, static_cast<char>('a' + expected % 26)));
      ++expected;
    }
  }
  EXPECT_EQ(expected, next);
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.Lost(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, QueueOrderTest, ::testing::Values(0, 1, 15, 16, 17, 100, 1000, kSectionTextMax));

TEST(CaptureQueue, IsBoundedByBytesAndCountsEveryLineThatDidNotFit) {
  CaptureQueue queue(64 * 1024);
  int kept = 0, refused = 0;
  const std::string line(48, 'x');  // 64 bytes with the header
  for (int i = 0; i < 2000; ++i) (queue.Push(1, 0, line) ? kept : refused)++;
  EXPECT_EQ(kept, 1024);
  EXPECT_EQ(queue.Lost(), static_cast<std::uint64_t>(refused));
  // Long lines take more of the bound than short ones: it is memory, not a count.
  CaptureQueue mixed(64 * 1024);
  int longKept = 0;
  while (mixed.Push(2, 0, std::string(kSectionTextMax, 'y'))) ++longKept;
  EXPECT_EQ(longKept, 15);
  EXPECT_TRUE(mixed.Push(2, 0, "short")) << "a short line still fits where a long one did not";

  EXPECT_EQ(DrainAll(queue).size(), 1024u);
  EXPECT_TRUE(queue.Push(1, 0, line)) << "room again once taken";
  EXPECT_EQ(queue.Lost(), static_cast<std::uint64_t>(refused)) << "the count stays";
}

TEST(CaptureQueue, ATinyCapacityStillHoldsTheLongestLine) {
  CaptureQueue queue(1);
  EXPECT_TRUE(queue.Push(1, 0, std::string(kSectionTextMax, 'z')));
  EXPECT_EQ(DrainAll(queue).at(0).text.size(), kSectionTextMax);
}

// A reader that does not read for a while (a modal question) holds no
// writer up: the writer's calls return at once, and what it writes meanwhile
// is either kept in order or counted.
TEST(CaptureQueue, AWriterAndAReaderOnTwoThreadsLoseNothingUncounted) {
  CaptureQueue queue(256 * 1024);
  constexpr std::uint32_t kLines = 200000;
  std::atomic<bool> done{false};
  std::vector<std::uint32_t> seen;
  seen.reserve(kLines);
  std::thread reader([&] {
    int rounds = 0;
    while (!done.load() || !queue.Empty()) {
      queue.Drain([&](std::uint32_t id, std::int64_t, std::string_view text) {
        seen.push_back(id);
        EXPECT_EQ(text, "Zeile " + std::to_string(id));
      });
      // Now and then the reader stands still for a while.
      if (++rounds % 64 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  for (std::uint32_t i = 0; i < kLines; ++i) queue.Push(i, 0, "Zeile " + std::to_string(i));
  const auto took = std::chrono::steady_clock::now() - start;
  done = true;
  reader.join();
  EXPECT_EQ(seen.size() + queue.Lost(), kLines);
  for (std::size_t i = 1; i < seen.size(); ++i) ASSERT_LT(seen[i - 1], seen[i]) << "order at " << i;
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 5000);
}

}  // namespace
}  // namespace ploxen::test

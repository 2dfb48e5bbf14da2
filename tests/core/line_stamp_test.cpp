// Time stamps of the stamping sources.
#include <gtest/gtest.h>

#include <vector>

#include "core/line_stamp.h"

namespace ploxen::test {
namespace {

class ScriptedClock {
 public:
  explicit ScriptedClock(std::vector<TimeOfDay> times) : times_(std::move(times)) {}
  Clock AsClock() {
    return [this] { return times_.at(next_++); };
  }
  std::size_t calls() const { return next_; }

 private:
  std::vector<TimeOfDay> times_;
  std::size_t next_ = 0;
};

TEST(LineStamp, FirstLineShowsZeroAndTheNextItsDifference) {
  ScriptedClock clock({{16, 20, 12, 223}, {16, 20, 12, 233}});
  LineStamp stamp(clock.AsClock());
  EXPECT_EQ(stamp.Stamp("Hallo"), "16:20:12.223  (00000ms)   Hallo");
  EXPECT_EQ(stamp.Stamp("Welt"), "16:20:12.233  (00010ms)   Welt");
}

TEST(LineStamp, SameMillisecondAndLongPauses) {
  ScriptedClock clock({{9, 0, 0, 5}, {9, 0, 0, 5}, {10, 0, 0, 5}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("a");
  EXPECT_EQ(stamp.Stamp("b"), "09:00:00.005  (00000ms)   b");
  // A pause of an hour is shown whole; wider than five digits is not cut.
  EXPECT_EQ(stamp.Stamp("c"), "10:00:00.005  (3600000ms)   c");
}

TEST(LineStamp, CrossingMidnightGivesANegativeDifference) {
  ScriptedClock clock({{23, 59, 59, 990}, {0, 0, 0, 10}, {0, 0, 0, 13}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("before");
  EXPECT_EQ(stamp.Stamp("after"), "00:00:00.010  (-86399980ms)   after");
  EXPECT_EQ(stamp.Stamp("then"), "00:00:00.013  (00003ms)   then");
}

TEST(LineStamp, SmallNegativeDifferenceKeepsWidthFive) {
  ScriptedClock clock({{0, 0, 0, 9}, {0, 0, 0, 4}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("a");
  EXPECT_EQ(stamp.Stamp("b"), "00:00:00.004  (-0005ms)   b");
}

TEST(LineStamp, SwitchedOffPassesTextAndKeepsThePreviousTime) {
  ScriptedClock clock({{12, 0, 0, 0}, {12, 0, 1, 0}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("a");
  stamp.SetEnabled(false);
  EXPECT_EQ(stamp.Stamp("plain %s text"), "plain %s text");
  EXPECT_EQ(clock.calls(), 1u);
  EXPECT_EQ(stamp.Previous(), 12 * 3600000);
  stamp.SetEnabled(true);
  EXPECT_EQ(stamp.Stamp("b"), "12:00:01.000  (01000ms)   b");
}

TEST(LineStamp, RestartForgetsThePreviousLine) {
  ScriptedClock clock({{8, 0, 0, 0}, {8, 0, 5, 0}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("a");
  stamp.Restart();
  EXPECT_EQ(stamp.Stamp("b"), "08:00:05.000  (00000ms)   b");
}

TEST(LineStamp, TextIsCopiedNotFormatted) {
  ScriptedClock clock({{1, 2, 3, 4}});
  LineStamp stamp(clock.AsClock());
  const std::string longText(5000, 'L');
  EXPECT_EQ(stamp.Stamp("%s%n%d " + longText), "01:02:03.004  (00000ms)   %s%n%d " + longText);
}

TEST(LineStamp, LocalClockIsInRange) {
  const TimeOfDay t = LocalTimeOfDay();
  EXPECT_GE(t.hour, 0);
  EXPECT_LT(t.hour, 24);
  EXPECT_GE(t.minute, 0);
  EXPECT_LT(t.minute, 60);
  EXPECT_GE(t.second, 0);
  EXPECT_LE(t.second, 60);
  EXPECT_GE(t.millisecond, 0);
  EXPECT_LT(t.millisecond, 1000);
}

}  // namespace
}  // namespace ploxen::test

// Time stamps of the stamping sources.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/line_prefix.h"
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

// Lines stamped one after another, the clock giving one time for each.
struct StampCase {
  const char* name;
  std::vector<TimeOfDay> times;
  std::vector<std::pair<std::string, std::string>> lines;  // text, as stamped
};

const std::string kLongText = "%s%n%d " + std::string(5000, 'L');

const StampCase kStampCases[] = {
    {"FirstLineShowsZeroAndTheNextItsDifference",
     {{16, 20, 12, 223}, {16, 20, 12, 233}},
     {{"Hallo", "16:20:12.223  (00000ms)   Hallo"}, {"Welt", "16:20:12.233  (00010ms)   Welt"}}},
    // A pause of an hour is shown whole; wider than five digits is not cut.
    {"SameMillisecondAndLongPauses",
     {{9, 0, 0, 5}, {9, 0, 0, 5}, {10, 0, 0, 5}},
     {{"a", "09:00:00.005  (00000ms)   a"},
      {"b", "09:00:00.005  (00000ms)   b"},
      {"c", "10:00:00.005  (3600000ms)   c"}}},
    {"CrossingMidnightGivesANegativeDifference",
     {{23, 59, 59, 990}, {0, 0, 0, 10}, {0, 0, 0, 13}},
     {{"before", "23:59:59.990  (00000ms)   before"},
      {"after", "00:00:00.010  (-86399980ms)   after"},
      {"then", "00:00:00.013  (00003ms)   then"}}},
    {"SmallNegativeDifferenceKeepsWidthFive",
     {{0, 0, 0, 9}, {0, 0, 0, 4}},
     {{"a", "00:00:00.009  (00000ms)   a"}, {"b", "00:00:00.004  (-0005ms)   b"}}},
    {"TextIsCopiedNotFormatted", {{1, 2, 3, 4}}, {{kLongText, "01:02:03.004  (00000ms)   " + kLongText}}},
};

class StampedLines : public ::testing::TestWithParam<StampCase> {};

TEST_P(StampedLines, ReadAsExpected) {
  const StampCase& c = GetParam();
  ScriptedClock clock(c.times);
  LineStamp stamp(clock.AsClock());
  for (const auto& [text, stamped] : c.lines) EXPECT_EQ(stamp.Stamp(text), stamped) << text.substr(0, 20);
}

// A record's time and message columns are what the prefix split makes of
// the stamped text line.
TEST_P(StampedLines, AsColumnsSplitWhereTheTextLineSplits) {
  const StampCase& c = GetParam();
  ScriptedClock clock(c.times);
  LineStamp stamp(clock.AsClock());
  for (const auto& [text, stamped] : c.lines) {
    std::string time, message;
    stamp.StampColumns(text, time, message);
    const std::string line = "PID=1,TID=2,   " + stamped;
    const LinePrefix prefix = SplitPrefix(line);
    EXPECT_EQ(time, prefix.time) << text.substr(0, 20);
    EXPECT_EQ(message, line.substr(prefix.messageStart)) << text.substr(0, 20);
  }
}

INSTANTIATE_TEST_SUITE_P(LineStamp, StampedLines, ::testing::ValuesIn(kStampCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LineStamp, SwitchedOffPassesTextAndKeepsThePreviousTime) {
  ScriptedClock clock({{12, 0, 0, 0}, {12, 0, 1, 0}});
  LineStamp stamp(clock.AsClock());
  stamp.Stamp("a");
  stamp.SetEnabled(false);
  EXPECT_EQ(stamp.Stamp("plain %s text"), "plain %s text");
  EXPECT_EQ(clock.calls(), 1u);
  EXPECT_EQ(stamp.Previous(), 12 * 3600000);
  std::string time = "x", message;
  stamp.StampColumns("plain", time, message);
  EXPECT_EQ(time, "");
  EXPECT_EQ(message, "plain");
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

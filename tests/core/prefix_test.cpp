// Splitting the process/thread and time columns off a line.
#include "tests/support/intake_fixture.h"

#include "core/line_prefix.h"

namespace ploxen::test {
namespace {

struct PrefixCase {
  const char* line;
  const char* process;
  const char* time;
  const char* message;
};

class PrefixSplitTest : public IntakeTest, public ::testing::WithParamInterface<PrefixCase> {};

TEST_P(PrefixSplitTest, LineGivesItsColumns) {
  const PrefixCase c = GetParam();
  Add(3, c.line);
  ASSERT_EQ(rows.size(), 1u);
  const Row row = LastRow();
  EXPECT_EQ(row.process, c.process);
  EXPECT_EQ(row.time, c.time);
  EXPECT_EQ(row.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PrefixSplitTest,
    ::testing::Values(
        PrefixCase{"PID=1,TID=2,   12:00:00.000  (00000ms)   x", "PID=1,TID=2", "12:00:00.000",
                   "(00000ms)   x"},
        PrefixCase{"PID=????,TID=????,   16:20:12.223  (00000ms)   Hallo", "PID=????,TID=????",
                   "16:20:12.223", "(00000ms)   Hallo"},
        // No thread tag before the delimiter: no prefix at all.
        PrefixCase{"PID=1,   12:00:00.000  x", "", "", "PID=1,   12:00:00.000  x"},
        // The character after the first blank is skipped too.
        PrefixCase{"PID=1,TID=2,   Hallo Welt", "PID=1,TID=2", "Hallo", "elt"},
        // Case matters, and the prefix must stand at the very start.
        PrefixCase{"pid=1,TID=2,   a bc", "", "", "pid=1,TID=2,   a bc"},
        PrefixCase{" PID=1,TID=2,   a bc", "", "", " PID=1,TID=2,   a bc"},
        // No blank after the delimiter.
        PrefixCase{"PID=1,TID=2,   abc", "", "", "PID=1,TID=2,   abc"},
        // The thread tag is looked for before the first delimiter only.
        PrefixCase{"PID=1,   TID=2,   a bc", "", "", "PID=1,   TID=2,   a bc"},
        // A fourth blank makes the time part empty.
        PrefixCase{"PID=1,TID=2,    xyz", "PID=1,TID=2", "", "yz"},
        PrefixCase{"not a prefix", "", "", "not a prefix"}));

TEST_F(IntakeTest, PrefixThatLeavesNoMessageMakesNoRow) {
  Add(3, "PID=1,TID=2,   12:00 ");
  Add(3, "PID=1,TID=2,   12:00 x");
  EXPECT_EQ(rows.size(), 0u);
}

TEST(SplitPrefix, CutsOverlongPartsTo49Characters) {
  const std::string process = "PID=1,TID=" + std::string(60, '7');
  const std::string time(70, '9');
  const std::string line = process + ",   " + time + "  message";
  const LinePrefix parts = SplitPrefix(line);
  EXPECT_EQ(parts.process, std::string_view(process).substr(0, 49));
  EXPECT_EQ(parts.time, std::string_view(time).substr(0, 49));
  EXPECT_EQ(std::string_view(line).substr(parts.messageStart), "message");
}

TEST(SplitPrefix, ThreadTagBeyondTheCutStillCounts) {
  const std::string process = "PID=" + std::string(60, '1') + ",TID=2";
  const LinePrefix parts = SplitPrefix(process + ",   t  m");
  EXPECT_EQ(parts.process.size(), 49u);
  EXPECT_EQ(parts.time, "t");
}

TEST(SplitPrefix, EmptyAndShortLinesHaveNoPrefix) {
  for (const char* line : {"", "P", "PID=", "PID=,   "}) {
    const LinePrefix parts = SplitPrefix(line);
    EXPECT_TRUE(parts.process.empty()) << line;
    EXPECT_EQ(parts.messageStart, 0u) << line;
  }
}

}  // namespace
}  // namespace ploxen::test

// Copy-data records as the two receivers read them, and what the list makes
// of a listener line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "sources/copy_data.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

Clock Times(std::vector<TimeOfDay> times) {
  auto next = std::make_shared<std::size_t>(0);
  return [times = std::move(times), next] { return times.at((*next)++); };
}

TEST(CopyDataText, EndsAtTheFirstNulOrAtTheBoundNeverBeyond) {
  const char withNul[] = {'a', 'b', '\0', 'c', 'd'};
  EXPECT_EQ(CopyDataText(withNul, sizeof withNul), "ab");
  // No NUL within the bound: exactly the bound's bytes, whatever follows them.
  const char unterminated[] = {'x', 'y', 'z', 'w'};
  EXPECT_EQ(CopyDataText(unterminated, 3), "xyz");
  EXPECT_EQ(CopyDataText("\0tail", 5), "");
  EXPECT_EQ(CopyDataText(nullptr, 10), "");
  EXPECT_EQ(CopyDataText("abc", 0), "");
  const char highBytes[] = "\xC4nderung \xFC" "ber";
  EXPECT_EQ(CopyDataText(highBytes, sizeof highBytes), highBytes);
}

TEST(MainWindowLine, NumberIsTheKindAndTextGoesOnUnchanged) {
  const auto line = MainWindowLine(0x103, "abc", 4);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, 0x103);
  EXPECT_EQ(line->text, "abc");
  EXPECT_EQ(line->source, kSourceSystem);
  EXPECT_EQ(MainWindowLine(4, "PID=1,TID=2,   x", 17)->text, "PID=1,TID=2,   x") << "no stamp, no placeholder";
}

TEST(MainWindowLine, AnyNumberIsTakenAsA32BitKind) {
  EXPECT_EQ(MainWindowLine(0xFFFFFFFFu, "a", 2)->kind, -1);
  EXPECT_EQ(MainWindowLine(static_cast<std::uintptr_t>(0x12345678u), "a", 2)->kind, 0x12345678);
  if (sizeof(std::uintptr_t) > 4) {
    const std::uintptr_t wide = (static_cast<std::uintptr_t>(0x7) << 32) | 0x403u;
    EXPECT_EQ(MainWindowLine(wide, "a", 2)->kind, 0x403);
  }
}

TEST(MainWindowLine, NoDataAddsNothing) {
  EXPECT_FALSE(MainWindowLine(0x303, nullptr, 100));
  EXPECT_FALSE(MainWindowLine(0x303, "abc", 0));
  // Data that is only a NUL is a line, albeit an empty one the intake drops.
  ASSERT_TRUE(MainWindowLine(0x303, "", 1));
  EXPECT_EQ(MainWindowLine(0x303, "", 1)->text, "");
}

TEST(ListenerLines, StampedDebugLinesBehindThePlaceholder) {
  ListenerLines lines(Times({{16, 20, 12, 223}, {16, 20, 12, 250}, {16, 20, 12, 250}}));
  lines.Restart();
  const IncomingLine first = lines.Line("Hallo", 6);
  EXPECT_EQ(first.kind, 0x303);
  EXPECT_EQ(first.source, kSourceDbWin32);
  EXPECT_EQ(first.text, "PID=????,TID=????,   16:20:12.223  (00000ms)   Hallo");
  EXPECT_EQ(lines.Line("Welt", 4).text, "PID=????,TID=????,   16:20:12.250  (00027ms)   Welt");
  EXPECT_EQ(lines.Line("gleich", 6).text, "PID=????,TID=????,   16:20:12.250  (00000ms)   gleich")
      << "same millisecond";
}

TEST(ListenerLines, EmptyRecordStillGivesTheStampedPlaceholder) {
  ListenerLines lines(Times({{8, 0, 0, 1}}));
  lines.Restart();
  EXPECT_EQ(lines.Line(nullptr, 0).text, "PID=????,TID=????,   08:00:00.001  (00000ms)   ");
}

TEST(ListenerLines, RestartStartsTheDifferenceAgain) {
  ListenerLines lines(Times({{10, 0, 0, 0}, {10, 0, 1, 0}, {10, 0, 5, 0}}));
  lines.Restart();
  lines.Line("a", 1);
  EXPECT_NE(lines.Line("b", 1).text.find("(01000ms)"), std::string::npos);
  lines.Restart();  // the receiver window was made anew
  EXPECT_NE(lines.Line("c", 1).text.find("(00000ms)"), std::string::npos);
}

TEST(ListenerLines, SendersTypeChoosesTheKind) {
  ListenerLines lines(Times({{1, 0, 0, 0}, {1, 0, 0, 0}}));
  lines.Restart();
  EXPECT_EQ(lines.StampedLine(kTypeError, "x").kind, 0x103);
  EXPECT_EQ(lines.StampedLine(kTypeDebug, "x").kind, 0x303);
}

// The list splits the placeholder and the time into their own columns and
// keeps the difference with the text.
class ListenerRows : public IntakeTest {};

TEST_F(ListenerRows, PlaceholderAndTimeGoToTheirColumns) {
  switches.dbWin32 = 1;
  ListenerLines lines(Times({{16, 20, 12, 223}}));
  lines.Restart();
  const IncomingLine line = lines.Line("Hallo", 5);
  Add(line.kind, line.text.c_str(), line.source);
  ASSERT_EQ(rows.RowCount(), 1);
  const Row row = RowAt(0);
  EXPECT_EQ(row.process, "PID=????,TID=????");
  EXPECT_EQ(row.time, "16:20:12.223");
  EXPECT_EQ(row.message, "(00000ms)   Hallo");
  EXPECT_EQ(row.kind, 0x303);
}

TEST_F(ListenerRows, DroppedWhileItsSwitchIsOff) {
  switches.dbWin32 = 0;
  ListenerLines lines(Times({{16, 20, 12, 223}}));
  const IncomingLine line = lines.Line("Hallo", 5);
  Add(line.kind, line.text.c_str(), line.source);
  EXPECT_EQ(rows.RowCount(), 0);
}

}  // namespace
}  // namespace ploxen::test

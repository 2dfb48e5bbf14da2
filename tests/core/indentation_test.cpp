// Indentation of the lines between a CSignal constructor trace and its destructor trace.
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

constexpr const char* kCtor = "Konstruktor der Klasse CSignal (0x1234)";
constexpr const char* kDtor = "Destruktor der Klasse CSignal (0x1234)";

TEST_F(IntakeTest, ConstructorIndentsTheLinesAfterIt) {
  Add(1, kCtor);
  Add(3, "inner");
  Add(1, kCtor);
  Add(3, "innermost");
  Add(2, kDtor);
  Add(2, kDtor);
  Add(3, "outer");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(MessageAt(0), kCtor);
  EXPECT_EQ(MessageAt(1), "   inner");
  EXPECT_EQ(MessageAt(2), std::string("   ") + kCtor);
  EXPECT_EQ(MessageAt(3), "      innermost");
  EXPECT_EQ(MessageAt(4), std::string("   ") + kDtor);  // back at its constructor's depth
  EXPECT_EQ(MessageAt(5), kDtor);
  EXPECT_EQ(MessageAt(6), "outer");
  EXPECT_EQ(intake.IndentationDepth(), 0);
}

TEST_F(IntakeTest, DestructorAtDepthZeroStaysAtZero) {
  Add(2, kDtor);
  Add(2, kDtor);
  EXPECT_EQ(MessageAt(0), kDtor);
  EXPECT_EQ(intake.IndentationDepth(), 0);
}

TEST_F(IntakeTest, MarkerNeedsItsBlanksAndTheRightCategory) {
  Add(1, "Konstruktor der Klasse CSignal");   // no trailing blank
  Add(3, "general der Klasse CSignal text");  // general messages never indent
  Add(4, "start der Klasse CSignal text");
  EXPECT_EQ(intake.IndentationDepth(), 0);
  Add(1, "x der Klasse CSignal y");
  EXPECT_EQ(intake.IndentationDepth(), 3);
  Add(1, "x der klasse CSignal y");  // case-sensitive
  EXPECT_EQ(intake.IndentationDepth(), 3);
}

TEST_F(IntakeTest, SwitchedOffTracesDoNotMoveTheDepth) {
  switches.konstruktor = 0;
  Add(1, kCtor);
  EXPECT_EQ(intake.IndentationDepth(), 0);
  switches.konstruktor = 1;
  Add(1, kCtor);
  switches.destruktor = 0;
  Add(2, kDtor);
  EXPECT_EQ(intake.IndentationDepth(), 3);
}

TEST_F(IntakeTest, ConstructorMarkerCountsBeyondThe499Cut) {
  const std::string text = std::string(600, 'k') + " der Klasse CSignal ";
  Add(1, text.c_str());
  EXPECT_EQ(intake.IndentationDepth(), 3);
}

TEST_F(IntakeTest, ConstructorMarkerInsideThePrefixDoesNotCount) {
  // The constructor looks at the message part only; the destructor at the whole line.
  Add(1, "PID=1 der Klasse CSignal ,TID=2,   t  message");
  EXPECT_EQ(intake.IndentationDepth(), 0);
  Add(1, "PID=1,TID=2,   t  Konstruktor der Klasse CSignal ");
  EXPECT_EQ(intake.IndentationDepth(), 3);
  Add(2, "PID=1 der Klasse CSignal ,TID=2,   t  message");
  EXPECT_EQ(intake.IndentationDepth(), 0);
}

TEST_F(IntakeTest, ClearListAndOpeningAFileResetTheDepth) {
  Add(1, kCtor);
  intake.ClearList();
  EXPECT_EQ(intake.IndentationDepth(), 0);
  EXPECT_TRUE(rows.empty());
  Add(1, kCtor);
  intake.ResetIndentation();
  Add(3, "flush");
  EXPECT_EQ(MessageAt(1), "flush");
}

// Rows stop growing where the blanks could no longer be seen, on every road;
// the depth counts on, so the destructors come back down in step.
TEST_F(IntakeTest, IndentationStopsAtWhatTheListShowsAndTheDepthStillBalances) {
  for (int i = 0; i < 200; ++i) Add(1, kCtor);
  EXPECT_EQ(intake.IndentationDepth(), 600);
  Add(3, "deep");
  switches.systemWeit = 1;
  intake.AddMessage(3, "systemweit", kSourceSystemWide);
  EXPECT_EQ(MessageAt(166), std::string(kIndentShownMax, ' ') + kCtor);
  EXPECT_EQ(MessageAt(200), std::string(kIndentShownMax, ' ') + "deep");
  EXPECT_EQ(MessageAt(201), std::string(kIndentShownMax, ' ') + "systemweit");
  std::vector<std::size_t> shown;
  for (int i = 0; i < 200; ++i) {
    Add(2, kDtor);
    shown.push_back(MessageAt(rows.size() - 1).find('D'));
  }
  EXPECT_EQ(shown[0], std::size_t{kIndentShownMax});   // at 597
  EXPECT_EQ(shown[33], std::size_t{kIndentShownMax});  // at 498
  EXPECT_EQ(shown[34], 495u);
  EXPECT_EQ(shown[199], 0u);
  EXPECT_EQ(intake.IndentationDepth(), 0);
}

TEST_F(IntakeTest, IndentationComesBeforeTheCutMessage) {
  Add(1, kCtor);
  const std::string text(800, 'q');
  Add(3, text.c_str());
  EXPECT_EQ(MessageAt(1), "   " + std::string(499, 'q'));
}

}  // namespace
}  // namespace ploxen::test

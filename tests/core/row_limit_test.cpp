// The row-limit question, and lines that arrive while it is on screen.
#include "tests/support/intake_fixture.h"

#include <algorithm>
#include <deque>
#include <ostream>
#include <thread>

namespace ploxen::test {
namespace {

class RowLimitTest : public IntakeTest {
 protected:
  void Fill(int count) {
    for (int i = 0; i < count; ++i) Add(3, ("row " + std::to_string(i)).c_str());
  }
};

TEST_F(RowLimitTest, FullListAsksOnceAndKeepsOnlyTheNewLineAfterNo) {
  switches.maxCount = 100;
  Fill(100);
  EXPECT_TRUE(dialogs.questions.empty());
  Add(3, "neu");
  EXPECT_EQ(dialogs.questions, std::vector<int>{104});
  EXPECT_EQ(dialogs.saves, 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(MessageAt(0), "neu");
}

TEST_F(RowLimitTest, YesSavesTheFullListBeforeClearing) {
  switches.maxCount = 3;
  Fill(3);
  dialogs.answerYes = true;
  std::size_t rowsWhenSaving = 0;
  dialogs.onSave = [&] { rowsWhenSaving = rows.size(); };
  Add(3, "neu");
  EXPECT_EQ(dialogs.saves, 1);
  EXPECT_EQ(rowsWhenSaving, 3u);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(MessageAt(0), "neu");
}

// A save that wrote no file (a full disk, a cancelled dialog) keeps every
// row and asks again; the rows go after a written file or No. Lines that
// come during each question are held and follow; they ask nothing.
struct AskAgainCase {
  const char* name;
  std::deque<bool> answers;
  std::deque<bool> saveWrites;
  std::size_t questions;
  int saves;
};

void PrintTo(const AskAgainCase& c, std::ostream* out) { *out << c.name; }

class RowLimitAskAgainTest : public RowLimitTest, public ::testing::WithParamInterface<AskAgainCase> {};

TEST_P(RowLimitAskAgainTest, RowsStayUntilAFileIsWrittenOrTheUserSaysNo) {
  const AskAgainCase& c = GetParam();
  switches.maxCount = 5;
  Fill(5);
  dialogs.answers = c.answers;
  dialogs.saveWrites = c.saveWrites;
  std::vector<std::size_t> rowsAsked, rowsSaved;
  dialogs.onAsk = [&] {
    rowsAsked.push_back(rows.size());
    Add(3, ("held " + std::to_string(rowsAsked.size())).c_str());
  };
  dialogs.onSave = [&] { rowsSaved.push_back(rows.size()); };
  Add(3, "neu");
  EXPECT_EQ(dialogs.questions.size(), c.questions);
  EXPECT_EQ(dialogs.saves, c.saves);
  EXPECT_EQ(rowsAsked, std::vector<std::size_t>(c.questions, 5u)) << "every question sees the full list";
  EXPECT_EQ(rowsSaved, std::vector<std::size_t>(static_cast<std::size_t>(c.saves), 5u));
  ASSERT_EQ(rows.size(), 1 + c.questions);
  EXPECT_EQ(MessageAt(0), "neu");
  for (std::size_t i = 1; i <= c.questions; ++i) EXPECT_EQ(MessageAt(i), "held " + std::to_string(i));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RowLimitAskAgainTest,
    ::testing::Values(AskAgainCase{"No", {false}, {}, 1, 0},
                      AskAgainCase{"YesWritten", {true}, {true}, 1, 1},
                      AskAgainCase{"YesNothingWrittenThenNo", {true, false}, {false}, 2, 1},
                      AskAgainCase{"YesTwiceNothingWrittenThenWritten", {true, true, true}, {false, false, true},
                                   3, 3}),
    [](const ::testing::TestParamInfo<AskAgainCase>& info) { return std::string(info.param.name); });

// Kind 1 drops the oldest rows, a tenth of the limit at a time (at least
// one), and all a lower limit or an opened file left beyond it.
TEST(RowsDroppedAtLimit, ATenthOfTheLimitAndWhateverIsBeyondIt) {
  const struct {
    std::size_t rows, limit, dropped;
  } cases[] = {
      {999, 1000, 0},  {1000, 1000, 100}, {1000, 1005, 0},  {1005, 1005, 100}, {5, 5, 1},   {9, 9, 1},
      {10, 10, 1},     {1, 1, 1},         {2500, 1000, 1600}, {0, 0, 0},       {7, 0, 0},   {1000000, 1000000, 100000},
  };
  for (const auto& c : cases) EXPECT_EQ(RowsDroppedAtLimit(c.rows, c.limit), c.dropped) << c.rows << " " << c.limit;
}

TEST_F(RowLimitTest, DroppingTheOldestAsksNothingAndKeepsTheNewestInOrder) {
  switches.maxCount = 100;
  switches.grenze = kLimitDropsOldest;
  std::size_t most = 0;
  for (int i = 0; i < 1234; ++i) {
    Add(3, ("row " + std::to_string(i)).c_str());
    most = std::max(most, rows.size());
  }
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(dialogs.saves, 0);
  EXPECT_EQ(most, 100u);
  // 1234 rows: the first 100, then blocks of 10 gone at rows 100, 110, ...: 94 left.
  ASSERT_EQ(rows.size(), 94u);
  for (std::size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(MessageAt(i), "row " + std::to_string(1140 + i));
}

TEST_F(RowLimitTest, DroppingKeepsTheIndentationAndAFullerListShrinksAtOnce) {
  switches.maxCount = 2;
  switches.grenze = kLimitDropsOldest;
  Add(1, "a der Klasse CSignal ");
  Add(3, "b");
  Add(3, "c");  // drops one row, still at depth 3
  EXPECT_EQ(MessageAt(1), "   c");
  EXPECT_EQ(rows.size(), 2u);
  switches.maxCount = 0;
  Fill(150);  // as an opened file might leave it
  switches.maxCount = 10;
  Add(3, "neu");
  EXPECT_TRUE(dialogs.questions.empty());
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(MessageAt(9), "   neu");
  // A kind the program does not know asks, as it always did.
  switches.grenze = 7;
  Add(3, "frage");
  EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(RowLimitTest, RejectedLinesNeverAsk) {
  switches.maxCount = 2;
  Fill(2);
  switches.ploxen = 0;
  Add(3, "rejected");
  Add(5, "unknown category");
  Add(3, "");
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(rows.size(), 2u);
}

TEST_F(RowLimitTest, ZeroAndNegativeLimitsMeanNoLimit) {
  switches.maxCount = 0;
  Fill(300);
  switches.maxCount = -5;
  Fill(10);
  EXPECT_TRUE(dialogs.questions.empty());
  EXPECT_EQ(rows.size(), 310u);
}

TEST_F(RowLimitTest, ListAlreadyOverTheLimitAsksAtTheNextLine) {
  // As after opening a file with more rows than the limit.
  Fill(50);
  switches.maxCount = 10;
  Add(3, "neu");
  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(rows.size(), 1u);
}

TEST_F(RowLimitTest, ClearingKeepsTheIndentationOfTheWaitingLine) {
  switches.maxCount = 2;
  Add(1, "a der Klasse CSignal ");
  Add(3, "b");
  Add(3, "c");  // asks; built at depth 3 before the list was cleared
  EXPECT_EQ(MessageAt(0), "   c");
  Add(3, "d");  // depth is 0 after the clear
  EXPECT_EQ(MessageAt(1), "d");
}

TEST_F(RowLimitTest, LinesArrivingDuringTheQuestionWaitAndFollowInOrder) {
  switches.maxCount = 5;
  Fill(5);
  dialogs.onAsk = [&] {
    Add(3, "waiting 1");
    Add(0x103, "waiting 2");
    Add(5, "never shown");
    Add(3, "waiting 3");
    EXPECT_EQ(intake.HeldLineCount(), 4u);
    EXPECT_EQ(rows.size(), 5u);  // nothing added behind the question's back
  };
  Add(3, "trigger");
  EXPECT_EQ(dialogs.questions.size(), 1u);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(MessageAt(0), "trigger");
  EXPECT_EQ(MessageAt(1), "waiting 1");
  EXPECT_EQ(MessageAt(2), "waiting 2");
  EXPECT_EQ(MessageAt(3), "waiting 3");
  EXPECT_EQ(intake.HeldLineCount(), 0u);
}

TEST_F(RowLimitTest, LinesArrivingDuringTheSaveDialogAreNotSaved) {
  switches.maxCount = 2;
  Fill(2);
  dialogs.answerYes = true;
  std::size_t saved = 0;
  dialogs.onSave = [&] {
    Add(3, "during save");
    saved = rows.size();
  };
  Add(3, "trigger");
  EXPECT_EQ(saved, 2u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MessageAt(0), "trigger");
  EXPECT_EQ(MessageAt(1), "during save");
}

TEST_F(RowLimitTest, BurstDuringTheQuestionOverflowsAgainWithOneQuestionPerOverflow) {
  switches.maxCount = 3;
  Fill(3);
  int asked = 0;
  dialogs.onAsk = [&] {
    if (++asked == 1)
      for (int i = 0; i < 7; ++i) Add(3, ("burst " + std::to_string(i)).c_str());
  };
  Add(3, "trigger");
  // trigger, burst 0, 1 | full, ask: burst 2, 3, 4 | full, ask: burst 5, 6
  EXPECT_EQ(dialogs.questions.size(), 3u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MessageAt(0), "burst 5");
  EXPECT_EQ(MessageAt(1), "burst 6");
}

TEST_F(RowLimitTest, HeldLinesKeepTheirOwnCopyOfTheText) {
  switches.maxCount = 1;
  Fill(1);
  dialogs.onAsk = [&] {
    if (dialogs.questions.size() > 1) return;
    char buffer[16] = "transient";
    Add(3, buffer);
    buffer[0] = 'X';
  };
  Add(3, "trigger");
  ASSERT_EQ(rows.size(), 1u);  // trigger, then the held line meets the limit of 1
  EXPECT_EQ(MessageAt(0), "transient");
}

TEST_F(RowLimitTest, TwoThreadsAreSerialised) {
  switches.maxCount = 0;
  constexpr int kPerThread = 5000;
  auto feed = [&](int kind) {
    for (int i = 0; i < kPerThread; ++i) {
      Add(kind, "x der Klasse CSignal y");
    }
  };
  std::thread a(feed, 1);
  std::thread b(feed, 2);
  a.join();
  b.join();
  EXPECT_EQ(rows.size(), 2u * kPerThread);
  EXPECT_EQ(rows.updates, 2 * kPerThread);
  EXPECT_GE(intake.IndentationDepth(), 0);
  EXPECT_EQ(intake.IndentationDepth() % 3, 0);
}

}  // namespace
}  // namespace ploxen::test

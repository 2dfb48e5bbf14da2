// Line ends, inner line feeds and the length of the message column.
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

struct TrimCase {
  const char* text;
  const char* message;
};

class TrimmingTest : public IntakeTest, public ::testing::WithParamInterface<TrimCase> {};

TEST_P(TrimmingTest, MessageColumnReads) {
  Add(3, GetParam().text);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(MessageAt(0), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, TrimmingTest,
    ::testing::Values(TrimCase{"abc\r\n", "abc"}, TrimCase{"abc\n\r\n\r", "abc"},
                      TrimCase{"\n", " "},          // the first character always stays
                      TrimCase{"\r\n\r\n", "\r"},  // and a carriage return stays as it is
                      TrimCase{"a\nb", "a b"}, TrimCase{"a\rb", "a\rb"},
                      TrimCase{"a\n\nb\r\n", "a  b"}, TrimCase{"  x  ", "  x  "}));

TEST_F(IntakeTest, EmptyTextMakesNoRow) {
  Add(3, "");
  EXPECT_EQ(rows.size(), 0u);
}

TEST_F(IntakeTest, MessageIsCutTo499Characters) {
  const std::string text(2000, 'x');
  Add(3, text.c_str());
  EXPECT_EQ(MessageAt(0), std::string(499, 'x'));

  const std::string exact(499, 'y');
  Add(3, exact.c_str());
  EXPECT_EQ(MessageAt(1), exact);
}

TEST_F(IntakeTest, CutComesBeforeTrimmingAndAfterThePrefix) {
  // Line breaks beyond the cut do not matter; those at the cut are trimmed.
  std::string text = std::string(497, 'a') + "\r\n" + std::string(10, 'b');
  Add(3, text.c_str());
  EXPECT_EQ(MessageAt(0), std::string(497, 'a'));

  const std::string prefixed = "PID=1,TID=2,   t  " + std::string(600, 'm');
  Add(3, prefixed.c_str());
  EXPECT_EQ(MessageAt(1), std::string(499, 'm'));
}

TEST_F(IntakeTest, MegabyteLineBecomesOneCutRow) {
  std::string text(1 << 20, 'z');
  text[100] = '\n';
  Add(3, text.c_str());
  ASSERT_EQ(rows.size(), 1u);
  const std::string message = MessageAt(0);
  EXPECT_EQ(message.size(), 499u);
  EXPECT_EQ(message[100], ' ');
}

TEST_F(IntakeTest, Codepage1252BytesPassUnchanged) {
  Add(3, "Gr\xF6\xDF" "e \xFC" "ber \x80 \xFF");
  EXPECT_EQ(MessageAt(0), "Gr\xF6\xDF" "e \xFC" "ber \x80 \xFF");
}

}  // namespace
}  // namespace ploxen::test

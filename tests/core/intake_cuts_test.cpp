// The intake's cuts count characters and fall between them: the prefix's
// parts at 49, the message at 499, a road's record columns alike. No row
// ever holds a piece of a character.
#include <string>

#include "core/line_prefix.h"
#include "core/text.h"
#include "tests/support/intake_fixture.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

struct MessageCut {
  const char* name;
  std::string text;
  std::string message;
};

class MessageCutTest : public IntakeTest, public ::testing::WithParamInterface<MessageCut> {};

TEST_P(MessageCutTest, KeepsWholeCharacters) {
  Add(3, GetParam().text.c_str());
  ASSERT_EQ(rows.size(), 1u);
  const std::string message = MessageAt(0);
  EXPECT_EQ(message, GetParam().message);
  EXPECT_TRUE(IsValidUtf8(message));
  EXPECT_LE(CharacterCount(message), kMessageMax);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, MessageCutTest,
    ::testing::Values(
        // Two bytes each: the byte count would have cut after 249 and a half.
        MessageCut{"TwoByte", Repeat("ä", 600), Repeat("ä", 499)},
        MessageCut{"ThreeByte", Repeat("连", 500), Repeat("连", 499)},
        // The 499th character is the four-byte one, and it stays whole.
        MessageCut{"Long499", LongLine() + "x", LongLine()},
        MessageCut{"Long499Exact", LongLine(), LongLine()},
        // The 500th would be the emoji: it goes whole.
        MessageCut{"EmojiBeyond", Repeat("a", 499) + "🚀", Repeat("a", 499)},
        MessageCut{"AfterPrefix", "PID=1,TID=2,   t  " + Repeat("ж", 700), Repeat("ж", 499)},
        // A line end at the cut is still trimmed.
        MessageCut{"LineEndAtCut", Repeat("ł", 497) + "\r\n" + Repeat("ł", 5), Repeat("ł", 497)}),
    [](const ::testing::TestParamInfo<MessageCut>& info) { return std::string(info.param.name); });

struct PrefixCut {
  const char* name;
  std::string line;
  std::string process, time, message;
};

class PrefixCutTest : public IntakeTest, public ::testing::WithParamInterface<PrefixCut> {};

TEST_P(PrefixCutTest, PartsKeepWholeCharacters) {
  const PrefixCut& c = GetParam();
  Add(3, c.line.c_str());
  ASSERT_EQ(rows.size(), 1u);
  const Row row = RowAt(0);
  EXPECT_EQ(row.process, c.process);
  EXPECT_EQ(row.time, c.time);
  EXPECT_EQ(row.message, c.message);
  for (const std::string* column : {&row.process, &row.time, &row.message}) EXPECT_TRUE(IsValidUtf8(*column));
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, PrefixCutTest,
    ::testing::Values(
        PrefixCut{"ProcessOf60", "PID=1,TID=" + Repeat("ł", 60) + ",   t  m", "PID=1,TID=" + Repeat("ł", 39), "t", "m"},
        PrefixCut{"TimeOf70", "PID=1,TID=2,   " + Repeat("時", 70) + "  m", "PID=1,TID=2", Repeat("時", 49), "m"},
        // The character skipped after the time's blank is skipped whole.
        PrefixCut{"WideCharacterAfterBlank", "PID=1,TID=2,   t äbc", "PID=1,TID=2", "t", "bc"},
        PrefixCut{"EmojiAfterBlank", "PID=1,TID=2,   t 🚀bc", "PID=1,TID=2", "t", "bc"}),
    [](const ::testing::TestParamInfo<PrefixCut>& info) { return std::string(info.param.name); });

TEST_F(IntakeTest, RecordColumnsAreCutByCharacters) {
  LineRecord record;
  record.kind = 3;
  record.process = "PID=" + Repeat("ř", 60);
  record.time = Repeat("€", 60);
  record.message = Repeat("Σ", 600);
  intake.AddRecord(record);
  ASSERT_EQ(rows.size(), 1u);
  const Row row = RowAt(0);
  EXPECT_EQ(row.process, "PID=" + Repeat("ř", 45));
  EXPECT_EQ(row.time, Repeat("€", 49));
  EXPECT_EQ(row.message, Repeat("Σ", 499));
}

TEST_F(IntakeTest, IndentedCorpusLinesStayValid) {
  Add(kCategoryConstructor, "Konstruktor der Klasse CSignal (0x1234)");
  for (const CorpusLine& line : TextCorpus()) {
    Add(3, line.shown.c_str());
    const std::string message = MessageAt(rows.size() - 1);
    EXPECT_TRUE(IsValidUtf8(message)) << line.name;
    EXPECT_EQ(message, std::string(kIndentStep, ' ') + std::string(CutToCharacters(line.shown, kMessageMax)))
        << line.name;
  }
}

}  // namespace
}  // namespace ploxen::test

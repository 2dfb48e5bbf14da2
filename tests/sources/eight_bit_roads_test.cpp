// Every road says what its bytes are: each line of the shared corpus, sent
// by each road as that road carries it, reaches the intake as the text the
// row must show. The 8-bit roads read it by their one rule (a mark, valid
// UTF-8, else code page 1252), syslog too with or without a mark, the wide
// roads from UTF-16.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/intake.h"
#include "core/text.h"
#include "net/network_roads.h"
#include "net/remote_line.h"
#include "sources/caller_format.h"
#include "sources/copy_data.h"
#include "sources/debug_events.h"
#include "sources/mailslot_receiver.h"
#include "sources/system_wide_lines.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

TimeOfDay Noon() { return {12, 0, 0, 0}; }

class OneMessageMailslot : public MailslotPort {
 public:
  bool Create() override { return open = true; }
  bool IsOpen() const override { return open; }
  void Close() override { open = false; }
  std::optional<MailslotInfo> Query() override {
    if (waiting.empty()) return MailslotInfo{};
    return MailslotInfo{static_cast<std::uint32_t>(waiting.front().size()), 1};
  }
  std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
    waiting.front().copy(buffer, size);
    const std::size_t read = waiting.front().size();
    waiting.pop_front();
    return read;
  }
  std::deque<std::string> waiting;
  bool open = false;
};

class TextWindow : public RemoteWindow {
 public:
  void AddMessage(MessageKind, const char* text, MessageSource) override { lines.emplace_back(text); }
  void ShowNotice(RemoteNotice) override { lines.emplace_back("(notice)"); }
  std::vector<std::string> lines;
};

std::string MailslotText(const std::string& sent) {
  int remoteActive = 1;
  OneMessageMailslot port;
  TextWindow window;
  MailslotReceiver receiver(remoteActive, port, window);
  port.waiting.push_back("1,PC,259," + sent + std::string(1, '\0'));
  receiver.Tick();
  return window.lines.empty() ? "(none)" : window.lines.front();
}

NetworkLineTaker Taker() {
  return NetworkLineTaker(*SenderList::Parse("*").list, [](std::int64_t utc) { return utc; });
}

std::string NetworkText(NetworkRoad road, const std::string& bytes) {
  NetworkLineTaker taker = Taker();
  const std::optional<LineRecord> line = taker.Take(road, IpAddress::V4(127, 0, 0, 1), bytes, false, 0);
  return line ? line->message : "(none)";
}

// A road: what it carries for a corpus line, and the text it hands the
// intake for it, which must be what the row shows with the road's own
// decoration.
struct Road {
  const char* name;
  std::function<std::string(const CorpusLine&)> handed;
  std::function<std::string(const CorpusLine&)> expected;
};

const std::vector<Road>& Roads() {
  static const std::vector<Road> roads = {
      {"CopyDataMain",
       [](const CorpusLine& l) { return MainWindowLine(0x303, l.sent.c_str(), l.sent.size() + 1)->text; },
       [](const CorpusLine& l) { return l.shown; }},
      {"DbWin32",
       [](const CorpusLine& l) {
         ListenerLines lines(Noon);
         lines.Restart();
         return lines.Line(l.sent.data(), l.sent.size()).text;
       },
       [](const CorpusLine& l) { return std::string(kPlaceholderPrefix) + "12:00:00.000  (00000ms)   " + l.shown; }},
      {"Mailslot", [](const CorpusLine& l) { return MailslotText(l.sent); },
       [](const CorpusLine& l) { return std::string(CutToCharacters("(PC)  " + l.shown, kRemoteLineMax)); }},
      {"RemoteNetwork", [](const CorpusLine& l) { return NetworkText(NetworkRoad::kRemote, "1,PC,259," + l.sent); },
       [](const CorpusLine& l) { return std::string(CutToCharacters("(PC)  " + l.shown, kRemoteLineMax)); }},
      {"Syslog5424", [](const CorpusLine& l) { return NetworkText(NetworkRoad::kSyslog, "<13>1 - h app - - - " + l.sent); },
       [](const CorpusLine& l) { return l.shown; }},
      {"SyslogBsd",
       [](const CorpusLine& l) { return NetworkText(NetworkRoad::kSyslog, "<13>Mar  7 19:06:53 h app: " + l.sent); },
       [](const CorpusLine& l) { return l.shown; }},
      {"SystemWide",
       [](const CorpusLine& l) {
         LineStamp stamp(Noon);
         return SystemWideRecord(7, "prog.exe", l.sent, stamp).message;
       },
       [](const CorpusLine& l) { return "(00000ms)   [prog.exe] " + l.shown; }},
      {"DebugAnsi",
       [](const CorpusLine& l) {
         DebugStringAccumulator accumulator;
         const std::string piece = l.sent + "\n";
         return accumulator.Add(piece.data(), piece.size() + 1).value_or("(none)");
       },
       [](const CorpusLine& l) { return l.shown + "\n"; }},
      // The same line in two ANSI pieces, cut anywhere: read as one line.
      {"DebugAnsiPieces",
       [](const CorpusLine& l) {
         DebugStringAccumulator accumulator;
         const std::size_t half = l.sent.size() / 2 + 1;
         const std::string first = l.sent.substr(0, half);
         const std::string second = l.sent.substr(half) + "\n";
         accumulator.Add(first.data(), first.size());
         return accumulator.Add(second.data(), second.size()).value_or("(none)");
       },
       [](const CorpusLine& l) { return l.shown + "\n"; }},
  };
  return roads;
}

struct RoadLine {
  const Road* road;
  const CorpusLine* line;
};

std::vector<RoadLine> EveryRoadAndLine() {
  std::vector<RoadLine> cases;
  for (const Road& road : Roads())
    for (const CorpusLine& line : TextCorpus()) cases.push_back({&road, &line});
  return cases;
}

class EightBitRoadTest : public ::testing::TestWithParam<RoadLine> {};

TEST_P(EightBitRoadTest, HandsTheIntakeTheRowsText) {
  const RoadLine& c = GetParam();
  const std::string handed = c.road->handed(*c.line);
  EXPECT_EQ(handed, c.road->expected(*c.line));
  EXPECT_TRUE(IsValidUtf8(handed));
}

INSTANTIATE_TEST_SUITE_P(Corpus, EightBitRoadTest, ::testing::ValuesIn(EveryRoadAndLine()),
                         [](const ::testing::TestParamInfo<RoadLine>& info) {
                           return std::string(info.param.road->name) + "_" + info.param.line->name;
                         });

// Syslog's message behind a mark: UTF-8 whatever follows, invalid parts as
// U+FFFD; the same in structured data, with or without a mark before the
// message.
TEST(SyslogText, AMarkMakesTheMessageUtf8AndStructuredDataFollowsTheRule) {
  const std::string mark(kUtf8ByteOrderMark);
  for (const CorpusLine& line : TextCorpus()) {
    if (line.reading == EightBitReading::kMarkedUtf8) continue;
    const std::string marked = NetworkText(NetworkRoad::kSyslog, "<13>1 - h app - - - " + mark + line.sent);
    EXPECT_EQ(marked, EightBitToUtf8(mark + line.sent)) << line.name;
    if (line.reading == EightBitReading::kUtf8) {
      EXPECT_EQ(marked, line.shown) << line.name;
    }
    if (line.sent.find_first_of("\"]\\") != std::string::npos) continue;  // would need escapes
    const std::string data = NetworkText(NetworkRoad::kSyslog, "<13>1 - h app - - [x@1 v=\"" + line.sent + "\"]");
    EXPECT_EQ(data, "[x@1 v=\"" + line.shown + "\"]") << line.name;
  }
}

// The wide road of a debugged program: OutputDebugStringW's UTF-16, in one
// piece or in pieces cut between the halves of a pair.
TEST(DebugWide, UnitsBecomeTheRowsTextEvenCutBetweenAPairsHalves) {
  for (const CorpusLine& line : TextCorpus()) {
    if (line.invalid) continue;
    const std::u16string wide = Utf8ToUtf16(line.shown + "\n");
    DebugStringAccumulator whole;
    EXPECT_EQ(whole.AddWide(wide.data(), wide.size() + 1).value_or("(none)"), line.shown + "\n") << line.name;
  }
  const std::u16string rocket = u"ab\U0001F680cd\n";  // the pair at 2 and 3
  DebugStringAccumulator cut;
  EXPECT_FALSE(cut.AddWide(rocket.data(), 3, true)) << "no line end yet";
  EXPECT_EQ(cut.AddWide(rocket.data() + 4, 3).value_or("(none)"), "abcd\n") << "the lone half goes, not a U+FFFD";
}

TEST(DebugPieces, AnsiAndWidePiecesOfOneLineEachKeepTheirReading) {
  DebugStringAccumulator accumulator;
  const std::string ansi = "Gr\xFC\xDF" "e ";  // code page 1252
  const std::u16string wide = u"и привет\n";
  EXPECT_FALSE(accumulator.Add(ansi.data(), ansi.size()));
  EXPECT_EQ(accumulator.AddWide(wide.data(), wide.size()).value_or("(none)"), "Grüße и привет\n");
  // A piece cut inside a character by the work area loses the cut part.
  const std::string cut = "Gr\xC3\xBC\xC3";
  EXPECT_FALSE(accumulator.Add(cut.data(), cut.size(), true));
  EXPECT_EQ(accumulator.Add("\n", 1).value_or("(none)"), "Grü\n");
}

TEST(DebugLines, AModulesNameIsCutBetweenCharacters) {
  std::string name = "C:\\";
  while (name.size() < 2 * kDebugWorkArea) name += "Ω";
  for (const std::string& line : {ProcessCreatedLine(name, 1), DllLoadedLine(name, 0x1000)}) {
    EXPECT_TRUE(IsValidUtf8(line)) << line;
    EXPECT_LT(line.size(), kDebugWorkArea);
  }
}

// A remote line's bound counts characters: 1023 of them, never part of one.
TEST(RemoteLineCuts, TheBoundCountsCharacters) {
  std::string text;
  for (int i = 0; i < 1100; ++i) text += "ж";
  const std::string message = "1,PC,259," + text;
  const std::optional<RemoteLine> line = ParseRemoteLine(message);
  ASSERT_TRUE(line);
  EXPECT_EQ(CharacterCount(line->text), kRemoteLineMax - 9);
  const std::string composed = ComposeRemoteLine("PC", text);
  EXPECT_EQ(CharacterCount(composed), kRemoteLineMax);
  EXPECT_TRUE(IsValidUtf8(composed));
}

// The network's bound is bytes, cut between characters; a frame the framer
// cut inside a character loses that character's start, not the reading of
// the whole line.
TEST(NetworkCuts, TheBoundAndTheFramersCutFallBetweenCharacters) {
  std::string text = "x";  // the rockets stand across the bound
  while (text.size() < kNetworkLineMax + 10) text += "🚀";
  const std::string bound = NetworkText(NetworkRoad::kSyslog, "<13>1 - h app - - - " + text);
  EXPECT_TRUE(IsValidUtf8(bound));
  EXPECT_EQ(bound.size(), kNetworkLineMax - 3);
  NetworkLineTaker taker = Taker();
  const std::string frame = "<13>1 - h app - - - Größe \xE2\x82";
  const auto cut = taker.Take(NetworkRoad::kSyslog, IpAddress::V4(127, 0, 0, 1), frame, true, 0);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->message, "Größe ");
  const auto remote = taker.Take(NetworkRoad::kRemote, IpAddress::V4(127, 0, 0, 1), "2,PC,259,ł\xC5", true, 0);
  ASSERT_TRUE(remote);
  EXPECT_EQ(remote->message, "(PC)  ł");
}

struct FormatCase {
  const char* format;
  const char* value;
  const char* shown;
};

// A width or precision counts characters and never cuts one in half.
TEST(CallerFormats, WidthAndPrecisionCountCharacters) {
  const FormatCase cases[] = {
      {"[%5s]", "äö", "[   äö]"},
      {"[%-5s]", "łódź", "[łódź ]"},
      {"[%.2s]", "ŁÓDŹ", "[ŁÓ]"},
      {"[%.1s]", "🚀x", "[🚀]"},
      {"[%4.2s]", "Σσς", "[  Σσ]"},
      {"[%.3s]", "連線失敗", "[連線失]"},
      {"[%.0s]", "ä", "[]"},
      {"Größe %s", "ok", "Größe ok"},
  };
  for (const FormatCase& c : cases) {
    const std::string shown = FormatString(c.format, c.value);
    EXPECT_EQ(shown, c.shown) << c.format << " " << c.value;
    EXPECT_TRUE(IsValidUtf8(shown)) << c.format;
  }
  FormatStrings ten;
  ten[0] = "żółw";
  ten[1] = "🚀🚀";
  EXPECT_EQ(FormatTenStrings("%.2s|%3.1s", ten), "żó|  🚀");
  // "%c" takes its byte as code page 1252, as callers meant it.
  EXPECT_EQ(FormatLong("%c|%3c", 0xE4), "ä|%3c");
  EXPECT_EQ(FormatLong("[%3c]", 0x80), "[  €]");
}

}  // namespace
}  // namespace ploxen::test

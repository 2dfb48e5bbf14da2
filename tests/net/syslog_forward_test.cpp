#include "net/syslog_forward.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "net/lost_lines.h"
#include "net/stream_framer.h"
#include "net/syslog_message.h"
#include "tests/support/text_corpus.h"

namespace ploxen {
namespace {

// 2003-10-11T22:14:15.003Z
constexpr std::int64_t kTime = (12336 * std::int64_t{86400} + 22 * 3600 + 14 * 60 + 15) * 1000 + 3;

struct SeverityCase {
  MessageKind kind;
  int severity;
};

class ForwardSeverityOf : public testing::TestWithParam<SeverityCase> {};

TEST_P(ForwardSeverityOf, KindLevelGivesSeverity) {
  EXPECT_EQ(ForwardSeverity(GetParam().kind), GetParam().severity);
  // Back through the parser, the row keeps its colour.
  const std::string_view text = "x";
  const SyslogMessage m = ParseSyslog(FormatForwardMessage(GetParam().kind, &text, 1, "PC", kTime));
  EXPECT_EQ(m.severity, GetParam().severity);
  if (CategoryOf(GetParam().kind) == 3 && GetParam().kind != 0x303) {
    EXPECT_EQ(SyslogKind(m.severity), GetParam().kind);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ForwardSeverityOf,
                         testing::Values(SeverityCase{0x103, 3}, SeverityCase{0x203, 4}, SeverityCase{0x403, 6},
                                         SeverityCase{0x303, 5}, SeverityCase{1, 5}, SeverityCase{0x164, 3}));

TEST(ForwardMessage, Rfc5424Form) {
  const std::string_view strings[3] = {"PID=1,TID=2", "12:00:00.000", "Hallo Welt"};
  EXPECT_EQ(FormatForwardMessage(0x103, strings, 3, "WORKSTATION", kTime),
            "<11>1 2003-10-11T22:14:15.003Z WORKSTATION PLOXEN - - - PID=1,TID=2 12:00:00.000 Hallo Welt");
  const std::string_view onlyText[3] = {"", "", "nur Text"};
  EXPECT_EQ(FormatForwardMessage(0x403, onlyText, 3, "", 0), "<14>1 1970-01-01T00:00:00.000Z - PLOXEN - - - nur Text");
}

// A row is UTF-8: it goes once, marked, never converted a second time.
TEST(ForwardMessage, RowsUtf8GoesOnceMarkedAndLineEndsBlanks) {
  const std::string_view text = "\xC3\x84rger \xE2\x82\xAC\n\xD0\xB6";
  const std::string message = FormatForwardMessage(0x303, &text, 1, "h\xF6st name", kTime);
  EXPECT_EQ(message, "<13>1 2003-10-11T22:14:15.003Z hstname PLOXEN - - - \xEF\xBB\xBF\xC3\x84rger \xE2\x82\xAC \xD0\xB6");
  EXPECT_EQ(ParseSyslog(message).text, "\xC3\x84rger \xE2\x82\xAC \xD0\xB6");
}

TEST(ForwardMessage, EveryCorpusLineGoesOnceAndComesBackAsItWas) {
  for (const test::CorpusLine& line : test::TextCorpus()) {
    const std::string_view strings[3] = {"PID=1,TID=2", "12:00:00.000", line.shown};
    const std::string message = FormatForwardMessage(0x303, strings, 3, "h", kTime);
    const std::string expected = "PID=1,TID=2 12:00:00.000 " + line.shown;
    EXPECT_EQ(message.substr(message.size() - expected.size() - 3), std::string(kUtf8ByteOrderMark) + expected)
        << line.name;
    EXPECT_EQ(ParseSyslog(message).text, expected) << line.name;
  }
  // A row that is not UTF-8 (none should be) still goes as UTF-8.
  const std::string_view broken = "a\xFF" "b";
  EXPECT_TRUE(IsValidUtf8(FormatForwardMessage(0x303, &broken, 1, "h", kTime)));
}

TEST(ForwardMessage, TimestampsAcrossTheCalendar) {
  EXPECT_EQ(FormatUtcTimestamp(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(FormatUtcTimestamp(951782400000 - 1), "2000-02-28T23:59:59.999Z");
  EXPECT_EQ(FormatUtcTimestamp(951782400000 + 86400000), "2000-03-01T00:00:00.000Z");
  EXPECT_EQ(FormatUtcTimestamp(-1), "1969-12-31T23:59:59.999Z");
}

TEST(ForwardMessage, OctetCountedFrameReadsBackWhole) {
  const std::string_view text = "a\nb";
  const std::string message = FormatForwardMessage(0x203, &text, 1, "PC", kTime);
  const std::string frame = OctetCountedFrame(message);
  EXPECT_EQ(frame, std::to_string(message.size()) + " " + message);
  StreamFramer framer(StreamFramer::Mode::kSyslog);
  std::string got;
  framer.Feed(frame + frame, [&got](std::string_view f, bool) { got += std::string(f) + "|"; });
  EXPECT_EQ(got, message + "|" + message + "|");
}

TEST(LostLines, TotalPaneAndToolTip) {
  LostLines lost;
  EXPECT_EQ(LostLinesPaneText(lost), "");
  lost.remoteNetwork = 12;
  lost.refusedSenders = 3;
  lost.systemWide = 1;
  lost.wrongFormat = 2;
  lost.logFile = 4;
  lost.followedFiles = 5;
  EXPECT_EQ(lost.Total(), 27u);
  EXPECT_EQ(LostLinesPaneText(lost), "Verlorene Zeilen: 27");
  EXPECT_EQ(LostLinesToolTip(lost),
            "Verlorene Zeilen: Warteschlange voll 0, Mailslot 0, Fernmeldungen \xFC" "ber Netzwerk 12, Syslog 0, "
            "falsches Format 2, nicht erlaubte Absender 3, Weiterleitung 0, systemweit 1, Protokolldatei 4, "
            "Datei verfolgen 5");
}

}  // namespace
}  // namespace ploxen

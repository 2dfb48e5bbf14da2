#include "net/network_roads.h"
#include "net/syslog_message.h"

#include <gtest/gtest.h>

#include <string>

namespace ploxen {
namespace {

constexpr std::int64_t kArrival = (9 * 3600 + 30 * 60) * 1000LL;  // 09:30:00.000 local

SenderList Senders(std::string_view text) { return *SenderList::Parse(text).list; }

// The columns as the list shows them, in the text form of the other roads.
std::string Row(const LineRecord& line) { return line.process + ",   " + line.time + "  " + line.message; }

LineRecord Line(const std::string& message) {
  LineRecord line;
  line.kind = 3;
  line.message = message;
  return line;
}

class TakerTest : public ::testing::Test {
 protected:
  std::optional<LineRecord> Take(NetworkRoad road, std::string_view bytes, bool cut = false,
                                  const IpAddress& from = IpAddress::V4(127, 0, 0, 1)) {
    return taker.Take(road, from, bytes, cut, kArrival);
  }
  NetworkLineTaker taker{Senders("127.0.0.1 10.1.0.0/16"), [](std::int64_t utc) { return utc + 3600000; }};
};

TEST_F(TakerTest, RemoteLinesShowWithTheirKindAndRepeatsPerSenderGoQuietly) {
  auto line = Take(NetworkRoad::kRemote, "1,PC07,259,Hallo, Welt");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, 259);
  EXPECT_EQ(line->message, "(PC07)  Hallo, Welt");
  EXPECT_FALSE(Take(NetworkRoad::kRemote, "1,PC07,259,wieder"));
  // Another address numbers from 1 as well.
  EXPECT_TRUE(Take(NetworkRoad::kRemote, "1,PC07,259,anderer", false, IpAddress::V4(10, 1, 2, 3)));
  EXPECT_EQ(taker.Lost(), LostLines{});  // a repeat is no loss
}

TEST_F(TakerTest, EveryLossIsCountedForItsRoad) {
  EXPECT_FALSE(Take(NetworkRoad::kRemote, "ohne Komma"));
  EXPECT_FALSE(Take(NetworkRoad::kRemote, "1,pc,x,hi"));
  EXPECT_FALSE(Take(NetworkRoad::kRemote, "1,pc,261,hi", true));  // counted once, not as cut too
  EXPECT_FALSE(Take(NetworkRoad::kRemote, "2,H,259,fremd", false, IpAddress::V4(127, 0, 0, 2)));
  EXPECT_FALSE(Take(NetworkRoad::kSyslog, "<11>fremd", false, IpAddress::V4(10, 2, 0, 1)));
  // A cut line is shown as far as it came and counted: its end is lost.
  EXPECT_TRUE(Take(NetworkRoad::kRemote, "3,H,259," + std::string(100, 'x'), true));
  EXPECT_TRUE(Take(NetworkRoad::kSyslog, "<11>abgeschnitten", true));
  EXPECT_FALSE(Take(NetworkRoad::kSyslog, ""));  // nothing arrived: nothing lost
  taker.CountQueueFull();
  taker.CountRefused();
  LostLines expected;
  expected.remoteNetwork = 1;
  expected.syslog = 1;
  expected.wrongFormat = 3;
  expected.refusedSenders = 3;
  expected.queueFull = 1;
  EXPECT_EQ(taker.Lost(), expected);

  // A new sender list applies to the next line.
  taker.SetSenders(Senders("*"));
  EXPECT_TRUE(Take(NetworkRoad::kRemote, "4,H,259,jetzt erlaubt", false, IpAddress::V4(127, 0, 0, 2)));
  EXPECT_EQ(taker.Lost().refusedSenders, 3u);
}

TEST_F(TakerTest, SyslogRowsNameHostAndAppInLocalTimeWithTheSenderAsFallbackHost) {
  auto line = Take(NetworkRoad::kSyslog, "<12>1 2026-03-01T10:00:00.250Z web app 42 ID7 - Platte fast voll");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, 0x203);
  EXPECT_EQ(Row(*line), "PID=web app[42],TID=ID7,   11:00:00.250  Platte fast voll");
  EXPECT_EQ(line->stampMs, DaysFromCivil(2026, 3, 1) * 86400000 + 10 * 3600000 + 250) << "its own time, in UTC";
  line = Take(NetworkRoad::kSyslog, "<15>kein Kopf", false, IpAddress::V4(10, 1, 0, 9));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->kind, 0x303);
  EXPECT_EQ(Row(*line), "PID=10.1.0.9 -,TID=-,   09:30:00.000  kein Kopf");
  EXPECT_EQ(line->stampMs, kNoStamp) << "no time of its own";
}

TEST_F(TakerTest, AHugeSyslogLineIsHandedOnShortenedButShowsTheSame) {
  const auto line = Take(NetworkRoad::kSyslog, "<11>1 - h a - - - " + std::string(60000, 'y'));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->message.size(), kNetworkLineMax);
  EXPECT_EQ(Row(*line).substr(0, 36), "PID=h a,TID=-,   09:30:00.000  yyyyy");
  EXPECT_EQ(taker.Lost(), LostLines{});
}

// A connection the listener closes: its lines are read into the waiting
// lines while they have room; beyond, each is counted where its loss came
// from without being read as a line (no format check, no repeat rule).
TEST_F(TakerTest, AClosingConnectionsLinesBeyondTheBoundAreCountedUnread) {
  const IpAddress local = IpAddress::V4(127, 0, 0, 1);
  WaitingLines waiting;
  taker.TakeClosing(waiting, NetworkRoad::kRemote, local, "1,PC,259,passt", false, kArrival);
  taker.TakeClosing(waiting, NetworkRoad::kRemote, local, "kein Format", false, kArrival);
  ASSERT_EQ(waiting.Size(), 1u);
  EXPECT_EQ(waiting.Lines().front().message, "(PC)  passt");
  EXPECT_EQ(taker.Lost().wrongFormat, 1u);

  while (!waiting.Full()) waiting.Push(Line("voll"));
  for (const char* bytes : {"2,PC,259,zu viel", "kein Format", "2,PC,259,wiederholt"})
    taker.TakeClosing(waiting, NetworkRoad::kRemote, local, bytes, false, kArrival);
  taker.TakeClosing(waiting, NetworkRoad::kSyslog, local, "<11>abgeschnitten", true, kArrival);
  taker.TakeClosing(waiting, NetworkRoad::kRemote, local, "", false, kArrival);  // nothing arrived: nothing lost
  taker.TakeClosing(waiting, NetworkRoad::kRemote, IpAddress::V4(127, 0, 0, 2), "3,PC,259,fremd", false, kArrival);
  LostLines expected;
  expected.wrongFormat = 1;
  expected.queueFull = 4;
  expected.syslog = 1;
  expected.refusedSenders = 1;
  EXPECT_EQ(taker.Lost(), expected);
  EXPECT_EQ(waiting.Size(), WaitingLines::kLinesMax);
}

// Closed connections give up what they sent into the waiting lines only as
// far as their bound in lines and in bytes, whichever is met first.
TEST(WaitingLines, HoldAtMostTheirBoundInLinesAndInBytes) {
  WaitingLines waiting;
  std::size_t taken = 0;
  while (waiting.Push(Line("kurz"))) ++taken;
  EXPECT_EQ(taken, WaitingLines::kLinesMax);
  waiting.Clear();
  const std::string long_(kNetworkLineMax, 'x');
  for (taken = 0; waiting.Push(Line(long_)); ++taken) {
  }
  EXPECT_EQ(taken, WaitingLines::kBytesMax / (kNetworkLineMax + WaitingLines::kLineOverhead));
  EXPECT_LE(waiting.Bytes(), WaitingLines::kBytesMax);
  // A hand-over that took some makes room for as many again.
  for (int i = 0; i < 10; ++i) waiting.Lines().pop_front();
  waiting.Settle();
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(waiting.Push(Line(long_)));
  EXPECT_FALSE(waiting.Push(Line(long_)));
}

TEST(ClosedPortsNotice, NamesEachPortItsRoadAndTheSocketsThatFailed) {
  EXPECT_EQ(ClosedPortsNotice({}), "");
  EXPECT_EQ(ClosedPortsNotice({{NetworkRoad::kSyslog, 514, true, true}, {NetworkRoad::kRemote, 2014, false, true}}),
            "Der Port 514 f\xFCr Syslog (UDP und TCP) kann nicht ge\xF6" "ffnet werden: ein anderes Programm benutzt "
            "ihn, oder es fehlt das Recht dazu.\n"
            "Der Port 2014 f\xFCr Fernmeldungen (TCP) kann nicht ge\xF6" "ffnet werden: ein anderes Programm benutzt "
            "ihn, oder es fehlt das Recht dazu.\n"
            "PLOXEN l\xE4uft ohne diesen Empfang weiter.");
}

}  // namespace
}  // namespace ploxen

// Forwarding rows to a syslog server: the memory-bound queue, the growing
// pause, and the worker's rounds over a scripted link that refuses, breaks
// and closes as a real network does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "net/forward_queue.h"
#include "net/forward_sender.h"
#include "net/network_roads.h"
#include "net/stream_framer.h"
#include "net/syslog_message.h"
#include "tests/support/intake_fixture.h"

namespace ploxen {
namespace {

bool PushText(ForwardQueue& queue, const std::string& text, MessageKind kind = 0x303) {
  const std::string_view strings[3] = {"", "", text};
  return queue.Push(kind, strings, 3, 0);
}

std::vector<std::string> Texts(std::deque<ForwardRow>& rows) {
  std::vector<std::string> texts;
  for (const ForwardRow& row : rows) texts.push_back(row.text);
  return texts;
}

TEST(ForwardQueue, RowsBeyondTheBoundAreCountedAndTheOthersKeepTheirOrder) {
  const std::string text(100, 'x');
  ForwardQueue queue(3 * (100 + kForwardRowOverhead));
  EXPECT_TRUE(PushText(queue, text + "1"));  // one byte more: two fit, not three
  EXPECT_TRUE(PushText(queue, text + "2"));
  EXPECT_FALSE(PushText(queue, text + "3"));
  EXPECT_TRUE(PushText(queue, "4"));  // a short row still fits
  EXPECT_EQ(queue.Lost(), 1u);

  std::deque<ForwardRow> batch;
  queue.Take(batch, 1);  // at least one row, however small the batch
  ASSERT_EQ(batch.size(), 1u);
  EXPECT_FALSE(PushText(queue, text)) << "rows in the worker's hand still hold their room";
  queue.Release(batch.front());
  batch.pop_front();
  EXPECT_TRUE(PushText(queue, text + "5"));

  queue.Take(batch, 1 << 20);
  EXPECT_EQ(Texts(batch), (std::vector<std::string>{text + "2", "4", text + "5"}));
  EXPECT_EQ(queue.Lost(), 2u);

  // Forwarding switched off: what waits is given up, counted, and its room freed.
  for (const ForwardRow& row : batch) queue.Release(row);
  PushText(queue, "a");
  PushText(queue, "b");
  queue.DropAll();
  EXPECT_EQ(queue.Lost(), 4u);
  EXPECT_EQ(queue.HeldBytes(), 0u);
}

TEST(ForwardQueue, StringsAreJoinedAndRowsPutBackGoFirst) {
  ForwardQueue queue;
  const std::string_view strings[3] = {"PID=1,TID=2", "", "Text"};
  ASSERT_TRUE(queue.Push(0x103, strings, 3, 42));
  PushText(queue, "b");
  PushText(queue, "c");
  std::deque<ForwardRow> batch;
  queue.Take(batch, 1);
  queue.Take(batch, 1);
  EXPECT_EQ(batch.front().text, "PID=1,TID=2 Text");
  EXPECT_EQ(batch.front().kind, 0x103);
  EXPECT_EQ(batch.front().utcMs, 42);
  queue.PutBack(batch);
  EXPECT_TRUE(batch.empty());
  queue.Take(batch, 1 << 20);
  EXPECT_EQ(Texts(batch), (std::vector<std::string>{"PID=1,TID=2 Text", "b", "c"}));
}

TEST(ForwardQueue, AWaitingWorkerWakesForARowAndForAStop) {
  ForwardQueue queue;
  std::atomic<int> woke{0};
  std::thread worker([&] {
    queue.WaitForRows();
    ++woke;
    std::deque<ForwardRow> batch;
    queue.Take(batch, 1 << 20);
    queue.WaitForRows();
    ++woke;
    EXPECT_FALSE(queue.Pause(60000));
  });
  PushText(queue, "a");
  while (woke < 1) std::this_thread::yield();
  queue.RequestStop();
  worker.join();
  EXPECT_EQ(woke, 2);
}

TEST(ReconnectPause, DoublesUpToAMinuteAndStartsAgainAfterASuccess) {
  ReconnectPause pause;
  std::vector<std::int64_t> pauses;
  for (int i = 0; i < 9; ++i) pauses.push_back(pause.Failed());
  EXPECT_EQ(pauses, (std::vector<std::int64_t>{500, 1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));
  pause.Succeeded();
  EXPECT_EQ(pause.Failed(), 500);
}

// A target that refuses a number of connections, takes a number of bytes on
// the next one before it breaks, and can close a connection from its side.
class ScriptedLink : public ForwardLink {
 public:
  bool Open() override {
    ++opens;
    if (refusals > 0) {
      --refusals;
      return false;
    }
    connections.emplace_back();
    bytesBeforeBreak = std::exchange(nextBudget, std::numeric_limits<std::size_t>::max());
    return true;
  }
  std::size_t Send(std::string_view bytes) override {
    const std::size_t taken = std::min(bytes.size(), bytesBeforeBreak);
    bytesBeforeBreak -= taken;
    connections.back().append(bytes.substr(0, taken));
    if (taken == bytes.size()) datagrams.emplace_back(bytes);
    return taken;
  }
  bool Closed() override { return std::exchange(closedByTarget, false); }
  void Close() override { ++closes; }

  int refusals = 0;
  std::size_t nextBudget = std::numeric_limits<std::size_t>::max();
  std::size_t bytesBeforeBreak = 0;  // on this connection
  bool closedByTarget = false;
  int opens = 0;
  int closes = 0;
  std::vector<std::string> connections;  // the bytes each connection took
  std::vector<std::string> datagrams;
};

// The messages of one connection as a syslog server reads them.
std::vector<std::string> Received(const std::string& stream) {
  std::vector<std::string> texts;
  StreamFramer framer(StreamFramer::Mode::kSyslog);
  const StreamFramer::Sink sink = [&](std::string_view frame, bool cut) {
    if (cut) {
      texts.push_back("(cut)");
      return;
    }
    const SyslogMessage message = ParseSyslog(frame);
    EXPECT_EQ(message.host, "PC");
    EXPECT_EQ(message.app, "PLOXEN");
    texts.push_back(message.text);
  };
  framer.Feed(stream, sink);
  framer.Finish(sink);
  return texts;
}

std::vector<std::string> Numbered(int from, int to) {
  std::vector<std::string> texts;
  for (int i = from; i <= to; ++i) texts.push_back("Zeile " + std::to_string(i));
  return texts;
}

class ForwardSenderTest : public testing::Test {
 protected:
  void Push(int from, int to) {
    for (const std::string& text : Numbered(from, to)) ASSERT_TRUE(PushText(queue, text));
  }
  // Rounds until the sender waits for rows; the pauses it asked for.
  std::vector<std::int64_t> RunUntilIdle(ForwardSender& sender) {
    std::vector<std::int64_t> pauses;
    for (int round = 0; round < 1000; ++round) {
      const std::int64_t next = sender.Round();
      if (next == ForwardSender::kWaitForRows) return pauses;
      if (next != ForwardSender::kGoOn && next != ForwardSender::kGatherMs) pauses.push_back(next);
    }
    ADD_FAILURE() << "the sender never came to rest";
    return pauses;
  }

  ForwardQueue queue;
  ScriptedLink link;
};

TEST_F(ForwardSenderTest, RowsWaitWhileTheTargetRefusesAndThenArriveInOrder) {
  ForwardSender sender(queue, link, ForwardFraming::kOctetCounted, "PC");
  EXPECT_EQ(sender.Round(), ForwardSender::kWaitForRows);
  link.refusals = 3;
  Push(1, 5);
  EXPECT_EQ(RunUntilIdle(sender), (std::vector<std::int64_t>{500, 1000, 2000}));
  ASSERT_EQ(link.connections.size(), 1u);
  EXPECT_EQ(Received(link.connections[0]), Numbered(1, 5));
  EXPECT_EQ(queue.HeldBytes(), 0u);

  // A later outage starts again at the shortest pause.
  link.bytesBeforeBreak = 0;
  link.refusals = 1;
  Push(6, 6);
  EXPECT_EQ(sender.Round(), 500);  // the send failed
  EXPECT_EQ(RunUntilIdle(sender), (std::vector<std::int64_t>{1000}));
  EXPECT_EQ(Received(link.connections.back()), Numbered(6, 6));
}

TEST_F(ForwardSenderTest, TheRowCutByABrokenConnectionGoesAgainWholeAndNoneTwice) {
  ForwardSender sender(queue, link, ForwardFraming::kOctetCounted, "PC");
  Push(1, 200);
  // The connection breaks in the middle of a frame of the first batch.
  link.nextBudget = 5000;
  RunUntilIdle(sender);
  ASSERT_EQ(link.connections.size(), 2u);
  std::vector<std::string> first = Received(link.connections[0]);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.back(), "(cut)") << "the server saw the frame broken off";
  first.pop_back();
  std::vector<std::string> all = first;
  const std::vector<std::string> second = Received(link.connections[1]);
  all.insert(all.end(), second.begin(), second.end());
  EXPECT_EQ(all, Numbered(1, 200));
  EXPECT_EQ(link.closes, 1);
  EXPECT_EQ(queue.HeldBytes(), 0u);
}

TEST_F(ForwardSenderTest, AConnectionClosedByTheTargetIsMadeAgainBeforeRowsAreWritten) {
  ForwardSender sender(queue, link, ForwardFraming::kOctetCounted, "PC");
  Push(1, 1);
  RunUntilIdle(sender);
  link.closedByTarget = true;
  Push(2, 3);
  RunUntilIdle(sender);
  ASSERT_EQ(link.connections.size(), 2u);
  EXPECT_EQ(Received(link.connections[1]), Numbered(2, 3));
}

TEST_F(ForwardSenderTest, DatagramsCarryOneMessageEachAndAFailedOneGoesAgain) {
  ForwardSender sender(queue, link, ForwardFraming::kDatagram, "PC");
  Push(1, 3);
  link.nextBudget = 60;  // the first datagram goes, the second fails
  EXPECT_EQ(RunUntilIdle(sender), (std::vector<std::int64_t>{500}));
  std::vector<std::string> texts;
  for (const std::string& datagram : link.datagrams) texts.push_back(ParseSyslog(datagram).text);
  EXPECT_EQ(texts, Numbered(1, 3));
  EXPECT_EQ(link.opens, 2);
}

TEST_F(ForwardSenderTest, AStopInTheMiddleLeavesTheRowsInHandForTheNextTarget) {
  {
    ForwardSender sender(queue, link, ForwardFraming::kOctetCounted, "PC");
    link.refusals = 1;
    Push(1, 4);
    sender.Round();
    sender.Finish();
  }
  Push(5, 5);
  ScriptedLink next;
  ForwardSender sender(queue, next, ForwardFraming::kOctetCounted, "PC");
  RunUntilIdle(sender);
  ASSERT_EQ(next.connections.size(), 1u);
  EXPECT_EQ(Received(next.connections[0]), Numbered(1, 5));
}

// The intake tells its observer of every row it shows, and of nothing else.
class RecordingObserver : public RowObserver {
 public:
  void RowAppended(MessageKind kind, MessageSource source, const std::string_view* strings,
                   std::size_t count) override {
    std::string row = std::to_string(kind) + "/" + std::to_string(source) + ":";
    for (std::size_t i = 0; i < count; ++i) row += "[" + std::string(strings[i]) + "]";
    rows.push_back(row);
  }
  std::vector<std::string> rows;
};

class IntakeObserverTest : public test::IntakeTest {};

TEST_F(IntakeObserverTest, EveryStoredRowIsToldWithItsColumnsAndRoadAndNoRejectedLine) {
  RecordingObserver observer;
  intake.ObserveRows(&observer);
  switches.bException = 0;
  Add(0x103, "PID=7,TID=8,   12:00:00.000  Fehler\r\n");
  Add(kCategoryException, "gated off");
  Add(3, "");  // no message: no row
  Add(3, "Bemerkung", kSourceRemark);
  // The network's lines keep their own road through the queue: a row some
  // PLOXEN forwarded is told as such, so it is not forwarded again.
  NetworkLineTaker taker(SenderList{}, {});
  std::deque<LineRecord> lines;
  for (const char* syslog : {"<13>Dec  8 12:00:00 pc PLOXEN: zur\xFC" "ck", "<13>Dec  8 12:00:00 pc app: fremd"})
    lines.push_back(*taker.Take(NetworkRoad::kSyslog, IpAddress::V4(127, 0, 0, 1), syslog, false, 0));
  ASSERT_EQ(intake.TryQueueFront(lines), MessageIntake::TryResult::kQueued);
  intake.TakeQueued();
  switches.ploxen = 0;  // gated as the network's other lines
  lines.push_back(*taker.Take(NetworkRoad::kSyslog, IpAddress::V4(127, 0, 0, 1), "<13>1 - pc PLOXEN - - - aus", false, 0));
  intake.TryQueueFront(lines);
  intake.TakeQueued();
  EXPECT_EQ(observer.rows, (std::vector<std::string>{"259/2:[PID=7,TID=8][12:00:00.000][Fehler]", "3/1:[][][Bemerkung]",
                                                     "1027/5:[PID=pc PLOXEN,TID=-][12:00:00.000][zur\xC3\xBC" "ck]",
                                                     "1027/2:[PID=pc app,TID=-][12:00:00.000][fremd]"}));
  EXPECT_EQ(rows.size(), observer.rows.size());
}

// The forwarding and the log file both hear of every row, in the order
// they were added; one that stops hears no more.
TEST_F(IntakeObserverTest, EveryObserverIsToldUntilItStops) {
  RecordingObserver forwarding, log;
  intake.ObserveRows(&forwarding);
  intake.ObserveRows(&log);
  Add(3, "eins");
  intake.StopObserving(&forwarding);
  Add(3, "zwei");
  intake.StopObserving(&log);
  Add(3, "drei");
  EXPECT_EQ(forwarding.rows, (std::vector<std::string>{"3/2:[][][eins]"}));
  EXPECT_EQ(log.rows, (std::vector<std::string>{"3/2:[][][eins]", "3/2:[][][zwei]"}));
}

}  // namespace
}  // namespace ploxen

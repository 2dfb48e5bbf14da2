// Ticks of the remote poll over a scripted mailslot: what reaches the entry
// point, which box each failure gives and what it leaves of the flag, and
// ticks that come while a box of an earlier tick is still open.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sources/mailslot_receiver.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

using namespace std::string_literals;

class ScriptedMailslot : public MailslotPort {
 public:
  bool Create() override {
    ++creates;
    open = !createFails;
    return open;
  }
  bool IsOpen() const override { return open; }
  void Close() override { open = false; }
  std::optional<MailslotInfo> Query() override {
    if (++queries == failQuery) return std::nullopt;
    if (waiting.empty()) return MailslotInfo{};
    return MailslotInfo{static_cast<std::uint32_t>(waiting.front().size()), static_cast<std::uint32_t>(waiting.size())};
  }
  std::optional<std::size_t> Read(char* buffer, std::size_t size) override {
    readSizes.push_back(size);
    if (readFails) return std::nullopt;
    const std::string message = std::move(waiting.front());
    waiting.pop_front();
    message.copy(buffer, size);
    return message.size();
  }

  std::deque<std::string> waiting;
  bool open = false;
  bool createFails = false;
  bool readFails = false;
  int failQuery = 0;  // number of the query that fails, 0: none
  int creates = 0;
  int queries = 0;
  std::vector<std::size_t> readSizes;
};

class RecordingWindow : public RemoteWindow {
 public:
  void AddMessage(MessageKind kind, const char* text, MessageSource source) override {
    EXPECT_EQ(source, kSourceSystem);
    lines.emplace_back(kind, text);
    if (whileAdding) whileAdding();
  }
  void ShowNotice(RemoteNotice notice) override {
    notices.push_back(notice);
    if (whileBoxOpen) whileBoxOpen();
  }

  std::vector<std::pair<MessageKind, std::string>> lines;
  std::vector<RemoteNotice> notices;
  std::function<void()> whileBoxOpen;  // the box's modal loop
  std::function<void()> whileAdding;
};

using Texts_ = std::vector<std::string>;
using Notices = std::vector<RemoteNotice>;

class MailslotReceiverTest : public ::testing::Test {
 protected:
  void Send(std::initializer_list<std::string> messages) {
    for (const std::string& m : messages) mailslot.waiting.push_back(m);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& line : window.lines) texts.push_back(line.second);
    return texts;
  }

  int remoteActive = 1;
  ScriptedMailslot mailslot;
  RecordingWindow window;
  MailslotReceiver receiver{remoteActive, mailslot, window};
};

TEST_F(MailslotReceiverTest, OneTickTakesEveryWaitingMessageEachInABufferOfItsSize) {
  EXPECT_EQ(receiver.Tick(), 0u);
  EXPECT_EQ(mailslot.creates, 1) << "the first tick creates the mailslot";
  EXPECT_TRUE(window.lines.empty() && window.notices.empty()) << "nothing waits, nothing happens";

  Send({"17,PC07,259,Verbindung getrennt", "18,HOST,771,a,b,c\0"s, "19,HOST,259,", "20,H,1,vor\0nach"s});
  EXPECT_EQ(receiver.Tick(), 4u) << "the messages read tell the window a burst may go on";
  EXPECT_EQ(Texts(), (Texts_{"(PC07)  Verbindung getrennt", "(HOST)  a,b,c", "(HOST)  ", "(H)  vor"}));
  EXPECT_EQ(window.lines[1].first, 771);
  EXPECT_EQ(mailslot.readSizes, (std::vector<std::size_t>{31, 18, 12, 15}));
  EXPECT_EQ(mailslot.creates, 1);
  EXPECT_EQ(receiver.LastSequence(), 20);
  EXPECT_EQ(receiver.Lost(), 0u);
}

TEST_F(MailslotReceiverTest, OnlyARepeatOfThePreviousNumberIsDroppedAcrossTicks) {
  Send({"-1,H,259,dropped: -1 is the number before the first", "5,H,259,a", "5,H,259,b", "6,H,259,c", "5,H,259,d"});
  receiver.Tick();
  Send({"5,H,259,e: repeats the last one of the previous tick", "x,H,259,f", "y,H,259,g: both count as 0"});
  receiver.Tick();
  EXPECT_EQ(Texts(), (Texts_{"(H)  a", "(H)  c", "(H)  d", "(H)  f"}));
  EXPECT_EQ(receiver.Lost(), 0u) << "a repeat is the same line again, not a lost one";
}

TEST_F(MailslotReceiverTest, EachLineWithoutThreeCommasGetsItsBoxAndTheRestGoOn) {
  Send({"1,HOST,259", "", "ohne Komma", "2,HOST,259,danach"});
  EXPECT_EQ(receiver.Tick(), 4u) << "bad messages were read too";
  EXPECT_EQ(window.notices, Notices(3, RemoteNotice::kBadFormat));
  EXPECT_EQ(Texts(), Texts_{"(HOST)  danach"});
  EXPECT_TRUE(remoteActive);
  EXPECT_EQ(receiver.Lost(), 3u) << "told and counted";
}

TEST_F(MailslotReceiverTest, ASecondProgramHoldingTheNameIsToldOnceAndLaterTicksAreSilent) {
  mailslot.createFails = true;
  window.whileBoxOpen = [&] { receiver.Tick(); };  // ticks keep coming under the box
  for (int i = 0; i < 5; ++i) receiver.Tick();
  EXPECT_EQ(window.notices, Notices{RemoteNotice::kUnavailable});
  EXPECT_EQ(remoteActive, 0);
  EXPECT_EQ(mailslot.creates, 1);
}

TEST_F(MailslotReceiverTest, AFailedQueryClearsTheFlagAndTheNextTickClosesTheMailslot) {
  Send({"1,H,259,a", "2,H,259,b"});
  mailslot.failQuery = 3;  // after two reads
  receiver.Tick();
  // The two lines are out of the mailslot: they are shown, not lost.
  EXPECT_EQ(Texts(), (Texts_{"(H)  a", "(H)  b"}));
  EXPECT_EQ(window.notices, Notices{RemoteNotice::kQueryFailed});
  EXPECT_EQ(remoteActive, 0);
  EXPECT_TRUE(mailslot.open);
  receiver.Tick();
  EXPECT_FALSE(mailslot.open);
  EXPECT_EQ(window.notices.size(), 1u);
}

TEST_F(MailslotReceiverTest, AFailedReadKeepsTheFlagTriesAgainAndIsToldOncePerSpell) {
  Send({"1,H,259,a"});
  mailslot.readFails = true;
  receiver.Tick();
  receiver.Tick();
  EXPECT_EQ(window.notices, Notices{RemoteNotice::kReadFailed});
  EXPECT_EQ(mailslot.readSizes.size(), 2u) << "every tick tries again";
  EXPECT_EQ(remoteActive, 1);
  mailslot.readFails = false;
  receiver.Tick();
  EXPECT_EQ(Texts(), Texts_{"(H)  a"});
  Send({"2,H,259,b"});
  mailslot.readFails = true;
  receiver.Tick();
  EXPECT_EQ(window.notices.size(), 2u) << "a new failure after a good tick is told again";
}

TEST_F(MailslotReceiverTest, TicksUnderABoxOfAnEarlierTickDoNothing) {
  Send({"1,H,259", "2,H,259,b"});
  int nested = 0;
  window.whileBoxOpen = [&] {
    Send({"3,H,259,arrived while the box was open"});
    receiver.Tick();
    ++nested;
  };
  receiver.Tick();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(window.notices.size(), 1u);
  EXPECT_EQ(Texts(), Texts_{"(H)  b"}) << "the interrupted tick went on with its own lines, once";
  EXPECT_EQ(mailslot.waiting.size(), 1u) << "the nested tick left the new message waiting";
  receiver.Tick();
  EXPECT_EQ(Texts(), (Texts_{"(H)  b", "(H)  arrived while the box was open"}));
}

TEST_F(MailslotReceiverTest, ClosingUnderABoxStopsTheRunningTick) {
  Send({"1,H,259", "2,H,259,b"});
  window.whileBoxOpen = [&] { receiver.Close(); };  // the window is destroyed meanwhile
  receiver.Tick();
  EXPECT_FALSE(mailslot.open);
  EXPECT_TRUE(window.lines.empty());
  EXPECT_EQ(receiver.Lost(), 2u) << "the bad line, and the good one read but never shown";
}

TEST_F(MailslotReceiverTest, SwitchedOffTheNextTickClosesTheMailslotAndReadsNothing) {
  receiver.Tick();
  Send({"1,H,259,a"});
  remoteActive = 0;
  receiver.Tick();
  EXPECT_FALSE(mailslot.open);
  EXPECT_TRUE(window.lines.empty());
}

// The row-limit question inside a tick: timer ticks under it do nothing and
// the intake's held-line rule keeps every line.
class RemoteIntoIntake : public IntakeTest, public RemoteWindow {
 protected:
  void AddMessage(MessageKind kind, const char* text, MessageSource source) override {
    intake.AddMessage(kind, text, source);
  }
  void ShowNotice(RemoteNotice) override { ADD_FAILURE(); }

  int remoteActive = 1;
  ScriptedMailslot mailslot;
  MailslotReceiver receiver{remoteActive, mailslot, *this};
};

TEST_F(RemoteIntoIntake, NoLineIsLostUnderTheRowLimitQuestion) {
  switches.maxCount = 2;
  switches.konstruktor = 0;
  dialogs.answerYes = false;  // no saving: the list is emptied
  dialogs.onAsk = [&] {
    mailslot.waiting.push_back("9,H,259,during the question");
    receiver.Tick();
    Add(0x103, "copy-data during the question");
  };
  // 1 is filtered out (category 1 off) yet taken: its repeat is dropped.
  for (const char* m : {"1,H,1,filtered", "1,H,259,repeat", "2,H,259,a", "3,H,259,b", "4,H,259,c"})
    mailslot.waiting.push_back(m);
  receiver.Tick();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(MessageAt(0), "(H)  c");
  EXPECT_EQ(MessageAt(1), "copy-data during the question");
  switches.maxCount = 0;
  receiver.Tick();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(MessageAt(2), "(H)  during the question");
}

}  // namespace
}  // namespace ploxen::test

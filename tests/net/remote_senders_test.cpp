#include "net/remote_senders.h"

#include <gtest/gtest.h>

#include <string>

namespace ploxen {
namespace {

TEST(SenderSequences, RepeatRuleHoldsPerSender) {
  SenderSequences senders;
  // Two computers both number from 1, also behind one address.
  EXPECT_TRUE(senders.Take("10.0.0.1", "ALPHA", 1));
  EXPECT_TRUE(senders.Take("10.0.0.2", "BETA", 1));
  EXPECT_TRUE(senders.Take("10.0.0.1", "GAMMA", 1));
  EXPECT_FALSE(senders.Take("10.0.0.1", "ALPHA", 1));
  EXPECT_TRUE(senders.Take("10.0.0.1", "ALPHA", 2));
  EXPECT_FALSE(senders.Take("10.0.0.2", "BETA", 1));
  // The same name from another address is another sender.
  EXPECT_TRUE(senders.Take("10.0.0.3", "ALPHA", 2));
  EXPECT_EQ(senders.Size(), 4u);
}

TEST(SenderSequences, KeyCannotBeForgedByJoiningAddressAndName) {
  SenderSequences senders;
  EXPECT_TRUE(senders.Take("10.0.0.1", "X", 5));
  EXPECT_TRUE(senders.Take("10.0.0.1X", "", 5));
}

TEST(SenderSequences, FloodOfSendersStaysWithinTheBoundAndKeepsTheBusyOnes) {
  SenderSequences senders(8);
  EXPECT_TRUE(senders.Take("10.0.0.1", "BUSY", 1));
  for (int i = 0; i < 1000; ++i) {
    senders.Take("10.9.9.9", "FORGED" + std::to_string(i), 1);
    EXPECT_LE(senders.Size(), 8u);
    // Heard from again and again, the busy sender is never the oldest.
    if (i % 4 == 0) {
      EXPECT_FALSE(senders.Take("10.0.0.1", "BUSY", 1));
    }
  }
  // A sender pushed out starts afresh: its old number is not a repeat any more.
  EXPECT_TRUE(senders.Take("10.9.9.9", "FORGED0", 1));
}

struct RemoteCase {
  const char* name;
  const char* bytes;
  RemoteVerdict verdict;
  MessageKind kind;
  const char* text;
};

std::ostream& operator<<(std::ostream& os, const RemoteCase& c) { return os << c.name; }

class NetworkRemote : public testing::TestWithParam<RemoteCase> {};

TEST_P(NetworkRemote, ParsesAsTheMailslotDoes) {
  SenderSequences senders;
  ASSERT_EQ(TakeNetworkRemoteLine("10.0.0.5", "7,PC,3,first", senders).verdict, RemoteVerdict::kShow);
  const NetworkRemoteLine line = TakeNetworkRemoteLine("10.0.0.5", GetParam().bytes, senders);
  EXPECT_EQ(line.verdict, GetParam().verdict);
  EXPECT_EQ(line.kind, GetParam().kind);
  EXPECT_EQ(line.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NetworkRemote,
    testing::Values(RemoteCase{"shown", "8,PC,259,a,b", RemoteVerdict::kShow, 259, "(PC)  a,b"},
                    RemoteCase{"repeat", "7,PC,3,again", RemoteVerdict::kRepeat, 0, ""},
                    RemoteCase{"other_computer_same_number", "7,LAPTOP,3,x", RemoteVerdict::kShow, 3, "(LAPTOP)  x"},
                    RemoteCase{"malformed", "no commas here", RemoteVerdict::kMalformed, 0, ""},
                    RemoteCase{"two_commas", "1,PC,text", RemoteVerdict::kMalformed, 0, ""},
                    // The intake would drop these unseen; a category switched off is shown here.
                    RemoteCase{"kind_not_a_number", "1,pc,x,hi", RemoteVerdict::kMalformed, 0, ""},
                    RemoteCase{"category_unknown", "2,PC,261,x", RemoteVerdict::kMalformed, 0, ""},
                    RemoteCase{"category_switched_off_by_default", "3,PC,102,x", RemoteVerdict::kShow, 102,
                               "(PC)  x"}),
    [](const testing::TestParamInfo<RemoteCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ploxen

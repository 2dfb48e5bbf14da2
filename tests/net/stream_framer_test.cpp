#include "net/stream_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ploxen {
namespace {

struct Frames {
  std::vector<std::string> whole;
  std::vector<std::string> cut;
  StreamFramer::Sink Sink() {
    return [this](std::string_view frame, bool isCut) { (isCut ? cut : whole).emplace_back(frame); };
  }
};

Frames FeedAll(StreamFramer::Mode mode, const std::vector<std::string>& chunks, bool finish = true) {
  StreamFramer framer(mode);
  Frames frames;
  for (const std::string& chunk : chunks) framer.Feed(chunk, frames.Sink());
  if (finish) framer.Finish(frames.Sink());
  return frames;
}

struct FrameCase {
  const char* name;
  StreamFramer::Mode mode;
  std::string stream;
  std::vector<std::string> whole;
};

std::ostream& operator<<(std::ostream& os, const FrameCase& c) { return os << c.name; }

class FramerSplits : public testing::TestWithParam<FrameCase> {};

// Every way of cutting the stream into two or three chunks gives the same frames.
TEST_P(FramerSplits, SameFramesForEveryChunkSplit) {
  const FrameCase& c = GetParam();
  const std::string& s = c.stream;
  EXPECT_EQ(FeedAll(c.mode, {s}).whole, c.whole);
  for (std::size_t a = 0; a <= s.size(); ++a) {
    for (std::size_t b = a; b <= s.size(); ++b) {
      const Frames f = FeedAll(c.mode, {s.substr(0, a), s.substr(a, b - a), s.substr(b)});
      ASSERT_EQ(f.whole, c.whole) << "split at " << a << ", " << b;
      ASSERT_TRUE(f.cut.empty());
    }
  }
  std::vector<std::string> bytes;
  for (char ch : s) bytes.emplace_back(1, ch);
  EXPECT_EQ(FeedAll(c.mode, bytes).whole, c.whole);
}

using M = StreamFramer::Mode;

INSTANTIATE_TEST_SUITE_P(
    Streams, FramerSplits,
    testing::Values(
        FrameCase{"octet_counted", M::kSyslog, "5 <1>ab3 xyz", {"<1>ab", "xyz"}},
        FrameCase{"counted_frame_keeps_line_feeds", M::kSyslog, "7 a\nb\r\ncd", {"a\nb\r\ncd"}},
        FrameCase{"line_feed", M::kSyslog, "<13>one\n<14>two\r\n", {"<13>one", "<14>two"}},
        FrameCase{"mixed_per_frame", M::kSyslog, "<13>a\n3 bcd<14>e\n", {"<13>a", "bcd", "<14>e"}},
        FrameCase{"logger_octet_count", M::kSyslog,
                  "96 <10>1 2026-12-08T12:24:11.470163+00:00 vm app - - [timeQuality tzKnown=\"1\" isSynced=\"0\"] counted",
                  {"<10>1 2026-12-08T12:24:11.470163+00:00 vm app - - [timeQuality tzKnown=\"1\" isSynced=\"0\"] counted"}},
        FrameCase{"empty_lines_give_nothing", M::kSyslog, "\n\r\n<1>x\n\n", {"<1>x"}},
        FrameCase{"unfinished_last_line", M::kSyslog, "<1>x\n<2>y", {"<1>x", "<2>y"}},
        FrameCase{"remote_lines_never_counted", M::kLines, "5 a,b\n1,pc,0,x\n", {"5 a,b", "1,pc,0,x"}}),
    [](const testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

// Counts that lie cost at most their own line; the good frames around them get through.
INSTANTIATE_TEST_SUITE_P(
    LyingCounts, FramerSplits,
    testing::Values(
        FrameCase{"negative", M::kSyslog, "-5 <1>bad\n3 abc", {"-5 <1>bad", "abc"}},
        FrameCase{"not_a_number", M::kSyslog, "x5 <1>bad\n3 abc", {"x5 <1>bad", "abc"}},
        FrameCase{"digits_then_letter", M::kSyslog, "12a <1>bad\n3 abc", {"12a <1>bad", "abc"}},
        FrameCase{"leading_zero", M::kSyslog, "05 <1>bad\n3 abc", {"05 <1>bad", "abc"}},
        FrameCase{"overflowing", M::kSyslog, "99999999999999999999999 x\n3 abc",
                  {"99999999999999999999999 x", "abc"}},
        FrameCase{"too_small", M::kSyslog, "2 <1>rest\n3 abc", {"<1", ">rest", "abc"}}),
    [](const testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

TEST(StreamFramer, LongLineIsCutAndItsRestPassedOver) {
  const std::string longLine(kFrameMax + 1000, 'x');
  for (std::size_t chunk : {std::size_t{1000}, std::size_t{4096}, kFrameMax, kFrameMax + 2000}) {
    StreamFramer framer(StreamFramer::Mode::kSyslog);
    Frames frames;
    const std::string stream = "<1>a\n" + longLine + "\n<2>b\n";
    std::size_t most = 0;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
      framer.Feed(std::string_view(stream).substr(at, chunk), frames.Sink());
      most = std::max(most, framer.Buffered());
    }
    EXPECT_LE(most, kFrameMax);
    ASSERT_EQ(frames.cut.size(), 1u);
    EXPECT_EQ(frames.cut[0], longLine.substr(0, kFrameMax));
    EXPECT_EQ(frames.whole, (std::vector<std::string>{"<1>a", "<2>b"}));
    EXPECT_EQ(framer.CutFrames(), 1u);
  }
}

// After one stray byte an octet-counted stream without line feeds is one
// endless line to the framer: its frames cannot be read, but are counted,
// one for each kFrameMax passed over, however the chunks fall.
TEST(StreamFramer, WhatALongLinesRestPassesOverIsCounted) {
  std::string stream = "x";
  while (stream.size() < 4 * kFrameMax + 100) stream += "9 <13>hallo";
  for (std::size_t chunk : {std::size_t{1000}, kFrameMax, stream.size()}) {
    StreamFramer framer(StreamFramer::Mode::kSyslog);
    Frames frames;
    std::uint64_t passedOver = 0;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
      framer.Feed(std::string_view(stream).substr(at, chunk), frames.Sink());
      passedOver += framer.TakePassedOver();
    }
    framer.Feed("\n10 <13>danach", frames.Sink());
    framer.Finish(frames.Sink());
    EXPECT_EQ(frames.cut.size(), 1u);
    EXPECT_EQ(passedOver + framer.TakePassedOver(), 3u) << chunk;
    EXPECT_EQ(frames.whole, std::vector<std::string>{"<13>danach"});
  }
  // An honest long line loses only its cut end, which the cut frame counts.
  StreamFramer framer(StreamFramer::Mode::kLines);
  Frames frames;
  framer.Feed(std::string(2 * kFrameMax - 1, 'y') + "\n", frames.Sink());
  EXPECT_EQ(frames.cut.size(), 1u);
  EXPECT_EQ(framer.TakePassedOver(), 0u);
}

TEST(StreamFramer, LineOfExactlyTheCapIsWhole) {
  const std::string line(kFrameMax, 'y');
  const Frames f = FeedAll(StreamFramer::Mode::kLines, {line.substr(0, 10), line.substr(10) + "\nz\n"});
  EXPECT_EQ(f.whole, (std::vector<std::string>{line, "z"}));
  EXPECT_TRUE(f.cut.empty());
}

TEST(StreamFramer, LargeCountIsCutAndSkippedByItsCount) {
  const std::size_t size = kFrameMax + 5000;
  const std::string stream = std::to_string(size) + " " + std::string(size, 'q') + "3 abc";
  const Frames f = FeedAll(StreamFramer::Mode::kSyslog, {stream.substr(0, 70000), stream.substr(70000)});
  ASSERT_EQ(f.cut.size(), 1u);
  EXPECT_EQ(f.cut[0].size(), kFrameMax);
  EXPECT_EQ(f.whole, std::vector<std::string>{"abc"});
}

TEST(StreamFramer, ConnectionEndingInsideACountedFrameIsCut) {
  StreamFramer framer(StreamFramer::Mode::kSyslog);
  Frames frames;
  framer.Feed("10 abc", frames.Sink());
  framer.Finish(frames.Sink());
  EXPECT_EQ(frames.cut, std::vector<std::string>{"abc"});
  EXPECT_EQ(framer.CutFrames(), 1u);
  // The framer starts afresh after Finish.
  framer.Feed("3 xyz", frames.Sink());
  EXPECT_EQ(frames.whole, std::vector<std::string>{"xyz"});
}

TEST(StreamFramer, HugeBelievedCountHoldsNoMoreThanTheCap) {
  StreamFramer framer(StreamFramer::Mode::kSyslog);
  Frames frames;
  framer.Feed("9999999 ", frames.Sink());
  const std::string chunk(100000, 'z');
  for (int i = 0; i < 5; ++i) {
    framer.Feed(chunk, frames.Sink());
    EXPECT_LE(framer.Buffered(), kFrameMax);
  }
  EXPECT_EQ(frames.cut.size(), 1u);
}

}  // namespace
}  // namespace ploxen

// The system-wide road apart from the system: one message in the section,
// pieces joined per process, program names per process id, the rows as the
// intake makes them and "Suchen" finds them.
#include "sources/system_wide_lines.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "search/find.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

using namespace std::string_literals;

// ------------------------------------------------------------ the section

std::vector<unsigned char> Section(std::uint32_t processId, const std::string& text, std::size_t size = kSectionSize) {
  std::vector<unsigned char> s(size, 0xCC);
  for (int i = 0; i < 4 && static_cast<std::size_t>(i) < size; ++i) s[i] = static_cast<unsigned char>(processId >> (8 * i));
  for (std::size_t i = 0; i < text.size() && 4 + i < size; ++i) s[4 + i] = static_cast<unsigned char>(text[i]);
  return s;
}

struct SectionCase {
  const char* name;
  std::vector<unsigned char> bytes;
  std::uint32_t processId;
  std::string text;
};

class ReadSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(ReadSectionTest, GivesTheIdAndTheTextUpToItsNulNeverPastTheSection) {
  const SectionCase& c = GetParam();
  const SectionMessage m = ReadSection(c.bytes.data(), c.bytes.size());
  EXPECT_EQ(m.processId, c.processId);
  EXPECT_EQ(std::string(m.text), c.text);
  if (!m.text.empty()) {
    EXPECT_GE(m.text.data(), reinterpret_cast<const char*>(c.bytes.data()));
    EXPECT_LE(m.text.data() + m.text.size(), reinterpret_cast<const char*>(c.bytes.data() + c.bytes.size()));
  }
}

const std::string k4092(4092, 'x');

INSTANTIATE_TEST_SUITE_P(
    Sections, ReadSectionTest,
    ::testing::Values(
        SectionCase{"text", Section(0x01020304, "Hallo\0"s), 0x01020304, "Hallo"},
        SectionCase{"empty", Section(7, "\0"s), 7, ""},
        SectionCase{"no_nul_in_4092", Section(8, k4092), 8, k4092},
        SectionCase{"nul_is_the_last_byte", Section(9, std::string(4091, 'y') + '\0'), 9, std::string(4091, 'y')},
        SectionCase{"short_view_without_nul", Section(10, "abc", 7), 10, "abc"},
        SectionCase{"id_alone", Section(11, "", 4), 11, ""},
        SectionCase{"less_than_an_id", Section(12, "", 3), 0, ""},
        SectionCase{"process_zero", Section(0, "null\0"s), 0, "null"},
        SectionCase{"highest_id", Section(0xFFFFFFFFu, "max\0"s), 0xFFFFFFFFu, "max"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadSection, NoSectionGivesNothing) {
  const SectionMessage m = ReadSection(nullptr, kSectionSize);
  EXPECT_EQ(m.processId, 0u);
  EXPECT_TRUE(m.text.empty());
}

// ------------------------------------------------------------ joining

struct Piece {
  std::uint32_t processId;
  std::int64_t ms;
  std::string text;
};
struct JoinCase {
  const char* name;
  std::vector<Piece> pieces;
  std::int64_t flushAt;  // a Flush after the pieces; 0 for none
  std::vector<std::string> lines;  // "pid:text"
};

std::vector<std::string> Texts(const std::vector<JoinedLine>& lines) {
  std::vector<std::string> out;
  for (const JoinedLine& l : lines) out.push_back(std::to_string(l.processId) + ":" + l.text);
  return out;
}

class JoinTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinTest, GivesOneLinePerLineFeedPerProcess) {
  const JoinCase& c = GetParam();
  LineJoiner joiner;
  std::vector<JoinedLine> out;
  for (const Piece& p : c.pieces) joiner.Add(p.processId, p.ms, p.text, out);
  if (c.flushAt) joiner.Flush(c.flushAt, out);
  EXPECT_EQ(Texts(out), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, JoinTest,
    ::testing::Values(
        JoinCase{"one_line", {{1, 0, "a\n"}}, 0, {"1:a"}},
        JoinCase{"line_ends_trimmed", {{1, 0, "a\r\n"}, {1, 0, "b\r\r\n"}}, 0, {"1:a", "1:b"}},
        JoinCase{"several_lines_in_one", {{1, 0, "a\nb\r\nc\n"}}, 0, {"1:a", "1:b", "1:c"}},
        JoinCase{"empty_line_between", {{1, 0, "a\n\nb\n"}}, 0, {"1:a", "1:", "1:b"}},
        JoinCase{"pieces_joined", {{1, 0, "a"}, {1, 5, "b"}, {1, 9, "c\n"}}, 0, {"1:abc"}},
        JoinCase{"piece_and_lines", {{1, 0, "a"}, {1, 5, "b\nc\nd"}}, 0, {"1:ab", "1:c"}},
        JoinCase{"processes_apart", {{1, 0, "a"}, {2, 1, "x\n"}, {1, 2, "b\n"}}, 0, {"2:x", "1:ab"}},
        JoinCase{"quiet_piece_shown", {{1, 0, "a"}}, LineJoiner::kQuietMs, {"1:a"}},
        JoinCase{"piece_not_yet_quiet", {{1, 0, "a"}, {1, 50, "b"}}, 120, {}},
        JoinCase{"quiet_pieces_in_their_order", {{2, 10, "x"}, {1, 0, "a"}, {3, 90, "late"}}, 150, {"1:a", "2:x"}},
        JoinCase{"nothing_without_line_feed_or_quiet", {{1, 0, "a"}}, 0, {}},
        JoinCase{"empty_piece_is_nothing", {{1, 0, ""}}, 1000, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Join, APieceFlushedAfterItsQuietTimeIsStampedWhenTakenAndTheProcessStartsAfresh) {
  LineJoiner joiner;
  std::vector<JoinedLine> out;
  joiner.Add(1, 1000, "a", out);
  joiner.Flush(1200, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].arrivalMs, 1200);
  EXPECT_FALSE(joiner.Pending());
  joiner.Add(1, 1300, "b\n", out);
  EXPECT_EQ(Texts(out), (std::vector<std::string>{"1:a", "1:b"}));
  EXPECT_EQ(out[1].arrivalMs, 1300);
}

TEST(Join, ALineWithoutEndIsHandedOnAtItsMaximumAndAtTheEnd) {
  LineJoiner joiner;
  std::vector<JoinedLine> out;
  const std::string piece(kSectionTextMax, 'p');
  std::size_t written = 0;
  while (out.empty()) {
    joiner.Add(5, 0, piece, out);
    written += piece.size();
  }
  EXPECT_GE(out[0].text.size(), LineJoiner::kPendingMax);
  EXPECT_EQ(out[0].text.size(), written);
  joiner.Add(5, 1, "rest", out);
  joiner.Add(6, 1, "other", out);
  joiner.FlushAll(2, out);
  EXPECT_EQ(Texts(out).back(), "6:other");
  EXPECT_EQ(out[1].text, "rest");
  EXPECT_FALSE(joiner.Pending());
}

TEST(Join, PiecesGivenUpAtAStopAreCountedOneLineEachAndTheProcessStartsAfresh) {
  LineJoiner joiner;
  std::vector<JoinedLine> out;
  joiner.Add(1, 0, "a", out);
  joiner.Add(1, 5, "b", out);
  joiner.Add(2, 5, "x\ny", out);
  joiner.Add(3, 5, "z\n", out);
  EXPECT_EQ(Texts(out), (std::vector<std::string>{"2:x", "3:z"}));
  EXPECT_EQ(joiner.Drop(), 2u) << "\"ab\" and \"y\"";
  EXPECT_FALSE(joiner.Pending());
  EXPECT_EQ(joiner.Drop(), 0u);
  joiner.Add(1, 10, "c\n", out);
  EXPECT_EQ(Texts(out).back(), "1:c");
}

// ------------------------------------------------------------ clocks and turns

TEST(WallClockOffset, FollowsASetClockButNotTheRoundingOfItsReadings) {
  const struct {
    std::int64_t reading, inUse;
  } steps[] = {
      {5000, 5000},       // the first reading
      {5001, 5000},       // rounding either way
      {4999, 5000},
      {5002, 5002},       // drifted
      {5002 - 3600000, 5002 - 3600000},  // set back an hour
      {5002 - 3600000 + 1, 5002 - 3600000},
      {5002, 5002},       // and forward again
  };
  WallClockOffset offset;
  for (const auto& step : steps) EXPECT_EQ(offset.Follow(step.reading), step.inUse) << step.reading;
}

// The capture waits as WaitForMultipleObjects does: the first ready in its
// order wins. Both buffers flooded, the services' one still gets every
// other turn.
TEST(BufferTurns, AFloodIntoOneBufferDoesNotStarveTheOther) {
  const struct {
    std::size_t buffers;
    std::vector<bool> ready;  // per buffer, ready in every round
    std::vector<std::size_t> served;
  } cases[] = {
      {2, {true, true}, {0, 1, 0, 1, 0, 1}},
      {2, {true, false}, {0, 0, 0, 0, 0, 0}},
      {2, {false, true}, {1, 1, 1, 1, 1, 1}},
      {1, {true}, {0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    BufferTurns turns(c.buffers);
    std::vector<std::size_t> served;
    for (int round = 0; round < 6; ++round) {
      for (std::size_t place = 0; place < c.buffers; ++place) {
        if (!c.ready[turns.At(place)]) continue;
        served.push_back(turns.At(place));
        turns.Served(place);
        break;
      }
    }
    EXPECT_EQ(served, c.served) << c.buffers << " buffers, " << c.ready[0];
  }
}

// ------------------------------------------------------------ program names

class FakeProcesses : public ProcessProbe {
 public:
  Handle Open(std::uint32_t processId, std::string& name) override {
    ++opens[processId];
    const auto p = running.find(processId);
    if (p == running.end()) return 0;
    name = p->second;
    const Handle h = ++lastHandle;
    held[h] = processId;
    return h;
  }
  std::string Name(Handle h) override { return names.count(h) ? names.at(h) : ""; }
  bool Ended(Handle h) override { return running.count(held.at(h)) == 0 || ended.count(h) != 0; }
  // A handle opened elsewhere while the process ran.
  Handle OpenedElsewhere(std::uint32_t processId) {
    const Handle h = ++lastHandle;
    held[h] = processId;
    names[h] = running.at(processId);
    return h;
  }
  void Close(Handle h) override { held.erase(h); }
  // The process ends; the handles held on it still say so.
  void End(std::uint32_t processId) {
    running.erase(processId);
    for (const auto& [h, id] : held)
      if (id == processId) ended.insert({h, true});
  }

  std::map<std::uint32_t, std::string> running;
  std::map<std::uint32_t, int> opens;
  std::map<Handle, std::uint32_t> held;
  std::map<Handle, bool> ended;
  std::map<Handle, std::string> names;
  Handle lastHandle = 0;
};

TEST(ProgramNames, AProcessOpenedWithItsLineIsNamedAfterItEnded) {
  FakeProcesses processes;
  processes.running = {{300, "kurz.exe"}, {400, "lang.exe"}};
  ProgramNames names(processes);
  const auto shortLived = processes.OpenedElsewhere(300);
  processes.End(300);  // gone before its line was named
  names.Adopt(300, shortLived);
  EXPECT_EQ(names.Name(300, 0), "kurz.exe");
  EXPECT_EQ(processes.opens[300], 0);

  EXPECT_EQ(names.Name(400, 0), "lang.exe");
  const auto again = processes.OpenedElsewhere(400);
  names.Adopt(400, again);
  EXPECT_EQ(processes.held.count(again), 0u) << "a second handle of a known process is closed again";
  names.Adopt(500, 0);
  EXPECT_EQ(names.Name(500, 0), "?");
}

TEST(ProgramNames, LookedUpOncePerProcessAndKeptAfterItEnded) {
  FakeProcesses processes;
  processes.running = {{100, "app.exe"}, {200, "tool.exe"}};
  ProgramNames names(processes);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(names.Name(100, i), "app.exe");
    EXPECT_EQ(names.Name(200, i), "tool.exe");
  }
  EXPECT_EQ(processes.opens[100], 1);
  EXPECT_EQ(names.Held(), 2u);

  processes.End(100);
  names.Sweep();
  EXPECT_EQ(names.Held(), 1u);
  EXPECT_EQ(processes.held.size(), 1u) << "the ended process is let go, so its id can be given again";
  EXPECT_EQ(names.Name(100, 1000), "app.exe") << "a late line of the ended process";
}

TEST(ProgramNames, AnIdGivenToANewProcessGetsTheNewName) {
  FakeProcesses processes;
  processes.running = {{100, "old.exe"}};
  ProgramNames names(processes);
  EXPECT_EQ(names.Name(100, 0), "old.exe");
  processes.End(100);
  names.Sweep();
  processes.running[100] = "new.exe";
  EXPECT_EQ(names.Name(100, 10), "new.exe");
  EXPECT_EQ(names.Name(100, 20), "new.exe");
  EXPECT_EQ(processes.opens[100], 2);
}

TEST(ProgramNames, AnIdOfNoProcessIsAQuestionMarkAndAskedAgainOnlyNowAndThen) {
  FakeProcesses processes;
  ProgramNames names(processes);
  for (std::uint32_t id : {0u, 4242u}) {
    for (std::int64_t ms = 0; ms < ProgramNames::kRetryMs; ms += 10) EXPECT_EQ(names.Name(id, ms), "?");
    EXPECT_EQ(processes.opens[id], 1) << id;
    processes.running[id] = "late.exe";
    EXPECT_EQ(names.Name(id, ProgramNames::kRetryMs), "late.exe") << "asked again after the pause";
  }
}

TEST(ProgramNames, KeepsABoundedNumberOfIdsWithoutAProcess) {
  FakeProcesses processes;
  ProgramNames names(processes);
  for (std::uint32_t id = 1; id <= ProgramNames::kEndedMax + 100; ++id) names.Name(id, 0);
  EXPECT_EQ(names.Name(1, 1), "?");
  EXPECT_EQ(processes.opens[1], 2) << "the oldest was forgotten and is asked again at once";
  EXPECT_EQ(processes.opens[ProgramNames::kEndedMax + 100], 1);
}

TEST(ProgramNames, HandlesAreClosedAtAStopAndWithTheCache) {
  FakeProcesses processes;
  processes.running = {{1, "a.exe"}, {2, "b.exe"}, {3, "c.exe"}};
  {
    ProgramNames names(processes);
    names.Name(1, 0);
    names.Name(2, 0);
    names.Adopt(3, processes.OpenedElsewhere(3));
    processes.End(3);
    EXPECT_EQ(processes.held.size(), 3u);
    names.Clear();
    EXPECT_TRUE(processes.held.empty()) << "nothing held while the road is off";
    EXPECT_EQ(names.Held(), 0u);
    EXPECT_EQ(names.Name(1, 10), "a.exe") << "asked again after a new start";
    EXPECT_EQ(processes.opens[1], 2);
  }
  EXPECT_TRUE(processes.held.empty());
}

// ------------------------------------------------------------ rows

TimeOfDay Noon() { return TimeOfDay{12, 0, 0, 0}; }

class SystemWideRows : public IntakeTest {
 protected:
  SystemWideRows() { switches.systemWeit = 1; }
  void AddLine(std::uint32_t processId, const std::string& program, const std::string& text) {
    intake.AddRecord(SystemWideRecord(processId, program, text, stamp));
  }
  LineStamp stamp{Noon};
};

TEST_F(SystemWideRows, ColumnsHoldIdTimeAndProgramBeforeTheText) {
  AddLine(1234, "app.exe", "Hallo Welt");
  AddLine(4294967295u, "?", "");
  ASSERT_EQ(rows.size(), 2u);
  const Row first = RowAt(0);
  EXPECT_EQ(first.process, "PID=1234,TID=????");
  EXPECT_EQ(first.time, "12:00:00.000");
  EXPECT_EQ(first.message, "(00000ms)   [app.exe] Hallo Welt");
  EXPECT_EQ(first.colour, kBlack);
  EXPECT_EQ(first.kind, 0x303);
  EXPECT_EQ(RowAt(1).process, "PID=4294967295,TID=????");
  EXPECT_EQ(RowAt(1).message, "(00000ms)   [?]");
}

TEST_F(SystemWideRows, TheRoadsOwnRedRowNamesNoProcess) {
  AddLine(1, "a.exe", "vorher");
  intake.AddRecord(SystemWideNotice(LostLinesText(3), stamp));
  ASSERT_EQ(rows.size(), 2u);
  const Row notice = RowAt(1);
  EXPECT_EQ(notice.process, "PID=????,TID=????");
  EXPECT_EQ(notice.time, "12:00:00.000");
  EXPECT_EQ(notice.message, "(00000ms)   " + LostLinesText(3));
  EXPECT_EQ(notice.kind, 0x103);
  EXPECT_EQ(notice.colour, kRed);
}

TEST_F(SystemWideRows, AProgramNameWithBlanksAndCommasKeepsTheColumns) {
  AddLine(7, "mein Programm, neu.exe", "x");
  EXPECT_EQ(RowAt(0).process, "PID=7,TID=????");
  EXPECT_EQ(RowAt(0).message, "(00000ms)   [mein Programm, neu.exe] x");
}

TEST_F(SystemWideRows, ALongTextIsCutLikeEveryLine) {
  AddLine(1, "app.exe", std::string(4000, 'z'));
  EXPECT_EQ(RowAt(0).message.size(), kMessageMax);
}

TEST_F(SystemWideRows, SuchenFindsRowsByProgramName) {
  AddLine(1, "alpha.exe", "eins");
  AddLine(2, "Beta.exe", "zwei");
  EXPECT_EQ(FindRow(rows, 0, "beta.EXE", false), 1u);
  EXPECT_EQ(FindRow(rows, 0, "PID=2,", false), 1u);
  EXPECT_EQ(FindRow(rows, 0, "gamma", false), kNoRow);
}

TEST_F(SystemWideRows, TheRoadIsOpenOnlyWhileItsSwitchIsOn) {
  AddLine(1, "a.exe", "an");
  switches.systemWeit = 0;
  AddLine(1, "a.exe", "aus");
  switches.ploxen = 1;
  switches.dbWin32 = 1;
  AddLine(1, "a.exe", "andere Schalter");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(RowAt(0).message, "(00000ms)   [a.exe] an");
  EXPECT_FALSE(SourceAccepted(IntakeSwitches{}, kSourceSystemWide)) << "off by default";
}

TEST(SystemWideTexts, LostLinesConsoleLineAndPageState) {
  EXPECT_EQ(LostLinesText(1), "1 Zeile der systemweiten Debug-Ausgaben ging verloren: der Zwischenspeicher war voll.");
  EXPECT_EQ(LostLinesText(20000),
            "20000 Zeilen der systemweiten Debug-Ausgaben gingen verloren: der Zwischenspeicher war voll.");
  EXPECT_EQ(ConsoleLine(TimeOfDay{9, 8, 7, 6}, 42, "app.exe", "Text \xE4"), "09:08:07.006     42  app.exe  Text \xE4");
  EXPECT_EQ(SystemWideState(false, false, false), "");
  EXPECT_EQ(SystemWideState(true, false, false), "Systemweit gelesen: nur diese Sitzung");
  EXPECT_NE(SystemWideState(true, true, false).find("Global\\"), std::string::npos);
  EXPECT_NE(SystemWideState(false, false, true).find("anderen Programm"), std::string::npos);
}

// Each way a start can end: what the box says, and what the page says after.
TEST(SystemWideTexts, EveryStartThatDoesNotReadIsToldWithItsReason) {
  const struct {
    CaptureBegun begun;
    std::string box, page;
  } cases[] = {
      {CaptureBegun::kCapturing, "", ""},
      {CaptureBegun::kBusy, "Die systemweiten Debug-Ausgaben werden bereits von einem anderen Programm gelesen.",
       "Systemweit: wird bereits von einem anderen Programm gelesen"},
      {CaptureBegun::kDenied,
       "Die systemweiten Debug-Ausgaben werden bereits von einem anderen Programm gelesen, das PLOXEN den Zugriff "
       "verweigert (etwa weil es als Administrator l\xE4uft).",
       "Systemweit: wird bereits von einem anderen Programm gelesen, das den Zugriff verweigert"},
      {CaptureBegun::kFailed, "Die systemweiten Debug-Ausgaben k\xF6nnen nicht gelesen werden (Fehler 6).",
       "Systemweit: kann nicht gelesen werden"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureRefusedText(c.begun, 6), c.box);
    EXPECT_EQ(SystemWideState(false, false, c.begun), c.page);
    EXPECT_EQ(SystemWideState(true, false, c.begun), "Systemweit gelesen: nur diese Sitzung") << "a running road reads";
  }
}

}  // namespace
}  // namespace ploxen::test

// A road's record makes the row its text line would make: the same cuts,
// trimming, gates, indentation and colours, through AddRecord and through
// the queue alike.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/line_record.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

struct RecordCase {
  const char* name;
  LineRecord record;
  std::string line;  // the text line it stands for
};

void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.name; }

LineRecord Record(MessageKind kind, std::string process, std::string time, std::string message) {
  LineRecord record;
  record.kind = kind;
  record.process = std::move(process);
  record.time = std::move(time);
  record.message = std::move(message);
  return record;
}

const std::string kLongProcess = "PID=" + std::string(60, '1') + ",TID=2";
const std::string kLongMessage(700, 'm');
const std::string kCtor = "Konstruktor der Klasse CSignal ";

const RecordCase kCases[] = {
    {"Columns", Record(3, "PID=1,TID=2", "12:00:00.000", "(00000ms)   x"),
     "PID=1,TID=2,   12:00:00.000  (00000ms)   x"},
    {"LongProcessIsCut", Record(3, kLongProcess, "t", "m"), kLongProcess + ",   t  m"},
    {"LongMessageIsCut", Record(3, "PID=P,TID=1", "t", kLongMessage), "PID=P,TID=1,   t  " + kLongMessage},
    {"LineEndsAreTrimmed", Record(0x103, "PID=7,TID=8", "t", "Fehler\r\n"), "PID=7,TID=8,   t  Fehler\r\n"},
    {"AColumnEndsAtANul", Record(3, "", "", std::string("vor\0nach", 8)), "vor"},
    {"NoProcessNoTime", Record(3, "", "", "(PC07)  Hallo, Welt"), "(PC07)  Hallo, Welt"},
    {"AConstructorIndentsTheNextRows", Record(1, "", "", kCtor), kCtor},
    {"EmptyMessageMakesNoRow", Record(3, "PID=1,TID=2", "t", ""), "PID=1,TID=2,   t  "},
    {"ACategorySwitchedOffMakesNoRow", Record(kCategoryException, "", "", "aus"), "aus"},
};

std::vector<Row> Rows(const MessageRows& rows) {
  std::vector<Row> out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MessageItem& item = rows.Row(i);
    out.push_back(Row{std::string(item.Text(0)), std::string(item.Text(1)), std::string(item.Text(2)),
                      item.Colours(kColumnMessage).text, item.Kind()});
  }
  return out;
}

class RecordRowTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordRowTest, MakesTheRowOfItsTextLine) {
  const RecordCase& c = GetParam();
  struct Intake {
    IntakeSwitches switches;
    CountingRows rows;
    ScriptedDialogs dialogs;
    MessageIntake intake{switches, rows, dialogs};
  } byText, byRecord, byQueue, byBatch;
  // A second line shows the indentation the first one left behind.
  const LineRecord after = Record(3, "", "", "danach");
  byText.intake.AddMessage(c.record.kind, c.line.c_str(), c.record.source);
  byText.intake.AddMessage(after.kind, after.message.c_str(), after.source);
  byRecord.intake.AddRecord(c.record);
  byRecord.intake.AddRecord(after);
  std::deque<LineRecord> queued{c.record, after};
  ASSERT_EQ(byQueue.intake.TryQueueFront(queued), MessageIntake::TryResult::kQueued);
  byQueue.intake.TakeQueued();
  auto batch = std::make_unique<LineBatch>();
  for (const LineRecord& r : {c.record, after}) batch->Add(r.kind, r.source, r.process, r.time, r.message);
  ASSERT_EQ(byBatch.intake.TryQueueBatch(batch), MessageIntake::TryResult::kQueued);
  byBatch.intake.TakeQueued();

  const std::vector<Row> expected = Rows(byText.rows);
  for (const Intake* other : {&byRecord, &byQueue, &byBatch}) {
    const std::vector<Row> got = Rows(other->rows);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].process, expected[i].process) << i;
      EXPECT_EQ(got[i].time, expected[i].time) << i;
      EXPECT_EQ(got[i].message, expected[i].message) << i;
      EXPECT_EQ(got[i].colour, expected[i].colour) << i;
      EXPECT_EQ(got[i].kind, expected[i].kind) << i;
    }
    EXPECT_EQ(other->intake.IndentationDepth(), byText.intake.IndentationDepth());
    EXPECT_EQ(other->rows.updates, byText.rows.updates) << "the list state follows every line";
  }
}

INSTANTIATE_TEST_SUITE_P(Records, RecordRowTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ploxen::test

// The list's own file: exact bytes, round trips, and damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "storage/binary_file.h"
#include "tests/support/row_builders.h"

namespace ploxen::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Write(const MessageRows& rows) {
  MemorySink sink;
  EXPECT_TRUE(WriteBinaryFile(rows, sink));
  return sink.Bytes();
}

BinaryReadResult Read(const Bytes& bytes, MessageRows& rows) {
  MemorySource source(bytes.data(), bytes.size());
  return ReadBinaryFile(source, rows);
}

void PutInt(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

TEST(BinaryFile, WorkedExampleIsExactlyFiftyBytes) {
  MessageRows rows;
  AddItem(rows, 0x103, {"a", "b", "c"},
          {{0x000000, 0xC0FFFF}, {0x000000, 0xFFFFC0}, {0x0000FF, 0xFFFFFF}});
  const Bytes expected = {0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                          0x06, 0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x03, 0x01,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xC0, 0x00, 0x00, 0x00,
                          0x00, 0x00, 0xC0, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF,
                          0xFF, 0x00};
  EXPECT_EQ(Write(rows), expected);
}

TEST(BinaryFile, EmptyListIsEightBytesAndReadsAsNoRow) {
  MessageRows rows;
  const Bytes bytes = Write(rows);
  EXPECT_EQ(bytes, (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
  MessageRows back;
  const BinaryReadResult result = Read(bytes, back);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete);
  EXPECT_TRUE(back.empty());
}

TEST(BinaryFile, RoundTripKeepsStringsKindsColoursAndOrder) {
  MessageRows rows;
  AddRow(rows, 0x103, "PID=1,TID=2", "12:00:00.000", "Fehler \"x\", y");
  AddRow(rows, 102, "", "", "switched-off category still loads");
  AddRow(rows, static_cast<MessageKind>(0xFFFF0203u), "", "", "Gr\xF6\xDF" "e\r");
  AddRow(rows, 1, "", "", std::string(499, 'x'));
  MessageRows back;
  EXPECT_EQ(Read(Write(rows), back).status, BinaryReadResult::kComplete);
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(back.Row(r).Kind(), rows.Row(r).Kind());
    ASSERT_EQ(back.Row(r).ColourCount(), 3u);
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(back.Row(r).Text(c), rows.Row(r).Text(c));
      EXPECT_EQ(back.Row(r).Colours(c).text, rows.Row(r).Colours(c).text);
      EXPECT_EQ(back.Row(r).Colours(c).back, rows.Row(r).Colours(c).back);
    }
  }
}

TEST(BinaryFile, RowsLongerThanTheReadBufferComeBackWhole) {
  MessageRows rows;
  for (std::size_t i = 0; i < 40; ++i) {
    const std::size_t length = i % 10 == 5 ? kStreamBuffer * (1 + i / 20) + i : 50 + i;
    AddRow(rows, 3, "p", std::to_string(i), std::string(length, static_cast<char>('a' + i % 26)));
  }
  MessageRows back;
  EXPECT_EQ(Read(Write(rows), back).status, BinaryReadResult::kComplete);
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(back.Row(r).Text(1), std::to_string(r));
    EXPECT_EQ(back.Row(r).Text(2), rows.Row(r).Text(2));
  }
}

TEST(BinaryFile, ReadingAppendsAfterExistingRows) {
  MessageRows one;
  AddRow(one, 3, "", "", "from file");
  MessageRows list;
  AddRow(list, 3, "", "", "already there");
  Read(Write(one), list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.Row(1).Text(2), "from file");
}

TEST(BinaryFile, RowsOfDifferentWidthsStillGiveAReadableFile) {
  // A file of one-column rows was opened, then three-column lines arrived.
  MessageRows rows;
  AddItem(rows, 3, {"narrow"}, {{1, 2}});
  AddRow(rows, 0x403, "p", "t", "wide");
  MessageRows back;
  EXPECT_EQ(Read(Write(rows), back).status, BinaryReadResult::kComplete);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.Row(0).Text(0), "narrow");
  EXPECT_EQ(back.Row(0).Text(2), "");
  EXPECT_EQ(back.Row(0).Colours(0).back, 2u);
  EXPECT_EQ(back.Row(1).Text(2), "wide");
  EXPECT_EQ(back.Row(1).Colours(2).text, kDarkBlue);
}

TEST(BinaryFile, AClearedListForgetsHowWideItsRowsWere) {
  MessageRows rows;
  AddRow(rows, 3, "p", "t", "wide");
  rows.DeleteAllRows();
  AddItem(rows, 3, {"narrow"}, {{1, 2}});
  const Bytes bytes = Write(rows);
  ASSERT_GE(bytes.size(), 12u);
  EXPECT_EQ(bytes[8], 1);  // the pair count of the narrow row alone
}

TEST(BinaryFile, OtherVersionsAndForeignFilesAreIgnoredSilently) {
  for (const Bytes& bytes : {Bytes{2, 0, 0, 0, 0, 0, 0, 0}, Bytes{'P', 'I', 'D', '=', '1'}, Bytes{},
                             Bytes{1, 0}}) {
    MessageRows rows;
    EXPECT_EQ(Read(bytes, rows).status, BinaryReadResult::kNotOurs);
    EXPECT_TRUE(rows.empty());
  }
}

// Two good rows, then whatever the case appends.
Bytes TwoRowsThen(std::uint32_t rowCount, const Bytes& tail) {
  MessageRows rows;
  AddRow(rows, 3, "a", "b", "c");
  AddRow(rows, 3, "d", "e", "f");
  Bytes bytes = Write(rows);
  bytes[4] = static_cast<unsigned char>(rowCount);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

Bytes Record(std::uint32_t length, const std::string& block, std::uint32_t pairs = 3) {
  Bytes b;
  PutInt(b, length);
  b.insert(b.end(), block.begin(), block.end());
  PutInt(b, 3);
  for (std::uint32_t i = 0; i < 2 * pairs; ++i) PutInt(b, 0);
  return b;
}

Bytes WithoutLast(Bytes bytes, std::size_t n) {
  bytes.resize(bytes.size() - n);
  return bytes;
}

struct DamageCase {
  const char* name;
  Bytes bytes;
  std::size_t rowsKept;
};

class DamagedFileTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFileTest, StopsKeepsTheRowsBeforeAndSaysSo) {
  MessageRows rows;
  const BinaryReadResult result = Read(GetParam().bytes, rows);
  EXPECT_EQ(result.status, BinaryReadResult::kDamaged);
  EXPECT_EQ(result.rowsRead, GetParam().rowsKept);
  ASSERT_EQ(rows.size(), GetParam().rowsKept);
  for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_GE(rows.Row(r).StringCount(), rows.Row(r).ColourCount());
}

const std::string kGood("x\0y\0z\0", 6);

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedFileTest,
    ::testing::Values(
        DamageCase{"RowCountLargerThanTheFile", TwoRowsThen(200, {}), 2},
        DamageCase{"RecordCutInItsColours", TwoRowsThen(3, WithoutLast(Record(6, kGood), 5)), 2},
        DamageCase{"RecordCutInItsBlock", TwoRowsThen(3, Bytes{6, 0, 0, 0, 'x', 0}), 2},
        DamageCase{"NegativeBlockLength", TwoRowsThen(3, Record(0xFFFFFFF0u, kGood)), 2},
        DamageCase{"BlockLongerThanTheRest", TwoRowsThen(3, Record(0x7FFFFFFF, kGood)), 2},
        DamageCase{"FewerTerminatorsThanPairs", TwoRowsThen(3, Record(6, std::string("xy\0z\0w", 6))), 2},
        DamageCase{"BlockShorterThanItsPairs", TwoRowsThen(3, Record(2, std::string("x\0", 2))), 2},
        DamageCase{"NegativeRowCount", Bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0}, 0},
        DamageCase{"MissingPairCount", Bytes{1, 0, 0, 0, 1, 0, 0, 0}, 0},
        DamageCase{"PairCountZero", Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 0},
        DamageCase{"PairCountNegative", Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 0},
        DamageCase{"PairCountAboveThreeColumns", Bytes{1, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BinaryFile, FewerPairsThanColumnsIsNotDamage) {
  Bytes bytes{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  const Bytes record = Record(4, std::string("one\0", 4), 1);
  bytes.insert(bytes.end(), record.begin(), record.end());
  MessageRows rows;
  EXPECT_EQ(Read(bytes, rows).status, BinaryReadResult::kComplete);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows.Row(0).ColourCount(), 1u);
  EXPECT_EQ(rows.Row(0).Text(0), "one");
}

TEST(BinaryFile, TrailingBytesAfterTheLastRowAreIgnored) {
  MessageRows rows;
  EXPECT_EQ(Read(TwoRowsThen(2, {9, 9, 9}), rows).status, BinaryReadResult::kComplete);
  EXPECT_EQ(rows.size(), 2u);
}

TEST(BinaryFile, DamagedMessageNamesTheFileAndTheRows) {
  const std::string one = DamagedFileMessage("C:\\x.bin", 1);
  EXPECT_NE(one.find("\"C:\\x.bin\""), std::string::npos);
  EXPECT_NE(one.find("besch\xE4" "digt"), std::string::npos);
  EXPECT_NE(one.find("1 Eintrag wurde"), std::string::npos);
  EXPECT_NE(DamagedFileMessage("y", 42).find("42 Eintr\xE4" "ge wurden"), std::string::npos);
}

// A source whose file layer fails after some bytes.
class FailingSource : public ByteSource {
 public:
  FailingSource(const Bytes& bytes, std::size_t failAt) : bytes_(bytes), failAt_(failAt) {}
  std::size_t Read(void* data, std::size_t size) override {
    const std::size_t n = std::min(size, failAt_ - std::min(failAt_, next_));
    std::memcpy(data, bytes_.data() + next_, n);
    next_ += n;
    if (n < size) error_ = "Lesefehler";
    return n;
  }
  std::uint64_t Remaining() const override { return bytes_.size() - next_; }
  const std::string& Error() const override { return error_; }

 private:
  Bytes bytes_;
  std::size_t failAt_;
  std::size_t next_ = 0;
  std::string error_;
};

TEST(BinaryFile, FailureOfTheFileLayerIsNotCalledDamage) {
  const Bytes bytes = TwoRowsThen(2, {});
  FailingSource source(bytes, bytes.size() - 3);
  MessageRows rows;
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  EXPECT_EQ(result.status, BinaryReadResult::kFileError);
  EXPECT_EQ(rows.size(), 1u);
}

// A store whose memory runs out: at its reservation, or after some rows.
class ShortOfMemoryRows : public MessageRows {
 public:
  bool AppendBlockRow(MessageKind kind, const MessageItem::ColourList& colours, const char* block,
                      std::size_t blockSize) override {
    if (size() >= rowsThatFit) throw std::bad_alloc();
    return MessageRows::AppendBlockRow(kind, colours, block, blockSize);
  }
  void ReserveMore(std::size_t rows) override {
    if (reservationFails) throw std::bad_alloc();
    MessageRows::ReserveMore(rows);
  }
  std::size_t rowsThatFit = SIZE_MAX;
  bool reservationFails = false;
};

struct MemoryCase {
  const char* name;
  bool reservationFails;
  std::size_t rowsThatFit;
};

class OutOfMemoryTest : public ::testing::TestWithParam<MemoryCase> {};

TEST_P(OutOfMemoryTest, EndsTheReadingWithTheRowsThatFitted) {
  MessageRows written;
  for (int i = 0; i < 5; ++i) AddRow(written, 3, "p", "t", "Zeile " + std::to_string(i));
  ShortOfMemoryRows rows;
  rows.reservationFails = GetParam().reservationFails;
  rows.rowsThatFit = GetParam().rowsThatFit;
  const BinaryReadResult result = Read(Write(written), rows);
  EXPECT_EQ(result.status, BinaryReadResult::kOutOfMemory);
  const std::size_t kept = GetParam().reservationFails ? 0 : GetParam().rowsThatFit;
  EXPECT_EQ(result.rowsRead, kept);
  ASSERT_EQ(rows.size(), kept);
  for (std::size_t r = 0; r < kept; ++r) EXPECT_EQ(rows.Row(r).Text(2), written.Row(r).Text(2));
}

INSTANTIATE_TEST_SUITE_P(
    Memory, OutOfMemoryTest,
    ::testing::Values(MemoryCase{"AtTheReservation", true, SIZE_MAX}, MemoryCase{"AtTheFirstRow", false, 0},
                      MemoryCase{"AfterOneRow", false, 1}, MemoryCase{"AtTheLastRow", false, 4}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ploxen::test

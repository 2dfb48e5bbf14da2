// The list's own file: exact bytes, round trips in both versions, and
// damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/text.h"
#include "storage/binary_file.h"
#include "tests/storage/version1_fixture_rows.h"
#include "tests/support/row_builders.h"
#include "tests/support/text_corpus.h"

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

TEST(BinaryFile, WorkedExampleOfVersion2IsFiftyOneBytes) {
  MessageRows rows;
  AddItem(rows, 0x103, {"a", "b", "\xC5\x82"},
          {{0x000000, 0xC0FFFF}, {0x000000, 0xFFFFC0}, {0x0000FF, 0xFFFFFF}});
  const Bytes expected = {0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x07,
                          0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x00, 0xC5, 0x82, 0x00, 0x03, 0x01, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0xC0, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00};
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
  AddRow(rows, static_cast<MessageKind>(0xFFFF0203u), "", "", "Gr\xC3\xB6\xC3\x9F" "e\r");
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
  for (const Bytes& bytes : {Bytes{3, 0, 0, 0, 0, 0, 0, 0}, Bytes{0, 0, 0, 0, 0, 0, 0, 0},
                             Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, Bytes{'P', 'I', 'D', '=', '1'}, Bytes{},
                             Bytes{1, 0}, Bytes{2, 0, 0}}) {
    MessageRows rows;
    EXPECT_EQ(Read(bytes, rows).status, BinaryReadResult::kNotOurs);
    EXPECT_TRUE(rows.empty());
  }
}

std::int32_t VersionOf(const Bytes& bytes) {
  return bytes.size() < 4 ? 0 : static_cast<std::int32_t>(GetLittleEndian(bytes.data()));
}

// Rows of the corpus go to version 1 when they fit code page 1252 and come
// back as they were in either version. A line a road took as code page 1252
// goes to a version 1 file as the very bytes the road brought.
class CorpusFileTest : public ::testing::TestWithParam<CorpusLine> {};

TEST_P(CorpusFileTest, RoundTripInTheVersionTheRowsNeed) {
  const CorpusLine& line = GetParam();
  MessageRows rows;
  AddRow(rows, 0x303, "PID=1,TID=2,", "12:00:00.000", "ASCII first");
  AddRow(rows, 0x403, line.shown, "", line.shown);
  const Bytes bytes = Write(rows);
  const bool fits = FitsCp1252(line.shown);
  EXPECT_EQ(VersionOf(bytes), fits ? 1 : 2);
  if (fits && line.reading == EightBitReading::kCodePage1252) {
    const std::string file(bytes.begin(), bytes.end());
    EXPECT_NE(file.find(line.sent + '\0' + '\0' + line.sent + '\0'), std::string::npos);
  }
  MessageRows back;
  const BinaryReadResult result = Read(bytes, back);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete);
  EXPECT_EQ(result.version, fits ? 1 : 2);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.Row(0).Text(2), "ASCII first");
  EXPECT_EQ(back.Row(1).Text(0), line.shown);
  EXPECT_EQ(back.Row(1).Text(2), line.shown);
  EXPECT_EQ(Write(back), bytes);
}

// A version 2 string is taken as it is where it is UTF-8; each invalid
// sequence of a damaged or foreign file becomes U+FFFD, as after a
// byte-order mark on a road, and no row is ever invalid.
TEST_P(CorpusFileTest, Version2StringsAreReadAsUtf8WithReplacements) {
  const CorpusLine& line = GetParam();
  const std::string stored = line.reading == EightBitReading::kMarkedUtf8 ? line.sent.substr(kUtf8ByteOrderMark.size())
                             : line.invalid                              ? line.sent
                                                                         : line.shown;
  const std::string expected = line.invalid ? EightBitToUtf8(std::string(kUtf8ByteOrderMark) + stored) : line.shown;
  Bytes bytes{2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  PutInt(bytes, static_cast<std::uint32_t>(stored.size() + 1));
  bytes.insert(bytes.end(), stored.begin(), stored.end());
  bytes.push_back(0);
  for (std::uint32_t v : {3u, 0u, 0xFFFFFFu}) PutInt(bytes, v);  // kind, one colour pair
  MessageRows rows;
  EXPECT_EQ(Read(bytes, rows).status, BinaryReadResult::kComplete);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows.Row(0).Text(0), expected);
  EXPECT_TRUE(IsValidUtf8(rows.Row(0).Text(0)));
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFileTest, ::testing::ValuesIn(TextCorpus()),
                         [](const auto& info) { return std::string(info.param.name); });

// A sink that counts how often the writer went back to the start, and can
// refuse to.
class RewindCountingSink : public MemorySink {
 public:
  bool Rewind() override {
    ++rewinds;
    if (refuse) return false;
    return MemorySink::Rewind();
  }
  int rewinds = 0;
  bool refuse = false;
};

struct LateRowCase {
  const char* name;
  std::size_t fittingRows;  // before the first row that does not fit
  int sinkRewinds;          // only once the first buffer went on
};

class LateRowTest : public ::testing::TestWithParam<LateRowCase> {};

// The writer finds out only at the row itself: it starts again as version 2
// and writes every row, the ones before too, in UTF-8.
TEST_P(LateRowTest, StartsAgainAsVersion2) {
  MessageRows rows;
  for (std::size_t i = 0; i < GetParam().fittingRows; ++i)
    AddRow(rows, 3, "PID=1,TID=2,", std::to_string(i), i % 2 ? "Zeile \xC3\xA4 \xE2\x82\xAC" : "Zeile");
  AddRow(rows, 3, "", "", "\xC5\x81\xC3\xB3""d\xC5\xBA");  // "Łódź"
  AddRow(rows, 3, "", "", "danach \xC3\xA4");
  RewindCountingSink sink;
  ASSERT_TRUE(WriteBinaryFile(rows, sink));
  EXPECT_EQ(sink.rewinds, GetParam().sinkRewinds);
  EXPECT_EQ(VersionOf(sink.Bytes()), 2);
  MessageRows back;
  EXPECT_EQ(Read(sink.Bytes(), back).status, BinaryReadResult::kComplete);
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(back.Row(r).Text(2), rows.Row(r).Text(2));
  // A sink that cannot go back fails the write rather than mix the versions.
  if (GetParam().sinkRewinds > 0) {
    RewindCountingSink refusing;
    refusing.refuse = true;
    EXPECT_FALSE(WriteBinaryFile(rows, refusing));
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, LateRowTest,
                         ::testing::Values(LateRowCase{"FirstRow", 0, 0}, LateRowCase{"WithinTheFirstBuffer", 1000, 0},
                                           LateRowCase{"AfterTheFirstBuffer", 40000, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BinaryFile, Version2CanBeAskedForRowsThatFitCp1252) {
  MessageRows rows;
  AddRow(rows, 3, "", "", "Gr\xC3\xB6\xC3\x9F" "e");
  MemorySink sink;
  ASSERT_TRUE(WriteBinaryFile(rows, sink, BinaryVersionRule::kAlwaysUtf8));
  EXPECT_EQ(VersionOf(sink.Bytes()), 2);
  const std::string file(sink.Bytes().begin(), sink.Bytes().end());
  EXPECT_NE(file.find("Gr\xC3\xB6\xC3\x9F" "e"), std::string::npos);
}

const Bytes kVersion1Fixture = {
#include "fixtures/version1_bin.inc"
};

// A file of the writer before rows held UTF-8 opens with its strings read as
// code page 1252 and saves again to the same bytes.
TEST(BinaryFile, Version1FileOfEarlierWritersSavesAgainByteForByte) {
  MessageRows written;
  AddVersion1FixtureRows(written);
  MessageRows rows;
  const BinaryReadResult result = Read(kVersion1Fixture, rows);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete);
  EXPECT_EQ(result.version, 1);
  ASSERT_EQ(rows.size(), written.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows.Row(r).Kind(), written.Row(r).Kind());
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(rows.Row(r).Text(c), Cp1252ToUtf8(written.Row(r).Text(c))) << "row " << r << ", column " << c;
      EXPECT_EQ(rows.Row(r).Colours(c).back, written.Row(r).Colours(c).back);
    }
  }
  EXPECT_EQ(Write(rows), kVersion1Fixture);
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

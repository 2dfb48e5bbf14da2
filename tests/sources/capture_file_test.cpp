// The console capture's binary file: written batch by batch, it holds the
// same bytes as the list's own writer gives for the same rows in version 2,
// and it is whole after every batch, also after a write that failed.
#include "sources/capture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

const LineRecord kLines[] = {
    {0x303, kSourceSystemWide, "PID=1,TID=????", "12:00:00.000", "(00000ms)   [a.exe] eins"},
    {0x303, kSourceSystemWide, "PID=2,TID=????", "12:00:00.001", "(00001ms)   [b.exe] zwei \xC3\xA4 \xC5\x82"},  // "ä ł"
    {0x103, kSourceSystemWide, "PID=????,TID=????", "12:00:00.002", "(00001ms)   verloren"},
    {0x303, kSourceSystemWide, "PID=3,TID=????", "12:00:00.003", "(00001ms)   [c.exe] drei"},
};

// A file in memory on a disk that holds space bytes: a write past it puts
// what fits, as a disk does, and fails. Writes at the start fail while
// failsAtStart counts down.
class MemoryTarget : public CaptureTarget {
 public:
  bool WriteAt(std::uint64_t offset, const unsigned char* data, std::size_t size) override {
    if (offset == 0 && failsAtStart > 0) {
      --failsAtStart;
      return false;
    }
    const std::size_t fits = offset >= space ? 0 : std::min<std::size_t>(size, space - offset);
    if (bytes.size() < offset + fits) bytes.resize(offset + fits);
    std::copy(data, data + fits, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return fits == size;
  }
  bool CutAt(std::uint64_t size) override {
    if (size < bytes.size()) bytes.resize(size);
    return true;
  }

  std::vector<unsigned char> bytes;
  std::size_t space = SIZE_MAX;
  int failsAtStart = 0;
};

// The rows of the file, or none when it is not whole.
std::size_t WholeRows(const std::vector<unsigned char>& bytes) {
  MemorySource source(bytes.data(), bytes.size());
  MessageRows read;
  const BinaryReadResult result = ReadBinaryFile(source, read);
  EXPECT_EQ(result.status, BinaryReadResult::kComplete);
  // Version 2 from its first byte on: no line that comes later can need
  // more than it holds.
  EXPECT_EQ(result.version, kBinaryFileVersionUtf8);
  return result.status == BinaryReadResult::kComplete ? read.size() : 0;
}

// The same lines through PLOXEN's list, saved at once.
std::vector<unsigned char> ListsOwnFile(int lines) {
  IntakeSwitches switches;
  switches.systemWeit = 1;
  MessageRows list;
  ScriptedDialogs dialogs;
  MessageIntake intake(switches, list, dialogs);
  for (int i = 0; i < lines; ++i) intake.AddRecord(kLines[i]);
  MemorySink sink;
  EXPECT_TRUE(WriteBinaryFile(list, sink, BinaryVersionRule::kAlwaysUtf8));
  return sink.Bytes();
}

TEST(CaptureFile, BatchesMakeTheBytesOfTheListsOwnFile) {
  CaptureFile file;
  MemoryTarget target;
  ASSERT_TRUE(file.Start(target));
  EXPECT_EQ(WholeRows(target.bytes), 0u);
  int added = 0;
  for (int batch : {1, 0, 3}) {
    for (int i = 0; i < batch; ++i, ++added) file.Add(kLines[added]);
    ASSERT_TRUE(file.Write(target));
    EXPECT_EQ(file.Waiting(), 0u);
    EXPECT_EQ(file.Count(), static_cast<std::uint32_t>(added));
    EXPECT_EQ(WholeRows(target.bytes), static_cast<std::size_t>(added)) << "whole after each batch";
  }
  EXPECT_EQ(target.bytes, ListsOwnFile(4));
}

TEST(CaptureFile, StartCutsWhatAFileHeldBefore) {
  CaptureFile file;
  MemoryTarget target;
  target.bytes.assign(100, 0x55);
  ASSERT_TRUE(file.Start(target));
  EXPECT_EQ(target.bytes, CaptureFile::Header(0));
}

// A write that fails in a record or at the header: the file is as it was
// after the last whole batch and counts only those rows; the rows wait and
// go with the next batch, none lost and none twice.
struct FailedWriteCase {
  const char* name;
  std::size_t spaceAfterFirst;  // bytes left on the disk after the first batch
  int failsAtStart;
};

void PrintTo(const FailedWriteCase& c, std::ostream* out) { *out << c.name; }

class CaptureFileFailureTest : public ::testing::TestWithParam<FailedWriteCase> {};

TEST_P(CaptureFileFailureTest, FileStaysWholeAndTheRowsWait) {
  CaptureFile file;
  MemoryTarget target;
  ASSERT_TRUE(file.Start(target));
  file.Add(kLines[0]);
  ASSERT_TRUE(file.Write(target));
  const std::vector<unsigned char> afterFirst = target.bytes;

  target.space = afterFirst.size() + GetParam().spaceAfterFirst;
  target.failsAtStart = GetParam().failsAtStart;
  file.Add(kLines[1]);
  file.Add(kLines[2]);
  EXPECT_FALSE(file.Write(target));
  EXPECT_EQ(target.bytes, afterFirst) << "what the failed write left is cut off";
  EXPECT_EQ(file.Count(), 1u);
  EXPECT_EQ(file.Waiting(), 2u);
  EXPECT_EQ(WholeRows(target.bytes), 1u);

  target.space = SIZE_MAX;
  file.Add(kLines[3]);
  ASSERT_TRUE(file.Write(target));
  EXPECT_EQ(file.Count(), 4u);
  EXPECT_EQ(target.bytes, ListsOwnFile(4));
  EXPECT_EQ(file.GivenUp(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Failures, CaptureFileFailureTest,
                         ::testing::Values(FailedWriteCase{"DiskFullInARecord", 30, 0},
                                           FailedWriteCase{"DiskFullAtOnce", 0, 0},
                                           FailedWriteCase{"HeaderFails", SIZE_MAX / 2, 1}),
                         [](const ::testing::TestParamInfo<FailedWriteCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(CaptureFile, RowsBeyondWhatMayWaitAreGivenUpAndCounted) {
  CaptureFile file;
  MemoryTarget target;
  ASSERT_TRUE(file.Start(target));
  target.space = target.bytes.size();
  for (std::size_t i = 0; i < CaptureFile::kWaitingMax; ++i) file.Add(kLines[0]);
  EXPECT_FALSE(file.Write(target));
  EXPECT_EQ(file.Waiting(), CaptureFile::kWaitingMax) << "as many as may wait, wait";
  file.Add(kLines[1]);
  EXPECT_FALSE(file.Write(target));
  EXPECT_EQ(file.Waiting(), 0u);
  EXPECT_EQ(file.GivenUp(), CaptureFile::kWaitingMax + 1);
  EXPECT_EQ(target.bytes, CaptureFile::Header(0));
  EXPECT_TRUE(file.Write(target)) << "nothing waits";
}

}  // namespace
}  // namespace ploxen::test

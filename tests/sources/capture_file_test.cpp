// The console capture's binary file: written batch by batch, it holds the
// same bytes as the list's own writer gives for the same rows, and it is
// whole after every batch.
#include "sources/capture_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

const char* const kLines[] = {
    "PID=1,TID=????,   12:00:00.000  (00000ms)   [a.exe] eins",
    "PID=2,TID=????,   12:00:00.001  (00001ms)   [b.exe] zwei \xE4",
    "PID=????,TID=????,   12:00:00.002  (00001ms)   verloren",
    "PID=3,TID=????,   12:00:00.003  (00001ms)   [c.exe] drei",
};
const MessageKind kKinds[] = {0x303, 0x303, 0x103, 0x303};

TEST(CaptureFile, BatchesMakeTheBytesOfTheListsOwnFile) {
  // The same lines through PLOXEN's list, saved at once.
  IntakeSwitches switches;
  switches.systemWeit = 1;
  MessageRows list;
  ScriptedDialogs dialogs;
  MessageIntake intake(switches, list, dialogs);
  for (int i = 0; i < 4; ++i) intake.AddMessage(kKinds[i], kLines[i], kSourceSystemWide);
  MemorySink wanted;
  ASSERT_TRUE(WriteBinaryFile(list, wanted));

  CaptureFile file;
  std::vector<unsigned char> records;
  for (int batch : {1, 0, 3}) {
    const std::size_t before = file.Count();
    for (int i = static_cast<int>(before); i < static_cast<int>(before) + batch; ++i) file.Add(kKinds[i], kLines[i]);
    const std::vector<unsigned char> more = file.TakeRecords();
    EXPECT_EQ(file.Waiting(), 0u);
    records.insert(records.end(), more.begin(), more.end());
    // Whole after each batch: header and the records so far.
    std::vector<unsigned char> bytes = CaptureFile::Header(file.Count());
    bytes.insert(bytes.end(), records.begin(), records.end());
    MemorySource source(bytes.data(), bytes.size());
    MessageRows read;
    const BinaryReadResult result = ReadBinaryFile(source, read);
    EXPECT_EQ(result.status, BinaryReadResult::kComplete);
    EXPECT_EQ(read.size(), file.Count());
  }
  std::vector<unsigned char> whole = CaptureFile::Header(file.Count());
  whole.insert(whole.end(), records.begin(), records.end());
  EXPECT_EQ(whole, wanted.Bytes());
}

TEST(CaptureFile, AnEmptyFileOpensWithNoRows) {
  const std::vector<unsigned char> header = CaptureFile::Header(0);
  MemorySource source(header.data(), header.size());
  MessageRows read;
  EXPECT_EQ(ReadBinaryFile(source, read).status, BinaryReadResult::kComplete);
  EXPECT_EQ(read.size(), 0u);
}

}  // namespace
}  // namespace ploxen::test

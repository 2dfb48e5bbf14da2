// The log's writer against a file layer in memory that fails and comes
// back: every row once, in order, in whole files; the loss counted.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/row_store.h"
#include "storage/binary_file.h"
#include "storage/byte_stream.h"
#include "storage/log_writer.h"

namespace ploxen::test {
namespace {

constexpr LogTime kNoon{2026, 12, 9, 12, 0, 0};
constexpr char kBom[] = "\xEF\xBB\xBF";

// Files in memory. `room` bounds the bytes of all files (a small disk);
// `down` makes every call fail (a lost share); `noFolder` makes opening a
// file fail.
class MemoryFiles : public LogFileLayer {
 public:
  std::map<std::string, std::string> files;
  std::size_t room = SIZE_MAX;
  bool down = false, noFolder = false;
  std::string open;

  bool Open(const std::string& path, std::uint64_t& size) override {
    if (down || noFolder) return false;
    open = path;
    size = files[path].size();
    return true;
  }
  bool Append(const char* data, std::size_t size) override {
    if (down || open.empty() || Used() + size > room) return false;
    files[open].append(data, size);
    return true;
  }
  bool WriteAt(std::uint64_t offset, const char* data, std::size_t size) override {
    if (down || open.empty() || offset + size > files[open].size()) return false;
    files[open].replace(static_cast<std::size_t>(offset), size, data, size);
    return true;
  }
  void Close() override { open.clear(); }
  std::vector<std::string> Names(const std::string& folder) override {
    std::vector<std::string> names;
    if (down) return names;
    for (const auto& file : files)
      if (file.first.compare(0, folder.size(), folder) == 0) names.push_back(file.first.substr(folder.size()));
    return names;
  }
  bool Remove(const std::string& path) override { return !down && files.erase(path) == 1; }

  std::size_t Used() const {
    std::size_t used = 0;
    for (const auto& file : files) used += file.second.size();
    return used;
  }
  // Every file's contents in name order (which is time order).
  std::vector<std::string> Contents() const {
    std::vector<std::string> all;
    for (const auto& file : files) all.push_back(file.second);
    return all;
  }
};

void AddLine(LogWriter& writer, int n, const std::string& tail = "") {
  const std::string process = "PID=" + std::to_string(n), time = "12:00:00", message = "Zeile " + std::to_string(n) + tail;
  const std::string_view strings[] = {process, time, message};
  writer.Add(0x303, strings, 3);
}

std::string TextLine(int n) { return "PID=" + std::to_string(n) + "\t12:00:00\tZeile " + std::to_string(n) + "\r\n"; }

std::string TextOf(int from, int to) {
  std::string text;
  for (int n = from; n < to; ++n) text += TextLine(n);
  return text;
}

// The message column of every row a binary file gives "Öffnen".
std::vector<std::string> BinaryMessages(const std::string& bytes, BinaryReadResult::Status expected) {
  MessageRows rows;
  MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  const BinaryReadResult result = ReadBinaryFile(source, rows);
  EXPECT_EQ(result.status, expected);
  std::vector<std::string> messages;
  for (std::size_t r = 0; r < rows.size(); ++r) messages.emplace_back(rows.Row(r).Text(kColumnMessage));
  return messages;
}

TEST(LogWriter, TextIsOneLineARowWithTheByteOrderMarkFirst) {
  MemoryFiles files;
  LogWriter writer(files, "L\\p.log", LogRotation{}, LogFormat::kText);
  AddLine(writer, 1);
  const std::string process = "\xC3\xA4", time = "t", message = "a\tb\rc\nd";
  const std::string_view strings[] = {process, time, message};
  writer.Add(0x103, strings, 3);
  writer.Flush(kNoon, 0);
  ASSERT_EQ(files.files.size(), 1u);
  EXPECT_EQ(files.files.begin()->first, "L\\p-20261209-120000-001.log");
  EXPECT_EQ(writer.CurrentFile(), "L\\p-20261209-120000-001.log");
  EXPECT_EQ(files.files.begin()->second, std::string(kBom) + TextLine(1) + "\xC3\xA4\tt\ta b c d\r\n");
}

TEST(LogWriter, BinaryFileReadsWholeAfterEveryFlush) {
  MemoryFiles files;
  LogWriter writer(files, "p.bin", LogRotation{}, LogFormat::kBinary);
  std::vector<std::string> expected;
  for (int flush = 0; flush < 3; ++flush) {
    for (int n = 0; n < 5; ++n) {
      AddLine(writer, flush * 5 + n);
      expected.push_back("Zeile " + std::to_string(flush * 5 + n));
    }
    writer.Flush(kNoon, 0);
    ASSERT_EQ(files.files.size(), 1u);
    const std::string bytes = files.files.begin()->second;
    EXPECT_EQ(BinaryMessages(bytes, BinaryReadResult::kComplete), expected);
    // Killed after the records but before the count: the rows before stay readable.
    const std::string killed = bytes + bytes.substr(12, 30);
    EXPECT_EQ(BinaryMessages(killed, BinaryReadResult::kComplete), expected);
  }
  MessageRows rows;
  const std::string bytes = files.files.begin()->second;
  MemorySource source(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  ReadBinaryFile(source, rows);
  EXPECT_EQ(rows.Row(0).Kind(), 0x303);
  EXPECT_EQ(rows.Row(0).Text(kColumnProcess), "PID=0");
  EXPECT_EQ(rows.Row(0).Colours(kColumnProcess).back, kProcessColumnColours.back);
}

TEST(LogWriter, EmptyBinaryLogOpensAsNoRows) {
  MemoryFiles files;
  LogWriter writer(files, "p.bin", LogRotation{1000, false, 0}, LogFormat::kBinary);
  AddLine(writer, 0, std::string(2000, 'x'));  // larger than the limit: a file of its own
  AddLine(writer, 1);
  writer.Flush(kNoon, 0);
  ASSERT_EQ(files.files.size(), 2u);
  EXPECT_EQ(BinaryMessages(files.Contents()[1], BinaryReadResult::kComplete), std::vector<std::string>{"Zeile 1"});
  EXPECT_TRUE(BinaryMessages(std::string("\x02\0\0\0\0\0\0\0\x03\0\0\0", 12), BinaryReadResult::kComplete).empty());
}

// A layer that fails and comes back: nothing is written before the retry
// time, then everything, once and in order; the failure shows until then.
TEST(LogWriter, FailingFileLayerComesBack) {
  enum Fault { kDiskFull, kShareLost, kNoFolder };
  for (Fault fault : {kDiskFull, kShareLost, kNoFolder}) {
    for (LogFormat format : {LogFormat::kText, LogFormat::kBinary}) {
      SCOPED_TRACE(testing::Message() << "fault " << fault << " format " << static_cast<int>(format));
      MemoryFiles files;
      LogWriter writer(files, "L\\p.log", LogRotation{}, format);
      AddLine(writer, 0);
      if (fault == kNoFolder) {
        files.noFolder = true;
        AddLine(writer, 1);
      } else {
        writer.Flush(kNoon, 1000);
        EXPECT_FALSE(writer.Failing());
        if (fault == kDiskFull) files.room = files.Used() + 10;
        if (fault == kShareLost) files.down = true;
        AddLine(writer, 1);
      }
      writer.Flush(kNoon, 2000);
      EXPECT_TRUE(writer.Failing());
      const std::size_t used = files.Used();
      for (int n = 2; n < 50; ++n) AddLine(writer, n);
      files.room = SIZE_MAX;
      files.down = files.noFolder = false;
      writer.Flush(kNoon, 2000 + LogWriter::kRetryMs - 1);  // not yet
      EXPECT_TRUE(writer.Failing());
      EXPECT_EQ(files.Used(), used);
      writer.Flush(kNoon, 2000 + LogWriter::kRetryMs);
      EXPECT_FALSE(writer.Failing());
      EXPECT_EQ(writer.Lost(), 0u);
      ASSERT_EQ(files.files.size(), 1u);
      const std::string& bytes = files.files.begin()->second;
      if (format == LogFormat::kText) {
        EXPECT_EQ(bytes, kBom + TextOf(0, 50));
      } else {
        const std::vector<std::string> messages = BinaryMessages(bytes, BinaryReadResult::kComplete);
        ASSERT_EQ(messages.size(), 50u);
        EXPECT_EQ(messages.back(), "Zeile 49");
      }
    }
  }
}

TEST(LogWriter, BeyondTheBacklogRowsAreCountedLost) {
  MemoryFiles files;
  files.down = true;
  constexpr std::size_t kBacklog = 100000;
  LogWriter writer(files, "p.log", LogRotation{}, LogFormat::kText, kBacklog);
  const std::string tail(1000, 'x');
  const std::size_t row = TextLine(0).size() + tail.size();
  const int fitting = static_cast<int>(kBacklog / row);
  for (int n = 0; n < fitting + 100; ++n) AddLine(writer, n, tail);
  writer.Flush(kNoon, 0);
  EXPECT_TRUE(writer.Failing());
  EXPECT_GE(writer.Lost(), 100u);
  files.down = false;
  writer.Flush(kNoon, LogWriter::kRetryMs);
  AddLine(writer, -1);
  writer.Flush(kNoon, LogWriter::kRetryMs);
  // The rows kept follow on from the first without a gap; those that found
  // no room came after them, counted.
  const int kept = fitting + 100 - static_cast<int>(writer.Lost());
  std::string expected = kBom;
  for (int n = 0; n < kept; ++n) expected += "PID=" + std::to_string(n) + "\t12:00:00\tZeile " + std::to_string(n) + tail + "\r\n";
  expected += TextLine(-1);
  EXPECT_TRUE(files.files.begin()->second == expected);
  EXPECT_GT(expected.size(), kBacklog - row);
}

// A disk that has room for part of what waits: whole rows go in, as many
// as fit, and the rest once there is room.
TEST(LogWriter, WhatFitsIsWrittenBeforeTheDiskIsFull) {
  MemoryFiles files;
  files.room = 600000;
  LogWriter writer(files, "p.log", LogRotation{}, LogFormat::kText);
  const std::string tail(1000, 'x');
  std::string expected = kBom;
  for (int n = 0; n < 2000; ++n) {
    AddLine(writer, n, tail);
    expected += "PID=" + std::to_string(n) + "\t12:00:00\tZeile " + std::to_string(n) + tail + "\r\n";
  }
  writer.Flush(kNoon, 0);
  EXPECT_TRUE(writer.Failing());
  const std::string part = files.files.begin()->second;
  EXPECT_GT(part.size(), 300000u);
  EXPECT_LE(part.size(), 600000u);
  EXPECT_TRUE(expected.compare(0, part.size(), part) == 0 && part.compare(part.size() - 2, 2, "\r\n") == 0)
      << "whole rows, the first ones";
  files.room = SIZE_MAX;
  writer.Flush(kNoon, LogWriter::kRetryMs);
  EXPECT_FALSE(writer.Failing());
  EXPECT_TRUE(files.files.begin()->second == expected);
  EXPECT_EQ(writer.Waiting(), 0u);
}

TEST(LogWriter, RotationBySizeKeepsFilesThatFollowOn) {
  for (LogFormat format : {LogFormat::kText, LogFormat::kBinary}) {
    MemoryFiles files;
    LogWriter writer(files, "L\\p.log", LogRotation{1000, false, 3}, format);
    int n = 0;
    for (int second = 0; second < 4; ++second) {
      for (int i = 0; i < 100; ++i) AddLine(writer, n++);
      writer.Flush(LogTime{2026, 12, 9, 12, 0, second}, second * 1000);
    }
    ASSERT_EQ(files.files.size(), 3u);
    std::vector<std::string> rows;
    for (const std::string& bytes : files.Contents()) {
      EXPECT_LE(bytes.size(), 1000u);
      if (format == LogFormat::kText) {
        ASSERT_EQ(bytes.compare(0, 3, kBom), 0);
        for (std::size_t at = 3; at < bytes.size();) {
          const std::size_t end = bytes.find("\r\n", at) + 2;
          rows.push_back(bytes.substr(at, end - at));
          at = end;
        }
      } else {
        for (const std::string& m : BinaryMessages(bytes, BinaryReadResult::kComplete)) rows.push_back(m);
      }
    }
    // The newest rows, without a gap, the last one last.
    ASSERT_FALSE(rows.empty());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const int row = n - static_cast<int>(rows.size() - i);
      EXPECT_EQ(rows[i], format == LogFormat::kText ? TextLine(row) : "Zeile " + std::to_string(row));
    }
  }
}

TEST(LogWriter, NewFileEachDay) {
  MemoryFiles files;
  LogWriter writer(files, "p.log", LogRotation{0, true, 0}, LogFormat::kText);
  const LogTime days[] = {kNoon, {2026, 12, 9, 23, 59, 59}, {2026, 12, 10, 0, 0, 0}, {2026, 12, 10, 9, 0, 0},
                          {2027, 1, 1, 0, 0, 0}};
  for (int d = 0; d < 5; ++d) {
    AddLine(writer, d);
    writer.Flush(days[d], d);
  }
  writer.Flush({2027, 1, 2, 0, 0, 0}, 9);  // no row, no file
  const std::vector<std::string> expected = {kBom + TextOf(0, 2), kBom + TextOf(2, 4), kBom + TextOf(4, 5)};
  EXPECT_EQ(files.Contents(), expected);
  EXPECT_EQ(files.files.begin()->first, "p-20261209-120000-001.log");
}

}  // namespace
}  // namespace ploxen::test

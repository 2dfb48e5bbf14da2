// The binary file the console capture writes while lines come: rows made by
// the intake as PLOXEN.EXE makes them, written batch by batch behind a header
// whose row count is brought up to date after each batch, so that the file
// is whole after every batch and PLOXEN opens it. It is version 2 (UTF-8)
// from the start: its header is written before any line is known, and a
// line beyond code page 1252 may come at any time; going over to version 2
// then would mean writing every record already in the file again, amid a
// flood of lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/intake.h"
#include "core/row_store.h"

namespace ploxen {

// The file as the capture writes it.
class CaptureTarget {
 public:
  virtual ~CaptureTarget() = default;
  // False when not every byte was written.
  virtual bool WriteAt(std::uint64_t offset, const unsigned char* bytes, std::size_t size) = 0;
  // The file ends at size: what a failed write left behind it goes.
  virtual bool CutAt(std::uint64_t size) = 0;
};

class CaptureFile : private UserDialogs {
 public:
  // Rows that wait for a file that cannot be written; beyond, they are given up.
  static constexpr std::size_t kWaitingMax = 50000;

  CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // One row of the road, as it would come to PLOXEN's list.
  void Add(const LineRecord& row) { intake_.AddRecord(row); }
  // Rows taken and not yet in the file.
  std::size_t Waiting() const { return rows_.size(); }
  // The file with no rows: only a header.
  bool Start(CaptureTarget& file);
  // The waiting rows' records behind those in the file, all or none, then
  // the header with the new count. False when the file failed: what the
  // write left is cut off again and the rows wait for the next call, up to
  // kWaitingMax of them; more are given up.
  bool Write(CaptureTarget& file);
  // Rows in the file.
  std::uint32_t Count() const { return count_; }
  std::uint64_t GivenUp() const { return givenUp_; }
  // What stands at the start of the file for that many rows: version 2.
  static std::vector<unsigned char> Header(std::uint32_t count);

 private:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }

  IntakeSwitches switches_;
  MessageRows rows_;
  MessageIntake intake_;
  std::uint32_t count_ = 0;
  std::uint64_t size_ = 0;  // header and whole records
  std::uint64_t givenUp_ = 0;
};

}  // namespace ploxen

// The binary file the console capture writes while lines come: rows made by
// the intake as PLOXEN.EXE makes them, written batch by batch behind a header
// whose row count is brought up to date after each batch, so that the file
// is whole after every batch and PLOXEN opens it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/intake.h"
#include "core/row_store.h"

namespace ploxen {

class CaptureFile : private UserDialogs {
 public:
  CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // One line of the road, as it would come to PLOXEN's list.
  void Add(MessageKind kind, const char* text) { intake_.AddMessage(kind, text, kSourceSystemWide); }
  std::size_t Waiting() const { return rows_.size(); }
  // The records of the rows added since the last call, which are let go;
  // the count of all rows taken so far grows by them.
  std::vector<unsigned char> TakeRecords();
  std::uint32_t Count() const { return count_; }
  // What stands at the start of the file for that many rows.
  static std::vector<unsigned char> Header(std::uint32_t count);

 private:
  bool AskYesNo(int) override { return false; }
  bool Save() override { return false; }

  IntakeSwitches switches_;
  MessageRows rows_;
  MessageIntake intake_;
  std::uint32_t count_ = 0;
};

}  // namespace ploxen

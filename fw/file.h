// A file of the platform, with the platform's own error text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "storage/file_commands.h"

namespace fw {

// The system's text for an error code, at most 1023 characters.
std::string ErrorText(DWORD error);

class File : public ploxen::OutputFile, public ploxen::InputFile {
 public:
  // kCreateNew fails with ERROR_FILE_EXISTS when there is a file of that
  // name; kInPlace empties a file that is there and keeps its attributes.
  enum class Mode { kCreateWrite, kCreateNew, kInPlace, kRead };

  ~File() override;
  // Null, with the system's error text, when the file cannot be opened.
  // Every mode is exclusive: no other handle may share the file.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode, std::string& error);
  // Null with the system's error code instead of its text.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode, DWORD& error);

  bool Write(const void* data, std::size_t size) override;
  bool Rewind() override;
  std::size_t Read(void* data, std::size_t size) override;
  std::uint64_t Remaining() const override { return size_ - position_; }
  const std::string& Error() const override { return error_; }
  // A written file's bytes reach the disk first: a failure that the system
  // only finds then (a share gone) is reported here, not lost.
  bool Close() override;

  // Reads and writes handed to the system so far.
  std::size_t SystemCalls() const { return calls_; }

 private:
  File(HANDLE handle, bool written) : handle_(handle), written_(written) {}
  bool Fail();

  HANDLE handle_;
  bool written_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
  std::size_t calls_ = 0;
  std::string error_;
};

// The file commands' view of the platform: real files and message boxes
// owned by a window.
class FileAccess : public ploxen::FileAccess {
 public:
  explicit FileAccess(HWND owner) : owner_(owner) {}
  // Not allowed: the folder refuses the new file with "access denied".
  std::unique_ptr<ploxen::OutputFile> CreateBeside(const std::string& path, std::string& temporary,
                                                   std::string& error, bool& notAllowed) override;
  std::unique_ptr<ploxen::OutputFile> OpenInPlace(const std::string& path, std::string& error) override;
  // An existing file is replaced with ReplaceFile, which keeps its access
  // list, attributes and creation time; otherwise the file is moved with
  // MOVEFILE_WRITE_THROUGH, done when the move is on the disk.
  bool Replace(const std::string& from, const std::string& to, std::string& error) override;
  void Remove(const std::string& path) override;
  std::unique_ptr<ploxen::InputFile> OpenRead(const std::string& path, std::string& error) override;
  void ShowMessage(const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace fw

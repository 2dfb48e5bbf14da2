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
  enum class Mode { kCreateWrite, kRead };

  ~File() override;
  // Null, with the system's error text, when the file cannot be opened.
  // Both modes are exclusive: no other handle may share the file.
  static std::unique_ptr<File> Open(const std::string& path, Mode mode, std::string& error);

  bool Write(const void* data, std::size_t size) override;
  std::size_t Read(void* data, std::size_t size) override;
  std::uint64_t Remaining() const override { return size_ - position_; }
  const std::string& Error() const override { return error_; }
  bool Close() override;

  // Reads and writes handed to the system so far.
  std::size_t SystemCalls() const { return calls_; }

 private:
  explicit File(HANDLE handle) : handle_(handle) {}
  bool Fail();

  HANDLE handle_;
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
  std::unique_ptr<ploxen::OutputFile> Create(const std::string& path, std::string& error) override;
  std::unique_ptr<ploxen::InputFile> OpenRead(const std::string& path, std::string& error) override;
  void ShowMessage(const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace fw

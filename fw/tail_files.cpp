#include "fw/tail_files.h"

#include <windows.h>

#include <algorithm>

namespace fw {

using ploxen::FileIdentity;
using ploxen::TailOpen;

namespace {
class Win32TailFile : public ploxen::TailFile {
 public:
  Win32TailFile(HANDLE handle, FileIdentity identity) : handle_(handle), identity_(identity) {}
  ~Win32TailFile() override { CloseHandle(handle_); }
  FileIdentity Identity() const override { return identity_; }
  std::optional<std::uint64_t> Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }
  std::optional<std::size_t> ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(handle_, buffer, asked, &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      return std::nullopt;
    }
    return static_cast<std::size_t>(read);
  }

 private:
  HANDLE handle_;
  FileIdentity identity_;
};
}  // namespace


ploxen::TailFiles::Opened TailFiles::Open(const std::string& name) {
  Opened opened;
  const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      opened.result = TailOpen::kFolder;
    } else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      opened.result = TailOpen::kMissing;
    } else {
      opened.result = TailOpen::kFailed;
      opened.error = error;
    }
    return opened;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    opened.result = TailOpen::kDevice;
  } else if (!GetFileInformationByHandle(handle, &info)) {
    opened.result = TailOpen::kFailed;
    opened.error = GetLastError();
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    opened.result = TailOpen::kFolder;
  } else {
    const FileIdentity identity{info.dwVolumeSerialNumber,
                                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    opened.result = TailOpen::kOpened;
    opened.file = std::make_unique<Win32TailFile>(handle, identity);
    return opened;
  }
  CloseHandle(handle);
  return opened;
}

}  // namespace fw

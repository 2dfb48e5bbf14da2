#include "fw/file.h"

#include <algorithm>

namespace fw {

std::string ErrorText(DWORD error) {
  char text[ploxen::kFileErrorMax + 1] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                           text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  if (n == 0) return "Dateifehler " + std::to_string(error) + ".";
  return std::string(text, n);
}

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, std::string& error) {
  const bool write = mode == Mode::kCreateWrite;
  HANDLE h = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = ErrorText(GetLastError());
    return nullptr;
  }
  std::unique_ptr<File> file(new File(h));
  if (!write) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
      error = ErrorText(GetLastError());
      return nullptr;
    }
    file->size_ = static_cast<std::uint64_t>(size.QuadPart);
  }
  return file;
}

File::~File() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool File::Fail() {
  error_ = ErrorText(GetLastError());
  return false;
}

bool File::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    ++calls_;
    if (!WriteFile(handle_, bytes, chunk, &written, nullptr)) return Fail();
    if (written == 0) {
      SetLastError(ERROR_DISK_FULL);
      return Fail();
    }
    bytes += written;
    size -= written;
  }
  return true;
}

std::size_t File::Read(void* data, std::size_t size) {
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    ++calls_;
    if (!ReadFile(handle_, bytes + done, chunk, &got, nullptr)) {
      Fail();
      break;
    }
    if (got == 0) break;
    done += got;
  }
  position_ += done;
  return done;
}

bool File::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) return true;
  const BOOL ok = CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  return ok ? true : Fail();
}

std::unique_ptr<ploxen::OutputFile> FileAccess::Create(const std::string& path, std::string& error) {
  return File::Open(path, File::Mode::kCreateWrite, error);
}

std::unique_ptr<ploxen::InputFile> FileAccess::OpenRead(const std::string& path, std::string& error) {
  return File::Open(path, File::Mode::kRead, error);
}

void FileAccess::ShowMessage(const std::string& text) {
  MessageBoxA(owner_, text.c_str(), "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace fw

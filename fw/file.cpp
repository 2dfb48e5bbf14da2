#include "fw/file.h"

#include <algorithm>

#include "fw/controls.h"

namespace fw {

std::string ErrorText(DWORD error) {
  char text[ploxen::kFileErrorMax + 1] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                           text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  if (n == 0) return "Dateifehler " + std::to_string(error) + ".";
  return std::string(text, n);
}

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, DWORD& error) {
  const bool write = mode != Mode::kRead;
  const DWORD creation = mode == Mode::kCreateWrite ? CREATE_ALWAYS
                         : mode == Mode::kCreateNew ? CREATE_NEW
                         : mode == Mode::kInPlace   ? OPEN_ALWAYS
                                                    : OPEN_EXISTING;
  // A file read may still be written by another (PLOXEN's own log file among them).
  const DWORD share = write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE h = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, share, nullptr, creation,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return nullptr;
  }
  std::unique_ptr<File> file(new File(h, write));
  // Emptied here rather than by CREATE_ALWAYS, which refuses a hidden file.
  if (mode == Mode::kInPlace && !SetEndOfFile(h)) {
    error = GetLastError();
    return nullptr;
  }
  if (!write) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h, &size)) {
      error = GetLastError();
      return nullptr;
    }
    file->size_ = static_cast<std::uint64_t>(size.QuadPart);
  }
  return file;
}

std::unique_ptr<File> File::Open(const std::string& path, Mode mode, std::string& error) {
  DWORD code = 0;
  std::unique_ptr<File> file = Open(path, mode, code);
  if (!file) error = ErrorText(code);
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

bool File::Rewind() {
  LARGE_INTEGER start{};
  return (SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) && SetEndOfFile(handle_)) || Fail();
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
  const bool flushed = !written_ || FlushFileBuffers(handle_);
  const DWORD flushError = GetLastError();
  const BOOL closed = CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  if (!flushed) SetLastError(flushError);
  return flushed && closed ? true : Fail();
}

std::unique_ptr<ploxen::OutputFile> FileAccess::CreateBeside(const std::string& path, std::string& temporary,
                                                             std::string& error, bool& notAllowed) {
  // Another save beside the same target (a second PLOXEN) or a file left
  // there takes a number: the next one is tried.
  const std::uint32_t first = GetTickCount() ^ (GetCurrentProcessId() << 16);
  DWORD code = ERROR_FILE_EXISTS;
  for (std::uint32_t i = 0; i < 100 && (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS); ++i) {
    temporary = ploxen::TemporaryPathBeside(path, first + i);
    if (std::unique_ptr<File> file = File::Open(temporary, File::Mode::kCreateNew, code)) return file;
  }
  error = ErrorText(code);
  notAllowed = code == ERROR_ACCESS_DENIED || code == ERROR_NETWORK_ACCESS_DENIED;
  return nullptr;
}

std::unique_ptr<ploxen::OutputFile> FileAccess::OpenInPlace(const std::string& path, std::string& error) {
  return File::Open(path, File::Mode::kInPlace, error);
}

bool FileAccess::Replace(const std::string& from, const std::string& to, std::string& error) {
  // Where ReplaceFile cannot do it (no old file, a file system without it)
  // the plain move is left. A folder of the target's name is never given
  // to ReplaceFile: Wine's puts the file in its place. Its own write-through
  // flag is not supported, so the file is flushed after it, where it may be.
  const DWORD old = GetFileAttributesA(to.c_str());
  const bool oldFile = old != INVALID_FILE_ATTRIBUTES && !(old & FILE_ATTRIBUTE_DIRECTORY);
  if (oldFile && ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    HANDLE placed = CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (placed != INVALID_HANDLE_VALUE) {
      FlushFileBuffers(placed);
      CloseHandle(placed);
    }
    return true;
  }
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  error = ErrorText(GetLastError());
  return false;
}

void FileAccess::Remove(const std::string& path) { DeleteFileA(path.c_str()); }

std::unique_ptr<ploxen::InputFile> FileAccess::OpenRead(const std::string& path, std::string& error) {
  return File::Open(path, File::Mode::kRead, error);
}

void FileAccess::ShowMessage(const std::string& text) {
  fw::ShowMessage(owner_, text, "PLOXEN", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace fw

#include "roads/log_file.h"

namespace ploxen {

namespace {
LogTime Now() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return LogTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}
}  // namespace

void LogFile::Start(const std::string& path, LogRotation rotation, LogFormat format, std::size_t backlogBytes) {
  Stop();
  LogFileLayer& files = *this;
  writer_ = std::make_unique<LogWriter>(files, path, rotation, format, backlogBytes);
  format_ = format;
  stopping_ = false;
  worker_ = std::thread([this] { Work(); });
}

void LogFile::Stop() {
  if (!writer_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
  // Rows a failing file still held are given up now, counted.
  lostBefore_ += writer_->Lost() + writer_->Waiting();
  writer_.reset();
}

void LogFile::RowAppended(MessageKind kind, MessageSource, const std::string_view* strings, std::size_t count) {
  // Every road's rows, remarks too; rows read from a file never come here.
  if (writer_) writer_->Add(kind, strings, count);
}

std::uint64_t LogFile::Lost() const { return lostBefore_ + (writer_ ? writer_->Lost() : 0); }

void LogFile::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, std::chrono::milliseconds(kWriteMs));
    lock.unlock();
    FlushNow();
    lock.lock();
  }
  lock.unlock();
  FlushNow();
  writer_->Close();
}

void LogFile::FlushNow() {
  writer_->Flush(Now(), GetTickCount64());
  const ULONGLONG now = GetTickCount64();
  if (file_ != INVALID_HANDLE_VALUE && now >= diskAt_) {
    FlushFileBuffers(file_);
    diskAt_ = now + kDiskMs;
  }
}

bool LogFile::Open(const std::string& path, std::uint64_t& size) {
  // Others may read the file while it grows ("Öffnen" among them), and
  // rename or delete it.
  file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file_, &length)) {
    Close();
    return false;
  }
  size = static_cast<std::uint64_t>(length.QuadPart);
  return true;
}

bool LogFile::Append(const char* data, std::size_t size) {
  LARGE_INTEGER end{}, none{};
  if (!SetFilePointerEx(file_, none, &end, FILE_END)) return false;
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
    DWORD written = 0;
    if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) {
      // A full disk may take part of the rows: the file ends where it ended
      // before, so the next attempt writes them whole.
      SetFilePointerEx(file_, end, nullptr, FILE_BEGIN);
      SetEndOfFile(file_);
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool LogFile::WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD written = 0;
  return SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
         WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

void LogFile::Close() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

std::vector<std::string> LogFile::Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

bool LogFile::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

}  // namespace ploxen

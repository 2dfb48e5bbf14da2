#include "sources/win32_mailslot.h"

#include "fw/strings.h"
#include "res/resource.h"

namespace ploxen {

bool Win32Mailslot::Create() {
  Close();
  // Any message size; reads never wait, since only reported messages are read.
  handle_ = CreateMailslotA(name_.c_str(), 0, MAILSLOT_WAIT_FOREVER, nullptr);
  return IsOpen();
}

void Win32Mailslot::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

std::optional<MailslotInfo> Win32Mailslot::Query() {
  DWORD nextSize = 0, count = 0;
  if (!GetMailslotInfo(handle_, nullptr, &nextSize, &count, nullptr)) return std::nullopt;
  // Wine reports an empty message as size 0 with a count of 0; taken at its
  // word, that message would stay at the head and hold back every later one.
  if (nextSize == 0 && count == 0) count = 1;
  return MailslotInfo{nextSize, count};
}

std::optional<std::size_t> Win32Mailslot::Read(char* buffer, std::size_t size) {
  DWORD got = 0;
  if (size == 0) {
    // An empty message: a read of 0 bytes leaves it waiting under Wine, and
    // Wine answers the read that takes it with "broken pipe".
    char scratch[1];
    if (ReadFile(handle_, scratch, 1, &got, nullptr) || GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return std::nullopt;
  }
  if (!ReadFile(handle_, buffer, static_cast<DWORD>(size), &got, nullptr)) return std::nullopt;
  return got;
}

std::string RemoteNoticeText(RemoteNotice notice) {
  switch (notice) {
    case RemoteNotice::kUnavailable: return fw::String(IDS_REMOTE_UNAVAILABLE);
    case RemoteNotice::kQueryFailed: return "Fehler: GetMailslotInfo";
    case RemoteNotice::kReadFailed: return "Fehler: ReadFile";
    case RemoteNotice::kBadFormat: return "Falsches Format gelesen";
  }
  return {};
}

}  // namespace ploxen

#include "roads/win32_mailslot.h"

#include <algorithm>
#include <cstring>

#include "fw/strings.h"
#include "res/resource.h"

namespace ploxen {

bool Win32Mailslot::Create() {
  Close();
  // Any message size; a read never waits, so that an empty mailslot answers at once.
  handle_ = CreateMailslotA(name_.c_str(), 0, 0, nullptr);
  return IsOpen();
}

void Win32Mailslot::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  aheadWaiting_ = false;
}

namespace {
constexpr std::size_t kAheadSize = 64 * 1024;
}

std::optional<MailslotInfo> Win32Mailslot::Query() {
  if (aheadWaiting_) return MailslotInfo{static_cast<std::uint32_t>(aheadSize_), 1};
  if (ahead_.empty()) ahead_.resize(kAheadSize);
  DWORD got = 0;
  if (ReadFile(handle_, ahead_.data(), static_cast<DWORD>(ahead_.size()), &got, nullptr)) {
    aheadWaiting_ = true;
    aheadSize_ = got;
    return MailslotInfo{got, 1};
  }
  switch (GetLastError()) {
    case ERROR_SEM_TIMEOUT:
      return MailslotInfo{};
    case ERROR_BROKEN_PIPE:
      // Wine's answer to the read that takes an empty message.
      aheadWaiting_ = true;
      aheadSize_ = 0;
      return MailslotInfo{0, 1};
    default:
      // Larger than the read-ahead (it stays waiting, and is read in a
      // buffer of its size), or a failure the system's query reports.
      return AskSystem();
  }
}

std::optional<MailslotInfo> Win32Mailslot::AskSystem() {
  DWORD nextSize = 0, count = 0;
  if (!GetMailslotInfo(handle_, nullptr, &nextSize, &count, nullptr)) return std::nullopt;
  // Wine reports an empty message as size 0 with a count of 0; taken at its
  // word, that message would stay at the head and hold back every later one.
  if (nextSize == 0 && count == 0) count = 1;
  return MailslotInfo{nextSize, count};
}

std::optional<std::size_t> Win32Mailslot::Read(char* buffer, std::size_t size) {
  if (aheadWaiting_) {
    aheadWaiting_ = false;
    const std::size_t n = std::min(size, aheadSize_);
    if (n) std::memcpy(buffer, ahead_.data(), n);
    return n;
  }
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

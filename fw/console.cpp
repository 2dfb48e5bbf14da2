#include "fw/console.h"

#include <string>

namespace fw {

StandardStream::StandardStream(HANDLE handle) : handle_(handle) {
  DWORD mode = 0;
  console_ = handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool StandardStream::Write(std::string_view text) const {
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return false;
  // In pieces: older consoles refuse a single write of more than about 64 KB.
  constexpr std::size_t kPiece = 8192;
  std::wstring wide;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    const std::string_view piece = text.substr(at, kPiece);
    const int length = static_cast<int>(piece.size());
    DWORD written = 0;
    if (!console_) {
      if (!WriteFile(handle_, piece.data(), static_cast<DWORD>(length), &written, nullptr) ||
          written != piece.size())
        return false;
      continue;
    }
    // Code page 1252 has one UTF-16 unit for every byte.
    wide.resize(piece.size());
    const int units = MultiByteToWideChar(1252, 0, piece.data(), length, wide.data(), length);
    if (units <= 0 || !WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(units), &written, nullptr))
      return false;
  }
  return true;
}

}  // namespace fw

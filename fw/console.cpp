#include "fw/console.h"

#include <string>

#include "core/text.h"

namespace fw {

StandardStream::StandardStream(HANDLE handle, Redirected redirected) : handle_(handle), redirected_(redirected) {
  DWORD mode = 0;
  console_ = handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool StandardStream::Write(std::string_view utf8) const {
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return false;
  // In pieces: older consoles refuse a single write of more than about 64 KB.
  // A piece ends between characters, so that each one is whole.
  constexpr std::size_t kPiece = 8192;
  std::string narrow;
  while (!utf8.empty()) {
    std::string_view piece = ploxen::CutToBytes(utf8, kPiece);
    if (piece.empty()) piece = utf8.substr(0, kPiece);  // no boundary within reach: invalid bytes
    utf8.remove_prefix(piece.size());
    DWORD written = 0;
    if (console_) {
      const std::u16string wide = ploxen::Utf8ToUtf16(piece);
      if (!WriteConsoleW(handle_, reinterpret_cast<const wchar_t*>(wide.data()), static_cast<DWORD>(wide.size()), &written, nullptr)) return false;
      continue;
    }
    if (redirected_ == Redirected::kCp1252) {
      narrow = ploxen::Utf8ToCp1252(piece);
      piece = narrow;
    }
    if (!WriteFile(handle_, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) ||
        written != piece.size())
      return false;
  }
  return true;
}

}  // namespace fw

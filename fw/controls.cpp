#include "fw/controls.h"

#include <cstring>

#include "core/text.h"
#include "search/clipboard_text.h"

namespace fw {

namespace {

// Another program may hold the clipboard for a moment.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenPauseMs = 20;

// A movable block of size bytes that fill writes, as the clipboard takes it;
// null when there is no memory for it.
template <class Fill>
HGLOBAL GlobalBlock(std::size_t size, Fill fill) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  void* bytes = block ? GlobalLock(block) : nullptr;
  if (!bytes) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  fill(bytes);
  GlobalUnlock(block);
  return block;
}

}  // namespace

std::wstring WideControlText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(control, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

std::string ControlText(HWND control) { return Cp1252FromWide(WideControlText(control)); }

std::wstring Control::ItemText(UINT lengthMsg, UINT textMsg, int index) const {
  const LRESULT length = Send(lengthMsg, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = Send(textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  // The length asked first may be more than the text, never less.
  text.resize(got > 0 && got <= length ? static_cast<std::size_t>(got) : 0);
  return text;
}

const char* Clipboard::PutText(std::string_view utf8) const {
  // Both made before the clipboard is opened, which is held no longer than
  // it takes to hand them over. Each format is made here: the platform would
  // make CF_TEXT in the system's code page, not in 1252.
  const std::string cp1252 = ploxen::Utf8ToCp1252(utf8);
  HGLOBAL ansi = GlobalBlock(cp1252.size() + 1, [&](void* to) {
    std::memcpy(to, cp1252.data(), cp1252.size());
    static_cast<char*>(to)[cp1252.size()] = '\0';
  });
  const std::u16string wide = ploxen::Utf8ToUtf16(utf8);
  HGLOBAL unicode = GlobalBlock((wide.size() + 1) * sizeof(WCHAR), [&](void* to) {
    std::memcpy(to, wide.data(), wide.size() * sizeof(WCHAR));
    static_cast<WCHAR*>(to)[wide.size()] = 0;
  });
  const char* failure = ansi && unicode ? nullptr : ploxen::kClipboardNoMemory;
  bool open = false;
  for (int attempt = 0; !failure && !open && attempt < kOpenAttempts; ++attempt) {
    if (attempt) Sleep(kOpenPauseMs);
    open = OpenClipboard(owner_) != FALSE;
  }
  if (!failure && !open) failure = ploxen::kClipboardBusy;
  if (open) {
    EmptyClipboard();
    // The clipboard owns what it took; the platform makes either format of the other.
    if (SetClipboardData(CF_TEXT, ansi)) ansi = nullptr;
    if (SetClipboardData(CF_UNICODETEXT, unicode)) unicode = nullptr;
    if (ansi && unicode) failure = ploxen::kClipboardRefused;
    CloseClipboard();
  }
  if (ansi) GlobalFree(ansi);
  if (unicode) GlobalFree(unicode);
  return failure;
}

}  // namespace fw

// Text where it meets the platform's wide functions. A row's text, a search
// term, a pattern and what the user types are UTF-8; the program's own texts
// (literals, the string table as LoadStringA gives it) are code page 1252 and
// go by that code page's table whatever the system's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace fw {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions take UTF-16");

inline std::wstring WideFromUtf8(std::string_view utf8) {
  const std::u16string wide = ploxen::Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string Utf8FromWide(std::wstring_view wide) {
  return ploxen::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// Every code page 1252 byte has a code point of the basic plane.
inline std::wstring WideFromCp1252(std::string_view cp1252) {
  std::wstring wide;
  wide.reserve(cp1252.size());
  for (unsigned char byte : cp1252) wide += static_cast<wchar_t>(ploxen::Cp1252CodePoint(byte));
  return wide;
}

// "?" for each character code page 1252 lacks.
inline std::string Cp1252FromWide(std::wstring_view wide) { return ploxen::Utf8ToCp1252(Utf8FromWide(wide)); }

}  // namespace fw

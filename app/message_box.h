// The program's own message boxes carry its name as their caption.
#pragma once

#include <windows.h>

#include <string_view>

#include "fw/controls.h"

namespace ploxen {

constexpr char kCaption[] = "PLOXEN";

// flags: the platform's MB_ buttons and icon; the button chosen. The
// program's own text, in code page 1252.
inline int Tell(HWND owner, std::string_view text, UINT flags) { return fw::ShowMessage(owner, text, kCaption, flags); }
// A text that holds a row's text or a search term: UTF-8.
inline int TellUtf8(HWND owner, std::string_view text, UINT flags) {
  return fw::ShowUtf8Message(owner, text, kCaption, flags);
}

}  // namespace ploxen

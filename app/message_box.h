// The program's own message boxes carry its name as their caption.
#pragma once

#include <windows.h>

#include <string>

namespace ploxen {

constexpr char kCaption[] = "PLOXEN";

// flags: the platform's MB_ buttons and icon; the button chosen.
inline int Tell(HWND owner, const std::string& text, UINT flags) {
  return MessageBoxA(owner, text.c_str(), kCaption, flags);
}

}  // namespace ploxen

// Text (UTF-8) for a standard handle of a console program.
#pragma once

#include <windows.h>

#include <string_view>

namespace fw {

// A console shows its own code page (850 in a German cmd.exe), which would
// garble anything beyond ASCII: it is given the text as UTF-16, which it
// shows in any code page. A file or a pipe gets UTF-8, or code page 1252
// ("?" for what that lacks) for a program that reads the bytes of old.
class StandardStream {
 public:
  enum class Redirected { kUtf8, kCp1252 };
  explicit StandardStream(HANDLE handle, Redirected redirected = Redirected::kUtf8);
  bool IsConsole() const { return console_; }
  // False when the handle took not all of it.
  bool Write(std::string_view utf8) const;

 private:
  HANDLE handle_;
  bool console_;
  Redirected redirected_;
};

}  // namespace fw

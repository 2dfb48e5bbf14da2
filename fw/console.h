// Text of code page 1252 for a standard handle of a console program.
#pragma once

#include <windows.h>

#include <string_view>

namespace fw {

// A console shows its own code page (850 in a German cmd.exe), which would
// garble the umlauts of the program's bytes: it is given the text as UTF-16.
// A file or a pipe gets the bytes as they are, for the program that reads
// them.
class StandardStream {
 public:
  explicit StandardStream(HANDLE handle);
  bool IsConsole() const { return console_; }
  // False when the handle took not all of it.
  bool Write(std::string_view text) const;

 private:
  HANDLE handle_;
  bool console_;
};

}  // namespace fw

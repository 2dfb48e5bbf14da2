// The senders take their arguments as Unicode (wmain) and send UTF-8: a
// command line holds any script, which the ANSI code page would narrow.
#pragma once

#include <string>
#include <vector>

#include "core/text.h"

namespace ploxen {

inline std::string Utf8Of(const wchar_t* wide) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 on Windows");
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide));
}

inline std::wstring WideOf(const std::string& utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

// argv as UTF-8, and pointers into it for the code that reads char**.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, wchar_t** argv) {
    for (int i = 0; i < argc; ++i) strings_.push_back(Utf8Of(argv[i]));
    for (std::string& s : strings_) pointers_.push_back(&s[0]);
    pointers_.push_back(nullptr);
  }
  int Count() const { return static_cast<int>(strings_.size()); }
  char** Values() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

}  // namespace ploxen

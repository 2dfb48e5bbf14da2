// The application profile: named sections of named keys whose values are
// integers or strings, kept as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text.h"

namespace ploxen {

class Profile {
 public:
  virtual ~Profile() = default;
  // A missing section or key reads as the fallback; so does an integer key
  // whose text is not a decimal number (see ParseProfileInt).
  virtual int GetInt(std::string_view section, std::string_view key, int fallback) const = 0;
  // A key that is present but empty reads as "", not as the fallback.
  virtual std::string GetString(std::string_view section, std::string_view key,
                                std::string_view fallback) const = 0;
  // Write failures are not reported; the next read simply finds the old value.
  virtual void WriteInt(std::string_view section, std::string_view key, int value) = 0;
  virtual void WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
  virtual void DeleteKey(std::string_view section, std::string_view key) = 0;
};

// A text of the user's (a search term, a rule's pattern; UTF-8) as the
// profile keeps it: in code page 1252, as every profile has held it, when it
// fits and reads back so; otherwise as its UTF-8 bytes. Reading takes the
// roads' 8-bit rule, which never mistakes real 1252 text for UTF-8. The
// 1252 text that would read back as something else (UTF-8-looking "\xC3\xA4",
// a leading mark) is kept as UTF-8 too, and a leading U+FEFF gets a mark
// before it, so that every text comes back as it went.
inline std::string ProfileBytes(std::string_view utf8) {
  if (FitsCp1252(utf8)) {
    std::string cp1252 = Utf8ToCp1252(utf8);
    const EightBitReading reading = ReadEightBit(cp1252);
    if (reading == EightBitReading::kAscii || reading == EightBitReading::kCodePage1252) return cp1252;
  }
  if (utf8.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) return std::string(kUtf8ByteOrderMark) += utf8;
  return std::string(utf8);
}
inline std::string ProfileText(std::string_view bytes) { return EightBitToUtf8(bytes); }

// Decimal text as a 32-bit integer: optional blanks around, an optional sign
// and at least one digit, nothing else. Anything else, or a value outside the
// int32 range, is the fallback: "12abc" must not silently become 12.
inline int ParseProfileInt(std::string_view text, int fallback) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return fallback;

  const std::int64_t limit = negative ? std::int64_t{2147483648} : std::int64_t{2147483647};
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return fallback;
    value = value * 10 + (c - '0');
    if (value > limit) return fallback;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace ploxen

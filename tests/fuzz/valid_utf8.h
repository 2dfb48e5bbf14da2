// The fuzz targets' own check of UTF-8, apart from core/text's: decodes
// first, then asks whether the value was allowed in that length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ploxen::fuzz {

inline bool ValidUtf8(std::string_view s) {
  static const std::uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned b = static_cast<unsigned char>(s[i]);
    const std::size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > s.size()) return false;
    std::uint32_t cp = length == 1 ? b : b & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace ploxen::fuzz

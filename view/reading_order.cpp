#include "view/reading_order.h"

#include "core/text.h"
#include "search/unicode_tables.h"

namespace ploxen {

namespace {

constexpr char32_t kLeftToRightMark = 0x200E;
constexpr char32_t kRightToLeftMark = 0x200F;

// The blocks of the scripts written from the right.
bool RightToLeftBlock(char32_t c) {
  return (c >= 0x0590 && c <= 0x08FF) ||    // Hebrew, Arabic, Syriac, Thaana, N'Ko, Samaritan, Mandaic
         (c >= 0xFB1D && c <= 0xFDFF) ||    // Hebrew and Arabic presentation forms
         (c >= 0xFE70 && c <= 0xFEFF) ||    // Arabic presentation forms B
         (c >= 0x10800 && c <= 0x10FFF) ||  // old scripts of the Near East
         (c >= 0x1E800 && c <= 0x1EFFF);    // Mende Kikakui, Adlam, Arabic mathematical letters
}

}  // namespace

bool ReadsRightToLeft(std::string_view utf8) {
  std::size_t at = 0;
  while (at < utf8.size()) {
    const unsigned char byte = static_cast<unsigned char>(utf8[at]);
    if (byte < 0x80) {
      // ASCII: a letter of it reads left to right.
      if ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') return false;
      ++at;
      continue;
    }
    const char32_t c = NextCodePoint(utf8, at);
    if (c == kRightToLeftMark) return true;
    if (c == kLeftToRightMark) return false;
    if (CharacterClasses(c) & kClassLetter) return RightToLeftBlock(c);
  }
  return false;
}

}  // namespace ploxen

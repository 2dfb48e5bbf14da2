// Any bytes through the 8-bit roads' rule, the conversions, the cuts and the
// case folding: the row's text is always valid UTF-8 (by the fuzz targets'
// own check), UTF-8 as sent is never changed, code page 1252 and UTF-16 go
// there and back, and nothing is read or written out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/text.h"
#include "search/unicode_tables.h"
#include "tests/fuzz/valid_utf8.h"

namespace {

using namespace ploxen;

void Check(bool ok) {
  if (!ok) std::abort();
}

using fuzz::ValidUtf8;

bool HasLoneSurrogate(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool high = s[i] >= 0xD800 && s[i] <= 0xDBFF;
    const bool low = s[i] >= 0xDC00 && s[i] <= 0xDFFF;
    if (high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
    else if (high || low) return true;
  }
  return false;
}

void CheckCuts(std::string_view text, std::size_t n) {
  const std::string_view bytes = CutToBytes(text, n);
  Check(bytes.size() <= n || bytes.size() == text.size());
  Check(bytes.size() <= text.size() && text.substr(0, bytes.size()) == bytes && ValidUtf8(bytes));
  Check(bytes.size() == text.size() || bytes.size() + 4 > n);
  const std::string_view chars = CutToCharacters(text, n);
  Check(text.substr(0, chars.size()) == chars && ValidUtf8(chars));
  Check(CharacterCount(chars) == std::min(n, CharacterCount(text)));
  const std::u16string wide = Utf8ToUtf16(text);
  const std::u16string_view units = CutToUnits(wide, n);
  Check(units.size() <= n || units.size() == wide.size());
  Check(!HasLoneSurrogate(units));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The roads' rule.
  std::string converted;
  const std::string_view text = EightBitRowText(bytes, converted);
  Check(ValidUtf8(text));
  const bool marked = bytes.substr(0, 3) == kUtf8ByteOrderMark;
  switch (ReadEightBit(bytes)) {
    case EightBitReading::kAscii:
    case EightBitReading::kUtf8:
      Check(!marked && ValidUtf8(bytes) && text.data() == bytes.data() && text.size() == size);
      break;
    case EightBitReading::kMarkedUtf8:
      Check(marked);
      if (ValidUtf8(bytes.substr(3))) Check(text.data() == bytes.data() + 3 && text.size() == size - 3);
      break;
    case EightBitReading::kCodePage1252:
      Check(!marked && !ValidUtf8(bytes) && Utf8ToCp1252(text) == bytes);
      break;
  }
  Check(IsValidUtf8(bytes) == ValidUtf8(bytes));
  // In place, for a road that owns its bytes: the same text.
  std::string owned(bytes);
  MakeEightBitUtf8(owned);
  Check(owned == text);
  // A bound's cut: at most a lead byte and its continuations go, and only
  // where the rest reads as ASCII or UTF-8, whose reading they would spoil.
  const std::string_view whole = WithoutCutSequence(bytes);
  Check(whole.data() == bytes.data() && whole.size() <= size && whole.size() + 3 >= size);
  if (whole.size() < size) {
    Check(ReadEightBit(whole) != EightBitReading::kCodePage1252 && !ValidUtf8(bytes.substr(whole.size())));
    Check(static_cast<unsigned char>(bytes[whole.size()]) >= 0xC0);
  }

  // Code page 1252 there and back.
  const std::string fromCp1252 = Cp1252ToUtf8(bytes);
  Check(ValidUtf8(fromCp1252) && FitsCp1252(fromCp1252) && Utf8ToCp1252(fromCp1252) == bytes);
  Check(CharacterCount(fromCp1252) == size);
  // What fits code page 1252 is exactly what goes there and back unchanged.
  Check(FitsCp1252(text) == (Cp1252ToUtf8(Utf8ToCp1252(text)) == text));

  // UTF-16 there and back, the bytes taken as UTF-16 too.
  Check(Utf16ToUtf8(Utf8ToUtf16(text)) == text);
  std::u16string units(size / 2, u'\0');
  if (!units.empty()) std::memcpy(&units[0], data, units.size() * 2);
  const std::string fromUtf16 = Utf16ToUtf8(units);
  Check(ValidUtf8(fromUtf16));
  if (!HasLoneSurrogate(units)) Check(Utf8ToUtf16(fromUtf16) == units);

  // Cuts at limits the input chooses.
  const std::size_t limit = size > 0 ? data[0] : 0;
  CheckCuts(text, limit);
  CheckCuts(text, text.size() / 2);
  CheckCuts(fromUtf16, limit);

  // Folding keeps the text valid and the number of characters, and a folded
  // text folds to itself.
  const std::string folded = FoldCaseUtf8(text);
  Check(ValidUtf8(folded) && CharacterCount(folded) == CharacterCount(text) && FoldCaseUtf8(folded) == folded);
  return 0;
}

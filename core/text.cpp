#include "core/text.h"

#include <cstdint>
#include <cstring>

#include "core/utf8_steps.h"

namespace ploxen {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The first byte above 0x7F, or size. Two words a step: an ASCII line of
// 80 bytes costs five tests.
std::size_t FirstNonAscii(const unsigned char* p, std::size_t size) {
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    if ((a | b) & kHighBits) break;
  }
  for (; i < size; ++i)
    if (p[i] >= 0x80) return i;
  return size;
}

const unsigned char* Bytes(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length a lead byte announces; 0 for a byte no character starts with.
std::size_t AnnouncedLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

struct Decoded {
  char32_t codePoint;
  std::size_t length;  // of the character, or of the maximal invalid part
  bool valid;
};

// One sequence by Unicode's table of well-formed UTF-8 byte sequences: the
// second byte's range is narrowed where overlong forms, surrogates or values
// above U+10FFFF would begin.
Decoded DecodeAt(const unsigned char* p, std::size_t left) {
  const unsigned char lead = p[0];
  const std::size_t length = AnnouncedLength(lead);
  if (length == 1) return {lead, 1, true};
  if (length == 0) return {kReplacementCharacter, 1, false};
  char32_t cp = lead & (0x7F >> length);
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  else if (lead == 0xED) high = 0x9F;
  else if (lead == 0xF0) low = 0x90;
  else if (lead == 0xF4) high = 0x8F;
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= left || p[k] < low || p[k] > high) return {kReplacementCharacter, k, false};
    cp = (cp << 6) | (p[k] & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  return {cp, length, true};
}

// Validation as a shift-based automaton: each byte's row holds, for every
// state, the next one, at bit offset 6 x state. The step that depends on the
// state before is a single shift, so mixed text pays no mispredicted branch
// at each change between ASCII and other characters.
enum ValidationState : unsigned {
  kAccept,      // between characters
  kReject,
  kNeedOne,     // one continuation byte to come
  kNeedTwo,
  kAfterE0,     // A0..BF, then one: no overlong form
  kAfterED,     // 80..9F, then one: no surrogate
  kNeedThree,
  kAfterF0,     // 90..BF, then two: no overlong form
  kAfterF4,     // 80..8F, then two: nothing above U+10FFFF
};
constexpr unsigned kStateShift = 6;

constexpr unsigned NextState(unsigned state, unsigned b) {
  const bool continuation = b >= 0x80 && b <= 0xBF;
  switch (state) {
    case kAccept:
      if (b < 0x80) return kAccept;
      if (b >= 0xC2 && b <= 0xDF) return kNeedOne;
      if (b == 0xE0) return kAfterE0;
      if (b == 0xED) return kAfterED;
      if (b >= 0xE1 && b <= 0xEF) return kNeedTwo;
      if (b == 0xF0) return kAfterF0;
      if (b == 0xF4) return kAfterF4;
      if (b >= 0xF1 && b <= 0xF3) return kNeedThree;
      return kReject;
    case kNeedOne: return continuation ? kAccept : kReject;
    case kNeedTwo: return continuation ? kNeedOne : kReject;
    case kAfterE0: return b >= 0xA0 && b <= 0xBF ? kNeedOne : kReject;
    case kAfterED: return b >= 0x80 && b <= 0x9F ? kNeedOne : kReject;
    case kNeedThree: return continuation ? kNeedTwo : kReject;
    case kAfterF0: return b >= 0x90 && b <= 0xBF ? kNeedTwo : kReject;
    case kAfterF4: return b >= 0x80 && b <= 0x8F ? kNeedTwo : kReject;
    default: return kReject;
  }
}

struct ValidationRows {
  std::uint64_t row[256];
};

constexpr ValidationRows MakeValidationRows() {
  ValidationRows rows{};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned state = kAccept; state <= kAfterF4; ++state)
      rows.row[b] |= std::uint64_t{NextState(state, b) * kStateShift} << (state * kStateShift);
  return rows;
}

constexpr ValidationRows kValidationRows = MakeValidationRows();

// Valid UTF-8 from `from` on, one byte a step; 16 ASCII bytes between
// characters are passed over at once.
bool ValidFromByBytes(const unsigned char* p, std::size_t size, std::size_t from) {
  std::uint64_t state = kAccept;
  std::size_t i = from;
  for (; i + 16 <= size; i += 16) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    if (((a | b) & kHighBits) == 0 && (state & 63) == kAccept) continue;
    for (std::size_t k = 0; k < 16; ++k) state = kValidationRows.row[p[i + k]] >> (state & 63);
    if ((state & 63) == kReject * kStateShift) return false;
  }
  for (; i < size; ++i) state = kValidationRows.row[p[i]] >> (state & 63);
  return (state & 63) == kAccept;
}

#if defined(__SSE2__) || defined(_M_X64)
// `from` is between characters.
bool ValidFrom(const unsigned char* p, std::size_t size, std::size_t from) {
  // A short text has no sixteen bytes before its last sixteen.
  if (size - from < 32) return ValidFromByBytes(p, size, from);
  auto load = [](const unsigned char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
  Utf8Steps steps;
  std::size_t i = from;
  for (; i + 16 <= size; i += 16)
    // Code page 1252 text is found out at its first letter beyond ASCII.
    if (!steps.Step(load(p + i))) return false;
  if (i < size) steps.Last(load(p + size - 32), load(p + size - 16), size - i);
  return steps.Valid();
}
#else
bool ValidFrom(const unsigned char* p, std::size_t size, std::size_t from) { return ValidFromByBytes(p, size, from); }
#endif

// The text with U+FFFD for each invalid part, valid runs copied whole.
void AppendReplacingInvalid(std::string& out, std::string_view utf8) {
  const unsigned char* p = Bytes(utf8);
  std::size_t run = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const Decoded d = DecodeAt(p + i, utf8.size() - i);
    if (d.valid) {
      i += d.length;
      continue;
    }
    out.append(utf8.data() + run, i - run);
    AppendUtf8(out, kReplacementCharacter);
    i += d.length;
    run = i;
  }
  out.append(utf8.data() + run, utf8.size() - run);
}

// Code page 1252's 0x80..0x9F; the five it leaves undefined are the C1
// controls of the same number, as Windows maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWithMark(std::string_view bytes) { return bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark; }

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

EightBitReading ReadEightBit(std::string_view bytes) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t first = FirstNonAscii(p, bytes.size());
  if (first == bytes.size()) return EightBitReading::kAscii;
  if (StartsWithMark(bytes)) return EightBitReading::kMarkedUtf8;
  return ValidFrom(p, bytes.size(), first) ? EightBitReading::kUtf8 : EightBitReading::kCodePage1252;
}

std::string_view EightBitRowText(std::string_view bytes, std::string& converted) {
  const unsigned char* p = Bytes(bytes);
  const std::size_t first = FirstNonAscii(p, bytes.size());
  if (first == bytes.size()) return bytes;
  if (StartsWithMark(bytes)) {
    const std::string_view rest = bytes.substr(kUtf8ByteOrderMark.size());
    if (ValidFrom(Bytes(rest), rest.size(), 0)) return rest;
    converted.clear();
    AppendReplacingInvalid(converted, rest);
    return converted;
  }
  if (ValidFrom(p, bytes.size(), first)) return bytes;
  converted.clear();
  AppendCp1252AsUtf8(converted, bytes);
  return converted;
}

std::string EightBitToUtf8(std::string_view bytes) {
  std::string converted;
  const std::string_view text = EightBitRowText(bytes, converted);
  if (text.data() == converted.data()) return converted;
  return std::string(text);
}

void MakeEightBitUtf8(std::string& bytes) {
  if (FirstNonAscii(Bytes(bytes), bytes.size()) == bytes.size()) return;
  std::string converted;
  const std::string_view text = EightBitRowText(bytes, converted);
  if (text.data() == converted.data()) {
    bytes.swap(converted);
  } else if (text.size() != bytes.size()) {
    bytes.erase(0, bytes.size() - text.size());  // the mark
  }
}

bool IsAscii(std::string_view bytes) { return FirstNonAscii(Bytes(bytes), bytes.size()) == bytes.size(); }

bool IsValidUtf8(std::string_view bytes) { return ValidFrom(Bytes(bytes), bytes.size(), 0); }

char32_t NextCodePoint(std::string_view utf8, std::size_t& at) {
  if (at >= utf8.size()) return kReplacementCharacter;
  const Decoded d = DecodeAt(Bytes(utf8) + at, utf8.size() - at);
  at += d.length;
  return d.codePoint;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    const char bytes[2] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 2);
  } else if (cp < 0x10000) {
    const char bytes[3] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 3);
  } else {
    const char bytes[4] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    out.append(bytes, 4);
  }
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) count += !IsContinuation(static_cast<unsigned char>(c));
  return count;
}

char32_t Cp1252CodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == cp) return 0x80 + i;
  return -1;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  AppendCp1252AsUtf8(out, cp1252);
  return out;
}

void AppendCp1252AsUtf8(std::string& out, std::string_view cp1252) {
  // Every byte's UTF-8 form (one to three bytes), made once, so that a byte
  // costs one look-up and no branch.
  struct Forms {
    char bytes[256][4];
    unsigned char length[256];
  };
  static const Forms forms = [] {
    Forms f{};
    for (int b = 0; b < 256; ++b) {
      std::string utf8;
      AppendUtf8(utf8, Cp1252CodePoint(static_cast<unsigned char>(b)));
      utf8.copy(f.bytes[b], utf8.size());
      f.length[b] = static_cast<unsigned char>(utf8.size());
    }
    return f;
  }();
  const unsigned char* p = Bytes(cp1252);
  const std::size_t size = cp1252.size();
  const std::size_t start = out.size();
  out.resize(start + 3 * size + 1);  // room for the last form's whole four bytes
  char* to = &out[start];
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    if (((a | b) & kHighBits) == 0) {
      std::memcpy(to, p + i, 16);
      to += 16;
      continue;
    }
    for (std::size_t k = 0; k < 16; ++k) {
      std::memcpy(to, forms.bytes[p[i + k]], 4);
      to += forms.length[p[i + k]];
    }
  }
  for (; i < size; ++i) {
    std::memcpy(to, forms.bytes[p[i]], 4);
    to += forms.length[p[i]];
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

bool FitsCp1252(std::string_view utf8) {
  const unsigned char* p = Bytes(utf8);
  std::size_t i = FirstNonAscii(p, utf8.size());
  while (i < utf8.size()) {
    const Decoded d = DecodeAt(p + i, utf8.size() - i);
    if (!d.valid || Cp1252Byte(d.codePoint) < 0) return false;
    i += d.length;
  }
  return true;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const unsigned char* p = Bytes(utf8);
  std::size_t i = 0;
  while (i < utf8.size()) {
    const Decoded d = DecodeAt(p + i, utf8.size() - i);
    const int byte = d.valid ? Cp1252Byte(d.codePoint) : -1;
    out += byte < 0 ? '?' : static_cast<char>(byte);
    i += d.length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t u = utf16[i];
    if (IsHighSurrogate(u) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    }
    AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD there
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  AppendUtf8AsUtf16(out, utf8);
  return out;
}

void AppendUtf8AsUtf16(std::u16string& out, std::string_view utf8) {
  const unsigned char* p = Bytes(utf8);
  std::size_t i = 0;
  while (i < utf8.size()) {
    const Decoded d = DecodeAt(p + i, utf8.size() - i);
    i += d.length;
    if (d.codePoint < 0x10000) {
      out += static_cast<char16_t>(d.codePoint);
    } else {
      out += static_cast<char16_t>(0xD800 + ((d.codePoint - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((d.codePoint - 0x10000) & 0x3FF));
    }
  }
}

std::string_view CutToBytes(std::string_view utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes) return utf8;
  const unsigned char* p = Bytes(utf8);
  if (!IsContinuation(p[maxBytes])) return utf8.substr(0, maxBytes);
  // The cut falls on a continuation byte: back to its lead when the lead's
  // sequence reaches over the cut. A stray continuation byte is a place of its own.
  for (std::size_t back = 1; back <= 3 && back <= maxBytes; ++back) {
    const unsigned char b = p[maxBytes - back];
    if (IsContinuation(b)) continue;
    return utf8.substr(0, AnnouncedLength(b) > back ? maxBytes - back : maxBytes);
  }
  return utf8.substr(0, maxBytes);
}

std::string_view CutToCharacters(std::string_view utf8, std::size_t maxCharacters) {
  if (utf8.size() <= maxCharacters) return utf8;
  const unsigned char* p = Bytes(utf8);
  std::size_t count = 0;
  std::size_t i = FirstNonAscii(p, maxCharacters);  // one character per byte so far
  count = i;
  for (; i < utf8.size(); ++i) {
    if (IsContinuation(p[i])) continue;
    if (count == maxCharacters) return utf8.substr(0, i);
    ++count;
  }
  return utf8;
}

std::string_view WithoutCutSequence(std::string_view bytes) {
  const unsigned char* p = Bytes(bytes);
  for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
    const unsigned char b = p[bytes.size() - back];
    if (IsContinuation(b)) continue;
    if (AnnouncedLength(b) <= back) return bytes;
    // Code page 1252 text may end in a byte that would lead a sequence ("ß"):
    // it stays unless the bytes before it read as UTF-8.
    const std::string_view kept = bytes.substr(0, bytes.size() - back);
    return ReadEightBit(kept) == EightBitReading::kCodePage1252 ? bytes : kept;
  }
  return bytes;
}

std::u16string_view CutToUnits(std::u16string_view utf16, std::size_t maxUnits) {
  if (utf16.size() <= maxUnits) return utf16;
  std::size_t end = maxUnits;
  if (end > 0 && IsHighSurrogate(utf16[end - 1]) && IsLowSurrogate(utf16[end])) --end;
  return utf16.substr(0, end);
}

}  // namespace ploxen

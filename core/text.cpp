#include "core/text.h"

#include <cstdint>
#include <cstring>

namespace ploxen {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The first byte above 0x7F, or size.
std::size_t FirstNonAscii(const unsigned char* p, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & kHighBits) break;
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

// Valid UTF-8 from `from` on; ASCII runs are passed over a word at a time.
bool ValidFrom(const unsigned char* p, std::size_t size, std::size_t from) {
  std::size_t i = from;
  while (i < size) {
    if (p[i] < 0x80) {
      i += FirstNonAscii(p + i, size - i);
      continue;
    }
    const Decoded d = DecodeAt(p + i, size - i);
    if (!d.valid) return false;
    i += d.length;
  }
  return true;
}

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
  const unsigned char* p = Bytes(cp1252);
  out.reserve(out.size() + cp1252.size() + cp1252.size() / 2);
  std::size_t i = 0;
  while (i < cp1252.size()) {
    const std::size_t ascii = FirstNonAscii(p + i, cp1252.size() - i);
    out.append(cp1252.data() + i, ascii);
    i += ascii;
    if (i < cp1252.size()) AppendUtf8(out, Cp1252CodePoint(p[i++]));
  }
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
  return out;
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

std::u16string_view CutToUnits(std::u16string_view utf16, std::size_t maxUnits) {
  if (utf16.size() <= maxUnits) return utf16;
  std::size_t end = maxUnits;
  if (end > 0 && IsHighSurrogate(utf16[end - 1]) && IsLowSurrogate(utf16[end])) --end;
  return utf16.substr(0, end);
}

}  // namespace ploxen

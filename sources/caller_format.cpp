#include "sources/caller_format.h"

#include <cstdio>
#include <string>

#include "core/text.h"

namespace ploxen {
namespace {

// No caller needs a wider field; beyond it a conversion shows as its own
// text, so that "%99999999d" costs nothing.
constexpr std::size_t kMaxField = 4096;

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kMax, kSize, kPtrDiff, kLongDouble };

struct Conversion {
  std::string_view text;  // from '%' to the conversion character as written
  bool minus = false;
  bool plus = false;
  bool space = false;
  bool hash = false;
  bool zero = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  Length length = Length::kNone;
  char type = '\0';      // '\0' when the format ended inside the conversion
  bool usable = true;    // false for '*' and for fields beyond kMaxField
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t ReadField(std::string_view f, std::size_t& i, bool& usable) {
  std::size_t n = 0;
  for (; i < f.size() && IsDigit(f[i]); ++i) {
    if (n <= kMaxField) n = n * 10 + static_cast<std::size_t>(f[i] - '0');
  }
  if (n > kMaxField) usable = false;
  return n;
}

bool ReadFlag(char c, Conversion& conv) {
  switch (c) {
    case '-': conv.minus = true; return true;
    case '+': conv.plus = true; return true;
    case ' ': conv.space = true; return true;
    case '#': conv.hash = true; return true;
    case '0': conv.zero = true; return true;
    default: return false;
  }
}

// f[start] is '%' and not the start of "%%".
Conversion Parse(std::string_view f, std::size_t start) {
  Conversion c;
  std::size_t i = start + 1;
  while (i < f.size() && ReadFlag(f[i], c)) ++i;
  if (i < f.size() && f[i] == '*') {
    c.usable = false;
    ++i;
  } else {
    c.width = ReadField(f, i, c.usable);
  }
  if (i < f.size() && f[i] == '.') {
    ++i;
    c.hasPrecision = true;
    if (i < f.size() && f[i] == '*') {
      c.usable = false;
      ++i;
    } else {
      c.precision = ReadField(f, i, c.usable);
    }
  }
  if (i < f.size()) {
    const bool doubled = i + 1 < f.size() && f[i + 1] == f[i];
    switch (f[i]) {
      case 'h': c.length = doubled ? Length::kChar : Length::kShort; i += doubled ? 2 : 1; break;
      case 'l': c.length = doubled ? Length::kLongLong : Length::kLong; i += doubled ? 2 : 1; break;
      case 'j': c.length = Length::kMax; ++i; break;
      case 'z': c.length = Length::kSize; ++i; break;
      case 't': c.length = Length::kPtrDiff; ++i; break;
      case 'L': c.length = Length::kLongDouble; ++i; break;
      default: break;
    }
  }
  if (i < f.size()) c.type = f[i++];
  c.text = f.substr(start, i - start);
  return c;
}

// The width counts characters, as the list shows them.
void AppendPadded(const Conversion& c, std::string_view body, std::string& out) {
  const std::size_t characters = CharacterCount(body);
  const std::size_t pad = c.width > characters ? c.width - characters : 0;
  if (!c.minus) out.append(pad, ' ');
  out.append(body.data(), body.size());
  if (c.minus) out.append(pad, ' ');
}

// Integers are rendered here rather than by the C library, whose long is 64
// bits on some hosts and whose "%#.0o" differs between them.
bool RenderInteger(const Conversion& c, std::int32_t value, std::string& out) {
  if (!c.usable) return false;
  bool isSigned = false;
  unsigned base = 10;
  switch (c.type) {
    case 'd': case 'i': isSigned = true; break;
    case 'u': break;
    case 'o': base = 8; break;
    case 'x': case 'X': base = 16; break;
    case 'c': {
      if (c.length != Length::kNone) return false;  // %lc would be a wide character
      // The byte is a character of code page 1252, as callers always meant it.
      std::string ch;
      AppendUtf8(ch, Cp1252CodePoint(static_cast<unsigned char>(value & 0xFF)));
      AppendPadded(c, ch, out);
      return true;
    }
    default: return false;
  }
  // The value as C converts it for the length given; long is 32 bits, as on
  // the platform the callers write for.
  unsigned bits = 32;
  switch (c.length) {
    case Length::kChar: bits = 8; break;
    case Length::kShort: bits = 16; break;
    case Length::kNone: case Length::kLong: break;
    case Length::kLongLong: case Length::kMax: case Length::kSize: case Length::kPtrDiff: bits = 64; break;
    case Length::kLongDouble: return false;
  }
  const std::uint64_t mask = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  const std::uint64_t stored = static_cast<std::uint64_t>(static_cast<std::int64_t>(value)) & mask;
  const bool negative = isSigned && ((stored >> (bits - 1)) & 1) != 0;
  std::uint64_t magnitude = negative ? ((~stored) & mask) + 1 : stored;

  char digits[24];
  std::size_t count = 0;
  const char* alphabet = c.type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  for (; magnitude != 0; magnitude /= base) digits[count++] = alphabet[magnitude % base];
  const std::size_t precision = c.hasPrecision ? c.precision : 1;
  std::size_t zeros = precision > count ? precision - count : 0;
  if (c.hash && c.type == 'o' && zeros == 0) zeros = 1;  // the alternate form begins with 0

  std::string_view prefix;
  if (negative) prefix = "-";
  else if (isSigned && c.plus) prefix = "+";
  else if (isSigned && c.space) prefix = " ";
  else if (c.hash && stored != 0 && c.type == 'x') prefix = "0x";
  else if (c.hash && stored != 0 && c.type == 'X') prefix = "0X";

  const std::size_t length = prefix.size() + zeros + count;
  const std::size_t pad = c.width > length ? c.width - length : 0;
  const bool zeroPad = c.zero && !c.minus && !c.hasPrecision;
  if (!c.minus && !zeroPad) out.append(pad, ' ');
  out.append(prefix.data(), prefix.size());
  out.append(zeros + (zeroPad ? pad : 0), '0');
  while (count > 0) out += digits[--count];
  if (c.minus) out.append(pad, ' ');
  return true;
}

bool RenderString(const Conversion& c, std::string_view value, std::string& out) {
  if (!c.usable || c.type != 's' || c.length != Length::kNone) return false;
  value = value.substr(0, value.find('\0'));  // a C string ends there
  // The precision counts characters and never ends inside one.
  if (c.hasPrecision) value = CutToCharacters(value, c.precision);
  AppendPadded(c, value, out);
  return true;
}

// Floating point goes to the C library, but only with a conversion spelt out
// here from the parsed fields, and into a buffer of the length it asks for.
bool RenderDouble(const Conversion& c, double value, std::string& out) {
  if (!c.usable) return false;
  switch (c.type) {
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A': break;
    default: return false;
  }
  // "%Lf" takes the double as it is: long double is double on the platform.
  if (c.length != Length::kNone && c.length != Length::kLong && c.length != Length::kLongDouble) return false;
  std::string own = "%";
  if (c.minus) own += '-';
  if (c.plus) own += '+';
  if (c.space) own += ' ';
  if (c.hash) own += '#';
  if (c.zero) own += '0';
  if (c.width > 0) own += std::to_string(c.width);
  if (c.hasPrecision) {
    own += '.';
    own += std::to_string(c.precision);
  }
  own += c.type;
  const int needed = std::snprintf(nullptr, 0, own.c_str(), value);
  if (needed < 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(needed) + 1);
  const int written = std::snprintf(&out[at], static_cast<std::size_t>(needed) + 1, own.c_str(), value);
  out.resize(at + static_cast<std::size_t>(written >= 0 && written <= needed ? written : 0));
  return true;
}

// Copies the format, offering each conversion to render; what it declines
// (returning false without writing) appears as written.
template <class Render>
std::string Apply(std::string_view format, Render render) {
  std::string out;
  out.reserve(format.size() + 16);
  std::size_t i = 0;
  while (i < format.size()) {
    const std::size_t percent = format.find('%', i);
    if (percent == std::string_view::npos) {
      out.append(format.data() + i, format.size() - i);
      break;
    }
    out.append(format.data() + i, percent - i);
    if (percent + 1 < format.size() && format[percent + 1] == '%') {
      out += '%';
      i = percent + 2;
      continue;
    }
    const Conversion c = Parse(format, percent);
    if (!render(c, out)) out.append(c.text.data(), c.text.size());
    i = percent + c.text.size();
  }
  return out;
}

template <class Value, class RenderOne>
std::string FormatOne(std::string_view format, const Value& value, RenderOne renderOne) {
  bool taken = false;
  return Apply(format, [&](const Conversion& c, std::string& out) {
    if (taken || !renderOne(c, value, out)) return false;
    taken = true;
    return true;
  });
}

}  // namespace

std::string FormatLong(std::string_view format, std::int32_t value) {
  return FormatOne(format, value, RenderInteger);
}

std::string FormatShort(std::string_view format, std::int16_t value) {
  return FormatLong(format, value);
}

std::string FormatString(std::string_view format, std::string_view value) {
  return FormatOne(format, value, RenderString);
}

std::string FormatDouble(std::string_view format, double value) {
  return FormatOne(format, value, RenderDouble);
}

std::string FormatTenStrings(std::string_view format, const FormatStrings& values) {
  std::size_t next = 0;
  return Apply(format, [&](const Conversion& c, std::string& out) {
    if (next == values.size() || !RenderString(c, values[next], out)) return false;
    ++next;
    return true;
  });
}

}  // namespace ploxen

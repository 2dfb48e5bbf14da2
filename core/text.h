// A row's text is UTF-8: the mostly ASCII lines PLOXEN takes keep their size
// and their bytes. This is how a road's bytes become such text, how it goes
// to and from code page 1252 and UTF-16, and how it is cut without cutting a
// character in half.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ploxen {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// What the bytes of an 8-bit road turned out to be.
enum class EightBitReading {
  kAscii,         // no byte above 0x7F: the same text in every reading
  kUtf8,          // valid UTF-8 with at least one multi-byte sequence
  kMarkedUtf8,    // led by a byte-order mark, which is removed
  kCodePage1252,  // anything else, as the roads always took it
};

// The roads' one rule for 8-bit bytes. Real code page 1252 text with a
// letter beyond ASCII is never valid UTF-8, so it stays 1252; 1252 text whose
// every non-ASCII byte happens to form UTF-8 (only "Ã¤" and the like) is
// taken as UTF-8.
EightBitReading ReadEightBit(std::string_view bytes);

// The row's text of a line from an 8-bit road. It views `bytes` itself where
// nothing needs converting (ASCII, UTF-8 as sent, the rest after a mark when
// that is valid), otherwise `converted`, which it overwrites. After a mark
// each invalid sequence becomes U+FFFD; without one, a line that is not
// valid UTF-8 is read as code page 1252 whole. `bytes` must not view
// `converted`.
std::string_view EightBitRowText(std::string_view bytes, std::string& converted);
std::string EightBitToUtf8(std::string_view bytes);
// The same in place, for a road that owns its bytes: ASCII and UTF-8 as sent
// cost no copy.
void MakeEightBitUtf8(std::string& bytes);

// No byte above 0x7F; a word at a time.
bool IsAscii(std::string_view bytes);
// Strict: no overlong form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The code point at `at`, which moves past it. An invalid sequence gives
// U+FFFD for each of its maximal parts that could have begun a character
// (Unicode's recommended practice), so the decoding always moves on.
char32_t NextCodePoint(std::string_view utf8, std::size_t& at);
// A surrogate or a value above U+10FFFF is appended as U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);
// Code points, counted as lead bytes: exact for valid UTF-8.
std::size_t CharacterCount(std::string_view utf8);

// Code page 1252 as Windows maps it: the five bytes it leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) are U+0081 ... and back, so every byte
// goes there and back unchanged.
char32_t Cp1252CodePoint(unsigned char byte);
// The byte of a code point in code page 1252, or -1 when it has none.
int Cp1252Byte(char32_t codePoint);
std::string Cp1252ToUtf8(std::string_view cp1252);
void AppendCp1252AsUtf8(std::string& out, std::string_view cp1252);
// Every character of the text has a byte in code page 1252 (invalid UTF-8
// does not fit).
bool FitsCp1252(std::string_view utf8);
// "?" for each character code page 1252 lacks and each invalid sequence.
std::string Utf8ToCp1252(std::string_view utf8);

// UTF-16 as the wide Win32 functions take it (wchar_t is char16_t's size
// there). A lone surrogate becomes U+FFFD, and so does invalid UTF-8.
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
// The same onto the end of `out`, so that one buffer serves text after text.
void AppendUtf8AsUtf16(std::u16string& out, std::string_view utf8);

// Cuts that keep a prefix and never end inside a character: inside a UTF-8
// sequence or between the halves of a surrogate pair. A text within the limit
// comes back whole without being looked at.
std::string_view CutToBytes(std::string_view utf8, std::size_t maxBytes);
std::string_view CutToCharacters(std::string_view utf8, std::size_t maxCharacters);
std::u16string_view CutToUnits(std::u16string_view utf16, std::size_t maxUnits);
// Bytes a bound cut may end inside a UTF-8 sequence: a last lead byte whose
// sequence the bytes do not complete goes, with what follows it, when the
// bytes before it read as ASCII or UTF-8, so that the rest still reads as
// UTF-8. Anything else (code page 1252 ending in "ß") comes back whole.
std::string_view WithoutCutSequence(std::string_view bytes);

}  // namespace ploxen

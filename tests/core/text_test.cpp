// A row's text is UTF-8: the roads' rule for 8-bit bytes, the conversions to
// and from code page 1252 and UTF-16, and the cuts, over tables and the corpus.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/find_byte.h"
#include "core/text.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

// The code points a decoding gives, U+FFFD for each invalid part.
std::vector<char32_t> CodePoints(std::string_view utf8) {
  std::vector<char32_t> out;
  std::size_t at = 0;
  while (at < utf8.size()) out.push_back(NextCodePoint(utf8, at));
  return out;
}

bool Views(std::string_view inner, std::string_view outer) {
  return inner.data() >= outer.data() && inner.data() + inner.size() <= outer.data() + outer.size();
}

struct ReadingCase {
  const char* what;
  std::string bytes;
  EightBitReading reading;
  std::string shown;
};

TEST(EightBitRule, DecidesEachLineByTheRoadsRule) {
  const std::string mark(kUtf8ByteOrderMark);
  const std::vector<ReadingCase> cases = {
      {"empty", "", EightBitReading::kAscii, ""},
      {"ASCII", "Verbindung 3 aufgebaut", EightBitReading::kAscii, "Verbindung 3 aufgebaut"},
      {"1252 Grüße", "\x47\x72\xFC\xDF\x65", EightBitReading::kCodePage1252, "Grüße"},
      {"UTF-8 Grüße", "Gr\xC3\xBC\xC3\x9F" "e", EightBitReading::kUtf8, "Grüße"},
      {"the five undefined bytes", "\x81\x8D\x8F\x90\x9D", EightBitReading::kCodePage1252,
       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
      {"a mark alone", mark, EightBitReading::kMarkedUtf8, ""},
      {"a mark before ASCII", mark + "abc", EightBitReading::kMarkedUtf8, "abc"},
      {"a mark before 1252", mark + "Gr\xFC\xDF" "e", EightBitReading::kMarkedUtf8, "Gr\uFFFD\uFFFDe"},
      {"only the first mark goes", mark + mark + "x", EightBitReading::kMarkedUtf8, "\uFEFFx"},
      {"a mark inside is a character", "x" + mark, EightBitReading::kUtf8, "x\uFEFF"},
      {"a mark's first two bytes", "\xEF\xBB" "abc", EightBitReading::kCodePage1252, "ï»abc"},
      {"overlong slash", "a\xC0\xAF", EightBitReading::kCodePage1252, "aÀ¯"},
      {"overlong NUL", "a\xC0\x80", EightBitReading::kCodePage1252, "aÀ€"},
      {"surrogate", "\xED\xA0\x80", EightBitReading::kCodePage1252, "í\u00A0€"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", EightBitReading::kCodePage1252, "ô\u0090€€"},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", EightBitReading::kUtf8, "\U0010FFFF"},
      {"a noncharacter is valid", "\xEF\xBF\xBF", EightBitReading::kUtf8, "\uFFFF"},
      {"NUL inside ASCII", std::string("a\0b", 3), EightBitReading::kAscii, std::string("a\0b", 3)},
      // The rule's one blind spot: 1252 whose only non-ASCII bytes form UTF-8.
      {"1252 \"Ã¤\" alone", "\xC3\xA4", EightBitReading::kUtf8, "ä"},
      {"a cut sequence after eight ASCII bytes", "abcdefgh\xC3", EightBitReading::kCodePage1252, "abcdefghÃ"},
      // A lead byte ending a block of 16, its continuation byte after the next 16.
      {"a sequence torn apart by ASCII", "\xC3\xA4" "abcdefghijklm\xC3" "0123456789abcdef\xA4",
       EightBitReading::kCodePage1252, "Ã¤abcdefghijklmÃ0123456789abcdef¤"},
  };
  for (const ReadingCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadEightBit(c.bytes), c.reading);
    std::string converted = "left over";
    const std::string_view text = EightBitRowText(c.bytes, converted);
    EXPECT_EQ(text, c.shown);
    EXPECT_EQ(EightBitToUtf8(c.bytes), c.shown);
    EXPECT_TRUE(IsValidUtf8(text));
    // Nothing that is UTF-8 already is copied.
    const bool asSent = c.reading == EightBitReading::kAscii || c.reading == EightBitReading::kUtf8 ||
                        (c.reading == EightBitReading::kMarkedUtf8 && IsValidUtf8(c.bytes.substr(3)));
    EXPECT_EQ(Views(text, c.bytes), asSent);
  }
}

TEST(EightBitRule, EveryCorpusLineShowsAsItMust) {
  for (const CorpusLine& line : TextCorpus()) {
    SCOPED_TRACE(line.name);
    EXPECT_EQ(ReadEightBit(line.sent), line.reading);
    EXPECT_EQ(EightBitToUtf8(line.sent), line.shown);
    EXPECT_TRUE(IsValidUtf8(line.shown));
    EXPECT_EQ(IsValidUtf8(line.sent), !line.invalid && line.reading != EightBitReading::kCodePage1252);
    // A mark before a line that is text already changes nothing.
    if (line.reading == EightBitReading::kUtf8) {
      EXPECT_EQ(EightBitToUtf8(std::string(kUtf8ByteOrderMark) + line.sent), line.shown);
    }
    // A line read as 1252 goes back to the bytes sent.
    if (line.reading == EightBitReading::kCodePage1252) {
      EXPECT_EQ(Utf8ToCp1252(line.shown), line.sent);
    }
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(line.shown)), line.shown);
  }
}

// Validation takes sixteen bytes a step: every sequence of up to four bytes
// from the edges of the table of well-formed sequences, at the start, at the
// end and astride a step's edge, is judged as decoding judges it.
TEST(Utf8Decoding, ValidationAgreesWithDecodingAtEveryPlace) {
  const unsigned char edges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  auto decodes = [](std::string_view s) {
    for (std::size_t at = 0; at < s.size();) {
      const std::size_t start = at;
      if (NextCodePoint(s, at) == kReplacementCharacter && s.substr(start, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
  };
  std::size_t checked = 0;
  for (std::size_t size : {std::size_t{40}, std::size_t{46}, std::size_t{48}}) {
    const std::string text(size, 'a');
    for (std::size_t length = 1; length <= 4; ++length) {
      std::size_t combinations = 1;
      for (std::size_t k = 0; k < length; ++k) combinations *= sizeof edges;
      for (std::size_t at : {std::size_t{0}, std::size_t{13}, std::size_t{15}, std::size_t{29}, size - length}) {
        for (std::size_t n = 0; n < combinations; ++n) {
          std::string s = text;
          for (std::size_t k = 0, rest = n; k < length; ++k, rest /= sizeof edges)
            s[at + k] = static_cast<char>(edges[rest % sizeof edges]);
          ASSERT_EQ(IsValidUtf8(s), decodes(s)) << size << " " << at << " " << n;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 1000000u);
}

TEST(Utf8Decoding, EachMaximalInvalidPartIsOneReplacement) {
  constexpr char32_t R = kReplacementCharacter;
  const struct {
    std::string bytes;
    std::vector<char32_t> codePoints;
  } cases[] = {
      // Unicode's own example of the recommended practice.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {'a', R, R, R, 'b', R, 'c', R, R, 'd'}},
      {"\xC0\xAF", {R, R}},
      {"\xE0\x80\xAF", {R, R, R}},
      {"\xF0\x80\x80\xAF", {R, R, R, R}},
      {"\xED\xA0\x80", {R, R, R}},
      {"\xF4\x90\x80\x80", {R, R, R, R}},
      {"\xF5\xFF\xFE", {R, R, R}},
      {"\xF0\x9F\x98", {R}},
      {"\xF0\x9F\x98\x80", {0x1F600}},
      {"\xE2\x82\xAC\xE2\x82", {0x20AC, R}},
      {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80", {0x80, 0x7FF, 0x800, 0xD7FF, 0xE000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(CodePoints(c.bytes), c.codePoints);
    // Replacing the invalid parts after a mark gives the same code points.
    std::string expected;
    for (const char32_t cp : c.codePoints) AppendUtf8(expected, cp);
    EXPECT_EQ(EightBitToUtf8(std::string(kUtf8ByteOrderMark) + c.bytes), expected);
  }
}

TEST(CodePage1252, EveryByteGoesThereAndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_TRUE(FitsCp1252(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  EXPECT_EQ(CharacterCount(utf8), 256u);
  EXPECT_EQ(Cp1252ToUtf8("\x80\x81\x8D\x8F\x90\x9D\x9F\xA0\xFF"),
            "€\u0081\u008D\u008F\u0090\u009DŸ\u00A0ÿ");
}

TEST(CodePage1252, WhatItLacksIsAQuestionMark) {
  const struct {
    std::string utf8;
    bool fits;
    std::string cp1252;
  } cases[] = {
      {"Grüße „so“ – 5 €", true, "Gr\xFC\xDF" "e \x84so\x93 \x96 5 \x80"},
      {"Łódź", false, "?\xF3" "d?"},
      {"\u0080 and \u009F", false, "? and ?"},  // C1 controls that 1252 gives letters to
      {"👍🏽 ok", false, "?? ok"},              // one mark per character, not per byte
      {"\xE2\x82 cut", false, "? cut"},
      {"\xC0\xAF", false, "??"},
      {"", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(FitsCp1252(c.utf8), c.fits);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
  for (const CorpusLine& line : TextCorpus()) {
    const std::string name = line.name;
    EXPECT_EQ(FitsCp1252(line.shown),
              line.reading == EightBitReading::kCodePage1252 || name == "German" || name == "French")
        << name;
  }
}

TEST(Utf16, PairsJoinAndLoneHalvesAreReplaced) {
  const struct {
    std::u16string utf16;
    std::string utf8;
    bool roundTrip;
  } cases[] = {
      {u"Grüße €", "Grüße €", true},
      {u"a\U0001F600b", "a😀b", true},
      {u"\U0010FFFF", "\U0010FFFF", true},
      {std::u16string(1, char16_t{0xD83D}) + u"x", "\uFFFDx", false},   // high alone
      {u"x" + std::u16string(1, char16_t{0xDE00}), "x\uFFFD", false},   // low alone
      {std::u16string(1, char16_t{0xD83D}), "\uFFFD", false},           // high at the end
      {std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}, "\uFFFD\uFFFD", false},  // the wrong way round
      {std::u16string(1, char16_t{0}), std::string(1, '\0'), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    if (c.roundTrip) {
      EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
    }
  }
  EXPECT_EQ(Utf8ToUtf16("a\xF0\x9F\x98" "b"), u"a\uFFFDb");
}

TEST(Cuts, KeepWholeCharactersAtEveryLimit) {
  const struct {
    std::string text;
    std::size_t limit;
    std::string toBytes;
    std::string toCharacters;
  } cases[] = {
      {"aä", 2, "a", "aä"},
      {"aä", 1, "a", "a"},
      {"😀x", 3, "", "😀x"},
      {"😀x", 1, "", "😀"},
      {"😀x", 4, "😀", "😀x"},
      {"ab", 0, "", ""},
      {"abc", 5, "abc", "abc"},
      // A stray continuation byte starts nothing: the byte cut falls where asked.
      {"\x80\x80\x80\x80\x80", 2, "\x80\x80", "\x80\x80\x80\x80\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text) + " at " + std::to_string(c.limit));
    EXPECT_EQ(CutToBytes(c.text, c.limit), c.toBytes);
    EXPECT_EQ(CutToCharacters(c.text, c.limit), c.toCharacters);
  }
  const std::u16string pair = u"a\U0001F600";
  EXPECT_EQ(CutToUnits(pair, 2), u"a");
  EXPECT_EQ(CutToUnits(pair, 3), pair);
  EXPECT_EQ(CutToUnits(pair, 1), u"a");
  EXPECT_EQ(CutToUnits(pair, 0), u"");
}

TEST(Cuts, NoLimitMakesACorpusLineInvalid) {
  for (const CorpusLine& line : TextCorpus()) {
    SCOPED_TRACE(line.name);
    const std::string& text = line.shown;
    const std::size_t characters = CharacterCount(text);
    const std::u16string wide = Utf8ToUtf16(text);
    for (std::size_t n = 0; n <= text.size() + 1; ++n) {
      const std::string_view bytes = CutToBytes(text, n);
      ASSERT_TRUE(IsValidUtf8(bytes)) << n;
      ASSERT_EQ(text.compare(0, bytes.size(), bytes), 0);
      // As long as it may be: the next character would not fit.
      std::size_t next = bytes.size();
      if (next < text.size()) NextCodePoint(text, next);
      ASSERT_TRUE(bytes.size() == text.size() || next > n) << n;
      const std::string_view chars = CutToCharacters(text, n);
      ASSERT_TRUE(IsValidUtf8(chars)) << n;
      ASSERT_EQ(CharacterCount(chars), std::min(n, characters)) << n;
      const std::u16string_view units = CutToUnits(wide, n);
      ASSERT_EQ(Utf16ToUtf8(units), text.substr(0, Utf16ToUtf8(units).size())) << n;
      ASSERT_GE(units.size() + 1, std::min(n, wide.size())) << n;
    }
  }
}

TEST(Cuts, TheLongLineKeepsItsLastCharacterWhole) {
  const std::string line = LongLine();
  ASSERT_EQ(CharacterCount(line), kLongLineCharacters);
  EXPECT_EQ(line.substr(line.size() - 4), "🚀");
  EXPECT_EQ(CutToCharacters(line, kLongLineCharacters), line);
  EXPECT_EQ(CutToCharacters(line, kLongLineCharacters - 1), line.substr(0, line.size() - 4));
  EXPECT_EQ(CutToBytes(line, line.size() - 1), line.substr(0, line.size() - 4));
  const std::u16string wide = Utf8ToUtf16(line);
  EXPECT_EQ(wide.size(), kLongLineCharacters + 1);
  EXPECT_EQ(CutToUnits(wide, kLongLineCharacters), wide.substr(0, kLongLineCharacters - 1));
}

TEST(EightBitRule, InPlaceGivesWhatTheCopyGives) {
  for (const CorpusLine& line : TextCorpus()) {
    std::string bytes = line.sent;
    MakeEightBitUtf8(bytes);
    EXPECT_EQ(bytes, line.shown) << line.name;
  }
  std::string markOnly(kUtf8ByteOrderMark);
  MakeEightBitUtf8(markOnly);
  EXPECT_EQ(markOnly, "");
  std::string markedAscii = std::string(kUtf8ByteOrderMark) + "abc";
  MakeEightBitUtf8(markedAscii);
  EXPECT_EQ(markedAscii, "abc");
}

TEST(Cuts, ASequenceCutAtTheEndGoesAndNothingElse) {
  struct Case {
    std::string bytes;
    std::string kept;
  };
  const Case cases[] = {
      {"abc", "abc"},
      {"", ""},
      {"a\xC3", "a"},                      // two-byte lead alone
      {"a\xE2\x82", "a"},                 // three-byte sequence, one short
      {"a\xF0\x9F\x9A", "a"},            // four-byte sequence, one short
      {"a\xF0\x9F\x9A\x80", "a\xF0\x9F\x9A\x80"},  // whole
      {"a\xC3\xA4", "a\xC3\xA4"},
      {"Gr\xFC\xDF", "Gr\xFC\xDF"},      // code page 1252 ending in "ß" stays
      {"gr\xC3\xBC\xDF", "gr\xC3\xBC"},  // UTF-8 before it: a cut sequence
      {"\x80\x80\x80\x80", "\x80\x80\x80\x80"},  // stray continuation bytes are no cut
  };
  for (const Case& c : cases) EXPECT_EQ(WithoutCutSequence(c.bytes), c.kept) << c.bytes;
}

}  // namespace
}  // namespace ploxen::test

namespace ploxen::test {
namespace {

// Every length around the sixteen-byte steps, the byte at every place (also
// in the last step's overlap), twice, or not at all, beside bytes that differ
// from it only in their top bit.
TEST(FindByte, AgreesWithMemchrEverywhere) {
  for (const char wanted : {'\0', '\n', '\x80', '\xFF'}) {
    for (std::size_t size = 0; size <= 140; ++size) {
      const std::string other(size, static_cast<char>(wanted ^ 0x80));
      for (std::size_t at = 0; at <= size; ++at) {
        for (const std::size_t second : {at, at + 1, size}) {
          std::string text = other;
          if (at < size) text[at] = wanted;
          if (second < size) text[second] = wanted;
          const void* expected = std::memchr(text.data(), wanted, size);
          ASSERT_EQ(static_cast<const void*>(FindByte(text.data(), size, wanted)), expected)
              << "size " << size << ", at " << at << ", second " << second;
        }
      }
    }
  }
  EXPECT_EQ(FindByte(std::string_view("abc\ndef"), '\n'), 3u);
  EXPECT_EQ(FindByte(std::string_view("abc"), '\n'), std::string_view::npos);
}

}  // namespace
}  // namespace ploxen::test

// Unicode's simple case folding and the character classes of regular
// expressions: the cases search and the rules rely on, and today's code page
// 1252 folding kept. That the tables are what Unicode's files say is checked
// by scripts/unicode_tables.py --check (UnicodeTables.GeneratedFile...).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"
#include "search/find.h"
#include "search/unicode_tables.h"

namespace ploxen::test {
namespace {

TEST(CaseFolding, EveryCaseFormFoldsToOne) {
  const std::vector<std::vector<char32_t>> classes = {
      {U'A', U'a'},
      {U'Ä', U'ä'},
      {U'Ł', U'ł'},
      {U'Σ', U'σ', U'ς'},
      {U'Ж', U'ж'},
      {U'Ǆ', U'ǅ', U'ǆ'},       // a title case between
      {U'Ÿ', U'ÿ'},
      {U'ß', U'ẞ'},             // only the simple folding: ß is not "ss"
      {U'k', U'K', U'\u212A'},  // Kelvin sign
      {U'Ꭰ', U'ꭰ'},             // Cherokee folds to its capitals
      {U'𐐀', U'𐐨'},             // beyond the first plane
      {U'Ａ', U'ａ'},
  };
  for (const auto& forms : classes)
    for (const char32_t form : forms) EXPECT_EQ(FoldCase(form), FoldCase(forms[0])) << std::hex << form;
  // What has no case stays, and so does what lies beyond Unicode.
  for (const char32_t same : {U'1', U'_', U'中', U'😀', U'İ', U'ı', U'ª', char32_t{0x110000}, char32_t{0xFFFFFFFF}})
    EXPECT_EQ(FoldCase(same), same) << std::hex << same;
  EXPECT_NE(FoldCase(U'İ'), FoldCase(U'i'));
  EXPECT_NE(FoldCase(U'ı'), FoldCase(U'I'));
  EXPECT_EQ(FoldCaseUtf8("ŁÓDŹ"), FoldCaseUtf8("łódź"));
  EXPECT_EQ(FoldCaseUtf8("ОШИБКА"), "ошибка");
  EXPECT_EQ(FoldCaseUtf8("\u212A ok \xC0"), "k ok \uFFFD");
}

// Today's search folds code page 1252 by its own upper-casing; the Unicode
// folding must join exactly the same of its characters, and say what it
// adds from beyond the code page.
TEST(CaseFolding, JoinsWhatCodePage1252FoldingJoins) {
  const auto& upper = UpperCaseTable();
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      const bool today = upper[static_cast<std::size_t>(a)] == upper[static_cast<std::size_t>(b)];
      const bool unicode = FoldCase(Cp1252CodePoint(static_cast<unsigned char>(a))) ==
                           FoldCase(Cp1252CodePoint(static_cast<unsigned char>(b)));
      EXPECT_EQ(unicode, today) << std::hex << a << " " << b;
    }
  std::set<char32_t> folds;
  std::set<char32_t> inCodePage;
  for (int b = 0; b < 256; ++b) {
    inCodePage.insert(Cp1252CodePoint(static_cast<unsigned char>(b)));
    folds.insert(FoldCase(Cp1252CodePoint(static_cast<unsigned char>(b))));
  }
  std::set<char32_t> joining;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp)
    if (!inCodePage.count(cp) && folds.count(FoldCase(cp))) joining.insert(cp);
  const std::set<char32_t> expected = {U'ſ', U'Ƒ', U'Μ', U'μ', U'ẞ', U'\u212A', U'\u212B'};
  EXPECT_EQ(joining, expected);
}

// A search that ignores case looks for every form of a character: each
// code point is among its forms, and no class is cut short.
TEST(CaseForms, EveryCodePointHasAllItsForms) {
  std::map<char32_t, std::size_t> others;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp)
    if (FoldCase(cp) != cp) ++others[FoldCase(cp)];
  for (const auto& [folded, count] : others) {
    const CaseForms forms = CaseFormsOf(folded);
    ASSERT_EQ(forms.count, count + 1) << std::hex << static_cast<unsigned long>(folded);
    for (std::size_t f = 0; f < forms.count; ++f) {
      EXPECT_EQ(FoldCase(forms.forms[f]), folded);
      EXPECT_EQ(CaseFormsOf(forms.forms[f]).count, forms.count);
    }
  }
  const CaseForms k = CaseFormsOf(U'\u212A');
  EXPECT_EQ(std::u32string(k.forms, k.forms + k.count), U"Kk\u212A");
  const CaseForms sigma = CaseFormsOf(U'ς');
  EXPECT_EQ(std::u32string(sigma.forms, sigma.forms + sigma.count), U"Σςσ");
  EXPECT_EQ(CaseFormsOf(U'中').count, 1u);
  EXPECT_EQ(CaseFormsOf(char32_t{0x110000}).count, 1u);
}

TEST(CharacterClasses, WordDigitSpaceAndCaseBeyondAscii) {
  const struct {
    char32_t cp;
    bool word, digit, space, upper, lower;
  } cases[] = {
      {U'a', true, false, false, false, true},      {U'Z', true, false, false, true, false},
      {U'_', true, false, false, false, false},     {U'7', true, true, false, false, false},
      {U'-', false, false, false, false, false},    {U' ', false, false, true, false, false},
      {U'\t', false, false, true, false, false},    {char32_t{0x1C}, false, false, false, false, false},
      {char32_t{0x85}, false, false, true, false, false},  // next line
      {U'\u00A0', false, false, true, false, false}, {U'\u3000', false, false, true, false, false},
      {U'\u200B', false, false, false, false, false},  // zero width space is no white space
      {U'ä', true, false, false, false, true},      {U'Ж', true, false, false, true, false},
      {U'ς', true, false, false, false, true},      {U'ǅ', true, false, false, false, false},
      {U'中', true, false, false, false, false},     {U'ｻ', true, false, false, false, false},
      {U'\u0301', true, false, false, false, false},  // combining acute
      {U'\u094D', true, false, false, false, false},  // Devanagari virama
      {U'٣', true, true, false, false, false},      {U'०', true, true, false, false, false},
      {U'‿', true, false, false, false, false},     // connector punctuation
      {U'½', false, false, false, false, false},    {U'Ⅳ', false, false, false, false, false},
      {U'😀', false, false, false, false, false},   {U'\u200D', false, false, false, false, false},
      {char32_t{0x110000}, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << static_cast<unsigned long>(c.cp));
    EXPECT_EQ(IsWordCharacter(c.cp), c.word);
    EXPECT_EQ(IsDecimalDigit(c.cp), c.digit);
    EXPECT_EQ(IsSpace(c.cp), c.space);
    EXPECT_EQ(IsUpper(c.cp), c.upper);
    EXPECT_EQ(IsLower(c.cp), c.lower);
  }
  // Words of the corpus are words to \w whole, their combining marks too.
  for (const std::string word : {"łódź", "ошибка", "σύνδεσης", "सर्वर", "त्रुटि", "ｻｰﾊﾞｰ", "서버에", "الاتصال", "שגיאה"}) {
    std::size_t at = 0;
    while (at < word.size()) {
      const char32_t cp = NextCodePoint(word, at);
      EXPECT_TRUE(IsWordCharacter(cp)) << word << " " << std::hex << static_cast<unsigned long>(cp);
    }
  }
}

}  // namespace
}  // namespace ploxen::test

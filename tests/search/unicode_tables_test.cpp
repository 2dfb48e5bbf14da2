// Unicode's simple case folding and the character classes of regular
// expressions: the cases search and the rules rely on, today's code page 1252
// folding kept, and every code point against Unicode's own files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
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

// Unicode's files, where Debian's unicode-data put them (under Wine through
// drive Z:).
std::string UnicodeFile(const char* name) {
#ifdef _WIN32
  return std::string("Z:/usr/share/unicode/") + name;
#else
  return std::string("/usr/share/unicode/") + name;
#endif
}

std::vector<std::vector<std::string>> DataLines(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    if (line.find(';') == std::string::npos) continue;
    std::vector<std::string> fields;
    std::stringstream parts(line);
    std::string field;
    while (std::getline(parts, field, ';')) {
      const auto first = field.find_first_not_of(' ');
      const auto last = field.find_last_not_of(' ');
      fields.push_back(first == std::string::npos ? "" : field.substr(first, last - first + 1));
    }
    lines.push_back(fields);
  }
  return lines;
}

char32_t Hex(const std::string& text) { return static_cast<char32_t>(std::stoul(text, nullptr, 16)); }

TEST(UnicodeTables, EveryCodePointAsUnicodesFilesSay) {
  const std::string data = UnicodeFile("UnicodeData.txt");
  if (!std::ifstream(data)) GTEST_SKIP() << data << " is missing (Debian's package unicode-data)";
  std::vector<std::string> category(0x110000, "Cn");
  char32_t first = 0;
  for (const auto& f : DataLines(data)) {
    const char32_t cp = Hex(f[0]);
    if (f[1].find(", First>") != std::string::npos) first = cp;
    else if (f[1].find(", Last>") != std::string::npos)
      for (char32_t c = first; c <= cp; ++c) category[c] = f[2];
    else
      category[cp] = f[2];
  }
  std::map<char32_t, char32_t> fold;
  for (const auto& f : DataLines(UnicodeFile("CaseFolding.txt")))
    if (f[1] == "C" || f[1] == "S") fold[Hex(f[0])] = Hex(f[2]);
  std::set<char32_t> space;
  for (const auto& f : DataLines(UnicodeFile("PropList.txt"))) {
    if (f[1] != "White_Space") continue;
    const auto dots = f[0].find("..");
    for (char32_t c = Hex(f[0].substr(0, dots)); c <= Hex(dots == std::string::npos ? f[0] : f[0].substr(dots + 2)); ++c)
      space.insert(c);
  }
  ASSERT_GT(fold.size(), 1400u);
  ASSERT_EQ(space.size(), 25u);

  int wrong = 0;
  for (char32_t cp = 0; cp <= 0x10FFFF && wrong < 10; ++cp) {
    const std::string& gc = category[cp];
    const auto folded = fold.find(cp);
    const bool word = gc[0] == 'L' || gc[0] == 'M' || gc == "Nd" || gc == "Pc";
    const bool ok = FoldCase(cp) == (folded == fold.end() ? cp : folded->second) && IsWordCharacter(cp) == word &&
                    IsDecimalDigit(cp) == (gc == "Nd") && IsSpace(cp) == (space.count(cp) != 0) &&
                    IsUpper(cp) == (gc == "Lu") && IsLower(cp) == (gc == "Ll") &&
                    ((CharacterClasses(cp) & kClassPunctuation) != 0) == (gc[0] == 'P');
    if (!ok) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned long>(cp) << " (" << gc << ")";
    wrong += !ok;
  }
}

}  // namespace
}  // namespace ploxen::test

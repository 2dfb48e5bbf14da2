// "Suchen", the text rules and the regular expressions on rows in every
// script: case folded by Unicode's simple folding, expressions over
// characters. Over the shared corpus, and against a plain model: fold row
// and term alike, then look for the bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/text.h"
#include "search/find.h"
#include "search/rule_set.h"
#include "search/unicode_regex.h"
#include "search/unicode_tables.h"
#include "search/view_rules.h"
#include "tests/support/row_builders.h"
#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

bool ModelFinds(std::string_view text, std::string_view term) {
  return FoldCaseUtf8(text).find(FoldCaseUtf8(term)) != std::string::npos;
}

// The text with each character in another of its case forms, where it has one.
std::string OtherCase(std::string_view text, std::size_t turn) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const CaseForms forms = CaseFormsOf(NextCodePoint(text, at));
    AppendUtf8(out, forms.forms[(turn++) % forms.count]);
  }
  return out;
}

char32_t NextCodePointOf(std::string_view text) {
  std::size_t at = 0;
  return NextCodePoint(text, at);
}

std::vector<std::string> CorpusTexts() {
  std::vector<std::string> texts;
  for (const CorpusLine& line : TextCorpus()) texts.push_back(line.shown);
  return texts;
}

struct FindCase {
  const char* row;
  const char* term;
  bool ignoringCase, withCase;
};

TEST(UnicodeSearch, FoldsEveryScriptThatHasCase) {
  const FindCase cases[] = {
      {"Serwer łódź-02 nie odpowiada", "ŁÓDŹ", true, false},
      {"Произошла ошибка при подключении", "ОШИБКА", true, false},
      {"Σφάλμα σύνδεσης", "ΣΎΝΔΕΣΗΣ", true, false},  // final sigma
      {"Не вдалося під’єднатися до сервера «Київ-1»", "«КИЇВ-1»", true, false},
      {"Nepodařilo se připojit", "PŘIPOJIT", true, false},
      {"nouvel essai (cœur 2)", "CŒUR", true, false},
      {"Zeitüberschreitung", "ZEITÜBERSCHREITUNG", true, false},
      {"ＡＢＣ-Fehler", "ａｂｃ", true, false},
      {"Sensor 300 \u212A erreicht", "300 k erreicht", true, false},  // Kelvin sign: 3 bytes fold to 1
      {"Sensor 300 K erreicht", "300 \u212A", true, false},
      {"\u212A\u212Aelvin", "kKELVIN", true, false},
      {"Langes ſ in ſchrift", "SCHRIFT", true, false},
      {"連接 等待超时（错误代码 110）", "等待超时", true, true},  // no case: bytes as typed
      {"ｻｰﾊﾞｰに接続できません：ﾀｲﾑｱｳﾄ", "ﾀｲﾑｱｳﾄ", true, true},
      {"deployed 👍🏽 by 👩🏾‍💻", "👍", true, true},
      {"समय सीमा समाप्त (त्रुटि 110)", "त्रुटि", true, true},
      // Simple folding only: no ß to ss, no Turkish dotless i, no accents dropped.
      {"Größe 12 KB", "GRÖSSE", false, false},
      {"İstanbul veri merkezinde", "İSTANBUL", true, false},
      {"İstanbul veri merkezinde", "istanbul", false, false},
      {"Serwer łódź-02", "lodz", false, false},
      {"ошибк" "a", "ОШИБКА", false, false},  // the last a is Latin
      {"Größe", "GRÖßEN", false, false},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(TermMatcher(c.term, false).Matches(std::string_view(c.row)), c.ignoringCase) << c.row << " / " << c.term;
    EXPECT_EQ(TermMatcher(c.term, true).Matches(std::string_view(c.row)), c.withCase) << c.row << " / " << c.term;
  }
}

// Every piece of every corpus line in other case forms is found in its own
// line, and in another exactly where the model finds it: beginnings, ends,
// the character looked for first anywhere in the term, forms of other lengths.
TEST(UnicodeSearch, AgreesWithTheModelOverTheCorpus) {
  const std::vector<std::string> texts = CorpusTexts();
  std::size_t turn = 0;
  for (std::size_t l = 0; l < texts.size(); ++l) {
    const std::string& line = texts[l];
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < line.size();) {
      starts.push_back(at);
      NextCodePoint(line, at);
    }
    starts.push_back(line.size());
    for (std::size_t s = 0; s + 1 < starts.size(); ++s)
      for (const std::size_t length : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{6}, std::size_t{11}}) {
        if (s + length >= starts.size()) break;
        const std::string term = OtherCase(line.substr(starts[s], starts[s + length] - starts[s]), ++turn);
        const TermMatcher matcher(term, false);
        ASSERT_TRUE(matcher.Matches(std::string_view(line))) << line << " / " << term;
        const std::string& other = texts[(l + 1 + turn % 5) % texts.size()];
        ASSERT_EQ(matcher.Matches(std::string_view(other)), ModelFinds(other, term)) << other << " / " << term;
      }
  }
}

// Code page 1252's letters, now UTF-8, join in search and in expressions
// that ignore case exactly as the code page's upper-casing joined them.
TEST(UnicodeSearch, Cp1252CharactersJoinAsTheirUpperCaseDid) {
  const auto& upper = UpperCaseTable();
  std::vector<std::string> utf8(256);
  for (int c = 1; c < 256; ++c) utf8[static_cast<std::size_t>(c)] = Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
  for (std::size_t a = 1; a < 256; ++a) {
    const TermMatcher matcher(utf8[a], false);
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\x{%lX}", static_cast<unsigned long>(NextCodePointOf(utf8[a])));
    const UnicodeRegex regex(escaped, false);
    ASSERT_TRUE(regex.Compiled()) << escaped;
    for (std::size_t b = 1; b < 256; ++b) {
      const bool joined = upper[a] == upper[b];
      EXPECT_EQ(matcher.Matches(std::string_view(utf8[b])), joined) << std::hex << a << " " << b;
      EXPECT_EQ(regex.Search(RegexText(utf8[b])) == RegexOutcome::kYes, joined) << std::hex << a << " " << b;
    }
  }
}

// Invalid bytes in a row are no character a term can name, and a hit is
// never found inside a character; both ways of case.
TEST(UnicodeSearch, InvalidBytesAndPiecesOfCharacters) {
  const FindCase cases[] = {
      {"Ger\xE4t 7", "t 7", true, true},
      {"Ger\xE4t 7", "GER", true, false},
      {"Ger\xE4t 7", "Ger\xE4t", false, false},  // the term's invalid byte is U+FFFD
      {"Ger\xE4t 7", "Ger\uFFFDt", false, false},
      {"Ger\uFFFDt 7", "Ger\xE4t", true, true},
      {"\xE4xy", "\xE4x", false, false},  // looked for by x, the invalid byte before it
      {"x\xE4y", "X\xE4", false, false},  // and after it
      {"\x80\xC5\x82q", "\xC5\x82Q", true, false},
      {"\x80\xC5\x82q", "\x80\xC5\x82", false, false},
      {"\xE2\x84\xC5\x82", "\xC5\x81", true, false},  // a cut sequence, then ł
      {"\xC5\x82\x82", "\xC5\x82", true, true},
      {"\xE2\x84\xAA", "\x84\xAA", false, false},  // the end of the Kelvin sign
      {"\xF0\x9F\x98\x80", "\x98\x80", false, false},
      {"x\xC5\x82y", "\x82Y", false, false},
      {"abc\xC5", "C", true, false},
      {"abc\xC5", "c\xC5", false, false},
      {"\xF0\x9F\x98\x80\x80", "\xF0\x9F\x98\x80", true, true},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(TermMatcher(c.term, false).Matches(std::string_view(c.row)), c.ignoringCase) << c.row << " / " << c.term;
    EXPECT_EQ(TermMatcher(c.term, true).Matches(std::string_view(c.row)), c.withCase) << c.row << " / " << c.term;
  }
}

// Text cut short at every byte, with the rest of the term right behind the
// cut: only what lies inside counts, at every place of the eight-byte scan.
TEST(UnicodeSearch, NothingBeyondTheTextCounts) {
  const std::string buffer = "Zeile: \u212Aelvin 300, \u0141\u00F3d\u017A, \u03A3\u03C6\u03AC\u03BB\u03BC\u03B1, jqx";
  const char* const terms[] = {"kelvin 300", "\u0141\u00D3D\u0179", "\u03C3\u03C6\u03AC\u03BB\u03BC\u03B1", "jqx",
                               "x", "\u03BB\u03BC\u03B1,", "\u212A"};
  for (const char* term : terms)
    for (std::size_t n = 0; n <= buffer.size(); ++n) {
      const std::string_view text(buffer.data(), n);
      EXPECT_EQ(TermMatcher(term, false).Matches(text), ModelFinds(text, term)) << n << " / " << term;
      EXPECT_EQ(TermMatcher(term, true).Matches(text), text.find(term) != std::string_view::npos) << n << " / " << term;
    }
}

// A backslash that ends a set: the parser looks at the character after it
// before it looks for the end. Whatever an earlier pattern left there (a
// class letter sent it on past the end), the pattern is refused as it is.
TEST(UnicodeSearch, ABackslashEndingASetIsRefusedWhateverFollowsInMemory) {
  for (const char* letter : {"w", "d", "s", "l", "u", "h", "v", "W", "D", "S"}) {
    for (const std::size_t length : {std::size_t{4}, std::size_t{600}}) {
      const std::string before = std::string(length - 1, 'a') + letter;
      const std::string pattern = std::string(length - 1, 'a').replace(0, 2, "[a").replace(length - 2, 1, "\\");
      for (const std::string& p : {before, pattern}) {
        const RegexText text(p);
        EXPECT_EQ(text.CodePoints().data()[text.CodePoints().size()], U'\0') << length;
      }
      const UnicodeRegex primed(before, false);
      const UnicodeRegex cut(pattern, false);
      EXPECT_FALSE(cut.Compiled()) << letter << " " << length;
      EXPECT_NE(cut.Error().find("Escape"), std::string::npos) << cut.Error();
    }
  }
}

TEST(UnicodeSearch, RowsAreSearchedInTheirOwnStringsOnly) {
  MessageRows rows;
  AddRow(rows, 0x303, "PID=1", "12:00", "łódź");
  AddRow(rows, 0x303, "PID=2", "12:00", "ŁÓDŹ-02");
  EXPECT_EQ(FindRow(rows, 0, "ŁÓDŹ-0", false), 1u);
  EXPECT_EQ(FindRow(rows, 0, "12:00ł", false), kNoRow) << "a hit never spans two strings";
  EXPECT_EQ(FindRow(rows, 0, std::string("12:00") + '\0' + "łódź", false), kNoRow);
  RowFilter all;
  all.Rebuild(rows, RuleSet{});
  EXPECT_EQ(FindShownRow(rows, all, 0, "ŁÓDŹ", false), 0u);
}

ViewRule TextRule(std::string pattern, bool caseSensitive = false, RuleAction action = RuleAction::kHide) {
  ViewRule rule;
  rule.pattern = std::move(pattern);
  rule.caseSensitive = caseSensitive;
  rule.action = action;
  return rule;
}

TEST(UnicodeRules, TextRulesFoldEveryScript) {
  const struct {
    const char* row;
    ViewRule rule;
    bool hides;
  } cases[] = {
      {"Произошла ошибка при подключении", TextRule("ОШИБКА"), true},
      {"Произошла ошибка при подключении", TextRule("ОШИБКА", true), false},
      {"ΣΦΆΛΜΑ ΣΎΝΔΕΣΗΣ", TextRule("σύνδεσης"), true},
      // One character at the text's end, in forms of one and of more bytes.
      {"Serwer ł", TextRule("Ł"), true},
      {"300 \u212A", TextRule("k"), true},
      {"300 k", TextRule("\u212A"), true},
      {"300 K", TextRule("k", true), false},
      {"abc", TextRule("ł"), false},
  };
  for (const auto& c : cases) {
    MessageRows rows;
    AddRow(rows, 0x303, "PID=1", "", c.row);
    EXPECT_EQ(!RuleSet({c.rule}).Shows(rows.Row(0)), c.hides) << c.row << " / " << c.rule.pattern;
  }
  // The strings of a row are looked at in one pass, but no hit spans two.
  MessageRows rows;
  AddRow(rows, 0x303, "PID=1", "abc", "ошибка");
  EXPECT_TRUE(RuleSet({TextRule("abcошибка")}).Shows(rows.Row(0)));
  EXPECT_TRUE(RuleSet({TextRule(std::string("ABC") + '\0' + "ОШИБКА")}).Shows(rows.Row(0)));
  EXPECT_FALSE(RuleSet({TextRule("1"), TextRule("X"), TextRule("ОШИБКА")}).Shows(rows.Row(0)));
}

// Rules of every script in one pass: the first highlight rule each corpus
// line matches is the first the model finds.
TEST(UnicodeRules, ManyRulesInOnePassAgreeWithTheModel) {
  const std::vector<std::string> texts = CorpusTexts();
  std::vector<ViewRule> rules;
  std::vector<std::string> terms;
  for (std::size_t l = 0; l < texts.size() && rules.size() < kViewRuleMax; ++l) {
    std::size_t from = texts[l].size() / 3, to = from;
    while (from > 0 && (texts[l][from] & 0xC0) == 0x80) --from;
    for (int n = 0; n < 4 && to < texts[l].size(); ++n) NextCodePoint(texts[l], to);
    terms.push_back(OtherCase(texts[l].substr(from, to - from), l));
    rules.push_back(TextRule(terms.back(), false, RuleAction::kHighlight));
  }
  const RuleSet set(rules);
  for (const std::string& text : texts) {
    MessageRows rows;
    AddRow(rows, 0x303, "", "", text);
    std::size_t expected = RuleSet::kNoRule;
    for (std::size_t r = 0; r < terms.size() && expected == RuleSet::kNoRule; ++r)
      if (ModelFinds(text, terms[r])) expected = r;
    EXPECT_EQ(set.HighlightRule(rows.Row(0)), expected) << text;
  }
}

struct RegexCase {
  const char* pattern;
  bool caseSensitive;
  const char* text;
  bool matches;
};

class UnicodeRegexRules : public ::testing::TestWithParam<RegexCase> {};

TEST_P(UnicodeRegexRules, MatchCharacters) {
  const RegexCase& c = GetParam();
  ViewRule rule = TextRule(c.pattern, c.caseSensitive);
  rule.kind = RuleKind::kRegex;
  ASSERT_EQ(RuleRefusal(rule), "") << c.pattern;
  MessageRows rows;
  AddRow(rows, 0x303, "", "", c.text);
  RuleBits gaveUp = 0;
  EXPECT_EQ(!RuleSet({rule}).Shows(rows.Row(0), &gaveUp), c.matches) << c.pattern << " / " << c.text;
  EXPECT_EQ(gaveUp, 0u);
}

const RegexCase kRegexCases[] = {
    {"^[à-ÿ]+$", false, "ÉÈŸ", true},
    {"^[À-Þ]+$", false, "éèü", true},
    {"^\\w+$", false, "ŁÓDŹ", true},
    {"^\\w+ \\w+$", false, "ΣΦΆΛΜΑ σύνδεσης", true},
    {"^\\W+$", false, "łódź", false},
    {"[à-ÿ]", false, "łdź", false},
    {"[à-ÿ]", false, "łódź", true},
    {"^[ą-ż]+$", true, "łńś", true},  // a range of code points, not of bytes
    {"^[а-я]+$", false, "ОШИБКА", true},
    {"^[а-я]+$", true, "ОШИБКА", false},
    {"ŁÓDŹ", false, "Serwer łódź-02", true},
    {"σ", false, "ς", true},
    {"σ", true, "ς", false},
    {"k", false, "\u212A", true},
    {"300 kelvin", false, "300 \u212Aelvin", true},  // looked for first as plain text, folded too
    {"^\\w+$", true, "łódź", true},
    {"^\\w+$", true, "σύνδεσης", true},
    {"^\\w+$", true, "त्रुटि", true},  // combining marks belong to the word
    {"^\\w+$", true, "ｻｰﾊﾞｰ", true},
    {"^\\w+$", true, "서버에", true},
    {"\\w", true, "👍 ✅", false},
    {"\\bшибка", true, "Произошла ошибка", false},  // no word boundary inside a word
    {"\\bошибка\\b", true, "Произошла ошибка при", true},
    {"^.$", true, "😀", true},
    {"^.$", true, "👍🏽", false},  // a skin tone is a character of its own
    {"^..$", true, "👍🏽", true},
    {"^.$", true, "e\u0301", false},
    {"^..$", true, "e\u0301", true},
    {"^.{4}$", true, "łódź", true},
    {"^\\d+$", true, "١٢٣", true},
    {"\\s", true, "連接\u3000失敗", true},
    {"[[:upper:]]", true, "ж", false},
    {"[[:upper:]]", true, "Ж", true},
    {"[[:punct:]]", true, "a$b", true},  // as ASCII always was
    {"[[:punct:]]", true, "«a»", true},
    {"\\x{1F680}$", true, "Start 🚀", true},
    {"^\\p{L}+$", true, "łódź", true},
    {"\\p{Lu}", true, "łódź", false},
    {"Ger.t 7", true, "Antwort von Ger\xE4t 7", true},  // an invalid byte is one character
};
INSTANTIATE_TEST_SUITE_P(Cases, UnicodeRegexRules, ::testing::ValuesIn(kRegexCases));

TEST(UnicodeRegexRulesCorpus, DotIsOneCharacterInEveryLine) {
  for (const CorpusLine& line : TextCorpus()) {
    ViewRule rule = TextRule("^.{" + std::to_string(CharacterCount(line.shown)) + "}$", true);
    rule.kind = RuleKind::kRegex;
    MessageRows rows;
    AddRow(rows, 0x303, "", "", line.shown);
    EXPECT_FALSE(RuleSet({rule}).Shows(rows.Row(0))) << line.name;
  }
}

// What an expression is not run without: only text every match holds.
TEST(UnicodeRegexRequiredLiteral, OnlyWhatEveryMatchHolds) {
  const struct {
    const char* pattern;
    const char* literal;
  } cases[] = {
      {"Verbindung [0-9]+ abgebrochen", " abgebrochen"},
      {"ошибка \\d+", "ошибка "},
      {"łódź\\w+", "łódź"},
      {"a\\.b\\+c", "a.b+c"},
      {"ab?c", "a"},
      {"abc+", "ab"},
      {"a{2}bc", "bc"},
      {"^.{499}$", ""},
      {"(abc)?xyz", "xyz"},
      {"(\\c)abc)?de", "de"},  // \c) is a control character
      {"(abc|d)xyz", ""},
      {"[]abc]gh", "gh"},
      {"[[:alpha:]\\]]xy", "xy"},
      {"\\x{41}BC", "BC"},
      {"\\x41BC", ""},
      {"\\x{1F680}$", ""},
      {"\\d{2}:\\d{2} Uhr", " Uhr"},
      {"abc|def", ""},
      {"ab{x|cd", ""},  // a brace that counts nothing hides no alternative
      {"x(?i)abcdef", ""},
      {"\\Qa.b\\E", ""},
      {"\\`ab\\<cd\\>ef\\'", "ab"},  // anchors, no characters
  };
  for (const auto& c : cases) EXPECT_EQ(RequiredLiteral(c.pattern), c.literal) << c.pattern;
}

TEST(UnicodeRegexErrors, PositionsCountCharactersAndRangesCodePoints) {
  EXPECT_NE(RegexError("łódź)", false).find("(an Position 5)"), std::string::npos) << RegexError("łódź)", false);
  EXPECT_NE(RegexError("[ż-a]", false), "") << "backwards by code point";
  EXPECT_EQ(RegexError("[a-ż]", false), "");
  EXPECT_NE(RegexError("\\p{Zz}", false).find("Unbekannte Zeichenklasse"), std::string::npos);
}

}  // namespace
}  // namespace ploxen::test

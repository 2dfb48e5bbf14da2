// Which way a cell reads as a whole: its first letter decides, whatever
// digits, blanks and punctuation come before it.
#include "view/reading_order.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/text_corpus.h"

namespace ploxen::test {
namespace {

TEST(ReadingOrder, TheFirstLetterDecides) {
  struct Case {
    const char* text;
    bool rightToLeft;
  };
  const Case cases[] = {
      {"", false},
      {"12:00:00.000 (00000ms)", false},
      {"\u05E9\u05DC\u05D5\u05DD", true},                 // Hebrew
      {"110 \u05E9\u05D2\u05D9\u05D0\u05D4", true},         // digits first decide nothing
      {"(\u0641\u0634\u0644)", true},                       // Arabic in brackets
      {"Fehler \u0641\u0634\u0644", false},                 // a Latin letter first
      {"\u00C4rger \u05E9", false},                         // beyond ASCII, still Latin
      {"\u0416 \u05E9", false},                             // Cyrillic
      {"\u0915\u093F \u05E9", false},                       // Devanagari with its mark
      {"\u200F110", true},                                  // a right-to-left mark
      {"\u200E\u05E9", false},                              // a left-to-right mark
      {"\uFEB3\uFEE0", true},                               // presentation forms
      {"\xF0\x9E\xA4\x80", true},                           // Adlam, beyond the basic plane
      {"\xD7 \xE4 abc", false},                             // invalid bytes decide nothing
  };
  for (const Case& c : cases) EXPECT_EQ(ReadsRightToLeft(c.text), c.rightToLeft) << c.text;
}

TEST(ReadingOrder, OnlyTheCorpusLinesOfRightToLeftScriptsReadSo) {
  for (const CorpusLine& line : TextCorpus()) {
    const std::string name = line.name;
    EXPECT_EQ(ReadsRightToLeft(line.shown), name == "Arabic" || name == "Hebrew") << name;
  }
}

}  // namespace
}  // namespace ploxen::test

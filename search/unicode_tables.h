// What search and the rules know of every script: Unicode's simple case
// folding and the character classes a regular expression names. The tables
// are generated from Unicode's own files (scripts/unicode_tables.py).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ploxen {

// The Unicode version the tables were made from, e.g. "15.0.0".
const char* UnicodeTablesVersion();

// Simple case folding: every case form of a letter folds to one code point
// (Ä and ä to ä; Σ, σ and ς to σ; Ж and ж to ж). A fold never changes the
// number of code points, but may change the number of bytes (the Kelvin sign
// K folds to k). Among code page 1252's characters it joins exactly what the
// code page's own upper-casing joins; from beyond, µ joins μ and Μ, ß joins ẞ,
// ƒ joins Ƒ, s joins ſ, k the Kelvin sign and å the Angstrom sign. İ and ı
// fold to neither i nor I: that is Turkish folding, not the simple one.
char32_t FoldCase(char32_t codePoint);
// The text folded; invalid sequences become U+FFFD.
std::string FoldCaseUtf8(std::string_view utf8);

// Every code point that folds as this one does, itself among them, in
// ascending order: its case forms, which a search that ignores case must
// find (k: K, k and the Kelvin sign; σ: Σ, ς, σ). At most kMaxCaseForms.
constexpr std::size_t kMaxCaseForms = 4;
struct CaseForms {
  char32_t forms[kMaxCaseForms];
  std::size_t count;
};
CaseForms CaseFormsOf(char32_t codePoint);

// The bits are those scripts/unicode_tables.py writes.
enum CharacterClass : std::uint8_t {
  kClassLetter = 1,        // L*
  kClassMark = 2,          // M*: combining marks
  kClassDecimalDigit = 4,  // Nd
  kClassConnector = 8,     // Pc, the underscore among them
  kClassSpace = 16,        // White_Space
  kClassUpper = 32,        // Lu
  kClassLower = 64,        // Ll
  kClassPunctuation = 128, // P*
};
std::uint8_t CharacterClasses(char32_t codePoint);

// \w, \d and \s beyond ASCII.
inline bool IsWordCharacter(char32_t cp) {
  return (CharacterClasses(cp) & (kClassLetter | kClassMark | kClassDecimalDigit | kClassConnector)) != 0;
}
inline bool IsDecimalDigit(char32_t cp) { return (CharacterClasses(cp) & kClassDecimalDigit) != 0; }
inline bool IsSpace(char32_t cp) { return (CharacterClasses(cp) & kClassSpace) != 0; }
inline bool IsUpper(char32_t cp) { return (CharacterClasses(cp) & kClassUpper) != 0; }
inline bool IsLower(char32_t cp) { return (CharacterClasses(cp) & kClassLower) != 0; }

}  // namespace ploxen

#include "search/unicode_tables.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "core/text.h"

namespace ploxen {

namespace {

#include "search/unicode_tables.inc"

// The record of a code point through the three stages; above U+10FFFF the
// record of an unassigned one, which folds to itself and has no class.
std::size_t RecordOf(char32_t cp) {
  if (cp > 0x10FFFF) return 0;
  const std::size_t middle = kTop[cp >> kTopShift];
  const std::size_t leaf =
      kMiddle[(middle << (kTopShift - kLeafShift)) + ((cp >> kLeafShift) & ((1u << (kTopShift - kLeafShift)) - 1))];
  return kLeaf[(leaf << kLeafShift) + (cp & ((1u << kLeafShift) - 1))];
}

}  // namespace

const char* UnicodeTablesVersion() { return kUnicodeVersion; }

char32_t FoldCase(char32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z' ? cp + 32 : cp;
  return static_cast<char32_t>(static_cast<std::int32_t>(cp) + kFoldDelta[RecordOf(cp)]);
}

std::string FoldCaseUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const unsigned char b = static_cast<unsigned char>(utf8[at]);
    if (b < 0x80) {
      out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
      ++at;
    } else {
      AppendUtf8(out, FoldCase(NextCodePoint(utf8, at)));
    }
  }
  return out;
}

CaseForms CaseFormsOf(char32_t cp) {
  // Every code point that folds elsewhere, by what it folds to: a few
  // thousand pairs, made once from the table itself.
  static const std::vector<std::pair<char32_t, char32_t>> foldedFrom = [] {
    std::vector<std::pair<char32_t, char32_t>> pairs;
    for (char32_t c = 0; c <= 0x10FFFF; ++c)
      if (FoldCase(c) != c) pairs.emplace_back(FoldCase(c), c);
    std::sort(pairs.begin(), pairs.end());
    return pairs;
  }();
  const char32_t folded = FoldCase(cp);
  CaseForms out{{folded}, 1};
  const auto first = std::lower_bound(foldedFrom.begin(), foldedFrom.end(), std::make_pair(folded, char32_t{0}));
  for (auto it = first; it != foldedFrom.end() && it->first == folded && out.count < kMaxCaseForms; ++it)
    out.forms[out.count++] = it->second;
  // Four at most: in place, one by one.
  for (std::size_t i = 1; i < out.count; ++i)
    for (std::size_t j = i; j > 0 && out.forms[j - 1] > out.forms[j]; --j) std::swap(out.forms[j - 1], out.forms[j]);
  return out;
}

std::uint8_t CharacterClasses(char32_t cp) { return kClasses[RecordOf(cp)]; }

}  // namespace ploxen

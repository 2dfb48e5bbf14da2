// "Suchen", the text rules and the regular expressions on any text with any
// term (both made row text by the roads' rule): ignoring case they find what
// folding both and looking for the bytes finds, the rules of one pass agree,
// and an expression looked for first by its required plain text matches
// exactly where it matches without that (wrapped in a group, it has none).
// The first byte says how many of the rest are the term.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "search/find.h"
#include "search/rule_set.h"
#include "search/unicode_regex.h"
#include "search/unicode_tables.h"
#include "tests/support/row_builders.h"

namespace {

using namespace ploxen;

void Check(bool ok) {
  if (!ok) std::abort();
}

bool ModelFinds(std::string_view text, std::string_view term) {
  return FoldCaseUtf8(text).find(FoldCaseUtf8(term)) != std::string::npos;
}

ViewRule Rule(std::string pattern, RuleKind kind, bool caseSensitive) {
  ViewRule rule;
  rule.pattern = std::move(pattern);
  rule.kind = kind;
  rule.caseSensitive = caseSensitive;
  rule.action = RuleAction::kHighlight;
  return rule;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = std::min<std::size_t>(data[0], bytes.size());
  const std::string term = EightBitToUtf8(bytes.substr(0, split));
  const std::string text = EightBitToUtf8(bytes.substr(split));
  if (term.empty() || term.find('\0') != std::string::npos || text.find('\0') != std::string::npos) return 0;

  const bool folded = ModelFinds(text, term);
  Check(TermMatcher(term, false).Matches(std::string_view(text)) == folded);
  Check(TermMatcher(term, true).Matches(std::string_view(text)) == (text.find(term) != std::string::npos));

  // Rules of one pass: the term and its halves, the first that matches wins.
  std::size_t half = term.size() / 2;
  while (half > 0 && (static_cast<unsigned char>(term[half]) & 0xC0) == 0x80) --half;
  const std::string parts[] = {term, term.substr(0, half), term.substr(half)};
  std::vector<ViewRule> rules;
  std::size_t expected = RuleSet::kNoRule;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (expected == RuleSet::kNoRule && ModelFinds(text, part)) expected = rules.size();
    rules.push_back(Rule(part, RuleKind::kText, false));
  }
  MessageRows rows;
  test::AddRow(rows, 0x303, "", "", text);
  Check(RuleSet(rules).HighlightRule(rows.Row(0)) == expected);

  // The term as an expression, looked for first by its plain text or not.
  for (const bool caseSensitive : {false, true}) {
    if (RequiredLiteral(term).empty()) break;
    const UnicodeRegex quick(term, caseSensitive);
    const UnicodeRegex whole("(?:" + term + ")", caseSensitive);
    if (!quick.Compiled() || !whole.Compiled()) break;
    const RegexText characters(text);
    const RegexOutcome a = quick.Search(characters), b = whole.Search(characters);
    if (a != RegexOutcome::kGaveUp && b != RegexOutcome::kGaveUp) Check(a == b);
  }
  return 0;
}

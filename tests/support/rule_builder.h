// A view rule made directly, as the page or the profile would hand it.
#pragma once

#include <string>
#include <utility>

#include "search/view_rules.h"

namespace ploxen::test {

inline ViewRule Rule(RuleAction action, std::string pattern, RuleColumn column = RuleColumn::kAll,
                     RuleKind kind = RuleKind::kText, bool caseSensitive = false) {
  ViewRule rule;
  rule.action = action;
  rule.pattern = std::move(pattern);
  rule.column = column;
  rule.kind = kind;
  rule.caseSensitive = caseSensitive;
  return rule;
}

}  // namespace ploxen::test

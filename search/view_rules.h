// The rules of the view: which rows the list shows and in which colours.
// They look at the rows taken, never at the intake: changing a rule changes
// what is shown at once, and no row is ever lost by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ploxen {

// The numbers are the profile's (SPALTE, ART, AKTION).
enum class RuleColumn : int { kAll = 0, kProcess = 1, kTime = 2, kMessage = 3 };
enum class RuleKind : int { kText = 0, kRegex = 1 };
enum class RuleAction : int { kHide = 0, kShowOnly = 1, kHighlight = 2 };

struct ViewRule {
  bool on = true;
  RuleColumn column = RuleColumn::kAll;
  RuleKind kind = RuleKind::kText;
  bool caseSensitive = false;
  RuleAction action = RuleAction::kHide;
  std::uint32_t textColour = 0x000000;  // COLORREF, only for kHighlight
  std::uint32_t backColour = 0x00FFFF;  // yellow
  std::string pattern;

  bool operator==(const ViewRule& o) const {
    return on == o.on && column == o.column && kind == o.kind && caseSensitive == o.caseSensitive &&
           action == o.action && textColour == o.textColour && backColour == o.backColour && pattern == o.pattern;
  }
};

// The matchers keep one bit per rule: more rules than this are not kept.
constexpr std::size_t kViewRuleMax = 64;

// Why a regular expression does not compile, in German, naming the error and
// where it is; empty when it compiles.
std::string RegexError(std::string_view pattern, bool caseSensitive);
// What the rule dialog tells the user at OK: an empty pattern or a regular
// expression that does not compile; empty when the rule can be taken.
std::string RuleRefusal(const ViewRule& rule);
// What the page tells the user who ticks a rule (at its place in the list,
// from 0) that the rule dialog would refuse; empty when it may be on.
std::string SwitchOnRefusal(std::size_t place, const ViewRule& rule);

// The process part of a row's first column ("PID=1208" of
// "PID=1208,TID=3344"); empty when the row has none.
std::string_view ProcessPart(std::string_view processColumn);
// A rule that matches exactly the rows of that process, whatever its thread.
ViewRule ProcessRule(std::string_view processPart, RuleAction action);

// The count pane: "120 / 5000" while rules hide rows, otherwise the count.
std::string CountPaneText(std::size_t shown, std::size_t taken, bool filtering);

// The page's line for a rule: what it does, where, and its pattern.
std::string RuleDescription(const ViewRule& rule);

}  // namespace ploxen

#include "search/view_rules.h"

namespace ploxen {

std::string RuleRefusal(const ViewRule& rule) {
  if (rule.pattern.empty()) return "Bitte geben Sie ein Muster ein.";
  if (rule.kind == RuleKind::kRegex) return RegexError(rule.pattern, rule.caseSensitive);
  return {};
}

std::string SwitchOnRefusal(std::size_t place, const ViewRule& rule) {
  const std::string refusal = RuleRefusal(rule);
  if (refusal.empty()) return {};
  return "Regel " + std::to_string(place + 1) + " kann nicht eingeschaltet werden. " + refusal +
         " Mit \"Bearbeiten ...\" k\xF6nnen Sie die Regel \xE4ndern.";
}

std::string_view ProcessPart(std::string_view processColumn) {
  const std::size_t comma = processColumn.find(',');
  std::string_view part = processColumn.substr(0, comma);
  while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
  return part;
}

ViewRule ProcessRule(std::string_view processPart, RuleAction action) {
  ViewRule rule;
  rule.column = RuleColumn::kProcess;
  rule.kind = RuleKind::kRegex;
  rule.caseSensitive = true;
  rule.action = action;
  // The part literally, then the end of the column or its thread part.
  std::string pattern = "^\\Q";
  for (std::size_t i = 0; i < processPart.size(); ++i) {
    // \E inside the part would end the quoting early.
    if (processPart.compare(i, 2, "\\E") == 0) {
      pattern += "\\E\\\\\\QE";
      ++i;
    } else {
      pattern += processPart[i];
    }
  }
  pattern += "\\E *(,|$)";
  rule.pattern = pattern;
  return rule;
}

std::string CountPaneText(std::size_t shown, std::size_t taken, bool filtering) {
  if (!filtering) return std::to_string(taken);
  return std::to_string(shown) + " / " + std::to_string(taken);
}

std::string RuleDescription(const ViewRule& rule) {
  static const char* const kActions[] = {"Ausblenden", "Nur passende anzeigen", "Hervorheben"};
  static const char* const kColumns[] = {"alle Spalten", "Prozess/Thread", "Uhrzeit", "Meldung"};
  std::string text = kActions[static_cast<int>(rule.action)];
  text += " (";
  text += kColumns[static_cast<int>(rule.column)];
  if (rule.kind == RuleKind::kRegex) text += ", regul\xE4rer Ausdruck";
  if (rule.caseSensitive) text += ", Gro\xDF/klein";
  text += "): ";
  text += rule.pattern;
  return text;
}

}  // namespace ploxen

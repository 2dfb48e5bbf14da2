#include "storage/view_rules_profile.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ploxen {

namespace {

constexpr std::size_t kNumberFields = 7;

// A field of the value: decimal digits only, within [0, max].
bool ReadField(std::string_view text, std::uint32_t max, std::uint32_t& out) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > max) return false;
  out = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

std::string EncodeRule(const ViewRule& rule) {
  std::string out;
  for (std::uint32_t n : {static_cast<std::uint32_t>(rule.on ? 1 : 0), static_cast<std::uint32_t>(rule.column),
                          static_cast<std::uint32_t>(rule.kind), static_cast<std::uint32_t>(rule.caseSensitive ? 1 : 0),
                          static_cast<std::uint32_t>(rule.action), rule.textColour, rule.backColour}) {
    out += std::to_string(n);
    out += ',';
  }
  out += rule.pattern;
  return out;
}

ViewRule DecodeRule(std::string_view value) {
  ViewRule rule;
  std::array<std::string_view, kNumberFields> fields;
  std::size_t found = 0;
  while (found < kNumberFields) {
    const std::size_t comma = value.find(',');
    if (comma == std::string_view::npos) break;
    fields[found++] = value.substr(0, comma);
    value.remove_prefix(comma + 1);
  }
  if (found < kNumberFields) {
    rule.on = false;
    return rule;
  }
  rule.pattern = std::string(value);
  static constexpr std::uint32_t kMax[kNumberFields] = {1, 3, 1, 1, 2, 0xFFFFFF, 0xFFFFFF};
  std::array<std::uint32_t, kNumberFields> n{};
  bool sound = true;
  for (std::size_t i = 0; i < kNumberFields; ++i)
    if (!ReadField(fields[i], kMax[i], n[i])) sound = false;
  // Each field that could be read is kept; the rest keep their defaults.
  if (ReadField(fields[1], kMax[1], n[1])) rule.column = static_cast<RuleColumn>(n[1]);
  if (ReadField(fields[2], kMax[2], n[2])) rule.kind = static_cast<RuleKind>(n[2]);
  if (ReadField(fields[3], kMax[3], n[3])) rule.caseSensitive = n[3] != 0;
  if (ReadField(fields[4], kMax[4], n[4])) rule.action = static_cast<RuleAction>(n[4]);
  if (ReadField(fields[5], kMax[5], n[5])) rule.textColour = n[5];
  if (ReadField(fields[6], kMax[6], n[6])) rule.backColour = n[6];
  rule.on = sound && n[0] == 1 && RuleRefusal(rule).empty();
  return rule;
}

std::string RuleKey(std::size_t index) { return "REGEL_" + std::to_string(index); }

std::vector<ViewRule> ReadViewRules(const Profile& profile) {
  const int count = profile.GetInt(keys::kSectionFilter, keys::kFilterCount, 0);
  // Only keys written by WriteViewRules can be there; a count beyond them
  // made no rules of its own.
  const std::size_t slots = count > 0 ? std::min(static_cast<std::size_t>(count), kViewRuleMax) : 0;
  std::vector<ViewRule> rules;
  for (std::size_t i = 0; i < slots; ++i) {
    const std::string value = ProfileText(profile.GetString(keys::kSectionFilter, RuleKey(i), ""));
    if (!value.empty()) rules.push_back(DecodeRule(value));
  }
  return rules;
}

void WriteViewRules(Profile& profile, const std::vector<ViewRule>& rules) {
  const int before = profile.GetInt(keys::kSectionFilter, keys::kFilterCount, 0);
  const std::size_t count = rules.size() < kViewRuleMax ? rules.size() : kViewRuleMax;
  profile.WriteInt(keys::kSectionFilter, keys::kFilterCount, static_cast<int>(count));
  for (std::size_t i = 0; i < count; ++i) profile.WriteString(keys::kSectionFilter, RuleKey(i), ProfileBytes(EncodeRule(rules[i])));
  // A damaged count must not keep the exit busy with keys that never were.
  const std::size_t old = before > 0 ? static_cast<std::size_t>(before) : 0;
  for (std::size_t i = count; i < old && i < kViewRuleMax; ++i) profile.DeleteKey(keys::kSectionFilter, RuleKey(i));
}

}  // namespace ploxen

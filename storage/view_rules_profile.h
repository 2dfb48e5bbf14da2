// The view's rules as the profile keeps them: section FILTER, one value per
// rule.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/view_rules.h"
#include "storage/profile.h"

namespace ploxen {

namespace keys {
constexpr std::string_view kSectionFilter = "FILTER";
// ANZAHL as in SUCHEN; the rule keys are "REGEL_%d".
constexpr std::string_view kFilterCount = "ANZAHL";
}  // namespace keys

// "AN,SPALTE,ART,GROSS,AKTION,TEXTFARBE,HINTERGRUND,MUSTER"; the pattern is
// last and as typed, so it may hold commas, quotes and backslashes.
std::string EncodeRule(const ViewRule& rule);
// A value with a field out of its range, too few fields, an empty pattern or
// a regular expression that does not compile is a rule that is off; what
// could be read of it is kept, so the user can mend it on the page.
ViewRule DecodeRule(std::string_view value);

std::string RuleKey(std::size_t index);
std::vector<ViewRule> ReadViewRules(const Profile& profile);
// Keys of an earlier, longer list are removed.
void WriteViewRules(Profile& profile, const std::vector<ViewRule>& rules);

}  // namespace ploxen

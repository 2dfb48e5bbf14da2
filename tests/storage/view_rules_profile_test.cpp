// The view's rules in the profile: kept as typed, and how a damaged value is
// taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/memory_profile.h"
#include "storage/view_rules_profile.h"
#include "tests/support/rule_builder.h"

namespace ploxen::test {
namespace {

TEST(RuleProfile, RoundTripKeepsEveryPatternAsTyped) {
  std::vector<ViewRule> rules;
  for (const char* pattern : {"a,b,,c", "\"zitiert\"", "C:\\pfad\\datei", "Gr\xC3\xB6\xC3\x9F" "e \xC3\xA4\xC3\xB6\xC3\xBC", "x;y=z", "\xC5\x81\xC3\x93" "D\xC5\xB9", "\\d+, (\\w+)"}) {
    ViewRule rule = Rule(RuleAction::kHighlight, pattern, RuleColumn::kMessage,
                         pattern[0] == '\\' ? RuleKind::kRegex : RuleKind::kText, true);
    rule.textColour = 0x123456;
    rule.backColour = 0xFFFFFF;
    rules.push_back(rule);
  }
  rules.push_back(Rule(RuleAction::kShowOnly, "aus"));
  rules.back().on = false;
  MemoryProfile profile;
  WriteViewRules(profile, rules);
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_0", ""), "1,3,0,1,2,1193046,16777215,a,b,,c");
  // A pattern that fits code page 1252 is kept in it, as always; others as UTF-8.
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_3", ""), "1,3,0,1,2,1193046,16777215,Gr\xF6\xDF" "e \xE4\xF6\xFC");
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_5", ""), "1,3,0,1,2,1193046,16777215,\xC5\x81\xC3\x93" "D\xC5\xB9");
  EXPECT_EQ(ReadViewRules(profile), rules);
}

TEST(RuleProfile, AShorterListRemovesTheKeysOfTheLongerOne) {
  MemoryProfile profile;
  WriteViewRules(profile, {Rule(RuleAction::kHide, "a"), Rule(RuleAction::kHide, "b"), Rule(RuleAction::kHide, "c")});
  WriteViewRules(profile, {Rule(RuleAction::kHide, "d")});
  EXPECT_EQ(profile.GetInt("FILTER", "ANZAHL", -1), 1);
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_1", "weg"), "weg");
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_2", "weg"), "weg");
}

struct DamagedCase {
  const char* value;
  const char* pattern;  // what is kept of it
};

class DamagedRule : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedRule, LoadsAsARuleThatIsOff) {
  const ViewRule rule = DecodeRule(GetParam().value);
  EXPECT_FALSE(rule.on) << GetParam().value;
  EXPECT_EQ(rule.pattern, GetParam().pattern);
  EXPECT_LE(static_cast<int>(rule.action), 2);
  EXPECT_LE(static_cast<int>(rule.column), 3);
}

const DamagedCase kDamaged[] = {
    {"", ""},
    {"1,0,0,0,0,0", ""},
    {"x,0,0,0,0,0,0,abc", "abc"},
    {"1,9,0,0,0,0,0,abc", "abc"},
    {"1,0,0,0,7,0,0,abc", "abc"},
    {"1,0,0,0,0,-1,0,abc", "abc"},
    {"1,0,0,0,0,0,99999999999,abc", "abc"},
    {"2,0,0,0,0,0,0,abc", "abc"},
    {"1,0,0,0,0,0,0,", ""},
    {"1,0,1,0,0,0,0,(a", "(a"},
    {"1, 0,0,0,0,0,0,abc", "abc"},
};
INSTANTIATE_TEST_SUITE_P(Values, DamagedRule, ::testing::ValuesIn(kDamaged));

// A count beyond the keys there makes no rules of its own, and none comes
// back at exit; keys beyond the limit are never looked at.
TEST(RuleProfile, OnlyTheRulesThereAreReadWhateverTheCountSays) {
  MemoryProfile profile;
  profile.WriteInt("FILTER", "ANZAHL", 2000000000);
  profile.WriteString("FILTER", "REGEL_0", "1,0,0,0,0,0,0,eins");
  profile.WriteString("FILTER", "REGEL_3", "1,0,0,0,0,0,0,vier");
  profile.WriteString("FILTER", "REGEL_5", "");
  profile.WriteString("FILTER", "REGEL_64", "1,0,0,0,0,0,0,zu weit");
  std::vector<ViewRule> rules = ReadViewRules(profile);
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[1].pattern, "vier");
  WriteViewRules(profile, rules);
  EXPECT_EQ(profile.GetInt("FILTER", "ANZAHL", -1), 2);
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_1", ""), "1,0,0,0,0,0,0,vier");
  EXPECT_EQ(profile.GetString("FILTER", "REGEL_3", "weg"), "weg");
  profile.WriteInt("FILTER", "ANZAHL", -5);
  EXPECT_TRUE(ReadViewRules(profile).empty());
}

}  // namespace
}  // namespace ploxen::test

// The view's rules: what they match, which wins, and how a bad expression
// is taken.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/text.h"
#include "search/rule_set.h"
#include "search/view_rules.h"
#include "storage/view_rules_profile.h"
#include "tests/support/row_builders.h"
#include "tests/support/rule_builder.h"

namespace ploxen::test {
namespace {

// One row, and whether a single rule matches it.
struct MatchCase {
  const char* what;
  ViewRule rule;
  const char* process;
  const char* time;
  const char* message;
  bool matches;
};

class RuleMatching : public ::testing::TestWithParam<MatchCase> {};

// The cases are written in code page 1252 as before; rows and patterns hold
// UTF-8 now.
TEST_P(RuleMatching, SingleRule) {
  const MatchCase& c = GetParam();
  MessageRows rows;
  AddRow(rows, 0x303, Cp1252ToUtf8(c.process), Cp1252ToUtf8(c.time), Cp1252ToUtf8(c.message));
  ViewRule hide = c.rule;
  hide.pattern = Cp1252ToUtf8(c.rule.pattern);
  hide.action = RuleAction::kHide;
  EXPECT_EQ(!RuleSet({hide}).Shows(rows.Row(0)), c.matches) << c.what;
  ViewRule mark = hide;
  mark.action = RuleAction::kHighlight;
  EXPECT_EQ(RuleSet({mark}).Highlight(rows.Row(0)) != nullptr, c.matches) << c.what << " (highlight)";
}

constexpr auto kHide = RuleAction::kHide;
const MatchCase kMatchCases[] = {
    {"text anywhere", Rule(kHide, "fehler"), "PID=1,TID=2", "12:00", "Ein FEHLER trat auf", true},
    {"umlauts folded", Rule(kHide, "\xFC" "berlauf"), "", "", "\xDC" "BERLAUF im Puffer", true},
    {"case matters", Rule(kHide, "fehler", RuleColumn::kAll, RuleKind::kText, true), "", "", "FEHLER", false},
    {"case matters, same case", Rule(kHide, "FEHLER", RuleColumn::kAll, RuleKind::kText, true), "", "", "xFEHLERx", true},
    {"single character at the end", Rule(kHide, "x"), "", "", "abcx", true},
    {"single character absent", Rule(kHide, "q"), "", "", "abcx", false},
    {"pattern longer than text", Rule(kHide, "abcdef"), "", "", "abcde", false},
    {"only its column", Rule(kHide, "12:00", RuleColumn::kMessage), "", "12:00", "nichts", false},
    {"time column", Rule(kHide, "12:00", RuleColumn::kTime), "", "12:00:01", "nichts", true},
    {"process column", Rule(kHide, "PID=7", RuleColumn::kProcess), "PID=7,TID=1", "", "PID=7", true},
    {"process column, not the message", Rule(kHide, "PID=7", RuleColumn::kProcess), "PID=8,TID=1", "", "PID=7", false},
    {"overlapping start", Rule(kHide, "aab"), "", "", "aaab", true},
    {"regex", Rule(kHide, "Zeile [0-9]+ ber", RuleColumn::kAll, RuleKind::kRegex), "", "", "Zeile 42 berechnet", true},
    {"regex anchored", Rule(kHide, "^Zeile", RuleColumn::kAll, RuleKind::kRegex), "", "", "Die Zeile", false},
    {"regex folds umlauts", Rule(kHide, "gr\xF6\xDF" "e", RuleColumn::kAll, RuleKind::kRegex), "", "", "GR\xD6\xDF" "E", true},
    {"regex case matters", Rule(kHide, "abc", RuleColumn::kAll, RuleKind::kRegex, true), "", "", "ABC", false},
    // Folded in the engine: upper-casing the pattern made [\xE0-\xFF] run backwards.
    {"regex range of accented letters", Rule(kHide, "^[\xE0-\xFF]+$", RuleColumn::kAll, RuleKind::kRegex), "", "", "\xC9\xC8\x9F", true},
    {"regex range, other letters", Rule(kHide, "[\xE0-\xFF]", RuleColumn::kAll, RuleKind::kRegex), "", "", "abc \xD7", false},
    {"regex range, case matters", Rule(kHide, "[\xE0-\xFF]", RuleColumn::kAll, RuleKind::kRegex, true), "", "", "\xC9T\xC9", false},
    {"regex capital range", Rule(kHide, "[\xC0-\xDE]", RuleColumn::kAll, RuleKind::kRegex), "", "", "\xFC", true},
    {"process rule", ProcessRule("PID=12", kHide), "PID=12,TID=3", "", "", true},
    {"process rule is exact", ProcessRule("PID=12", kHide), "PID=123,TID=3", "", "", false},
    {"process rule, no thread part", ProcessRule("PID=12", kHide), "PID=12", "", "", true},
    {"process rule quotes its part", ProcessRule("P.D=1", kHide), "PID=1,TID=3", "", "", false},
};
INSTANTIATE_TEST_SUITE_P(Cases, RuleMatching, ::testing::ValuesIn(kMatchCases));

class RulePrecedence : public ::testing::Test {
 protected:
  void SetUp() override {
    AddRow(rows, 0x303, "PID=1", "", "Fehler in Modul A");
    AddRow(rows, 0x303, "PID=2", "", "Warnung in Modul B");
    AddRow(rows, 0x303, "PID=3", "", "Info aus Modul C");
  }
  std::vector<bool> Shown(const std::vector<ViewRule>& rules) {
    const RuleSet set(rules);
    std::vector<bool> shown;
    for (std::size_t r = 0; r < rows.size(); ++r) shown.push_back(set.Shows(rows.Row(r)));
    return shown;
  }
  MessageRows rows;
};

TEST_F(RulePrecedence, ShowOnlyRulesShowRowsMatchingAnyOfThem) {
  EXPECT_EQ(Shown({Rule(RuleAction::kShowOnly, "Fehler"), Rule(RuleAction::kShowOnly, "Warnung")}),
            (std::vector<bool>{true, true, false}));
}

TEST_F(RulePrecedence, HideWinsOverShowOnly) {
  EXPECT_EQ(Shown({Rule(RuleAction::kShowOnly, "Modul"), Rule(RuleAction::kHide, "Warnung")}),
            (std::vector<bool>{true, false, true}));
}

TEST_F(RulePrecedence, RulesThatAreOffOrEmptyOrBrokenTakeNoPart) {
  ViewRule off = Rule(RuleAction::kHide, "Modul");
  off.on = false;
  EXPECT_EQ(Shown({off, Rule(RuleAction::kHide, ""), Rule(RuleAction::kHide, "(", RuleColumn::kAll, RuleKind::kRegex)}),
            (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(RuleSet({off}).Filters());
}

TEST_F(RulePrecedence, HighlightsDoNotFilterAndTheFirstMatchingWins) {
  ViewRule first = Rule(RuleAction::kHighlight, "Modul");
  first.backColour = 0x0000FF;
  ViewRule second = Rule(RuleAction::kHighlight, "Fehler");
  second.backColour = 0x00FF00;
  const RuleSet set({second, first});
  EXPECT_FALSE(set.Filters());
  ASSERT_NE(set.Highlight(rows.Row(0)), nullptr);
  EXPECT_EQ(set.Highlight(rows.Row(0))->backColour, 0x00FF00u) << "the rule earlier in the list";
  EXPECT_EQ(set.Highlight(rows.Row(1))->backColour, 0x0000FFu);
}

TEST_F(RulePrecedence, ManyTextRulesOfBothCasesInOnePass) {
  std::vector<ViewRule> rules;
  for (int i = 0; i < 40; ++i) rules.push_back(Rule(RuleAction::kHide, "nie" + std::to_string(i), RuleColumn::kAll, RuleKind::kText, i % 2 == 0));
  rules.push_back(Rule(RuleAction::kHide, "MODUL c", RuleColumn::kMessage));
  rules.push_back(Rule(RuleAction::kHide, "Modul B", RuleColumn::kMessage, RuleKind::kText, true));
  EXPECT_EQ(Shown(rules), (std::vector<bool>{true, false, false}));
}

TEST(RegexErrors, NameTheErrorInGermanAndWhereItIs) {
  const struct {
    const char* pattern;
    const char* names;
  } cases[] = {{"(abc", "Klammern ( )"}, {"[abc", "Eckige Klammern"}, {"*abc", "Wiederholung"},
               {"a{2,1}", "Wiederholungsangabe"}, {"abc\\", "Escape"}};
  for (const auto& c : cases) {
    const std::string error = RegexError(c.pattern, false);
    EXPECT_NE(error.find("regul\xE4re Ausdruck ist fehlerhaft"), std::string::npos) << c.pattern << ": " << error;
    EXPECT_NE(error.find(c.names), std::string::npos) << c.pattern << ": " << error;
    EXPECT_NE(error.find("Position"), std::string::npos) << error;
  }
  EXPECT_EQ(RegexError("^a+(b|c)*$", false), "");
  EXPECT_EQ(RegexError(Cp1252ToUtf8("[\xE0-\xFF]"), false), "") << "a range of accented letters, either case";
  EXPECT_EQ(RuleRefusal(Rule(RuleAction::kHide, "")), "Bitte geben Sie ein Muster ein.");
  EXPECT_EQ(RuleRefusal(Rule(RuleAction::kHide, "(", RuleColumn::kAll, RuleKind::kText)), "") << "plain text";
}

TEST(RegexErrors, ARunawayExpressionGivesUpOnTheLineAndSaysWhichRuleItWas) {
  MessageRows rows;
  AddRow(rows, 0x303, "", "", std::string(498, 'a') + "b");
  AddRow(rows, 0x303, "", "", "aaa");
  ViewRule off = Rule(RuleAction::kHide, "aaa");
  off.on = false;
  const ViewRule runaway = Rule(RuleAction::kHide, "(a+)+$", RuleColumn::kMessage, RuleKind::kRegex, true);
  ViewRule mark = runaway;
  mark.action = RuleAction::kHighlight;
  const RuleSet set({Rule(RuleAction::kHide, "zzz"), off, runaway, mark});
  const auto start = std::chrono::steady_clock::now();
  RuleBits gaveUp = 0;
  EXPECT_TRUE(set.Shows(rows.Row(0), &gaveUp)) << "beyond the bound the line counts as not matching";
  EXPECT_EQ(gaveUp, RuleBits{1} << 2) << "by its place in the list";
  gaveUp = 0;
  EXPECT_EQ(set.Highlight(rows.Row(0), &gaveUp), nullptr);
  EXPECT_EQ(gaveUp, RuleBits{1} << 3);
  gaveUp = 0;
  EXPECT_FALSE(set.Shows(rows.Row(1), &gaveUp));
  EXPECT_EQ(gaveUp, 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(RegexErrors, ATickOnThePageIsCheckedAsTheRuleDialogChecks) {
  EXPECT_EQ(SwitchOnRefusal(1, DecodeRule("1,0,1,0,0,0,0,(a")),
            "Regel 2 kann nicht eingeschaltet werden. Der regul\xE4re Ausdruck ist fehlerhaft: Klammern ( ) passen "
            "nicht zueinander (an Position 3). Mit \"Bearbeiten ...\" k\xF6nnen Sie die Regel \xE4ndern.");
  EXPECT_EQ(SwitchOnRefusal(0, DecodeRule("0,0,0,0,0,0,0,")).substr(0, 50),
            "Regel 1 kann nicht eingeschaltet werden. Bitte geb");
  EXPECT_EQ(SwitchOnRefusal(0, Rule(RuleAction::kHide, "(a")), "") << "plain text";
}

TEST(ViewTexts, CountPaneAndProcessPart) {
  EXPECT_EQ(CountPaneText(120, 5000, true), "120 / 5000");
  EXPECT_EQ(CountPaneText(5000, 5000, false), "5000");
  EXPECT_EQ(ProcessPart("PID=1208,TID=3344"), "PID=1208");
  EXPECT_EQ(ProcessPart(""), "");
  EXPECT_EQ(ProcessPart(",TID=3"), "");
}

}  // namespace
}  // namespace ploxen::test

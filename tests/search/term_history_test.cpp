// The search-term history: leaving the box adds or removes a term.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/term_history.h"
#include "tests/support/term_box.h"

namespace ploxen::test {
namespace {

using Items = std::vector<std::string>;

TEST(TermLeft, NewTermsJoinSortedAndExactDuplicatesDoNot) {
  TermBox box;
  int remembered = -1;
  TermLeft(box, "abc", remembered);
  TermLeft(box, "abc", remembered);
  TermLeft(box, "ABC", remembered);
  TermLeft(box, "Zeile", remembered);
  TermLeft(box, "fehler", remembered);
  EXPECT_EQ(box.items, (Items{"abc", "ABC", "fehler", "Zeile"}));
  EXPECT_EQ(remembered, -1) << "adding does not touch the remembered index";
  EXPECT_TRUE(box.selections.empty());
}

TEST(TermLeft, TermsAreCutTo99Characters) {
  TermBox box;
  int remembered = -1;
  TermLeft(box, std::string(150, 'x'), remembered);
  ASSERT_EQ(box.items.size(), 1u);
  EXPECT_EQ(box.items[0].size(), 99u);
  TermLeft(box, std::string(120, 'x'), remembered);
  EXPECT_EQ(box.items.size(), 1u) << "the same term once cut";
}

// Leaving the box with its field cleared after a term was picked.
struct ClearingCase {
  const char* name;
  Items items;
  int picked;
  Items left;
  int rememberedAfter;  // also the one item selected
};

const ClearingCase kClearingCases[] = {
    {"APickedTermDeletesItAndSelectsTheOneBefore", {"a", "b", "c", "d"}, 2, {"a", "b", "d"}, 1},
    {"TheFirstTermSelectsTheNewFirst", {"a", "b"}, 0, {"b"}, 0},
};

class Clearing : public ::testing::TestWithParam<ClearingCase> {};

TEST_P(Clearing, DeletesThePickedTerm) {
  const ClearingCase& c = GetParam();
  TermBox box;
  box.items = c.items;
  int remembered = c.picked;
  TermLeft(box, "", remembered);
  EXPECT_EQ(box.items, c.left);
  EXPECT_EQ(remembered, c.rememberedAfter);
  EXPECT_EQ(box.selections, (std::vector<int>{c.rememberedAfter}));
}

INSTANTIATE_TEST_SUITE_P(TermLeft, Clearing, ::testing::ValuesIn(kClearingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TermLeft, NothingPickedOrAStaleIndexDeletesNothing) {
  TermBox box;
  box.items = {"a"};
  int remembered = -1;
  TermLeft(box, "", remembered);
  EXPECT_EQ(box.items, (Items{"a"}));
  EXPECT_TRUE(box.selections.empty());
  remembered = 5;  // the items changed since it was picked
  TermLeft(box, "", remembered);
  EXPECT_EQ(box.items, (Items{"a"}));
}

TEST(NotFoundMessage, TheTermIsTextNotAFormat) {
  const char format[] = "Eintrag: '%s' nicht gefunden";
  EXPECT_EQ(NotFoundMessage(format, "abc"), "Eintrag: 'abc' nicht gefunden");
  EXPECT_EQ(NotFoundMessage(format, "100% %s %n %d"), "Eintrag: '100% %s %n %d' nicht gefunden");
  EXPECT_EQ(NotFoundMessage(format, ""), "Eintrag: '' nicht gefunden");
  EXPECT_EQ(NotFoundMessage("ohne Platzhalter", "x"), "ohne Platzhalter");
}

}  // namespace
}  // namespace ploxen::test

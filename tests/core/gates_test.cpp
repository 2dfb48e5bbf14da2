// Which lines become rows: category switches, source gates, missing text.
#include "tests/support/intake_fixture.h"

namespace ploxen::test {
namespace {

struct CategoryCase {
  int category;
  int IntakeSwitches::*key;
};

class CategorySwitchTest : public IntakeTest, public ::testing::WithParamInterface<CategoryCase> {};

TEST_P(CategorySwitchTest, EachCategoryFollowsItsOwnSwitch) {
  const CategoryCase c = GetParam();
  switches.bException = 1;
  Add(c.category, "on");
  ASSERT_EQ(rows.size(), 1u);

  switches.*c.key = 0;
  Add(c.category, "off");
  EXPECT_EQ(rows.size(), 1u);

  // Any other category stays shown when one is switched off.
  Add(c.category == kCategoryGeneral ? kCategoryProgram : kCategoryGeneral, "other");
  EXPECT_EQ(rows.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    NineCategories, CategorySwitchTest,
    ::testing::Values(CategoryCase{1, &IntakeSwitches::konstruktor},
                      CategoryCase{2, &IntakeSwitches::destruktor},
                      CategoryCase{3, &IntakeSwitches::meldungen},
                      CategoryCase{4, &IntakeSwitches::startEnde},
                      CategoryCase{100, &IntakeSwitches::bTrace},
                      CategoryCase{101, &IntakeSwitches::bDll},
                      CategoryCase{102, &IntakeSwitches::bException},
                      CategoryCase{103, &IntakeSwitches::bThread},
                      CategoryCase{104, &IntakeSwitches::bProcess}),
    [](const auto& info) { return "Category" + std::to_string(info.param.category); });

TEST_F(IntakeTest, DefaultsHideExceptionsOnly) {
  for (int category : {1, 2, 3, 4, 100, 101, 102, 103, 104}) Add(category, "x");
  EXPECT_EQ(rows.size(), 8u);
}

TEST_F(IntakeTest, UnknownCategoriesAreNeverShown) {
  for (MessageKind kind : {0, 5, 0x205, 99, 105, 0xFF, 0x1FF, -1}) Add(kind, "x");
  EXPECT_EQ(rows.size(), 0u);
}

TEST_F(IntakeTest, CategoryIsTheLowByteWhateverTheHigherBits) {
  Add(0x7FFFFF03, "general with high bits");
  Add(static_cast<MessageKind>(0x80000001u), "constructor with the sign bit");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(RowAt(0).kind, 0x7FFFFF03);
  EXPECT_EQ(RowAt(1).kind, static_cast<MessageKind>(0x80000001u));
}

TEST_F(IntakeTest, SystemRoadFollowsPloxenSwitch) {
  Add(0x103, "an", kSourceSystem);
  switches.ploxen = 0;
  Add(0x103, "aus", kSourceSystem);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(LastRow().colour, kRed);
}

TEST_F(IntakeTest, DbWin32RoadIsClosedByDefault) {
  Add(0x303, "zu", kSourceDbWin32);
  EXPECT_EQ(rows.size(), 0u);
  switches.dbWin32 = 1;
  Add(0x303, "offen", kSourceDbWin32);
  EXPECT_EQ(rows.size(), 1u);
}

TEST_F(IntakeTest, RemarksAndFollowedFilesPassWithAllRoadsClosedButNotPastTheirCategory) {
  for (MessageSource source : {kSourceRemark, kSourceFollowedFile}) {
    rows.DeleteAllRows();
    switches.meldungen = 1;
    switches.ploxen = 0;
    switches.dbWin32 = 0;
    switches.systemWeit = 0;
    Add(3, "Bemerkung", source);
    EXPECT_EQ(rows.size(), 1u) << source;
    switches.meldungen = 0;
    Add(3, "Bemerkung", source);
    EXPECT_EQ(rows.size(), 1u) << source;
  }
}

TEST_F(IntakeTest, UnknownSourcesAreRejected) {
  switches.dbWin32 = 1;
  for (MessageSource source : {0, 4, -1, 1000}) Add(3, "x", source);
  EXPECT_EQ(rows.size(), 0u);
}

TEST_F(IntakeTest, NullTextIsDropped) {
  Add(3, nullptr);
  EXPECT_EQ(rows.size(), 0u);
}

TEST_F(IntakeTest, EveryCallRefreshesTheListStateAcceptedOrNot) {
  switches.ploxen = 0;
  Add(0x103, "rejected by source");
  Add(5, "rejected by category");
  Add(3, nullptr);
  Add(3, "\0", kSourceRemark);
  Add(3, "shown", kSourceRemark);
  EXPECT_EQ(rows.updates, 5);
  EXPECT_EQ(rows.size(), 1u);
}

TEST(KindFromType, MapsMessageTypesToLevels) {
  EXPECT_EQ(KindFromType(kTypeError), 0x103);
  EXPECT_EQ(KindFromType(kTypeWarning), 0x203);
  EXPECT_EQ(KindFromType(kTypeInfo), 0x403);
  EXPECT_EQ(KindFromType(kTypeDebug), 0x303);
  EXPECT_EQ(KindFromType(4), 0x303);
  EXPECT_EQ(KindFromType(-1), 0x303);
}

}  // namespace
}  // namespace ploxen::test

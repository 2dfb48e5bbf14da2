#include "net/connection_table.h"

#include <gtest/gtest.h>

namespace ploxen {
namespace {

constexpr std::int64_t kMinute = 60 * 1000;

TEST(ConnectionTable, ASixtyFifthConnectionPushesOutTheOneSilentLongest) {
  ConnectionTable table;
  for (ConnectionTable::Id id = 1; id <= 64; ++id) EXPECT_EQ(table.Add(id, 1000 + static_cast<std::int64_t>(id)), std::nullopt);
  // The first ones spoke since; number 5 has been silent longest.
  for (ConnectionTable::Id id = 1; id <= 4; ++id) table.Heard(id, 5000);
  EXPECT_EQ(table.Add(65, 6000), ConnectionTable::Id{5});
  EXPECT_EQ(table.Size(), 64u);
  EXPECT_FALSE(table.Contains(5));
  EXPECT_TRUE(table.Contains(65));
  // A flood of new ones never pushes out the newest, only older silent ones.
  for (ConnectionTable::Id id = 100; id < 1100; ++id) {
    const auto out = table.Add(id, 7000);
    ASSERT_TRUE(out.has_value());
    EXPECT_NE(*out, id);
    EXPECT_LE(table.Size(), 64u);
  }
  EXPECT_TRUE(table.Contains(1099));
}

TEST(ConnectionTable, TenSilentMinutesCloseAConnectionAndSpeakingKeepsItOpen) {
  ConnectionTable table;
  table.Add(1, 0);
  table.Add(2, 0);
  EXPECT_EQ(table.MsUntilSilent(0), 10 * kMinute);
  table.Heard(2, 9 * kMinute);
  EXPECT_TRUE(table.TakeSilent(10 * kMinute - 1).empty());
  EXPECT_EQ(table.MsUntilSilent(10 * kMinute - 1), 1);
  EXPECT_EQ(table.TakeSilent(10 * kMinute), std::vector<ConnectionTable::Id>{1});
  EXPECT_EQ(table.MsUntilSilent(10 * kMinute), kMinute * 9);
  EXPECT_EQ(table.TakeSilent(19 * kMinute), std::vector<ConnectionTable::Id>{2});
  EXPECT_EQ(table.MsUntilSilent(19 * kMinute), std::nullopt);
  // A clock that went back never gives a negative wait.
  table.Add(3, 20 * kMinute);
  EXPECT_EQ(table.MsUntilSilent(40 * kMinute), 0);
  table.Remove(3);
  EXPECT_EQ(table.Size(), 0u);
}

}  // namespace
}  // namespace ploxen

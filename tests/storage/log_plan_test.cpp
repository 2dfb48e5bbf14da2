// The log's rotation plan under a clock the test sets: names, sizes, days,
// and the files kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/log_plan.h"

namespace ploxen::test {
namespace {

constexpr LogTime kMorning{2026, 12, 9, 8, 5, 3};

TEST(LogPlan, NamesCarryTheStartAndSortByTime) {
  struct Case {
    const char* path;
    LogTime now;
    std::vector<std::string> existing;
    const char* name;
  } cases[] = {
      {"C:\\logs\\ploxen.log", kMorning, {}, "ploxen-20261209-080503-001.log"},
      {"C:\\logs\\ploxen.log", kMorning, {"other.log", "ploxen.log"}, "ploxen-20261209-080503-001.log"},
      // Within the same second: the sequence goes on.
      {"C:\\logs\\ploxen.log", kMorning, {"ploxen-20261209-080503-001.log", "PLOXEN-20261209-080503-007.LOG"},
       "ploxen-20261209-080503-008.log"},
      // A clock set back: still after the newest file.
      {"C:\\logs\\ploxen.log", LogTime{2026, 12, 9, 7, 0, 0}, {"ploxen-20261209-080503-002.log"},
       "ploxen-20261209-080503-003.log"},
      {"C:\\logs\\ploxen.log", kMorning, {"ploxen-20261208-235959-004.log"}, "ploxen-20261209-080503-001.log"},
      {"ploxen", kMorning, {}, "ploxen-20261209-080503-001"},
      {"/tmp/a.b/x.txt", kMorning, {"x-2026.txt"}, "x-20261209-080503-001.txt"},
  };
  for (const Case& c : cases) {
    const LogPlan plan(c.path, LogRotation{});
    const std::string name = plan.NextName(c.now, c.existing);
    EXPECT_EQ(name, c.name) << c.path;
    EXPECT_TRUE(plan.OwnName(name));
    for (const std::string& old : c.existing)
      if (plan.OwnName(old)) EXPECT_LT(old.substr(6, 20), name.substr(6, 20)) << old;
  }
}

TEST(LogPlan, ThousandFilesInOneSecondGoOnInTheNext) {
  const LogPlan plan("p.log", LogRotation{});
  EXPECT_EQ(plan.NextName(kMorning, {"p-20261209-080503-999.log"}), "p-20261209-080504-001.log");
}

TEST(LogPlan, OnlyItsOwnNames) {
  const LogPlan plan("D:\\x\\ploxen.log", LogRotation{});
  EXPECT_EQ(plan.Folder(), "D:\\x\\");
  for (const char* name : {"ploxen.log", "ploxen-20261209-080503.log", "ploxen-20261209-080503-001.txt",
                           "ploxen-2026120a-080503-001.log", "ploxenx20261209-080503-001.log",
                           "ploxen2-20261209-080503-001.log", "ploxen-20261209-080503-001.log.bak"})
    EXPECT_FALSE(plan.OwnName(name)) << name;
}

TEST(LogPlan, NewFileBySizeByDayOrBoth) {
  constexpr LogTime kNextDay{2026, 12, 10, 0, 0, 1};
  struct Case {
    LogRotation rotation;
    LogTime now;
    std::uint64_t size, more;
    bool anew;
  } cases[] = {
      {{0, false, 0}, kNextDay, 1u << 30, 100, false},  // neither: one file for ever
      {{1000, false, 0}, kMorning, 900, 100, false},    // exactly full
      {{1000, false, 0}, kMorning, 901, 100, true},
      {{1000, false, 0}, kMorning, 3, 5000, false},  // only its header: a large row still goes in
      {{1000, false, 0}, kNextDay, 10, 10, false},
      {{0, true, 0}, kMorning, 1u << 30, 100, false},
      {{0, true, 0}, kNextDay, 3, 100, true},
      {{0, true, 0}, LogTime{2027, 12, 9, 8, 0, 0}, 3, 1, true},  // same day a year on
      {{1000, true, 0}, kNextDay, 10, 10, true},
      {{1000, true, 0}, kMorning, 999, 10, true},
  };
  for (const Case& c : cases) {
    const LogPlan plan("p.log", c.rotation);
    EXPECT_EQ(plan.NeedsNewFile(kMorning, c.now, c.size, 3, c.more), c.anew)
        << c.rotation.maxBytes << " " << c.rotation.daily << " " << c.size << "+" << c.more;
  }
}

TEST(LogPlan, KeepsTheNewestFiles) {
  const std::vector<std::string> names = {"p-20261209-080503-002.log", "notes.txt", "p-20261208-120000-001.log",
                                          "P-20261209-080503-001.LOG", "p-20261210-000000-001.log", "p.log"};
  struct Case {
    int keep;
    std::vector<std::string> gone;
  } cases[] = {
      {0, {}},
      {4, {}},
      {9, {}},
      {3, {"p-20261208-120000-001.log"}},
      {2, {"p-20261208-120000-001.log", "P-20261209-080503-001.LOG"}},
      {1, {"p-20261208-120000-001.log", "P-20261209-080503-001.LOG", "p-20261209-080503-002.log"}},
  };
  for (const Case& c : cases) {
    const LogPlan plan("p.log", LogRotation{1000, true, c.keep});
    EXPECT_EQ(plan.ToDelete(names), c.gone) << c.keep;
  }
}

}  // namespace
}  // namespace ploxen::test

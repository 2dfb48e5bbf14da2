// How often the list catches up during a burst of lines.
#include <gtest/gtest.h>

#include "core/catch_up_pacer.h"

namespace ploxen::test {
namespace {

TEST(CatchUpPacer, CheapCatchUpsComeEveryFiftyMilliseconds) {
  CatchUpPacer pacer;
  EXPECT_TRUE(pacer.Due(0)) << "the first line of a burst need not wait";
  pacer.Done(1000, 0.2);
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
  EXPECT_FALSE(pacer.Due(1049));
  EXPECT_TRUE(pacer.Due(1050));
}

TEST(CatchUpPacer, DearCatchUpsTakeAboutTheirShareOfTheTime) {
  CatchUpPacer pacer;
  pacer.Done(0, 20);
  const double interval = pacer.IntervalMs();
  EXPECT_NEAR(20 / (interval + 20), CatchUpPacer::kShare, 0.001);
  EXPECT_FALSE(pacer.Due(interval - 1));
  EXPECT_TRUE(pacer.Due(interval));
}

TEST(CatchUpPacer, OneSlowCatchUpDoesNotDecideAloneAndTheWaitIsBounded) {
  CatchUpPacer pacer;
  pacer.Done(0, 2);
  pacer.Done(100, 2);
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
  pacer.Done(200, 10);  // smoothed: 6 ms
  EXPECT_NEAR(pacer.IntervalMs(), 6 * (1 / CatchUpPacer::kShare - 1), 0.001);
  pacer.Done(300, 5000);  // a stalled machine
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMaxIntervalMs);
  pacer.Done(400, -3);  // a clock that stepped back counts as free
  EXPECT_LE(pacer.IntervalMs(), CatchUpPacer::kMaxIntervalMs);
  EXPECT_GE(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
}

}  // namespace
}  // namespace ploxen::test

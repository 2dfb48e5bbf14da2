// How often the list catches up during a burst of lines.
#include <gtest/gtest.h>

#include "core/catch_up_pacer.h"

namespace ploxen::test {
namespace {

// Milliseconds of catch-up that make the wait exactly interval.
double CostFor(double interval) { return interval / (1 / CatchUpPacer::kShare - 1); }

TEST(CatchUpPacer, CheapCatchUpsComeEveryFiftyMilliseconds) {
  CatchUpPacer pacer;
  EXPECT_TRUE(pacer.Due(0)) << "the first line of a burst need not wait";
  pacer.Done(1000, CostFor(CatchUpPacer::kMinIntervalMs) / 4);
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
  EXPECT_FALSE(pacer.Due(1049));
  EXPECT_TRUE(pacer.Due(1050));
}

TEST(CatchUpPacer, DearCatchUpsTakeAboutTheirShareOfTheTime) {
  CatchUpPacer pacer;
  const double cost = CostFor(200);
  pacer.Done(0, cost);
  const double interval = pacer.IntervalMs();
  EXPECT_NEAR(interval, 200, 0.001);
  EXPECT_NEAR(cost / (interval + cost), CatchUpPacer::kShare, 0.0001);
  EXPECT_FALSE(pacer.Due(interval - 1));
  EXPECT_TRUE(pacer.Due(interval));
}

TEST(CatchUpPacer, OneSlowCatchUpDoesNotDecideAloneAndTheWaitIsBounded) {
  CatchUpPacer pacer;
  const double cheap = CostFor(CatchUpPacer::kMinIntervalMs) / 4;
  pacer.Done(0, cheap);
  pacer.Done(100, cheap);
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
  const double slow = 2 * CostFor(300) - cheap;  // smoothed with the cheap one: 300 ms
  pacer.Done(200, slow);
  EXPECT_NEAR(pacer.IntervalMs(), 300, 0.001);
  pacer.Done(300, 5000);  // a stalled machine
  EXPECT_EQ(pacer.IntervalMs(), CatchUpPacer::kMaxIntervalMs);
  pacer.Done(400, -3);  // a clock that stepped back counts as free
  EXPECT_LE(pacer.IntervalMs(), CatchUpPacer::kMaxIntervalMs);
  EXPECT_GE(pacer.IntervalMs(), CatchUpPacer::kMinIntervalMs);
}

}  // namespace
}  // namespace ploxen::test

#include "core/catch_up_pacer.h"

#include <algorithm>

namespace ploxen {

void CatchUpPacer::Done(double nowMs, double costMs) {
  lastMs_ = nowMs;
  costMs_ = costMs_ == 0 ? std::max(costMs, 0.0) : (costMs_ + std::max(costMs, 0.0)) / 2;
  const double interval = costMs_ * (1 / kShare - 1);
  intervalMs_ = std::clamp(interval, kMinIntervalMs, kMaxIntervalMs);
}

}  // namespace ploxen

// How often the list view catches up with the rows already taken. While lines
// arrive it catches up at least every kMinIntervalMs, and less often where a
// catch-up is dear (a list view under Wine re-lays its header four times per
// new row count), so that catching up never takes more than about kShare of
// the time and the senders are not held up by it.
#pragma once

namespace ploxen {

class CatchUpPacer {
 public:
  static constexpr double kMinIntervalMs = 50;
  static constexpr double kMaxIntervalMs = 500;
  static constexpr double kShare = 0.02;

  // A catch-up ended at nowMs and took costMs.
  void Done(double nowMs, double costMs);
  bool Due(double nowMs) const { return nowMs - lastMs_ >= intervalMs_; }
  double IntervalMs() const { return intervalMs_; }

 private:
  double lastMs_ = -kMaxIntervalMs;
  double costMs_ = 0;  // smoothed, so that one slow catch-up does not decide alone
  double intervalMs_ = kMinIntervalMs;
};

}  // namespace ploxen

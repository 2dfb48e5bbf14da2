// One machine-readable line per figure, beside what a benchmark prints for
// people; scripts/bench.sh gathers them into the table it ends with:
//   FIGURE TAB benchmark TAB figure TAB value TAB unit TAB baseline TAB ratio
//          TAB goal TAB met | not met | undecided | failed | -
// A field that does not apply is "-". Plain C++: natively and under Wine.
#pragma once

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

namespace ploxen::bench {

// A value or baseline that was not measured (a failed round, no baseline).
constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

// What a figure must reach: its value, or its ratio to the baseline, at
// least or at most a bound. None by default.
class Goal {
 public:
  Goal() = default;
  static Goal RatioAtLeast(double bound) { return Goal(true, true, bound); }
  static Goal RatioAtMost(double bound) { return Goal(true, false, bound); }
  static Goal AtLeast(double bound) { return Goal(false, true, bound); }
  static Goal AtMost(double bound) { return Goal(false, false, bound); }
  // Says how the bound came about, e.g. "1.5 x baseline + 250 ms".
  Goal WithFormula(std::string formula) const {
    Goal g = *this;
    g.formula_ = std::move(formula);
    return g;
  }

  bool Set() const { return set_; }
  bool OfRatio() const { return set_ && ofRatio_; }
  bool Met(double value, double ratio) const {
    const double x = ofRatio_ ? ratio : value;
    return std::isfinite(x) && (atLeast_ ? x >= bound_ : x <= bound_);
  }
  std::string Text(const char* unit) const {
    if (!set_) return "-";
    std::string text = atLeast_ ? ">= " : "<= ";
    if (ofRatio_) {
      char bound[32];
      std::snprintf(bound, sizeof bound, "%.2f", bound_);
      return text + bound + " x baseline";
    }
    text += (formula_.empty() ? "" : formula_ + " = ") + Number(bound_);
    return *unit ? text + " " + unit : text;
  }

  // Large figures whole, small ones to four places: readable and exact enough.
  static std::string Number(double v) {
    if (!std::isfinite(v)) return "-";
    char text[48];
    std::snprintf(text, sizeof text, std::fabs(v) >= 1000 ? "%.0f" : "%.4g", v);
    return text;
  }

 private:
  Goal(bool ofRatio, bool atLeast, double bound) : set_(true), ofRatio_(ofRatio), atLeast_(atLeast), bound_(bound) {}

  bool set_ = false;
  bool ofRatio_ = false;
  bool atLeast_ = true;
  double bound_ = 0;
  std::string formula_;
};

// Prints the figure's line; false when it was not measured, or has a goal
// that it missed or could not decide. undecided: the baseline itself failed
// in a way that says nothing about the figure.
inline bool ReportFigure(const char* benchmark, std::string figure, double value, const char* unit,
                         double baseline = kNotMeasured, const Goal& goal = Goal(), bool undecided = false) {
  for (char& c : figure)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  const double ratio = std::isfinite(value) && std::isfinite(baseline) && baseline != 0 ? value / baseline
                                                                                        : kNotMeasured;
  const char* verdict = "-";
  bool met = true;
  // A ratio's goal says nothing without the baseline.
  if (!std::isfinite(value) || (goal.OfRatio() && !std::isfinite(ratio))) {
    verdict = "failed";
    met = false;
  } else if (goal.Set()) {
    met = !undecided && goal.Met(value, ratio);
    verdict = undecided ? "undecided" : met ? "met" : "not met";
  }
  char ratioText[32] = "-";
  if (std::isfinite(ratio)) std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
  std::printf("FIGURE\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", benchmark, figure.c_str(), Goal::Number(value).c_str(),
              unit, Goal::Number(baseline).c_str(), ratioText, goal.Text(unit).c_str(), verdict);
  std::fflush(stdout);
  return met;
}

}  // namespace ploxen::bench

#include "view/view_filter.h"

#include <algorithm>

namespace ploxen {

namespace {
constexpr std::uint8_t kNotKnown = 0;
constexpr std::uint8_t kNoHighlight = 1;
constexpr std::uint8_t kFirstRule = 2;
}  // namespace

void ViewFilter::SetRules(const std::vector<ViewRule>& rules) {
  rules_.assign(rules.begin(), rules.begin() + static_cast<std::ptrdiff_t>(std::min(rules.size(), kViewRuleMax)));
  Adopt();
}

void ViewFilter::Adopt() {
  RuleSet now(rules_);
  nextShown_.Clear();
  highlights_.clear();
  if (now.FiltersAs(inForce_)) {
    // The same rows: the index in force stays, and any filtering again ends.
    inForce_ = std::move(now);
    next_ = RuleSet();
    refiltering_ = false;
  } else {
    next_ = std::move(now);
    refiltering_ = true;
  }
}

bool ViewFilter::SwitchOff(RuleBits rules) {
  bool any = false;
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    if (!((rules >> i) & 1) || !rules_[i].on) continue;
    rules_[i].on = false;
    switchedOff_.push_back(i);
    ++switchedOffCount_;
    any = true;
  }
  if (any) Adopt();
  return any;
}

bool ViewFilter::Work(const MessageRows& rows, const SliceOver& over) {
  while (refiltering_) {
    if (nextShown_.Looked() == 0 && next_.Filters()) nextShown_.Reserve(rows.size());
    RuleBits gaveUp = 0;
    nextShown_.Extend(rows, next_, over, &gaveUp);
    if (!gaveUp) return nextShown_.Looked() == rows.size();
    // Filtering starts again without the rule, or ends when the rest
    // filters as the rules in force do.
    if (!SwitchOff(gaveUp) || (over && over())) return false;
  }
  return false;
}

RowFilter ViewFilter::TakeOver() {
  if (!refiltering_) return shown_;
  inForce_ = std::move(next_);
  next_ = RuleSet();
  RowFilter before = std::move(shown_);
  shown_ = std::move(nextShown_);
  nextShown_.Clear();
  highlights_.clear();
  refiltering_ = false;
  return before;
}

void ViewFilter::Extend(const MessageRows& rows, const SliceOver& over) {
  if (refiltering_) return;
  RuleBits gaveUp = 0;
  shown_.Extend(rows, inForce_, over, &gaveUp);
  if (gaveUp) SwitchOff(gaveUp);
}

const ViewRule* ViewFilter::Highlight(const MessageRows& rows, std::size_t row) {
  if (row >= rows.size()) return nullptr;
  for (;;) {
    if (!inForce_.Highlights()) return nullptr;
    if (highlights_.size() < rows.size()) highlights_.resize(rows.size(), kNotKnown);
    std::uint8_t& known = highlights_[row];
    if (known == kNotKnown) {
      RuleBits gaveUp = 0;
      const std::size_t rule = inForce_.HighlightRule(rows.Row(row), &gaveUp);
      // While filtering again the rules in force are not the list's any
      // more; the new ones meet the row again once they are in force.
      if (gaveUp && !refiltering_ && SwitchOff(gaveUp)) continue;
      known = rule == RuleSet::kNoRule ? kNoHighlight : static_cast<std::uint8_t>(kFirstRule + rule);
    }
    return known == kNoHighlight ? nullptr : &inForce_.Rule(known - kFirstRule);
  }
}

std::vector<std::size_t> ViewFilter::TakeSwitchedOff() {
  std::vector<std::size_t> rules;
  rules.swap(switchedOff_);
  std::sort(rules.begin(), rules.end());
  rules.erase(std::unique(rules.begin(), rules.end()), rules.end());
  return rules;
}

void ViewFilter::Clear() {
  shown_.Clear();
  nextShown_.Clear();
  highlights_.clear();
  highlights_.shrink_to_fit();
  // Without rows the new rules are complete at once.
  if (refiltering_) {
    inForce_ = std::move(next_);
    next_ = RuleSet();
    refiltering_ = false;
  }
}

std::size_t ViewFilter::DropOldest(std::size_t rows) {
  nextShown_.DropOldest(rows);
  highlights_.erase(highlights_.begin(), highlights_.begin() + static_cast<std::ptrdiff_t>(std::min(rows, highlights_.size())));
  return shown_.DropOldest(rows);
}

bool LastRowInView(std::size_t top, std::size_t page, std::size_t count) {
  return count == 0 || top + std::max<std::size_t>(page, 1) >= count;
}

ViewPlace PlaceAfterRefilter(const RowFilter& before, const RowFilter& after, const ViewPlace& was, bool following) {
  ViewPlace now;
  now.page = was.page;
  const std::size_t oldCount = before.ShownCount();
  const std::size_t newCount = after.ShownCount();
  const std::size_t page = std::max<std::size_t>(was.page, 1);
  if (was.selected < oldCount) now.selected = after.ShownIndexOf(before.Row(was.selected));
  const bool selectedInView = was.selected >= was.top && was.selected - was.top < page;
  if (following && LastRowInView(was.top, was.page, oldCount)) {
    now.top = newCount > page ? newCount - page : 0;
  } else if (now.selected != RowFilter::kNoShownRow && selectedInView) {
    now.top = KeptTop(now.selected, was.selected, was.top);
  } else {
    now.top = was.top < oldCount ? after.FirstShownFrom(before.Row(was.top)) : 0;
  }
  // Nothing shown from the old top row on: the last page.
  if (now.top >= newCount) now.top = newCount > page ? newCount - page : 0;
  return now;
}

ViewPlace PlaceAfterDrop(const ViewPlace& was, std::size_t gone, std::size_t count) {
  ViewPlace now;
  now.page = was.page;
  if (was.selected != RowFilter::kNoShownRow && was.selected >= gone && was.selected - gone < count)
    now.selected = was.selected - gone;
  const std::size_t page = std::max<std::size_t>(was.page, 1);
  now.top = was.top > gone ? was.top - gone : 0;
  // The rows from the top on fill the page where there are enough.
  const std::size_t lastPage = count > page ? count - page : 0;
  if (now.top > lastPage) now.top = lastPage;
  return now;
}

std::string SwitchedOffNotice(const std::vector<std::size_t>& rules) {
  if (rules.empty()) return {};
  std::string numbers;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    if (i) numbers += i + 1 == rules.size() ? " und " : ", ";
    numbers += std::to_string(rules[i] + 1);
  }
  if (rules.size() == 1)
    return "Regel " + numbers +
           " ist zu aufwendig und wurde ausgeschaltet: Ihr regul\xE4rer Ausdruck braucht f\xFCr manche Zeilen zu "
           "lange. Unter \"Ansicht\" > \"Filter ...\" k\xF6nnen Sie ihn \xE4ndern und die Regel wieder einschalten.";
  return "Die Regeln " + numbers +
         " sind zu aufwendig und wurden ausgeschaltet: Ihre regul\xE4ren Ausdr\xFC" "cke brauchen f\xFCr manche Zeilen "
         "zu lange. Unter \"Ansicht\" > \"Filter ...\" k\xF6nnen Sie sie \xE4ndern und die Regeln wieder einschalten.";
}

}  // namespace ploxen

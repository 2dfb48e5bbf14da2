// What the view shows of the rows: the rules in force, the index of the rows
// they show, each row's highlight, and filtering again after a rule change a
// slice at a time, so that the window's thread is never held for the whole
// list. A rule that gives up on a row is switched off here, and the user is
// told, so that a rule never hides or shows rows it could not judge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/row_store.h"
#include "search/rule_set.h"
#include "search/view_rules.h"

namespace ploxen {

// One slice of the view's filtering on the window's thread: the window
// answers within 0.1 s meanwhile, with room for a paint and for one slow row
// past the end of the slice, and the timer between slices (10 ms on Windows)
// leaves the filtering two thirds of the thread.
constexpr double kViewSliceMs = 20;

class ViewFilter {
 public:
  // New rules (the first kViewRuleMax). When they show other rows than the
  // rules in force, every row is filtered again by Work; until that is done
  // the view shows what it showed, and rows taken meanwhile join only then.
  void SetRules(const std::vector<ViewRule>& rules);
  // The rules as set, less those switched off since for giving up.
  const std::vector<ViewRule>& Rules() const { return rules_; }

  bool Refiltering() const { return refiltering_; }
  // Filters again until the slice is over. True when the new index is
  // complete (up to the last row taken); TakeOver then puts it in force.
  bool Work(const MessageRows& rows, const SliceOver& over);
  // Returns the index that was in force.
  RowFilter TakeOver();

  // The rows taken since, by the rules in force, until the slice is over;
  // nothing while filtering again.
  void Extend(const MessageRows& rows, const SliceOver& over);
  // The index in force.
  const RowFilter& Shown() const { return shown_; }
  bool Filters() const { return inForce_.Filters(); }

  // The highlight rule of a row (by its number in the store), worked out once
  // per row and rule change; nullptr for none.
  const ViewRule* Highlight(const MessageRows& rows, std::size_t row);

  // The places in the list of the rules switched off since the last call.
  std::vector<std::size_t> TakeSwitchedOff();
  // Counts every rule switched off, to notice one from a call.
  std::size_t SwitchedOffCount() const { return switchedOffCount_; }

  // Every row was deleted.
  void Clear();
  // The oldest rows were dropped from the store: the index in force, the
  // one being made and the highlights move up with the rows. Says how many
  // shown rows of the index in force went.
  std::size_t DropOldest(std::size_t rows);

 private:
  // The rules as they are now, either in force at once (they filter as the
  // rules in force do) or to be filtered again.
  void Adopt();
  // True when a rule was on.
  bool SwitchOff(RuleBits rules);

  std::vector<ViewRule> rules_;
  RuleSet inForce_;  // built from rules_ unless refiltering_
  RowFilter shown_;
  bool refiltering_ = false;
  RuleSet next_;  // built from rules_ while refiltering_
  RowFilter nextShown_;
  std::vector<std::uint8_t> highlights_;  // by row: 0 not known, 1 none, else 2 + the rule's place
  std::vector<std::size_t> switchedOff_;
  std::size_t switchedOffCount_ = 0;
};

// The last of count rows is in view when the rows from the top row on fill
// the page to it. A page of no rows (a list too low for one) counts as one.
bool LastRowInView(std::size_t top, std::size_t page, std::size_t count);

// Where the view was, in shown indexes of the index that was in force.
struct ViewPlace {
  std::size_t top = 0;
  std::size_t page = 0;  // rows the view holds
  std::size_t selected = RowFilter::kNoShownRow;
};

// Where the view goes once a new index is in force, as shown indexes of it:
// following and at the end, to the end; a selected row that was in view as
// far from the top as it was; otherwise the top row stays (or the first
// shown row after it, when it is hidden now). A selected row still shown
// stays selected, in view or not.
ViewPlace PlaceAfterRefilter(const RowFilter& before, const RowFilter& after, const ViewPlace& was, bool following);

// Where the view goes when the oldest rows went, gone of them shown at the
// front, count shown now, as shown indexes of the index without them: the
// selected row stays selected if it is still there (none is when it went);
// the top row stays where it still is, or the first row left is the top.
// Following and at the end, the end stays in view (the caller shows it).
ViewPlace PlaceAfterDrop(const ViewPlace& was, std::size_t gone, std::size_t count);

// What the user is told of rules switched off for giving up (their places
// in the list, from 0).
std::string SwitchedOffNotice(const std::vector<std::size_t>& rules);

}  // namespace ploxen

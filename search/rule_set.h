// The rules compiled for matching rows, and the index of the rows they show.
// Text rules of one kind of case share one pass over each column (a table of
// first and second bytes gives the rules a position can start); regular
// expressions run in Boost.Regex, whose bound on the work of one match makes
// a runaway expression give up on a line; the caller learns which rule did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "core/row_store.h"
#include "search/find.h"
#include "search/view_rules.h"

namespace ploxen {

// Rules by their place in the list, one bit each; a rule set looks at the
// first kViewRuleMax rules of a list only, as the list never holds more.
using RuleBits = std::uint64_t;

// Whether a slice of work on the window's thread is over; asked between
// rows. An empty one is never over.
using SliceOver = std::function<bool()>;
// A slice that ends that many milliseconds from now, by the steady clock.
SliceOver SliceOf(double milliseconds);

class RuleSet {
 public:
  RuleSet() = default;
  // Rules that are off, have an empty pattern or do not compile take no part.
  explicit RuleSet(const std::vector<ViewRule>& rules);

  // Some rule can hide a row: the list shows fewer rows than it took.
  bool Filters() const;
  // Both show the same rows: their rules that hide or show only are the same,
  // in the same order.
  bool FiltersAs(const RuleSet& other) const;
  // A regular expression takes part: one row may cost milliseconds.
  bool Slow() const;
  bool Highlights() const;
  // A rule that gives up on the row (its expression reached the bound on the
  // work of one match) counts as not matching; its bit is added to gaveUp.
  bool Shows(const MessageItem& row, RuleBits* gaveUp = nullptr) const;
  // The first highlight rule (in list order) that the row matches; nullptr
  // when none does.
  const ViewRule* Highlight(const MessageItem& row, RuleBits* gaveUp = nullptr) const;
  // The same as the rule's place in the list; kNoRule when none matches.
  std::size_t HighlightRule(const MessageItem& row, RuleBits* gaveUp = nullptr) const;
  // A rule of the list by its place, as HighlightRule gives it.
  const ViewRule& Rule(std::size_t index) const;

  static constexpr std::size_t kNoRule = static_cast<std::size_t>(-1);

  struct Impl;

 private:
  std::shared_ptr<const Impl> impl_;
};

// The rows shown, as row numbers of the store in their order. Without a rule
// that filters it keeps no list: row n is shown row n.
class RowFilter {
 public:
  // Filters every row again.
  void Rebuild(const MessageRows& rows, const RuleSet& rules);
  // Filters the rows taken since the last call.
  void Extend(const MessageRows& rows, const RuleSet& rules) { Extend(rows, rules, {}, nullptr); }
  // The same until the slice is over, or until a rule gives up on a row when
  // gaveUp is given: that row is left for later, and the rules that gave up
  // are added to gaveUp. Without gaveUp such a rule counts as not matching.
  void Extend(const MessageRows& rows, const RuleSet& rules, const SliceOver& over, RuleBits* gaveUp);
  void Clear();
  // The store dropped its oldest rows: those of them that were shown go,
  // and the rest keep their places one after another. Says how many shown
  // rows went.
  std::size_t DropOldest(std::size_t rows);
  // Room for that many shown rows ahead.
  void Reserve(std::size_t rows) { shown_.reserve(rows); }

  std::size_t Looked() const { return looked_; }
  std::size_t ShownCount() const { return all_ ? looked_ : shown_.size(); }
  std::size_t Row(std::size_t shownIndex) const { return all_ ? shownIndex : shown_[shownIndex]; }
  // Where a row is among the shown ones; kNoShownRow when it is hidden.
  std::size_t ShownIndexOf(std::size_t row) const;
  // The first shown row at or after a row, as a shown index; ShownCount()
  // when there is none.
  std::size_t FirstShownFrom(std::size_t row) const;
  // The shown rows from start on as row numbers.
  std::vector<std::size_t> ShownRows() const;

  static constexpr std::size_t kNoShownRow = static_cast<std::size_t>(-1);

 private:
  bool all_ = true;
  std::size_t looked_ = 0;
  std::vector<std::size_t> shown_;
};

// "Suchen" over the shown rows: from the shown index start on, the first
// shown row that holds the term, as a shown index; kNoRow when none does.
std::size_t FindShownRow(const MessageRows& rows, const RowFilter& filter, std::size_t start, std::string_view term,
                         bool caseSensitive);

// Where the top of the view goes after a new filtering so that the kept row
// stays as far from the top as it was.
std::size_t KeptTop(std::size_t keptShownIndex, std::size_t oldShownIndex, std::size_t oldTop);

}  // namespace ploxen

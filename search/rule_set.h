// The rules compiled for matching rows, and the index of the rows they show.
// Text rules of one kind of case share one pass over each column (a table of
// first and second bytes gives the rules a position can start); regular
// expressions run in Boost.Regex, whose bound on the work of one match turns
// a runaway expression into "does not match" for that line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/row_store.h"
#include "search/find.h"
#include "search/view_rules.h"

namespace ploxen {

class RuleSet {
 public:
  RuleSet() = default;
  // Rules that are off, have an empty pattern or do not compile take no part.
  explicit RuleSet(const std::vector<ViewRule>& rules);

  // Some rule can hide a row: the list shows fewer rows than it took.
  bool Filters() const;
  bool Shows(const MessageItem& row) const;
  // The first highlight rule (in list order) that the row matches; nullptr
  // when none does.
  const ViewRule* Highlight(const MessageItem& row) const;

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
  void Extend(const MessageRows& rows, const RuleSet& rules);
  void Clear();

  std::size_t Looked() const { return looked_; }
  std::size_t ShownCount() const { return all_ ? looked_ : shown_.size(); }
  std::size_t Row(std::size_t shownIndex) const { return all_ ? shownIndex : shown_[shownIndex]; }
  // Where a row is among the shown ones; kNoShownRow when it is hidden.
  std::size_t ShownIndexOf(std::size_t row) const;
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

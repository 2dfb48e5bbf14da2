#include "search/rule_set.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>

#include "search/find.h"
#include "search/unicode_regex.h"

namespace ploxen {

namespace {

using Bits = std::uint64_t;

int LowestBit(Bits bits) {
  // De Bruijn: portable, and no loop per bit.
  static constexpr int kIndex[64] = {0,  1,  48, 2,  57, 49, 28, 3,  61, 58, 50, 42, 38, 29, 17, 4,
                                     62, 55, 59, 36, 53, 51, 43, 22, 45, 39, 33, 30, 24, 18, 12, 5,
                                     63, 47, 56, 27, 60, 41, 37, 16, 54, 35, 52, 21, 44, 32, 23, 11,
                                     46, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
  return kIndex[((bits & (~bits + 1)) * 0x03F79D71B4CB0A89ull) >> 58];
}

// Up to 64 plain patterns of one kind of case, found in one pass over a
// text: each is looked for by its anchor (TermMatcher), and one table of the
// bytes that end an anchor's form gives the patterns a position can hold,
// for eight bytes at once.
class TextGroup {
 public:
  explicit TextGroup(bool caseSensitive) : caseSensitive_(caseSensitive) {}

  // The pattern of the rule with that bit.
  void Add(std::string_view pattern, int bit) {
    auto matcher = std::make_unique<TermMatcher>(pattern, caseSensitive_);
    const auto& ends = matcher->AnchorEnds();
    const auto& followers = matcher->AnchorFollowers();
    for (std::size_t b = 0; b < 256; ++b) {
      if (ends[b]) ends_[b] |= Bits{1} << bit;
      if (followers[b]) followers_[b] |= Bits{1} << bit;
    }
    if (followers[0]) atEnd_ |= Bits{1} << bit;
    matchers_[static_cast<std::size_t>(bit)] = std::move(matcher);
  }

  // Which of the wanted patterns the text holds.
  Bits Scan(std::string_view text, Bits wanted) const {
    const std::size_t n = text.size();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    Bits hits = 0;
    // One or two patterns go faster each by itself, eight bytes at a time.
    const Bits second = wanted & (wanted - 1);  // without the lowest
    if (!(second & (second - 1))) {
      for (Bits bits = wanted; bits; bits &= bits - 1)
        if (matchers_[static_cast<std::size_t>(LowestBit(bits))]->Matches(text)) hits |= bits & (~bits + 1);
      return hits;
    }
    Bits live = wanted;  // wanted and not found yet
    std::size_t i = 0;
    for (; i + 9 <= n; i += 8) {
      // Most places of eight end no anchor with a byte that may follow it:
      // look-ups without a branch say so.
      Bits any = 0;
      for (std::size_t k = i; k < i + 8; ++k) any |= ends_[s[k]] & followers_[s[k + 1]];
      if (!(any & live)) continue;
      for (std::size_t k = i; k < i + 8; ++k)
        if (Ends(text, k, wanted, hits, live)) return hits;
    }
    for (; i < n; ++i)
      if (Ends(text, i, wanted, hits, live)) return hits;
    return hits;
  }

 private:
  // Adds the patterns whose hit has its anchor end at `at`; true once every
  // wanted one is found.
  bool Ends(std::string_view text, std::size_t at, Bits wanted, Bits& hits, Bits& live) const {
    // The byte after the anchor's end narrows the patterns down.
    const Bits next = at + 1 < text.size() ? followers_[static_cast<unsigned char>(text[at + 1])] : atEnd_;
    for (Bits candidates = ends_[static_cast<unsigned char>(text[at])] & next & live; candidates;
         candidates &= candidates - 1) {
      const int bit = LowestBit(candidates);
      if (!matchers_[static_cast<std::size_t>(bit)]->AnchoredAt(text, at)) continue;
      hits |= Bits{1} << bit;
      live = wanted & ~hits;
      if (!live) return true;
      candidates &= live | (Bits{1} << bit);
    }
    return false;
  }

  bool caseSensitive_;
  std::array<Bits, 256> ends_{};
  std::array<Bits, 256> followers_{};
  Bits atEnd_ = 0;  // patterns whose anchor is their last character
  std::array<std::unique_ptr<TermMatcher>, 64> matchers_;
};

// The rules of one purpose (filtering, or highlighting), one bit each.
class Matcher {
 public:
  void Add(const ViewRule& rule, int bit) {
    const Bits mask = Bits{1} << bit;
    const int column = static_cast<int>(rule.column);
    all_ |= mask;
    // A text rule for every column looks at the row's strings in one pass:
    // its pattern holds no NUL, so no hit spans two of them. One with a NUL
    // can match no string and takes no part.
    const bool wholeRow = rule.kind == RuleKind::kText && column == 0;
    if (wholeRow) wholeRow_ |= mask;
    for (int c = 0; c < kColumnCount && !wholeRow; ++c)
      if (column == 0 || column == c + 1) (rule.kind == RuleKind::kText ? textColumns_ : regexColumns_)[static_cast<std::size_t>(c)] |= mask;
    if (rule.kind == RuleKind::kText) {
      if (rule.pattern.find('\0') != std::string::npos) return;
      (rule.caseSensitive ? exact_ : folded_).Add(rule.pattern, bit);
      (rule.caseSensitive ? exactBits_ : foldedBits_) |= mask;
    } else {
      regexes_.emplace_back(bit, UnicodeRegex(rule.pattern, rule.caseSensitive));
    }
  }

  bool HasRegex() const { return !regexes_.empty(); }

  // The rules the row matches; stops looking once every wanted one does, or
  // one of the stop bits. A rule that gives up on a column is added to
  // gaveUp and not looked at again.
  Bits Match(const MessageItem& row, Bits wanted, Bits stop, Bits& gaveUp) const {
    Bits found = 0;
    wanted &= all_;
    const std::size_t columns = std::min<std::size_t>(row.ColourCount(), kColumnCount);
    if (columns == 0) return 0;
    if (const Bits whole = wanted & wholeRow_) {
      std::size_t size = row.TextBlockSize();
      if (row.StringCount() > columns) size = row.PrefixLength(columns);
      const std::string_view text(row.TextBlock(), size);
      if (whole & foldedBits_) found |= folded_.Scan(text, whole & foldedBits_);
      if (whole & exactBits_) found |= exact_.Scan(text, whole & exactBits_);
      if (!(wanted & ~found & ~wholeRow_) || (found & stop)) return found;
    }
    // The strings in turn, each found once in the block (as row.Text(c) has them).
    const Bits byColumn = wanted & ~wholeRow_;
    const char* next = row.TextBlock();
    const char* const end = next + row.TextBlockSize();
    for (std::size_t c = 0; c < columns && (found & byColumn) != byColumn && !(found & stop); ++c) {
      const auto* nul = next ? static_cast<const char*>(std::memchr(next, '\0', static_cast<std::size_t>(end - next))) : nullptr;
      const std::string_view text = nul ? std::string_view(next, static_cast<std::size_t>(nul - next)) : std::string_view();
      next = nul ? nul + 1 : nullptr;
      const Bits textWanted = textColumns_[c] & wanted & ~found;
      if (textWanted & foldedBits_) found |= folded_.Scan(text, textWanted & foldedBits_);
      if (textWanted & exactBits_) found |= exact_.Scan(text, textWanted & exactBits_);
      const Bits regexWanted = regexColumns_[c] & wanted & ~found & ~gaveUp;
      if (!regexWanted) continue;
      const RegexText characters(text);
      for (const auto& [bit, regex] : regexes_) {
        const Bits mask = Bits{1} << bit;
        if (!(regexWanted & mask) || (found & mask)) continue;
        const RegexOutcome outcome = regex.Search(characters);
        if (outcome == RegexOutcome::kYes) found |= mask;
        if (outcome == RegexOutcome::kGaveUp) gaveUp |= mask;
      }
    }
    return found;
  }

 private:
  TextGroup folded_{false};
  TextGroup exact_{true};
  Bits foldedBits_ = 0, exactBits_ = 0, all_ = 0, wholeRow_ = 0;
  std::array<Bits, kColumnCount> textColumns_{};
  std::array<Bits, kColumnCount> regexColumns_{};
  std::vector<std::pair<int, UnicodeRegex>> regexes_;
};

}  // namespace

struct RuleSet::Impl {
  std::vector<ViewRule> rules;
  Matcher filter;
  Matcher highlight;
  Bits hide = 0, showOnly = 0, highlights = 0;
  std::vector<std::size_t> filterRule;     // by filter bit
  std::vector<std::size_t> highlightRule;  // by highlight bit
  std::vector<ViewRule> filterRules;       // by filter bit, to compare two sets
};

namespace {

// The rules' places in the list of the bits set.
RuleBits PlacesOf(Bits bits, const std::vector<std::size_t>& places) {
  RuleBits out = 0;
  for (; bits; bits &= bits - 1) out |= RuleBits{1} << places[static_cast<std::size_t>(LowestBit(bits))];
  return out;
}

}  // namespace

RuleSet::RuleSet(const std::vector<ViewRule>& rules) {
  auto impl = std::make_shared<Impl>();
  impl->rules.assign(rules.begin(), rules.begin() + static_cast<std::ptrdiff_t>(std::min(rules.size(), kViewRuleMax)));
  int filterBit = 0, highlightBit = 0;
  for (std::size_t i = 0; i < impl->rules.size(); ++i) {
    const ViewRule& rule = impl->rules[i];
    if (!rule.on || !RuleRefusal(rule).empty()) continue;
    if (rule.action == RuleAction::kHighlight) {
      impl->highlight.Add(rule, highlightBit);
      impl->highlights |= Bits{1} << highlightBit;
      impl->highlightRule.push_back(i);
      ++highlightBit;
    } else {
      impl->filter.Add(rule, filterBit);
      (rule.action == RuleAction::kHide ? impl->hide : impl->showOnly) |= Bits{1} << filterBit;
      impl->filterRule.push_back(i);
      impl->filterRules.push_back(rule);
      ++filterBit;
    }
  }
  if (impl->hide || impl->showOnly || impl->highlights) impl_ = std::move(impl);
}

bool RuleSet::Filters() const { return impl_ && (impl_->hide || impl_->showOnly); }

bool RuleSet::FiltersAs(const RuleSet& other) const {
  if (!Filters() || !other.Filters()) return Filters() == other.Filters();
  return impl_->filterRules == other.impl_->filterRules;
}

bool RuleSet::Slow() const { return impl_ && (impl_->filter.HasRegex() || impl_->highlight.HasRegex()); }

bool RuleSet::Highlights() const { return impl_ && impl_->highlights; }

bool RuleSet::Shows(const MessageItem& row, RuleBits* gaveUp) const {
  if (!Filters()) return true;
  // One pass for both kinds; a hide rule wins over a show-only rule.
  Bits failed = 0;
  const Bits found = impl_->filter.Match(row, impl_->hide | impl_->showOnly, impl_->hide, failed);
  if (failed && gaveUp) *gaveUp |= PlacesOf(failed, impl_->filterRule);
  if (found & impl_->hide) return false;
  return !impl_->showOnly || (found & impl_->showOnly) != 0;
}

std::size_t RuleSet::HighlightRule(const MessageItem& row, RuleBits* gaveUp) const {
  if (!Highlights()) return kNoRule;
  Bits failed = 0;
  const Bits found = impl_->highlight.Match(row, impl_->highlights, 0, failed);
  if (failed && gaveUp) *gaveUp |= PlacesOf(failed, impl_->highlightRule);
  if (!found) return kNoRule;
  return impl_->highlightRule[static_cast<std::size_t>(LowestBit(found))];
}

const ViewRule* RuleSet::Highlight(const MessageItem& row, RuleBits* gaveUp) const {
  const std::size_t rule = HighlightRule(row, gaveUp);
  return rule == kNoRule ? nullptr : &impl_->rules[rule];
}

const ViewRule& RuleSet::Rule(std::size_t index) const { return impl_->rules[index]; }

SliceOver SliceOf(double milliseconds) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double, std::milli>(milliseconds));
  return [end] { return std::chrono::steady_clock::now() >= end; };
}

void RowFilter::Rebuild(const MessageRows& rows, const RuleSet& rules) {
  Clear();
  if (rules.Filters()) shown_.reserve(rows.size());
  Extend(rows, rules);
}

void RowFilter::Extend(const MessageRows& rows, const RuleSet& rules, const SliceOver& over, RuleBits* gaveUp) {
  if (rules.Filters() && all_) {
    // Every row looked at so far was shown.
    shown_.resize(looked_);
    for (std::size_t r = 0; r < looked_; ++r) shown_[r] = r;
    all_ = false;
  }
  if (all_) {
    looked_ = rows.size();
    return;
  }
  // A row of text rules costs well under a microsecond, one with a regular
  // expression up to milliseconds: the clock is read accordingly.
  const std::size_t stride = rules.Slow() ? 1 : 1024;
  std::size_t untilLook = stride;
  while (looked_ < rows.size()) {
    RuleBits failed = 0;
    const bool shows = rules.Shows(rows.Row(looked_), gaveUp ? &failed : nullptr);
    if (failed) {
      *gaveUp |= failed;
      return;
    }
    if (shows) shown_.push_back(looked_);
    ++looked_;
    if (--untilLook == 0) {
      if (over && over()) return;
      untilLook = stride;
    }
  }
}

void RowFilter::Clear() {
  all_ = true;
  looked_ = 0;
  shown_.clear();
  shown_.shrink_to_fit();
}

std::size_t RowFilter::DropOldest(std::size_t rows) {
  // Rows not yet looked at may go too: the store can run ahead of the view.
  const std::size_t lookedGone = std::min(rows, looked_);
  looked_ -= lookedGone;
  if (all_) return lookedGone;
  const auto kept = std::lower_bound(shown_.begin(), shown_.end(), rows);
  const auto gone = static_cast<std::size_t>(kept - shown_.begin());
  shown_.erase(shown_.begin(), kept);
  for (std::size_t& row : shown_) row -= rows;
  return gone;
}

std::size_t RowFilter::ShownIndexOf(std::size_t row) const {
  if (all_) return row < looked_ ? row : kNoShownRow;
  const auto it = std::lower_bound(shown_.begin(), shown_.end(), row);
  return it != shown_.end() && *it == row ? static_cast<std::size_t>(it - shown_.begin()) : kNoShownRow;
}

std::size_t RowFilter::FirstShownFrom(std::size_t row) const {
  if (all_) return row < looked_ ? row : looked_;
  return static_cast<std::size_t>(std::lower_bound(shown_.begin(), shown_.end(), row) - shown_.begin());
}

std::vector<std::size_t> RowFilter::ShownRows() const {
  if (!all_) return shown_;
  std::vector<std::size_t> rows(looked_);
  for (std::size_t r = 0; r < looked_; ++r) rows[r] = r;
  return rows;
}

std::size_t FindShownRow(const MessageRows& rows, const RowFilter& filter, std::size_t start, std::string_view term,
                         bool caseSensitive) {
  const TermMatcher matcher(term, caseSensitive);
  for (std::size_t shown = start; shown < filter.ShownCount(); ++shown)
    if (matcher.Matches(rows.Row(filter.Row(shown)))) return shown;
  return kNoRow;
}

std::size_t KeptTop(std::size_t keptShownIndex, std::size_t oldShownIndex, std::size_t oldTop) {
  const std::size_t offset = oldShownIndex >= oldTop ? oldShownIndex - oldTop : 0;
  return keptShownIndex >= offset ? keptShownIndex - offset : 0;
}

}  // namespace ploxen

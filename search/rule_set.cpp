#include "search/rule_set.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <exception>

// The bound on the states one match may visit, instead of Boost's 100
// million: a runaway expression gives up after a few milliseconds on a line,
// while no sensible expression comes near it.
#define BOOST_REGEX_MAX_STATE_COUNT 2000000
#include <boost/regex.hpp>

#include "search/find.h"

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

const std::array<unsigned char, 256>& SameCaseTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    return t;
  }();
  return table;
}

// Up to 64 plain patterns of one kind of case, found in one pass over a text.
class TextGroup {
 public:
  explicit TextGroup(bool caseSensitive) : fold_(caseSensitive ? SameCaseTable() : UpperCaseTable()) {}

  // The pattern of the rule with that bit.
  void Add(std::string_view pattern, int bit) {
    std::string folded(pattern);
    for (char& c : folded) c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
    const Bits mask = Bits{1} << bit;
    for (int c = 0; c < 256; ++c) {
      const unsigned char f = fold_[static_cast<std::size_t>(c)];
      if (f == static_cast<unsigned char>(folded[0])) first_[static_cast<std::size_t>(c)] |= mask;
      if (folded.size() == 1 || f == static_cast<unsigned char>(folded[1])) second_[static_cast<std::size_t>(c)] |= mask;
    }
    if (folded.size() == 1) single_ |= mask;
    patterns_[static_cast<std::size_t>(bit)] = std::move(folded);
  }

  // Which of the wanted patterns the text holds.
  Bits Scan(std::string_view text, Bits wanted) const {
    const std::size_t n = text.size();
    if (n == 0 || wanted == 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    Bits hits = 0;
    Bits live = wanted;  // wanted and not found yet
    for (std::size_t i = 0; i + 1 < n; ++i) {
      // Most bytes start no pattern: one look-up decides.
      const Bits starting = first_[s[i]] & live;
      if (!starting) continue;
      Bits candidates = starting & second_[s[i + 1]];
      while (candidates) {
        const int bit = LowestBit(candidates);
        candidates &= candidates - 1;
        const std::string& p = patterns_[static_cast<std::size_t>(bit)];
        if (p.size() > n - i) continue;
        std::size_t k = 2;
        while (k < p.size() && fold_[s[i + k]] == static_cast<unsigned char>(p[k])) ++k;
        if (k >= p.size()) {
          hits |= Bits{1} << bit;
          live = wanted & ~hits;
          if (!live) return hits;
        }
      }
    }
    hits |= first_[s[n - 1]] & single_ & wanted;
    return hits;
  }

 private:
  const std::array<unsigned char, 256>& fold_;
  std::array<Bits, 256> first_{};
  std::array<Bits, 256> second_{};
  Bits single_ = 0;
  std::array<std::string, 64> patterns_;
};

// Case is folded by code page 1252 in the engine itself, to small letters:
// pattern and text stay as typed, and a range of accented letters stays a
// range ([\xE0-\xFF] upper-cased would run backwards, as \xFF's capital is 0x9F).
class Cp1252Traits : public boost::cpp_regex_traits<char> {
 public:
  char translate_nocase(char c) const { return static_cast<char>(LowerCaseTable()[static_cast<unsigned char>(c)]); }
  char translate(char c, bool icase) const { return icase ? translate_nocase(c) : c; }
  char translate(char c) const { return c; }
  char tolower(char c) const { return translate_nocase(c); }
  char toupper(char c) const { return static_cast<char>(UpperCaseTable()[static_cast<unsigned char>(c)]); }
};
using Regex = boost::basic_regex<char, Cp1252Traits>;

Regex::flag_type RegexFlags(bool caseSensitive) {
  return caseSensitive ? Regex::perl : Regex::perl | Regex::icase;
}

enum class Outcome { kNo, kYes, kGaveUp };

struct RegexRule {
  Regex expression;

  Outcome Matches(std::string_view text) const {
    try {
      return boost::regex_search(text.begin(), text.end(), expression, boost::match_any) ? Outcome::kYes : Outcome::kNo;
    } catch (const std::exception&) {
      // The bound on the work was reached (or on the stack, or memory).
      return Outcome::kGaveUp;
    }
  }
};

// The rules of one purpose (filtering, or highlighting), one bit each.
class Matcher {
 public:
  void Add(const ViewRule& rule, int bit) {
    const Bits mask = Bits{1} << bit;
    const int column = static_cast<int>(rule.column);
    for (int c = 0; c < kColumnCount; ++c)
      if (column == 0 || column == c + 1) (rule.kind == RuleKind::kText ? textColumns_ : regexColumns_)[static_cast<std::size_t>(c)] |= mask;
    all_ |= mask;
    if (rule.kind == RuleKind::kText) {
      (rule.caseSensitive ? exact_ : folded_).Add(rule.pattern, bit);
      (rule.caseSensitive ? exactBits_ : foldedBits_) |= mask;
    } else {
      regexes_.push_back({bit, RegexRule{Regex(rule.pattern, RegexFlags(rule.caseSensitive))}});
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
    for (std::size_t c = 0; c < columns && found != wanted && !(found & stop); ++c) {
      const std::string_view text = row.Text(c);
      const Bits textWanted = textColumns_[c] & wanted & ~found;
      if (textWanted & foldedBits_) found |= folded_.Scan(text, textWanted & foldedBits_);
      if (textWanted & exactBits_) found |= exact_.Scan(text, textWanted & exactBits_);
      const Bits regexWanted = regexColumns_[c] & wanted & ~found & ~gaveUp;
      if (!regexWanted) continue;
      for (const auto& [bit, regex] : regexes_) {
        const Bits mask = Bits{1} << bit;
        if (!(regexWanted & mask) || (found & mask)) continue;
        const Outcome outcome = regex.Matches(text);
        if (outcome == Outcome::kYes) found |= mask;
        if (outcome == Outcome::kGaveUp) gaveUp |= mask;
      }
    }
    return found;
  }

 private:
  TextGroup folded_{false};
  TextGroup exact_{true};
  Bits foldedBits_ = 0, exactBits_ = 0, all_ = 0;
  std::array<Bits, kColumnCount> textColumns_{};
  std::array<Bits, kColumnCount> regexColumns_{};
  std::vector<std::pair<int, RegexRule>> regexes_;
};

std::string RegexErrorText(boost::regex_constants::error_type code) {
  namespace rc = boost::regex_constants;
  switch (code) {
    case rc::error_paren: return "Klammern ( ) passen nicht zueinander";
    case rc::error_brack: return "Eckige Klammern [ ] passen nicht zueinander";
    case rc::error_brace: return "Geschweifte Klammern { } passen nicht zueinander";
    case rc::error_badbrace: return "Ung\xFCltige Wiederholungsangabe in { }";
    case rc::error_range: return "Ung\xFCltiger Zeichenbereich";
    case rc::error_escape: return "Ung\xFCltige Escape-Sequenz mit \\";
    case rc::error_backref: return "Ung\xFCltiger R\xFC" "ckverweis";
    case rc::error_badrepeat: return "Wiederholung (* + ? {}) ohne vorangehenden Ausdruck";
    case rc::error_ctype: return "Unbekannte Zeichenklasse";
    case rc::error_collate: return "Unbekanntes Sortierelement";
    case rc::error_complexity:
    case rc::error_space:
    case rc::error_stack: return "Der Ausdruck ist zu komplex";
    case rc::error_empty: return "Leerer Ausdruck";
    case rc::error_end: return "Unerwartetes Ende des Ausdrucks";
    case rc::error_perl_extension: return "Ung\xFCltige Perl-Erweiterung (?...)";
    default: return "Ung\xFCltiger Ausdruck";
  }
}

}  // namespace

std::string RegexError(std::string_view pattern, bool caseSensitive) {
  try {
    const Regex expression(std::string(pattern), RegexFlags(caseSensitive));
    return {};
  } catch (const boost::regex_error& e) {
    return "Der regul\xE4re Ausdruck ist fehlerhaft: " + RegexErrorText(e.code()) + " (an Position " +
           std::to_string(e.position() + 1) + ").";
  } catch (const std::exception&) {
    return "Der regul\xE4re Ausdruck ist fehlerhaft.";
  }
}

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
  for (std::size_t shown = start; shown < filter.ShownCount(); ++shown) {
    const MessageItem& item = rows.Row(filter.Row(shown));
    for (std::size_t i = 0; i < item.ColourCount(); ++i)
      if (matcher.Matches(item.Text(i))) return shown;
  }
  return kNoRow;
}

std::size_t KeptTop(std::size_t keptShownIndex, std::size_t oldShownIndex, std::size_t oldTop) {
  const std::size_t offset = oldShownIndex >= oldTop ? oldShownIndex - oldTop : 0;
  return keptShownIndex >= offset ? keptShownIndex - offset : 0;
}

}  // namespace ploxen

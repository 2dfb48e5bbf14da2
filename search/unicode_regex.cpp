#include "search/unicode_regex.h"

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <locale>

// The bound on the states one match may visit, instead of Boost's 100
// million: a runaway expression gives up after a few milliseconds on a line,
// while no sensible expression comes near it.
#define BOOST_REGEX_MAX_STATE_COUNT 2000000
#include <boost/regex.hpp>

#include "core/text.h"
#include "search/find.h"
#include "search/unicode_tables.h"
#include "search/view_rules.h"

namespace ploxen {

namespace {

// Classes beyond those of the Unicode tables (CharacterClass, the low byte).
enum ExtraClass : std::uint32_t {
  kClassBlank = 1u << 8,       // space within a line
  kClassControl = 1u << 9,
  kClassGraph = 1u << 10,      // visible
  kClassPrint = 1u << 11,      // visible or blank
  kClassBeyondLatin1 = 1u << 12,  // [[:unicode:]]
  kClassVertical = 1u << 13,   // \v: line and paragraph breaks
  kClassHexDigit = 1u << 14,
};
constexpr std::uint32_t kClassWord = kClassLetter | kClassMark | kClassDecimalDigit | kClassConnector;

// ASCII as the classic locale classes it, which the expressions always
// used: [[:punct:]] holds $ + < = > ^ ` | ~, which Unicode calls symbols.
constexpr std::uint32_t AsciiClasses(char32_t c) {
  std::uint32_t classes = 0;
  const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z', digit = c >= '0' && c <= '9';
  if (upper || lower) classes |= kClassLetter | (upper ? kClassUpper : kClassLower);
  if (digit) classes |= kClassDecimalDigit;
  if (c == '_') classes |= kClassConnector;
  if (c == ' ' || (c >= '\t' && c <= '\r')) classes |= kClassSpace;
  if (c == ' ' || c == '\t') classes |= kClassBlank;
  if (c >= '\n' && c <= '\r') classes |= kClassVertical;
  if (c < 0x20 || c == 0x7F) classes |= kClassControl;
  if (c > 0x20 && c < 0x7F) classes |= kClassGraph | (upper || lower || digit ? 0 : kClassPunctuation);
  if (c >= 0x20 && c < 0x7F) classes |= kClassPrint;
  if (digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) classes |= kClassHexDigit;
  return classes;
}

constexpr std::array<std::uint32_t, 128> MakeAsciiClasses() {
  std::array<std::uint32_t, 128> table{};
  for (char32_t a = 0; a < 128; ++a) table[a] = AsciiClasses(a);
  return table;
}
constexpr std::array<std::uint32_t, 128> kAsciiClasses = MakeAsciiClasses();

std::uint32_t ClassesOf(char32_t c) {
  if (c < 0x80) return kAsciiClasses[c];
  std::uint32_t classes = CharacterClasses(c);
  const bool control = c <= 0x9F;
  const bool vertical = c == 0x85 || c == 0x2028 || c == 0x2029;
  if (control) classes |= kClassControl;
  if (vertical) classes |= kClassVertical;
  if ((classes & kClassSpace) && !vertical) classes |= kClassBlank;
  if (!control && c <= 0x10FFFF) classes |= kClassPrint | ((classes & kClassSpace) ? 0u : std::uint32_t{kClassGraph});
  if (c > 0xFF) classes |= kClassBeyondLatin1;
  return classes;
}

// Boost.Regex's traits for code points: folding, classes and ranges by
// Unicode, the syntax of Perl's expressions.
class UnicodeTraits {
 public:
  using char_type = char32_t;
  using size_type = std::size_t;
  using string_type = std::u32string;
  using locale_type = std::locale;
  using char_class_type = std::uint32_t;
  struct boost_extensions_tag {};

  static size_type length(const char_type* p) { return std::char_traits<char32_t>::length(p); }

  boost::regex_constants::syntax_type syntax_type(char_type c) const {
    return c > 0 && c < 0x7F ? boost::BOOST_REGEX_DETAIL_NS::get_default_syntax_type(static_cast<char>(c))
                             : boost::regex_constants::syntax_char;
  }
  boost::regex_constants::escape_syntax_type escape_syntax_type(char_type c) const {
    return c > 0 && c < 0x7F ? boost::BOOST_REGEX_DETAIL_NS::get_default_escape_syntax_type(static_cast<char>(c))
                             : boost::regex_constants::escape_type_identity;
  }
  char_type translate(char_type c) const { return c; }
  char_type translate_nocase(char_type c) const {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return FoldCase(c);
  }
  char_type translate(char_type c, bool icase) const { return icase ? translate_nocase(c) : c; }
  char_type tolower(char_type c) const { return FoldCase(c); }
  char_type toupper(char_type c) const { return c >= 'a' && c <= 'z' ? c - 32 : c; }
  string_type transform(const char_type* p1, const char_type* p2) const { return string_type(p1, p2); }
  // [[=a=]]: the characters that fold alike.
  string_type transform_primary(const char_type* p1, const char_type* p2) const {
    string_type s(p1, p2);
    for (char32_t& c : s) c = FoldCase(c);
    return s;
  }

  char_class_type lookup_classname(const char_type* p1, const char_type* p2) const {
    // In the order of Boost's own class names (alnum ... xdigit).
    static const char_class_type kMasks[] = {
        kClassLetter | kClassDecimalDigit, kClassLetter, kClassBlank, kClassControl, kClassDecimalDigit,
        kClassDecimalDigit, kClassGraph, kClassBlank, kClassLower, kClassLower, kClassPrint, kClassPunctuation,
        kClassSpace, kClassSpace, kClassUpper, kClassBeyondLatin1, kClassUpper, kClassVertical, kClassWord,
        kClassWord, kClassHexDigit};
    const int id = boost::BOOST_REGEX_DETAIL_NS::get_default_class_id(p1, p2);
    if (id >= 0 && static_cast<std::size_t>(id) < sizeof kMasks / sizeof kMasks[0]) return kMasks[id];
    // \p{L} and the like, for the categories the tables know.
    static const struct {
      const char* name;
      char_class_type mask;
    } kCategories[] = {{"L", kClassLetter}, {"Lu", kClassUpper}, {"Ll", kClassLower}, {"M", kClassMark},
                       {"Nd", kClassDecimalDigit}, {"P", kClassPunctuation}, {"Pc", kClassConnector}};
    const std::u32string name(p1, p2);
    for (const auto& category : kCategories)
      if (name == std::u32string(category.name, category.name + std::char_traits<char>::length(category.name)))
        return category.mask;
    return 0;
  }
  string_type lookup_collatename(const char_type* p1, const char_type* p2) const {
    std::string name;
    for (const char_type* p = p1; p != p2; ++p) {
      if (*p >= 0x80) return p2 - p1 == 1 ? string_type(1, *p1) : string_type();
      name += static_cast<char>(*p);
    }
    const std::string named = boost::BOOST_REGEX_DETAIL_NS::lookup_default_collate_name(name);
    if (!named.empty()) return string_type(named.begin(), named.end());
    return p2 - p1 == 1 ? string_type(1, *p1) : string_type();
  }
  bool isctype(char_type c, char_class_type mask) const { return (ClassesOf(c) & mask) != 0; }
  std::intmax_t toi(const char_type*& p1, const char_type* p2, int radix) const {
    return boost::BOOST_REGEX_DETAIL_NS::global_toi(p1, p2, radix, *this);
  }
  int value(char_type c, int radix) const {
    int v = -1;
    if (c >= '0' && c <= '9') v = static_cast<int>(c - '0');
    else if (c >= 'a' && c <= 'z') v = static_cast<int>(c - 'a') + 10;
    else if (c >= 'A' && c <= 'Z') v = static_cast<int>(c - 'A') + 10;
    return v < radix ? v : -1;
  }
  locale_type imbue(locale_type l) {
    std::swap(l, locale_);
    return l;
  }
  locale_type getloc() const { return locale_; }
  std::string error_string(boost::regex_constants::error_type n) const {
    return boost::BOOST_REGEX_DETAIL_NS::get_default_error_string(n);
  }

 private:
  std::locale locale_;
};

using Regex = boost::basic_regex<char32_t, UnicodeTraits>;

// The bytes of an ASCII string as code points, so that the most common rows
// are matched without being copied.
class AsciiIterator {
 public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = char32_t;
  using difference_type = std::ptrdiff_t;
  using pointer = const char32_t*;
  using reference = char32_t;

  AsciiIterator() = default;
  explicit AsciiIterator(const char* p) : p_(p) {}
  char32_t operator*() const { return static_cast<unsigned char>(*p_); }
  char32_t operator[](difference_type n) const { return static_cast<unsigned char>(p_[n]); }
  AsciiIterator& operator++() { ++p_; return *this; }
  AsciiIterator operator++(int) { AsciiIterator old = *this; ++p_; return old; }
  AsciiIterator& operator--() { --p_; return *this; }
  AsciiIterator operator--(int) { AsciiIterator old = *this; --p_; return old; }
  AsciiIterator& operator+=(difference_type n) { p_ += n; return *this; }
  AsciiIterator& operator-=(difference_type n) { p_ -= n; return *this; }
  friend AsciiIterator operator+(AsciiIterator i, difference_type n) { return i += n; }
  friend AsciiIterator operator+(difference_type n, AsciiIterator i) { return i += n; }
  friend AsciiIterator operator-(AsciiIterator i, difference_type n) { return i -= n; }
  friend difference_type operator-(AsciiIterator a, AsciiIterator b) { return a.p_ - b.p_; }
  friend bool operator==(AsciiIterator a, AsciiIterator b) { return a.p_ == b.p_; }
  friend bool operator!=(AsciiIterator a, AsciiIterator b) { return a.p_ != b.p_; }
  friend bool operator<(AsciiIterator a, AsciiIterator b) { return a.p_ < b.p_; }
  friend bool operator>(AsciiIterator a, AsciiIterator b) { return a.p_ > b.p_; }
  friend bool operator<=(AsciiIterator a, AsciiIterator b) { return a.p_ <= b.p_; }
  friend bool operator>=(AsciiIterator a, AsciiIterator b) { return a.p_ >= b.p_; }

 private:
  const char* p_ = nullptr;
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

bool RegexText::Ascii() const {
  if (!looked_) looked_ = IsAscii(utf8_) ? 1 : 2;
  return looked_ == 1;
}

std::u32string_view RegexText::CodePoints() const {
  if (looked_ == 3) return {data_, size_};
  // A string has no more characters than bytes. A zero always follows the
  // last one: the expression parser reads the character after a backslash
  // that ends a set before it looks for the end, and an escape of a class
  // letter there (left by an earlier pattern) sent it on past the end.
  char32_t* out = inline_;
  if (utf8_.size() >= kInline) {
    heap_.resize(utf8_.size() + 1);
    out = &heap_[0];
  }
  data_ = out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8_.data());
  std::size_t at = 0;
  while (at < utf8_.size()) {
    if (s[at] < 0x80)
      out[size_++] = s[at++];
    else
      out[size_++] = NextCodePoint(utf8_, at);
  }
  out[size_] = 0;
  looked_ = 3;
  return {data_, size_};
}

namespace {

// Past a bracket expression that starts at `at`.
std::size_t SkipClass(std::string_view p, std::size_t at) {
  std::size_t i = at + 1;
  if (i < p.size() && p[i] == '^') ++i;
  if (i < p.size() && p[i] == ']') ++i;  // a ] first is a member
  while (i < p.size()) {
    if (p[i] == '\\') {
      i += 2;
    } else if (p[i] == '[' && i + 1 < p.size() && std::strchr(":.=", p[i + 1])) {
      const std::size_t close = p.find(std::string{p[i + 1], ']'}, i + 2);
      if (close == std::string_view::npos) return p.size();
      i = close + 2;
    } else if (p[i] == ']') {
      return i + 1;
    } else {
      ++i;
    }
  }
  return p.size();
}

std::size_t SequenceLength(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

constexpr std::size_t kUnsure = static_cast<std::size_t>(-1);

// Past an escape that is no plain character (a class, an anchor, a code, a
// reference) with whatever it takes along: \cX, \x41, \x{41}, \p{L}, \1;
// kUnsure where its end is not plain to see.
std::size_t PastEscape(std::string_view p, std::size_t at) {
  if (at + 1 >= p.size()) return kUnsure;
  const unsigned char e = static_cast<unsigned char>(p[at + 1]);
  std::size_t i = at + 1 + SequenceLength(e);
  if (e == 'c') return i < p.size() ? i + SequenceLength(static_cast<unsigned char>(p[i])) : kUnsure;
  if (e == 'g' || e == 'k') return kUnsure;  // references by name or relative number
  if (!std::isalnum(e)) return i;
  while (i < p.size() && std::isalnum(static_cast<unsigned char>(p[i]))) ++i;
  if (i < p.size() && p[i] == '{') {
    const std::size_t close = p.find('}', i);
    if (close == std::string_view::npos || p.substr(i, close - i).find_first_of("()[]|\\") != std::string_view::npos)
      return kUnsure;
    i = close + 1;
  }
  return i;
}

}  // namespace

std::string RequiredLiteral(std::string_view p) {
  // Alternatives anywhere, even in a group, are left alone: a misread
  // group must never make text seem required that is not.
  if (!IsValidUtf8(p) || p.find_first_of("|") != std::string_view::npos || p.find("(?") != std::string_view::npos ||
      p.find("\\Q") != std::string_view::npos)
    return {};
  std::string best, run;
  const auto endRun = [&] {
    if (CharacterCount(run) > CharacterCount(best)) best = run;
    run.clear();
  };
  int depth = 0;
  std::size_t i = 0;
  while (i < p.size()) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    const bool plainEscape = c == '\\' && i + 1 < p.size() && static_cast<unsigned char>(p[i + 1]) < 0x80 &&
                             !std::isalnum(static_cast<unsigned char>(p[i + 1])) && !std::strchr("`'<>", p[i + 1]);
    if (c == '\\' && !plainEscape) {
      endRun();
      i = PastEscape(p, i);
      if (i == kUnsure) return {};
      continue;
    }
    if (c == '[') {
      endRun();
      i = SkipClass(p, i);
      continue;
    }
    if (depth > 0) {
      // Inside a group nothing is sure to be matched; only its end matters.
      if (c == '(') ++depth;
      if (c == ')') --depth;
      i += plainEscape ? 2 : SequenceLength(c);
      continue;
    }
    std::size_t from = i, next = i + SequenceLength(c);
    if (plainEscape) {
      from = i + 1;
      next = i + 2;
    } else if (std::strchr("^$.?*+(){}]", c)) {
      endRun();
      if (c == '(') ++depth;
      // A count in braces holds no text to match; a brace that starts none
      // is taken as a character, which it is not worth looking for.
      std::size_t j = i + 1;
      if (c == '{')
        while (j < p.size() && (std::isdigit(static_cast<unsigned char>(p[j])) || p[j] == ',')) ++j;
      i = c == '{' && j > i + 1 && j < p.size() && p[j] == '}' ? j + 1 : i + 1;
      continue;
    }
    // A quantifier makes the character optional, or its count unknown.
    if (next < p.size() && std::strchr("?*+{", p[next])) {
      endRun();
      i = next;
      continue;
    }
    run.append(p.substr(from, next - from));
    i = next;
  }
  endRun();
  return best;
}

struct UnicodeRegex::Impl {
  Regex expression;
  std::unique_ptr<TermMatcher> required;  // none when nothing worth looking for first
};

UnicodeRegex::UnicodeRegex(std::string_view pattern, bool caseSensitive) {
  const RegexText characters(pattern);
  const std::u32string_view p = characters.CodePoints();
  try {
    auto impl = std::make_shared<Impl>();
    impl->expression.assign(p.data(), p.data() + p.size(), caseSensitive ? Regex::perl : Regex::perl | Regex::icase);
    const std::string required = RequiredLiteral(pattern);
    if (CharacterCount(required) > 1) impl->required = std::make_unique<TermMatcher>(required, caseSensitive);
    impl_ = std::move(impl);
  } catch (const boost::regex_error& e) {
    error_ = "Der regul\xE4re Ausdruck ist fehlerhaft: " + RegexErrorText(e.code()) + " (an Position " +
             std::to_string(e.position() + 1) + ").";
  } catch (const std::exception&) {
    error_ = "Der regul\xE4re Ausdruck ist fehlerhaft.";
  }
}

RegexOutcome UnicodeRegex::Search(const RegexText& text) const {
  if (!impl_) return RegexOutcome::kNo;
  if (impl_->required && !impl_->required->Matches(text.Utf8())) return RegexOutcome::kNo;
  try {
    bool found;
    if (text.Ascii()) {
      const std::string_view bytes = text.Utf8();
      found = boost::regex_search(AsciiIterator(bytes.data()), AsciiIterator(bytes.data() + bytes.size()),
                                  impl_->expression, boost::match_any);
    } else {
      const std::u32string_view characters = text.CodePoints();
      found = boost::regex_search(characters.data(), characters.data() + characters.size(), impl_->expression,
                                  boost::match_any);
    }
    return found ? RegexOutcome::kYes : RegexOutcome::kNo;
  } catch (const std::exception&) {
    return RegexOutcome::kGaveUp;
  }
}

std::string RegexError(std::string_view pattern, bool caseSensitive) {
  return UnicodeRegex(pattern, caseSensitive).Error();
}

}  // namespace ploxen

// The view's regular expressions, over characters: a row's UTF-8 is decoded
// to code points, so `.` is one character, a range such as [à-ÿ] is one of
// code points, and \w, \d, \s and [[:alpha:]] know every script. Ignoring
// case is Unicode's simple case folding, in the engine itself, so a pattern
// stays as typed. Boost.Regex does the matching; only this file's .cpp sees
// it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace ploxen {

enum class RegexOutcome { kNo, kYes, kGaveUp };

// A row's string as the expressions see it, made once for every expression
// that looks at it: an ASCII string is matched as it is, any other decoded
// to code points (each invalid UTF-8 sequence U+FFFD), once and only when an
// expression gets that far, into room of its own up to a message's length.
class RegexText {
 public:
  explicit RegexText(std::string_view utf8) : utf8_(utf8) {}
  RegexText(const RegexText&) = delete;
  RegexText& operator=(const RegexText&) = delete;

  std::string_view Utf8() const { return utf8_; }
  bool Ascii() const;
  std::u32string_view CodePoints() const;

 private:
  static constexpr std::size_t kInline = 512;
  std::string_view utf8_;
  mutable int looked_ = 0;  // 1: ASCII; 2: not; 3: decoded as well
  mutable char32_t inline_[kInline];
  mutable std::u32string heap_;
  mutable const char32_t* data_ = nullptr;
  mutable std::size_t size_ = 0;
};

// A piece of plain text every match of the pattern holds (UTF-8, as the
// pattern has it), the longest one that is easily seen: characters outside
// any group, class, escape or quantifier. Empty when there is none, or when
// the pattern has an alternative (|), a (?...) group, quoting with \Q or a
// named or relative reference. A text without it cannot match, so an
// expression is not run on it.
std::string RequiredLiteral(std::string_view pattern);

class UnicodeRegex {
 public:
  // A pattern (UTF-8) that does not compile matches nothing; Error() says
  // why, in German, and where, counted in characters from 1.
  UnicodeRegex(std::string_view pattern, bool caseSensitive);

  bool Compiled() const { return impl_ != nullptr; }
  const std::string& Error() const { return error_; }
  // kGaveUp: the bound on the work of one match was reached (or on the
  // stack, or memory), and the text could not be judged.
  RegexOutcome Search(const RegexText& text) const;

 private:
  struct Impl;
  std::shared_ptr<const Impl> impl_;  // with the required literal's matcher
  std::string error_;
};

}  // namespace ploxen

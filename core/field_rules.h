// What the parameter pages accept in their edits, and the texts that refuse
// the rest. The pages' data exchange asks these; no window is needed here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ploxen {

// A whole number field: unsigned or signed 32 bits, within min ... max.
struct NumberRule {
  bool isSigned = false;
  std::int64_t min = 0;
  std::int64_t max = UINT32_MAX;
  // 0 is taken too, meaning "no limit", and the refusal says so.
  bool zeroForNone = false;

  static NumberRule Unsigned(std::uint32_t lo = 0, std::uint32_t hi = UINT32_MAX) { return {false, lo, hi}; }
  static NumberRule Signed() { return {true, INT32_MIN, INT32_MAX}; }
  static NumberRule UnsignedOrNone(std::uint32_t lo, std::uint32_t hi) { return {false, lo, hi, true}; }
};

enum class NumberCheck { kOk, kNotANumber, kOutOfRange };

// Blanks and tabs around the digits are allowed, and a "+"; a "-" only in a
// signed field. Anything else, or no digit at all, is not a number. A number
// too large for 32 bits is out of range, never wrapped.
NumberCheck ReadNumber(std::string_view text, const NumberRule& rule, std::int64_t& value);

// The refusal the user reads; it names the bounds of a range.
std::string NumberRefusal(NumberCheck check, const NumberRule& rule);
std::string LengthRefusal(std::size_t maxChars);

// The page's limits.
constexpr std::uint32_t kRowLimitMin = 100;
constexpr std::uint32_t kRowLimitMax = 1000000;
// The row limit: 0 is no limit (the program has always honoured it from the
// profile), so the page takes it besides the range.
inline NumberRule RowLimitRule() { return NumberRule::UnsignedOrNone(kRowLimitMin, kRowLimitMax); }
constexpr std::uint32_t kIntervalMin = 100;
constexpr std::uint32_t kIntervalMax = 5000;
constexpr std::size_t kSaveFileMaxChars = 100;

}  // namespace ploxen

#include "core/field_rules.h"

namespace ploxen {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

NumberCheck ReadNumber(std::string_view text, const NumberRule& rule, std::int64_t& value) {
  std::size_t i = 0;
  while (i < text.size() && Blank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || (rule.isSigned && text[i] == '-'))) negative = text[i++] == '-';
  const std::size_t firstDigit = i;
  // Past this, more digits only make it larger: held here, it stays out of
  // range without overflowing.
  constexpr std::int64_t kCap = std::int64_t{1} << 40;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (i == firstDigit) return NumberCheck::kNotANumber;
  while (i < text.size() && Blank(text[i])) ++i;
  if (i != text.size()) return NumberCheck::kNotANumber;
  const std::int64_t number = negative ? -magnitude : magnitude;
  if ((number < rule.min || number > rule.max) && !(rule.zeroForNone && number == 0)) return NumberCheck::kOutOfRange;
  value = number;
  return NumberCheck::kOk;
}

std::string NumberRefusal(NumberCheck check, const NumberRule& rule) {
  switch (check) {
    case NumberCheck::kOk:
      return {};
    case NumberCheck::kNotANumber:
      return rule.isSigned ? "Bitte eine ganze Zahl eingeben." : "Bitte eine ganze Zahl ohne Vorzeichen eingeben.";
    case NumberCheck::kOutOfRange:
      break;
  }
  const std::string none = rule.zeroForNone ? "0 (keine Grenze) oder " : "";
  return "Bitte " + none + "eine Zahl von " + std::to_string(rule.min) + " bis " + std::to_string(rule.max) + " eingeben.";
}

std::string LengthRefusal(std::size_t maxChars) {
  return "Bitte h\xF6" "chstens " + std::to_string(maxChars) + " Zeichen eingeben.";
}

}  // namespace ploxen

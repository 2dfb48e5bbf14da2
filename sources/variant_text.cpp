#include "sources/variant_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ploxen {
namespace {

// A reference to a reference ... is followed this far; a longer or cyclic
// chain is no argument a client meant to pass.
constexpr int kMaxReferenceDepth = 8;

// The platform's range of dates, in days: 1 January 100 to 31 December 9999,
// both days whole.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;

struct CalendarDay {
  long year;
  int month;
  int day;
};

// Proleptic Gregorian calendar, as the platform counts automation dates.
CalendarDay FromDaysSince1970(long days) {
  days += 719468;  // from 1 March of year 0
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long dayOfEra = days - era * 146097;
  const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::string SignedText(std::uint64_t bits, unsigned width) {
  const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
  const std::uint64_t stored = bits & mask;
  const bool negative = ((stored >> (width - 1)) & 1) != 0;
  const long long value = negative ? -static_cast<long long>(((~stored) & mask) + 1) : static_cast<long long>(stored);
  return std::to_string(value);
}

VariantConversion Convert(const VariantValue& value, std::string& text, int depth) {
  switch (value.type & ~static_cast<unsigned>(kVtByRef)) {
    case kVtI1:
    case kVtUi1: text = std::to_string(value.bits & 0xFF); return VariantConversion::kText;
    case kVtI2:
    case kVtUi2: text = SignedText(value.bits, 16); return VariantConversion::kText;
    case kVtI4:
    case kVtUi4: text = SignedText(value.bits, 32); return VariantConversion::kText;
    case kVtR4:
    case kVtR8: text = FormatDouble("%f", value.real); return VariantConversion::kText;
    case kVtDate: {
      std::optional<std::string> date = AutomationDateText(value.real);
      if (!date) return VariantConversion::kFailed;
      text = std::move(*date);
      return VariantConversion::kText;
    }
    case kVtBstr: text = value.text; return VariantConversion::kText;
    case kVtBool: text = (value.bits & 0xFFFF) != 0 ? "TRUE" : "FALSE"; return VariantConversion::kText;
    case kVtError: return VariantConversion::kEnd;
    case kVtVariant:
      if (!(value.type & kVtByRef) || !value.referenced || depth >= kMaxReferenceDepth) {
        return VariantConversion::kFailed;
      }
      return Convert(*value.referenced, text, depth + 1);
    default: return VariantConversion::kFailed;
  }
}

}  // namespace

VariantConversion ConvertVariant(const VariantValue& value, std::string& text) { return Convert(value, text, 0); }

std::optional<std::string> AutomationDateText(double date) {
  // Negated so that NaN fails too.
  if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0)) return std::nullopt;
  // Before 30 December 1899 the fraction still counts forward from the start
  // of the day: -1.25 is 29 December, 06:00.
  const double whole = date < 0.0 ? std::ceil(date) : std::floor(date);
  // The platform's steps, in its order, so that the same second comes out:
  // a hair added against truncating 0.999999... down, then each unit cut off,
  // and the rest rounded to the nearest second only when it is above a half.
  double time = std::fabs(date - whole) + 0.00000000001;
  if (time >= 1.0) time -= 0.00000000001;
  time *= 24.0;
  int hour = static_cast<int>(time);
  time -= hour;
  time *= 60.0;
  int minute = static_cast<int>(time);
  time -= minute;
  time *= 60.0;
  int second = static_cast<int>(time);
  time -= second;
  // A carry goes to the next day by the calendar; Wine's own carry turns the
  // last half second of 30 November into 1 January.
  long day = static_cast<long>(whole);
  if (time > 0.5 && ++second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      if (++hour == 24) {
        hour = 0;
        ++day;
      }
    }
  }
  const CalendarDay calendar = FromDaysSince1970(day - 25569);  // 1970-01-01 is day 25569
  if (calendar.year > 9999) return std::nullopt;
  char text[96];  // sized for any int: the compiler cannot see the fields are bounded
  std::snprintf(text, sizeof text, "%02d.%02d.%04ld %02d:%02d:%02d", calendar.day, calendar.month, calendar.year,
                hour, minute, second);
  return std::string(text);
}

FormatStrings WriteVStrings(const VariantValue* const* values, std::size_t count) {
  FormatStrings strings;
  const std::size_t given = values ? std::min(count, kFormattedStrings) : 0;
  for (std::size_t i = 0; i < given; ++i) {
    // A null entry is an argument left out, like VT_ERROR.
    if (!values[i]) break;
    const VariantConversion result = ConvertVariant(*values[i], strings[i]);
    if (result == VariantConversion::kEnd) break;
    if (result == VariantConversion::kFailed) strings[i] = "???";
  }
  return strings;
}

}  // namespace ploxen

// The portable date text of VT_DATE arguments against the platform's own
// conversion, across its whole range.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sources/variant_text.h"

namespace ploxen::test {
namespace {

constexpr double kSecond = 1.0 / 86400;

std::string Text(const SYSTEMTIME& st) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", st.wDay, st.wMonth, st.wYear, st.wHour,
                st.wMinute, st.wSecond);
  return text;
}

void ExpectAsThePlatform(double date) {
  SCOPED_TRACE(::testing::Message() << std::setprecision(17) << date);
  const std::optional<std::string> ours = AutomationDateText(date);
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) {
    EXPECT_EQ(ours, std::nullopt);
    return;
  }
  // Wine rolls the last half second of 30 November into 1 January of the
  // next year; the day after is 1 December all the same.
  const std::optional<std::string> secondBefore = AutomationDateText(date - (date < 0 ? -kSecond : kSecond));
  if (st.wDay == 1 && st.wMonth == 1 && secondBefore && secondBefore->rfind("30.11.", 0) == 0) {
    SYSTEMTIME december = st;
    december.wMonth = 12;
    december.wYear = static_cast<WORD>(st.wYear - 1);
    EXPECT_EQ(ours, Text(december));
    return;
  }
  if (st.wYear > 9999) {  // the platform rounds the last half second of 9999 on
    EXPECT_EQ(ours, std::nullopt);
    return;
  }
  EXPECT_EQ(ours, Text(st));
}

double FirstOfMonth(int year, int month) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = 1;
  double date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &date));
  return date;
}

// Whole day and time of day as the platform counts them: the fraction runs
// away from zero before 30 December 1899.
double At(double day, double secondOfDay) { return day < 0 ? day - secondOfDay * kSecond : day + secondOfDay * kSecond; }

TEST(VariantDate, AgreesWithThePlatformAcrossTheRange) {
  std::mt19937_64 random(20040102);
  std::uniform_real_distribution<double> anyDate(-657436.0, 2958467.0);
  std::uniform_int_distribution<int> anyDay(-657434, 2958465);
  std::uniform_int_distribution<int> anySecond(0, 86399);
  for (int i = 0; i < 2000; ++i) ExpectAsThePlatform(anyDate(random));
  // Where truncating and rounding decide the second.
  for (int i = 0; i < 400; ++i) {
    const double day = anyDay(random);
    const int second = anySecond(random);
    for (double offset : {-0.5001, -0.5, -0.4999, -1e-7, 0.0, 1e-7, 0.4999, 0.5, 0.5001})
      ExpectAsThePlatform(At(day, second + offset));
  }
  // The last half second of a month rolls into the next one, and of a year
  // into the next year.
  for (int year : {100, 1600, 1899, 1900, 1999, 2000, 2004, 2023, 2100, 9999})
    for (int month = 1; month <= 12; ++month) {
      const double first = FirstOfMonth(year, month);
      const double dayBefore = first - 1;
      ExpectAsThePlatform(At(dayBefore, 86399.6));
      ExpectAsThePlatform(At(dayBefore, 86399.4));
      ExpectAsThePlatform(At(first, 0.4));
    }
}

TEST(VariantDate, RangeEndsAgree) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double date : {-657435.0, std::nextafter(-657435.0, 0.0), -657434.99999999, -657434.0, 2958465.0,
                      2958465.99999, 2958465.99999999, std::nextafter(2958466.0, 0.0), 2958466.0, 0.0, -0.0,
                      std::nextafter(1.0, 0.0), -std::nextafter(1.0, 0.0), std::nextafter(0.0, 1.0), -1.25, 1e10,
                      -1e10, inf, -inf})
    ExpectAsThePlatform(date);
  // The platform's answer for NaN is whatever its arithmetic makes of it.
  EXPECT_EQ(AutomationDateText(std::nan("")), std::nullopt);
}

}  // namespace
}  // namespace ploxen::test
